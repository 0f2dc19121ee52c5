#include "admin/AdminOperations.h"

#include <QRegularExpression>
#include <exception>
#include <memory>

#include "admin/AdminSql.h"
#include "admin/Transliterate.h"
#include "core/Exception.h"
#include "core/Format.h"
#include "core/Win1251.h"
#include "core/IUserPrompts.h"
#include "data/TDataSet.h"
#include "data/TField.h"
#include "fib/ErrorClassification.h"
#include "fib/FIBErrors.h"
#include "fib/FibErrorHandlerHook.h"
#include "fib/TpFIBDatabase.h"
#include "fib/TpFIBQuery.h"
#include "fib/TpFIBTransaction.h"
#include "security/TUIBSecurity.h"
#include "security/TUserInfo.h"
#include "security/UIBErrors.h"

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
// parameters in that order, started and committed around it, then both lists read again. A pair that is
// there already (another administrator moved it meanwhile) gives duplicate, with both lists read again.
void MoveBetweenLists(const TAdminContext& c, const QString& sql, const TParam& first, const TParam& second,
                      TDataSet* has, TDataSet* lacks, const QString& duplicate) {
    auto q = OneOff(c, c.trWriteQ);
    q->SetSQLText(sql);
    for (const TParam& p : {first, second}) q->ParamNamed(p.first).SetValue(p.second);
    Start(c.trWriteQ);
    try {
        q->ExecQuery();
    } catch (const EFIBError& e) {
        if (ClassifyKind(e.SQLCode(), e.GDSCode()) != keUniqueViolation) throw;
        has->Reopen(true);
        lacks->Reopen(true);
        throw Exception(duplicate);
    }
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

bool IsLostConnection(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const EFIBError& e) {
        return IsLostConnectionError(e);
    } catch (const EAbort&) {
        return true;  // what a lost connection ends in when its error is not raised
    } catch (...) {
    }
    return false;
}

// An account operation of the service manager. A service the network no longer reaches is a lost
// connection like the database's: it goes through the error handler (its box, the end of the program)
// and leaves the command as that error.
template <class TStep>
void AccountStep(const TAdminContext& c, TStep step) {
    // Every operation starts from cleared fields: a failed one leaves what it was given.
    c.Security->ClearFields();
    try {
        step(*c.Security);
    } catch (const EUIBError& e) {
        if (!IsLostConnectionCode(e.GDSCode())) throw;
        EFIBInterBaseError error(e.SQLCode(), e.GDSCode(), QString(), QString(), e.Message(), QString(), nullptr);
        bool doRaise = true;
        if (IFibErrorHandler* handler = ActiveErrorHandler()) handler->HandleError(nullptr, error, doRaise);
        throw error;
    }
}

bool IsSysdba(const QString& login) { return login.trimmed().toUpper() == kSysdba; }

// Every text field of the current row, for the code-page check.
QString RowTexts(TDataSet* ds) {
    QString texts;
    if (!ds || !ds->Active()) return texts;
    for (TField* f : ds->Fields())
        if (f->DataType() == ftString || f->DataType() == ftMemo) texts += f->AsString();
    return texts;
}

// The values of the current row by field name, as read: what a change is checked against.
using TRowValues = QVariantMap;
TRowValues ValuesOf(TDataSet* ds) {
    TRowValues values;
    if (!ds->Active() || ds->IsEmpty()) return values;
    for (TField* f : ds->Fields()) values.insert(f->FieldName().toUpper(), f->Value());
    return values;
}

// Two values of one column, one as the dataset keeps it and one as a statement reads it: a Boolean
// domain is a bool on one side and a number on the other, CHAR columns come padded.
bool SameValue(const QVariant& a, const QVariant& b) {
    if (a.isNull() || b.isNull()) return a.isNull() == b.isNull();
    if (a.typeId() == QMetaType::Bool || b.typeId() == QMetaType::Bool) return a.toBool() == b.toBool();
    const auto number = [](const QVariant& v) {
        switch (v.typeId()) {
            case QMetaType::Int: case QMetaType::LongLong: case QMetaType::Short: case QMetaType::Double:
            case QMetaType::UInt: case QMetaType::ULongLong: return true;
            default: return false;
        }
    };
    if (number(a) && number(b)) return a.toDouble() == b.toDouble();
    const auto text = [](const QVariant& v) {
        QString t = v.toString();
        while (t.endsWith(u' ')) t.chop(1);
        return t;
    };
    return text(a) == text(b);
}

enum class TRowCheck { Same, Changed, Removed, Failed };

