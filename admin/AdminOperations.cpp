#include "admin/AdminOperations.h"

#include <QRegularExpression>
#include <exception>
#include <memory>

#include "admin/AdminSql.h"
#include "admin/Transliterate.h"
#include "core/Exception.h"
#include "core/Format.h"
#include "core/IUserPrompts.h"
#include "data/TDataSet.h"
#include "fib/TpFIBDatabase.h"
#include "fib/TpFIBQuery.h"
#include "fib/TpFIBTransaction.h"
#include "security/TUIBSecurity.h"
#include "security/TUserInfo.h"

using namespace Qt::StringLiterals;

namespace AdminOps {
namespace {

const QString kSysdba = u"SYSDBA"_s;

// Starts a one-off transaction unless an earlier statement left it active: then this one joins it.
void Start(TpFIBTransaction* tr) {
    if (!tr->Active()) tr->StartTransaction();
}

std::unique_ptr<TpFIBQuery> OneOff(const TAdminContext& c, TpFIBTransaction* tr) {
    auto q = std::make_unique<TpFIBQuery>();
    q->SetDatabase(c.db);
    q->SetTransaction(tr);
    return q;
}

using TParam = std::pair<QString, QVariant>;

// A right or a group goes from one list to the other: the one-off statement in trWriteQ with its two
// parameters in that order, started and committed around it, then both lists read again.
void MoveBetweenLists(const TAdminContext& c, const QString& sql, const TParam& first, const TParam& second,
                      TDataSet* has, TDataSet* lacks) {
    auto q = OneOff(c, c.trWriteQ);
    q->SetSQLText(sql);
    for (const TParam& p : {first, second}) q->ParamNamed(p.first).SetValue(p.second);
    Start(c.trWriteQ);
    q->ExecQuery();
    c.trWriteQ->Commit();
    has->Reopen(true);
    lacks->Reopen(true);
}

// The current row's field, or null without a current row.
QVariant Current(TDataSet* ds, const QString& field) {
    return ds && ds->Active() && !ds->IsEmpty() ? ds->FieldValue(field) : QVariant();
}

QString MessageOf(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const Exception& e) {
        return e.Message();
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
    }
    return {};
}

// The catalogue's names for one query, in trReadQ.
void CollectNames(const TAdminContext& c, TpFIBQuery& q, const QString& sql, QStringList& names) {
    q.SetTransaction(c.trReadQ);
    q.SetSQLText(sql);
    Start(c.trReadQ);
    q.ExecQuery();
    while (!q.Eof()) {
        names.append(q.FieldAt(0).AsString());
        q.Next();
    }
    c.trReadQ->Commit();
    q.Close();
}

// Each statement in a transaction of its own, with the progress shown (and asked) per object.
void GrantEach(const TAdminContext& c, TpFIBQuery& q, const QStringList& statements, const QString& login) {
    for (int i = 0; i < statements.size(); ++i) {
        if (c.Progress) {
            c.Progress->Show(i + 1, int(statements.size()), login);
            if (c.Progress->Cancelled()) return;
        }
        Start(c.trWriteQ);
        q.SetSQLText(statements[i]);
        q.ExecQuery();
        c.trWriteQ->Commit();
    }
}

// Leaves the dataset in browse state: a save that failed and was suppressed is discarded.
void CancelIfPending(TDataSet* ds) {
    if (ds->State() == dsEdit || ds->State() == dsInsert) ds->Cancel();
}

void ReopenAt(TDataSet* ds, const TBookmark& bookmark) {
    ds->Reopen(true);
    ds->GotoBookmark(bookmark);
}

void GrantAllTo(const TAdminContext& c, const QString& login) {
    GrantTablesAndViews(c, login);
    GrantProcedures(c, login);
}

}  // namespace

bool IsPlainLogin(const QString& login) {
    static const QRegularExpression plain(u"^[A-Za-z][A-Za-z0-9_$]{0,30}$"_s);
    return plain.match(login).hasMatch();
}

QString NotPlainLoginMessage(const QString& login) {
    return FormatMessage(u"Имя пользователя \"%s\" недопустимо: нужны латинская буква в начале, затем латинские "
                         u"буквы, цифры, \"_\" или \"$\", не более 31 знака."_s,
                         {login});
}

// ---- groups and rights

