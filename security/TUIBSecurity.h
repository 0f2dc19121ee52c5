#pragma once
#include <QString>
#include <vector>

#include "security/ServiceBlocks.h"
#include "security/TUIBService.h"
#include "security/TUserInfo.h"

// Firebird accounts through the service manager: add, modify, delete and list. Every action
// attaches and detaches once; after a successful one all eight properties and their marks are reset.
class TUIBSecurity : public TUIBService {
    Q_OBJECT
public:
    using TUIBService::TUIBService;

    const QString& Role() const { return m_fields.Text(TUIBUserFields::Role); }
    void SetRole(const QString& value) { m_fields.SetText(TUIBUserFields::Role, value); }
    const QString& User() const { return m_fields.Text(TUIBUserFields::User); }
    void SetUser(const QString& value) { m_fields.SetText(TUIBUserFields::User, value); }
    const QString& Pass() const { return m_fields.Text(TUIBUserFields::Pass); }
    void SetPass(const QString& value) { m_fields.SetText(TUIBUserFields::Pass, value); }
    const QString& FirstName() const { return m_fields.Text(TUIBUserFields::FirstName); }
    void SetFirstName(const QString& value) { m_fields.SetText(TUIBUserFields::FirstName, value); }
    const QString& MiddleName() const { return m_fields.Text(TUIBUserFields::MiddleName); }
    void SetMiddleName(const QString& value) { m_fields.SetText(TUIBUserFields::MiddleName, value); }
    const QString& LastName() const { return m_fields.Text(TUIBUserFields::LastName); }
    void SetLastName(const QString& value) { m_fields.SetText(TUIBUserFields::LastName, value); }
    qint32 UserID() const { return m_fields.Number(TUIBUserFields::UserID); }
    void SetUserID(qint32 value) { m_fields.SetNumber(TUIBUserFields::UserID, value); }
    qint32 GroupID() const { return m_fields.Number(TUIBUserFields::GroupID); }
    void SetGroupID(qint32 value) { m_fields.SetNumber(TUIBUserFields::GroupID, value); }

    // Forgets every property set since the last success, as a success does: a failed operation leaves them.
    void ClearFields() { m_fields = TUIBUserFields(); }

    // Whether the property of that index (0 Role ... 7 GroupID) was set since the last success.
    bool Marked(TUIBUserFields::Index index) const { return m_fields.Marked(index); }

    // Each throws Exception for an unusable library, an invalid service login or a text too long for
    // its block, EUIBError (or a subclass) for a call the server refuses, and, for ListAccounts,
    // Exception "Error while parsing Services API output." for a reply not in the expected form.
    void AddAccount();
    void ModifyAccount();
    void DeleteAccount();
    void ListAccounts();

    int AccountCount() const { return int(m_accounts.size()); }
    // Throws Exception for an index outside 0 .. AccountCount() - 1.
    const TUserInfo& AccountAt(int index) const;

private:
    void RunAction(char action);

    TUIBUserFields m_fields;
    std::vector<TUserInfo> m_accounts;
};