// Reads a row again with a lock in the update transaction (started here) and compares every column it
// returns with the value read before; Failed when the statement failed and its error was shown.
TRowCheck CheckRow(const TAdminContext& c, const QString& sql, const TParam& key, const TRowValues& read) {
    auto q = OneOff(c, c.tw);
    q->SetSQLText(sql);
    q->ParamNamed(key.first).SetValue(key.second);
    Start(c.tw);
    q->ExecQuery();
    if (!q->Open()) return TRowCheck::Failed;
    TRowCheck result = q->Eof() ? TRowCheck::Removed : TRowCheck::Same;
    for (int i = 0; result == TRowCheck::Same && i < q->FieldCount(); ++i) {
        const QString name = q->FieldAt(i).Name().toUpper();
        if (read.contains(name) && !SameValue(read.value(name), q->FieldAt(i).Value())) result = TRowCheck::Changed;
    }
    q->Close();
    return result;
}

// Rolls the transaction back at the end of a scope unless it was ended: a change that was not saved
// must not keep the row locked.
class TRollbackUnlessEnded {
public:
    explicit TRollbackUnlessEnded(TpFIBTransaction* tr) : m_tr(tr) {}
    ~TRollbackUnlessEnded() {
        try {
            if (m_tr && m_tr->Active()) m_tr->Rollback();
        } catch (...) {
        }
    }
    TRollbackUnlessEnded(const TRollbackUnlessEnded&) = delete;
    TRollbackUnlessEnded& operator=(const TRollbackUnlessEnded&) = delete;

private:
    TpFIBTransaction* m_tr;
};

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

// Each statement in a transaction of its own, with the progress shown per object; a grant to one login
// runs to its end, so that no login is left partly granted.
void GrantEach(const TAdminContext& c, TpFIBQuery& q, const QStringList& statements, const QString& login) {
    for (int i = 0; i < statements.size(); ++i) {
        if (c.Progress) c.Progress->Show(i + 1, int(statements.size()), login, false);
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
    if (!IsPlainLogin(login)) {
        c.Prompts->ShowError(NotPlainLoginMessage(login));
        return;
    }
    GrantTablesAndViews(c, login);
    GrantProcedures(c, login);
}

// Shows what refuses the dialog's result, after the dialog: for dialogs that did not check it themselves.
bool Refused(const TAdminContext& c, const QString& message) {
    if (message.isEmpty()) return false;
    c.Prompts->ShowError(message);
    return true;
}

// Shows the error of a failed step unless it is a lost connection (whose box came already), then cancels
// the row; a lost connection goes on, so that the program ends without another box.
void ReportThenCancel(const TAdminContext& c, TDataSet* ds, const std::exception_ptr& error) {
    const bool lost = IsLostConnection(error);
    if (!lost) c.Prompts->ShowError(MessageOf(error));
    ds->Cancel();
    if (lost) std::rethrow_exception(error);
}

// A change another administrator saved (or a removal) since the row was read: said, nothing saved, the
// list read again at the same position.
void ChangedMeanwhile(const TAdminContext& c, TDataSet* ds, TRowCheck check, const QString& changed,
                      const QString& removed, const TBookmark& bookmark) {
    c.tw->Rollback();
    if (check != TRowCheck::Failed) c.Prompts->ShowError(check == TRowCheck::Removed ? removed : changed);
    ds->Cancel();
    ReopenAt(ds, bookmark);
}

}  // namespace

bool IsPlainLogin(const QString& login) {
    // Anchored on the whole text: "$" alone would let a trailing line feed through.
    static const QRegularExpression plain(QRegularExpression::anchoredPattern(u"[A-Za-z][A-Za-z0-9_$]{0,30}"_s));
    return plain.match(login).hasMatch();
}

QString NotPlainLoginMessage(const QString& login) {
    return FormatMessage(u"Имя пользователя \"%s\" недопустимо: нужны латинская буква в начале, затем латинские "
                         u"буквы, цифры, \"_\" или \"$\", не более 31 знака."_s,
                         {login});
}

// ---- groups and rights

QString CheckGroupDialog(const TAdminContext& c) {
    const QString outside = OutsideWin1251(RowTexts(c.dsGroups));
    return outside.isEmpty() ? QString() : OutsideWin1251Message(outside);
}

namespace {
bool GroupDialog(const TAdminContext& c) {
    return c.Dialogs->EditGroup([&c] { return CheckGroupDialog(c); }) && !Refused(c, CheckGroupDialog(c));
}
}  // namespace

void AddGroup(const TAdminContext& c) {
    const TBookmark bookmark = c.dsGroups->GetBookmark();
    c.dsGroups->Append();
    if (GroupDialog(c)) c.dsGroups->Post();
    else c.dsGroups->Cancel();
    CancelIfPending(c.dsGroups);
    ReopenAt(c.dsGroups, bookmark);
}