void AddGroup(const TAdminContext& c) {
    const TBookmark bookmark = c.dsGroups->GetBookmark();
    c.dsGroups->Append();
    if (c.Dialogs->EditGroup()) c.dsGroups->Post();
    else c.dsGroups->Cancel();
    ReopenAt(c.dsGroups, bookmark);
}

void EditGroup(const TAdminContext& c) {
    c.dsGroups->Edit();
    if (c.Dialogs->EditGroup()) c.dsGroups->Post();
    else c.dsGroups->Cancel();
}

void DeleteGroup(const TAdminContext& c) {
    const QString question = u"Вы желаете удалить группу "_s + Current(c.dsGroups, u"GROUP_NAME"_s).toString() + u'?';
    if (c.Prompts->Confirm(question)) c.dsGroups->Delete();
}

void GiveRight(const TAdminContext& c) {
    MoveBetweenLists(c, AdminSql::GiveRight(), {u"group_id"_s, Current(c.dsGroups, u"ID"_s)},
                     {u"right_id"_s, Current(c.dsR, u"ID"_s)}, c.dsGR, c.dsR);
}

void TakeRight(const TAdminContext& c) {
    MoveBetweenLists(c, AdminSql::TakeRight(), {u"group_id"_s, Current(c.dsGroups, u"ID"_s)},
                     {u"right_id"_s, Current(c.dsGR, u"ID"_s)}, c.dsGR, c.dsR);
}

// ---- users

void FillAccountList(TUIBSecurity& security, QStringList& list) {
    security.ListAccounts();
    for (int i = 0; i < security.AccountCount(); ++i) list.append(security.AccountAt(i).UserName);
}

void AddUser(const TAdminContext& c) {
    TDataSet* ds = c.dsUsers;
    const TBookmark bookmark = ds->GetBookmark();
    ds->Append();
    ds->SetFieldValue(u"WORKING"_s, 1);
    const TUserDialogResult r = c.Dialogs->EditUser(TUserDialogUse::NewUser, {});
    bool created = false;
    if (r.Ok && !IsPlainLogin(r.Login)) {
        c.Prompts->ShowError(NotPlainLoginMessage(r.Login));
    } else if (r.Ok) {
        try {
            TUIBSecurity& s = *c.Security;
            s.SetUser(r.Login);
            s.SetFirstName(Transliterate(r.FirstName));
            s.SetMiddleName(Transliterate(r.MiddleName));
            s.SetLastName(Transliterate(r.Surname));
            s.SetPass(QString::fromUtf16(kPasswordPrefix) + r.Password);
            s.AddAccount();
            created = true;
        } catch (...) {
            // The account was not created: say why, then the row goes.
            c.Prompts->ShowError(MessageOf(std::current_exception()));
        }
    }
    if (created) {
        ds->SetFieldValue(u"OPERATION"_s, 1);
        ds->Post();
        GrantAllTo(c, r.Login);
    } else {
        ds->Cancel();
    }
    ReopenAt(ds, bookmark);
}

void CloneUser(const TAdminContext& c) {
    TDataSet* ds = c.dsUsers;
    const TBookmark bookmark = ds->GetBookmark();
    ds->Append();
    ds->SetFieldValue(u"WORKING"_s, 1);
    QStringList accounts;
    FillAccountList(*c.Security, accounts);
    const TUserDialogResult r = c.Dialogs->EditUser(TUserDialogUse::ExistingAccount, accounts);
    if (r.Ok && !IsPlainLogin(r.Login)) {
        c.Prompts->ShowError(NotPlainLoginMessage(r.Login));
        ds->Cancel();
    } else if (r.Ok) {
        // The staff and login rows are made for the chosen account; the account itself stays as it is.
        ds->SetFieldValue(u"OPERATION"_s, 1);
        ds->Post();
        GrantAllTo(c, r.Login);
    } else {
        ds->Cancel();
    }
    ReopenAt(ds, bookmark);
}

void EditUser(const TAdminContext& c) {
    TDataSet* ds = c.dsUsers;
    ds->Edit();
    const TUserDialogResult r = c.Dialogs->EditUser(TUserDialogUse::ChangeUser, {});
    if (!r.Ok) {
        ds->Cancel();
        return;
    }
    try {
        TUIBSecurity& s = *c.Security;
        s.SetUser(r.Login);
        s.SetFirstName(r.FirstName);
        s.SetLastName(r.Surname);
        s.SetMiddleName(r.MiddleName);
        // An empty box keeps the account's password; SYSDBA's is never sent.
        if (r.Login != kSysdba && !r.Password.isEmpty()) s.SetPass(QString::fromUtf16(kPasswordPrefix) + r.Password);
        s.ModifyAccount();
        ds->SetFieldValue(u"OPERATION"_s, 2);
        ds->Post();
        CancelIfPending(ds);
    } catch (...) {
        const std::exception_ptr error = std::current_exception();
        ds->Cancel();
        c.Prompts->ShowError(MessageOf(error));
    }
}

