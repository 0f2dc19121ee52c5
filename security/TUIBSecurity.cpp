#include "security/TUIBSecurity.h"

#include "core/Exception.h"
#include "core/Format.h"
#include "security/TUIBLibrary.h"

using namespace Qt::StringLiterals;

void TUIBSecurity::AddAccount() { RunAction(UIBSpb::AddUser); }
void TUIBSecurity::ModifyAccount() { RunAction(UIBSpb::ModifyUser); }
void TUIBSecurity::DeleteAccount() { RunAction(UIBSpb::DeleteUser); }
void TUIBSecurity::ListAccounts() { RunAction(UIBSpb::DisplayUser); }

const TUserInfo& TUIBSecurity::AccountAt(int index) const {
    if (index < 0 || index >= AccountCount())
        throw Exception(FormatMessage(u"List index out of bounds (%d)."_s, {QString::number(index)}));
    return m_accounts[size_t(index)];
}

void TUIBSecurity::RunAction(char action) {
    if (action != UIBSpb::DisplayUser) CheckServiceUserName(UserName());
    const QByteArray block = BuildUserActionBlock(action, m_fields);
    AttachService();
    try {
        Library().ServiceStart(Handle(), block);
        if (action == UIBSpb::DisplayUser) {
            // The server hands the records out as its service produces them: ask until it has no more.
            ReadUserListing(
                [this] {
                    QByteArray reply;
                    Library().ServiceQuery(Handle(), QByteArray(1, UIBSpb::InfoGetUsers), reply);
                    return reply;
                },
                m_accounts);
        }
    } catch (...) {
        // The first failure is the one reported; a failing detach after it is not.
        try {
            DetachService();
        } catch (const std::exception&) {
        }
        throw;
    }
    DetachService();
    m_fields = TUIBUserFields();
}