void EditGroup(const TAdminContext& c) {
    TDataSet* ds = c.dsGroups;
    const TRowValues read = ValuesOf(ds);
    const TBookmark bookmark = ds->GetBookmark();
    ds->Edit();
    if (!GroupDialog(c)) {
        ds->Cancel();
        return;
    }
    TRollbackUnlessEnded unlock(c.tw);
    const TRowCheck check = CheckRow(c, AdminSql::GroupLock(), {u"ID"_s, read.value(u"ID"_s)}, read);
    if (check != TRowCheck::Same) {
        const QString name = read.value(u"GROUP_NAME"_s).toString();
        ChangedMeanwhile(c, ds, check,
                         FormatMessage(u"Группу \"%s\" изменил другой администратор после того, как она была прочитана. "
                                       u"Изменения не сохранены, группа прочитана заново."_s, {name}),
                         FormatMessage(u"Группу \"%s\" удалил другой администратор. Изменения не сохранены."_s, {name}),
                         bookmark);
        return;
    }
    ds->Post();
    // A save whose error was shown and suppressed leaves nothing pending.
    CancelIfPending(ds);
}

void DeleteGroup(const TAdminContext& c) {
    const QString question = u"Вы желаете удалить группу "_s + Current(c.dsGroups, u"GROUP_NAME"_s).toString() + u'?';
    if (c.Prompts->Confirm(question)) c.dsGroups->Delete();
}

void GiveRight(const TAdminContext& c) {
    MoveBetweenLists(c, AdminSql::GiveRight(), {u"group_id"_s, Current(c.dsGroups, u"ID"_s)},
                     {u"right_id"_s, Current(c.dsR, u"ID"_s)}, c.dsGR, c.dsR, u"Группа уже имеет это разрешение."_s);
}

void TakeRight(const TAdminContext& c) {
    MoveBetweenLists(c, AdminSql::TakeRight(), {u"group_id"_s, Current(c.dsGroups, u"ID"_s)},
                     {u"right_id"_s, Current(c.dsGR, u"ID"_s)}, c.dsGR, c.dsR, QString());
}

// ---- users

void FillAccountList(TUIBSecurity& security, QStringList& list) {
    security.ListAccounts();
    for (int i = 0; i < security.AccountCount(); ++i) list.append(security.AccountAt(i).UserName);
}

QString CheckUserDialog(const TAdminContext& c, TUserDialogUse use, const TUserDialogResult& r) {
    if (use == TUserDialogUse::ExistingAccount && r.Login.trimmed().isEmpty())
        return u"Не выбран пользователь Firebird: выберите его в списке \"Пользователь\"."_s;
    if (use != TUserDialogUse::ChangeUser && !IsPlainLogin(r.Login)) return NotPlainLoginMessage(r.Login);
    const QString outside = OutsideWin1251(RowTexts(c.dsUsers) + r.Login + r.Surname + r.FirstName + r.MiddleName);
    return outside.isEmpty() ? QString() : OutsideWin1251Message(outside);
}

namespace {
TUserDialogResult UserDialog(const TAdminContext& c, TUserDialogUse use, const QStringList& accounts) {
    TUserDialogResult r = c.Dialogs->EditUser(use, accounts, [&c, use](const TUserDialogResult& shown) {
        return CheckUserDialog(c, use, shown);
    });
    if (r.Ok && Refused(c, CheckUserDialog(c, use, r))) r.Ok = false;
    return r;
}
}  // namespace