void DeleteUser(const TAdminContext& c) {
    TDataSet* ds = c.dsUsers;
    const QString login = Current(ds, u"IBNAME"_s).toString();
    if (!c.Prompts->Confirm(u"Удалить пользователя "_s + login + u'?')) return;
    if (login.toUpper() == kSysdba) return;
    std::exception_ptr accountError;
    try {
        c.Security->SetUser(login);
        c.Security->DeleteAccount();
    } catch (...) {
        accountError = std::current_exception();
    }
    // The rows go also when the account could not be deleted; the account's error comes afterwards.
    ds->Edit();
    ds->SetFieldValue(u"OPERATION"_s, 3);
    ds->Delete();
    if (accountError) std::rethrow_exception(accountError);
}

// ---- object grants

namespace {
// Grants on every object the catalogue queries name, each in a transaction of its own; with generators
// the grant on the generators comes first.
void GrantObjects(const TAdminContext& c, const QString& login, const QStringList& queries,
                  QString (*grant)(const QString& name, const QString& login), bool generators) {
    if (!IsPlainLogin(login)) {
        c.Prompts->ShowError(NotPlainLoginMessage(login));
        return;
    }
    QStringList names;
    auto q = OneOff(c, c.trReadQ);
    for (const QString& query : queries) CollectNames(c, *q, query, names);
    q->SetTransaction(c.trWriteQ);
    q->SetParamCheck(false);
    if (generators) {
        Start(c.trWriteQ);
        q->SetSQLText(AdminSql::GrantGenerators(login));
        q->ExecQuery();
        c.trWriteQ->Commit();
    }
    QStringList statements;
    for (const QString& name : names) statements.append(grant(name, login));
    GrantEach(c, *q, statements, login);
    q->Close();
}
}  // namespace

void GrantTablesAndViews(const TAdminContext& c, const QString& login) {
    GrantObjects(c, login, {AdminSql::TablesQuery(), AdminSql::ViewsQuery()}, AdminSql::GrantAll, true);
}

void GrantProcedures(const TAdminContext& c, const QString& login) {
    GrantObjects(c, login, {AdminSql::ProceduresQuery()}, AdminSql::GrantExecute, false);
}

void GrantToCurrentUser(const TAdminContext& c) {
    GrantTablesAndViews(c, Current(c.dsUsers, u"IBNAME"_s).toString());
    GrantProcedures(c, Current(c.dsUsers, u"IBNAME"_s).toString());
}

void GrantToAllUsers(const TAdminContext& c, bool grantEnabled) {
    TDataSet* ds = c.dsUsers;
    ds->First();
    ds->FetchAll();
    const int users = ds->RecordCount();
    // The progress is of the users; each user's own run shows none.
    TAdminContext each = c;
    each.Progress = nullptr;
    for (int n = 1; !ds->Eof(); ++n) {
        if (c.Progress) {
            c.Progress->Show(n, users, Current(ds, u"IBNAME"_s).toString());
            if (c.Progress->Cancelled()) break;
        }
        if (grantEnabled) GrantToCurrentUser(each);
        ds->Next();
    }
    if (c.Progress) c.Progress->Done();
    ds->First();
}

// ---- membership

void AddMembership(const TAdminContext& c) {
    MoveBetweenLists(c, AdminSql::AddMembership(), {u"user_id"_s, Current(c.dsUsers, u"ID"_s)},
                     {u"group_id"_s, Current(c.dsG, u"ID"_s)}, c.dsGU, c.dsG);
}

void RemoveMembership(const TAdminContext& c) {
    MoveBetweenLists(c, AdminSql::RemoveMembership(), {u"user_id"_s, Current(c.dsUsers, u"ID"_s)},
                     {u"group_id"_s, Current(c.dsGU, u"ID"_s)}, c.dsGU, c.dsG);
}

}  // namespace AdminOps