void AddUser(const TAdminContext& c) {
    TDataSet* ds = c.dsUsers;
    const TBookmark bookmark = ds->GetBookmark();
    ds->Append();
    ds->SetFieldValue(u"WORKING"_s, 1);
    const TUserDialogResult r = UserDialog(c, TUserDialogUse::NewUser, {});
    bool created = false;
    if (r.Ok) {
        try {
            AccountStep(c, [&](TUIBSecurity& s) {
                s.SetUser(r.Login);
                s.SetFirstName(Transliterate(r.FirstName));
                s.SetMiddleName(Transliterate(r.MiddleName));
                s.SetLastName(Transliterate(r.Surname));
                s.SetPass(QString::fromUtf16(kPasswordPrefix) + r.Password);
                s.AddAccount();
            });
            created = true;
        } catch (...) {
            // The account was not created: say why, then the row goes.
            ReportThenCancel(c, ds, std::current_exception());
        }
    }
    if (created) {
        ds->SetFieldValue(u"OPERATION"_s, 1);
        ds->Post();
        CancelIfPending(ds);
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
    AccountStep(c, [&](TUIBSecurity& s) { FillAccountList(s, accounts); });
    const TUserDialogResult r = UserDialog(c, TUserDialogUse::ExistingAccount, accounts);
    if (r.Ok) {
        // The staff and login rows are made for the chosen account; the account itself stays as it is.
        ds->SetFieldValue(u"OPERATION"_s, 1);
        ds->Post();
        CancelIfPending(ds);
        GrantAllTo(c, r.Login);
    } else {
        ds->Cancel();
    }
    ReopenAt(ds, bookmark);
}

void EditUser(const TAdminContext& c) {
    TDataSet* ds = c.dsUsers;
    const TRowValues read = ValuesOf(ds);
    const TBookmark bookmark = ds->GetBookmark();
    ds->Edit();
    const TUserDialogResult r = UserDialog(c, TUserDialogUse::ChangeUser, {});
    if (!r.Ok) {
        ds->Cancel();
        return;
    }
    // Both rows as they were read, locked until the change is saved: the staff row by its key, the login
    // row by the login (a change replaces it under a new key).
    TRollbackUnlessEnded unlock(c.tw);
    TRowCheck check = CheckRow(c, AdminSql::WorkerLock(), {u"WORKER_ID"_s, read.value(u"WORKER_ID"_s)}, read);
    if (check == TRowCheck::Same) check = CheckRow(c, AdminSql::LoginLock(), {u"IBNAME"_s, read.value(u"IBNAME"_s)}, read);
    if (check != TRowCheck::Same) {
        const QString login = read.value(u"IBNAME"_s).toString();
        ChangedMeanwhile(c, ds, check,
                         FormatMessage(u"Пользователя %s изменил другой администратор после того, как он был прочитан. "
                                       u"Изменения не сохранены, список прочитан заново."_s, {login}),
                         FormatMessage(u"Пользователя %s удалил другой администратор. Изменения не сохранены."_s, {login}),
                         bookmark);
        return;
    }
    try {
        AccountStep(c, [&](TUIBSecurity& s) {
            s.SetUser(r.Login);
            s.SetFirstName(r.FirstName);
            s.SetLastName(r.Surname);
            s.SetMiddleName(r.MiddleName);
            // An empty box keeps the account's password; SYSDBA's is never sent.
            if (!IsSysdba(r.Login) && !r.Password.isEmpty()) s.SetPass(QString::fromUtf16(kPasswordPrefix) + r.Password);
            s.ModifyAccount();
        });
        ds->SetFieldValue(u"OPERATION"_s, 2);
        ds->Post();
        CancelIfPending(ds);
    } catch (...) {
        ReportThenCancel(c, ds, std::current_exception());
    }
}

void DeleteUser(const TAdminContext& c) {
    TDataSet* ds = c.dsUsers;
    const QString login = Current(ds, u"IBNAME"_s).toString();
    if (!c.Prompts->Confirm(u"Удалить пользователя "_s + login + u'?')) return;
    if (IsSysdba(login)) return;
    std::exception_ptr accountError;
    try {
        AccountStep(c, [&](TUIBSecurity& s) {
            s.SetUser(login);
            s.DeleteAccount();
        });
    } catch (...) {
        accountError = std::current_exception();
        if (IsLostConnection(accountError)) throw;
    }
    // The rows go also when the account could not be deleted; the account's error comes afterwards.
    // The row is in edit only to carry the operation code: a delete that fails must not leave it so,
    // or the next move would save it, which deletes the user without a question.
    ds->Edit();
    try {
        ds->SetFieldValue(u"OPERATION"_s, 3);
        ds->Delete();
    } catch (...) {
        CancelIfPending(ds);
        throw;
    }
    CancelIfPending(ds);
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

void GrantToCurrentUser(const TAdminContext& c) { GrantAllTo(c, Current(c.dsUsers, u"IBNAME"_s).toString()); }

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
            c.Progress->Show(n, users, Current(ds, u"IBNAME"_s).toString(), true);
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
                     {u"group_id"_s, Current(c.dsG, u"ID"_s)}, c.dsGU, c.dsG, u"Пользователь уже состоит в этой группе."_s);
}

void RemoveMembership(const TAdminContext& c) {
    MoveBetweenLists(c, AdminSql::RemoveMembership(), {u"user_id"_s, Current(c.dsUsers, u"ID"_s)},
                     {u"group_id"_s, Current(c.dsGU, u"ID"_s)}, c.dsGU, c.dsG, QString());
}

}  // namespace AdminOps
