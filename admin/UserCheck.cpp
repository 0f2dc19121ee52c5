#include "admin/UserCheck.h"

#include <QMap>
#include <QHash>
#include <QSet>
#include <memory>

#include "admin/AdminOperations.h"
#include "admin/AdminSql.h"
#include "admin/InTransaction.h"
#include "admin/Transliterate.h"
#include "core/Csv.h"
#include "core/Exception.h"
#include "core/Format.h"
#include "core/IUserPrompts.h"
#include "fib/TpFIBDatabase.h"
#include "fib/TpFIBQuery.h"
#include "fib/TpFIBTransaction.h"
#include "security/TUIBSecurity.h"
#include "security/TUserInfo.h"

using namespace Qt::StringLiterals;

namespace UserCheck {
namespace {

const QString kSysdba = u"SYSDBA"_s;

// One login as the tables and the server know it.
struct TLoginState {
    bool Account = false, AccountActive = true;
    bool LoginRow = false, WorkerRow = false;
    QVariant LockedOut;
};

// A one-off statement on the connection, for one transaction.
std::unique_ptr<TpFIBQuery> Statement(const TCheckContext& c, TpFIBTransaction* tr) {
    auto q = std::make_unique<TpFIBQuery>();
    q->SetDatabase(c.db);
    q->SetTransaction(tr);
    return q;
}

// Runs a select in the read transaction (already started) and hands each row's columns, trimmed, to row.
template <class TRow>
void ReadRows(TpFIBQuery& q, const QString& sql, TRow row) {
    q.SetSQLText(sql);
    q.ExecQuery();
    while (!q.Eof()) {
        QVariantList values;
        for (int i = 0; i < q.FieldCount(); ++i) {
            QVariant v = q.FieldAt(i).Value();
            if (v.typeId() == QMetaType::QString) v = v.toString().trimmed();
            values << v;
        }
        row(values);
        q.Next();
    }
    q.Close();
}

QString PrivilegeWord(char p) {
    switch (p) {
        case 'S': return u"SELECT"_s;
        case 'I': return u"INSERT"_s;
        case 'U': return u"UPDATE"_s;
        case 'D': return u"DELETE"_s;
        case 'R': return u"REFERENCES"_s;
        default: return u"EXECUTE"_s;
    }
}

QString Quoted(const QString& name) { return u'"' + QString(name).replace(u'"', u"\"\""_s) + u'"'; }

// What each login needs: every privilege on every table and view, execution of every procedure, and
// SELECT and UPDATE on RDB$GENERATORS.
std::vector<TObjectPrivilege> Required(const QStringList& relations, const QStringList& procedures) {
    std::vector<TObjectPrivilege> out{{u"RDB$GENERATORS"_s, 'S', false}, {u"RDB$GENERATORS"_s, 'U', false}};
    for (const QString& r : relations)
        for (char p : {'S', 'I', 'U', 'D', 'R'}) out.push_back({r, p, false});
    for (const QString& p : procedures) out.push_back({p, 'X', true});
    return out;
}

// The privileges held, by login and object, as a bit mask of the letters.
using THeld = QHash<QString, QHash<QString, quint32>>;
quint32 Bit(char privilege) { return 1u << (privilege - 'A'); }

// The privileges on whole objects (not on single columns) held by the application users' logins. Half a
// million rows are too many to fetch one by one, so the server packs them: it merges a login's rows on one
// object into one letter mask (a grant writes an object's rows one after another, and a login's rows come
// in the order they were written) and writes "<length>:<name><mask>;" records into chunks of bytes, several
// chunks per login. Names travel as their stored UTF-8 bytes, so nothing is transliterated; rows of one
// object that are not adjacent come as several records and are joined here.
const char16_t kHeldBlock[] = uR"(execute block returns (LOGIN varchar(63) character set unicode_fss,
  HELD varchar(8000) character set octets)
as
  declare obj varchar(189) character set octets;
  declare current_obj varchar(189) character set octets;
  declare privilege char(6);
  declare bits bigint;
begin
  for select distinct upper(trim(ibname)) from sys$user where ibname is not null into LOGIN do
  begin
    HELD = '';
    current_obj = null;
    bits = 0;
    for select cast(rdb$relation_name as varchar(189) character set octets), rdb$privilege
        from rdb$user_privileges
        where rdb$user = :LOGIN and rdb$user_type = 8 and rdb$field_name is null
        into obj, privilege do
    begin
      if (obj is distinct from current_obj) then
      begin
        if (bits <> 0) then
        begin
          current_obj = trim(trailing ' ' from current_obj);
          HELD = HELD || octet_length(current_obj) || ':' || current_obj || bits || ';';
          if (octet_length(HELD) > 7700) then
          begin
            suspend;
            HELD = '';
          end
        end
        current_obj = obj;
        bits = 0;
      end
      bits = bin_or(bits, bin_shl(1, ascii_val(privilege) - 65));
    end
    if (bits <> 0) then
    begin
      current_obj = trim(trailing ' ' from current_obj);
      HELD = HELD || octet_length(current_obj) || ':' || current_obj || bits || ';';
    end
    if (HELD <> '') then suspend;
  end
end)";

// Adds one chunk's "<length>:<name><mask>;" records to a login's masks; a malformed chunk throws.
void AddHeldChunk(const QByteArray& chunk, QHash<QString, quint32>& mine) {
    qsizetype at = 0;
    const auto malformed = [] { return Exception(u"Непонятный ответ сервера о правах пользователей."_s); };
    auto number = [&](char end) {
        const qsizetype stop = chunk.indexOf(end, at);
        bool ok = false;
        const qlonglong n = stop < 0 ? 0 : chunk.mid(at, stop - at).toLongLong(&ok);
        if (!ok || n < 0) throw malformed();
        at = stop + 1;
        return n;
    };
    while (at < chunk.size()) {
        const qlonglong length = number(':');
        if (at + length > chunk.size()) throw malformed();
        const QString name = QString::fromUtf8(chunk.constData() + at, qsizetype(length));
        at += length;
        mine[name] |= quint32(number(';'));
    }
}

void ReadHeld(TpFIBQuery& q, THeld& held) {
    q.SetSQLText(QString::fromUtf16(kHeldBlock));
    q.ExecQuery();
    while (!q.Eof()) {
        AddHeldChunk(q.FieldAt(1).Value().toByteArray(), held[q.FieldAt(0).AsString().trimmed()]);
        q.Next();
    }
    q.Close();
}

}  // namespace

namespace {
// Each kind's name in the command line's output and its caption in the window, in the enum's order.
struct TKindTexts {
    const char16_t* Name;
    const char16_t* Caption;
};
constexpr TKindTexts kKinds[] = {
    {u"account-without-user", u"Учётная запись без пользователя"},
    {u"user-without-account", u"Пользователь без учётной записи"},
    {u"login-without-worker", u"Нет строки WORKER"},
    {u"worker-without-login", u"Нет строки SYS$USER"},
    {u"not-plain-login", u"Недопустимый логин"},
    {u"missing-privileges", u"Не хватает прав"},
    {u"blocked-but-active", u"Заблокирован, запись активна"},
    {u"unblocked-but-inactive", u"Не заблокирован, запись отключена"},
};
static_assert(std::size(kKinds) == size_t(TFindingKind::UnblockedButInactive) + 1);
}  // namespace

QString KindName(TFindingKind kind) { return QString::fromUtf16(kKinds[size_t(kind)].Name); }

QString KindCaption(TFindingKind kind) { return QString::fromUtf16(kKinds[size_t(kind)].Caption); }

namespace {
// The check; without the accounts only the privileges are looked at.
std::vector<TFinding> Run(const TCheckContext& c, bool accounts) {
    QMap<QString, TLoginState> logins;  // by login, sorted
    if (accounts) {
        c.Security->ClearFields();
        c.Security->ListAccounts();
        for (int i = 0; i < c.Security->AccountCount(); ++i)
            logins[c.Security->AccountAt(i).UserName.toUpper()].Account = true;
    }

    QStringList relations, procedures;
    THeld held;
    auto q = Statement(c, c.trReadQ);
    InTransaction(c.trReadQ, [&] {
        // The service lists active accounts only: the inactive ones, and every account's state, come from
        // the security database's table.
        if (accounts)
            ReadRows(*q, u"select sec$user_name, sec$active from sec$users"_s, [&](const QVariantList& v) {
                TLoginState& s = logins[v[0].toString().toUpper()];
                s.Account = true;
                s.AccountActive = v[1].isNull() || v[1].toBool();
            });
        ReadRows(*q, u"select ibname, lockedout from sys$user"_s, [&](const QVariantList& v) {
            TLoginState& s = logins[v[0].toString()];
            s.LoginRow = true;
            s.LockedOut = v[1];
        });
        ReadRows(*q, u"select ibname from worker where ibname is not null and ibname <> ''"_s,
                 [&](const QVariantList& v) { logins[v[0].toString()].WorkerRow = true; });
        for (const QString& sql : {AdminSql::TablesQuery(), AdminSql::ViewsQuery()})
            ReadRows(*q, sql, [&](const QVariantList& v) { relations << v[0].toString(); });
        ReadRows(*q, AdminSql::ProceduresQuery(), [&](const QVariantList& v) { procedures << v[0].toString(); });
        ReadHeld(*q, held);
    });

    const std::vector<TObjectPrivilege> required = Required(relations, procedures);
    std::vector<TFinding> findings;
    for (auto it = logins.cbegin(); it != logins.cend(); ++it) {
        const QString& login = it.key();
        const TLoginState& s = it.value();
        const bool protectedAccount = login.toUpper() == kSysdba || login.compare(c.AdminLogin, Qt::CaseInsensitive) == 0;
        const bool appUser = s.LoginRow || s.WorkerRow;
        if (!accounts) {
            // Only the privileges of the application users that can be granted.
            if (!s.LoginRow || !AdminOps::IsPlainLogin(login) || login.toUpper() == kSysdba) continue;
        } else if (!appUser) {
            if (!protectedAccount)
                findings.push_back({TFindingKind::AccountWithoutUser, login,
                                    u"Учётная запись Firebird есть, пользователя приложения с этим логином нет."_s,
                                    {TRepair::Register, TRepair::RemoveAccount}, {}});
            continue;
        }
        if (accounts && s.LoginRow && !s.WorkerRow)
            findings.push_back({TFindingKind::LoginWithoutWorker, login,
                                u"Есть строка SYS$USER, но нет строки WORKER: пользователь не виден в списке."_s,
                                {TRepair::CompleteRows, TRepair::RemoveRows}, {}});
        if (accounts && s.WorkerRow && !s.LoginRow)
            findings.push_back({TFindingKind::WorkerWithoutLogin, login,
                                u"Сотрудник с этим логином есть в WORKER, но нет строки SYS$USER: войти в систему он не может."_s,
                                {TRepair::CompleteRows, TRepair::RemoveRows}, {}});
        if (accounts && s.LoginRow && !s.Account && !protectedAccount)
            findings.push_back({TFindingKind::UserWithoutAccount, login,
                                u"Пользователь приложения есть, учётной записи Firebird нет: войти он не может."_s,
                                {TRepair::CreateAccount, TRepair::RemoveRows}, {}});
        if (!AdminOps::IsPlainLogin(login)) {
            findings.push_back({TFindingKind::NotPlainLogin, login,
                                u"Логин нельзя указать в GRANT без кавычек (нужны латинская буква в начале, затем латинские "
                                u"буквы, цифры, \"_\" или \"$\"): права ему не выдаются."_s,
                                {}, {}});
            continue;
        }
        if (s.LoginRow && login.toUpper() != kSysdba) {
            TFinding f{TFindingKind::MissingPrivileges, login, {}, {TRepair::GrantMissing}, {}};
            const QHash<QString, quint32> mine = held.value(login.toUpper());
            for (const TObjectPrivilege& p : required)
                if (!(mine.value(p.Object) & Bit(p.Privilege))) f.Missing.push_back(p);
            if (!f.Missing.empty()) {
                QSet<QString> objects;
                for (const TObjectPrivilege& p : f.Missing) objects.insert(p.Object);
                f.Text = FormatMessage(u"Не хватает прав на объекты базы данных (объектов: %s, прав: %s)."_s,
                                       {QString::number(objects.size()), QString::number(f.Missing.size())});
                findings.push_back(std::move(f));
            }
        }
        if (s.Account && s.LoginRow && !protectedAccount && !s.LockedOut.isNull()) {
            if (s.LockedOut.toBool() && s.AccountActive)
                findings.push_back({TFindingKind::BlockedButActive, login,
                                    u"Пользователь заблокирован, но его учётная запись Firebird активна."_s,
                                    {TRepair::Deactivate}, {}});
            if (!s.LockedOut.toBool() && !s.AccountActive)
                findings.push_back({TFindingKind::UnblockedButInactive, login,
                                    u"Пользователь не заблокирован, но его учётная запись Firebird отключена."_s,
                                    {TRepair::Activate}, {}});
        }
    }
    return findings;
}
}  // namespace

namespace {
QString JsonText(const QString& text) {
    QString out = u"\""_s;
    for (QChar ch : text) {
        if (ch == u'"' || ch == u'\\') out += u'\\' + QString(ch);
        else if (ch.unicode() < 0x20) out += u"\\u%1"_s.arg(int(ch.unicode()), 4, 16, QChar(u'0'));
        else out += ch;
    }
    return out + u'"';
}
}  // namespace

QString Report(const std::vector<TFinding>& findings, const QString& format) {
    QString out;
    if (format == u"csv"_s) out += u"kind,login,text\r\n"_s;
    for (const TFinding& f : findings) {
        const QString kind = KindName(f.Kind);
        if (format == u"csv"_s)
            out += Csv::Line({kind, f.Login, f.Text});
        else if (format == u"json"_s)
            out += u"{\"kind\":%1,\"login\":%2,\"text\":%3}\n"_s.arg(JsonText(kind), JsonText(f.Login), JsonText(f.Text));
        else
            out += kind + u'\t' + f.Login + u'\t' + f.Text + u'\n';
    }
    return out;
}

std::vector<TFinding> Check(const TCheckContext& c) { return Run(c, true); }

std::vector<TFinding> MissingPrivileges(const TCheckContext& c) { return Run(c, false); }

int GrantMissingToAll(const TCheckContext& c, IUserPrompts& prompts, IGrantProgress* progress) {
    const std::vector<TFinding> missing = MissingPrivileges(c);
    qsizetype pairs = 0;
    for (const TFinding& f : missing) pairs += qsizetype(f.Missing.size());
    if (missing.empty()) {
        prompts.ShowMessage(u"Недостающих прав нет: все пользователи имеют права на все объекты базы данных."_s);
        return 0;
    }
    if (!prompts.Confirm(u"%1 прав для %2 пользователей будет выдано. Продолжить?"_s.arg(pairs).arg(missing.size()))) return 0;
    int granted = 0;
    for (size_t i = 0; i < missing.size(); ++i) {
        if (progress) {
            progress->Show(int(i) + 1, int(missing.size()), missing[i].Login, true);
            if (progress->Cancelled()) break;
        }
        granted += GrantMissing(c, missing[i]);
    }
    if (progress) progress->Done();
    return granted;
}

namespace {
// One-off statements in trWriteQ, in one transaction: all of them or none.
void Write(const TCheckContext& c, const std::vector<std::pair<QString, QVariantMap>>& statements) {
    auto q = Statement(c, c.trWriteQ);
    InTransaction(c.trWriteQ, [&] {
        for (const auto& [sql, params] : statements) {
            q->SetSQLText(sql);
            for (auto it = params.cbegin(); it != params.cend(); ++it) q->ParamNamed(it.key()).SetValue(it.value());
            q->ExecQuery();
            if (q->Open()) q->Close();
        }
    });
}

// One row of a select in trReadQ, or an empty list.
QVariantList ReadOne(const TCheckContext& c, const QString& sql, const QString& login) {
    auto q = Statement(c, c.trReadQ);
    QVariantList row;
    InTransaction(c.trReadQ, [&] {
        q->SetSQLText(sql);
        q->ParamNamed(u"login"_s).SetValue(login);
        q->ExecQuery();
        if (!q->Eof())
            for (int i = 0; i < q->FieldCount(); ++i) row << q->FieldAt(i).Value();
        q->Close();
    });
    return row;
}

// The program's combined user statement adding a user's two rows (OPERATION 1).
QString AddUserBlock() { return AdminSql::CombinedUser().join(u"\r\n"_s); }

bool Protected(const TCheckContext& c, const QString& login) {
    return login.toUpper() == kSysdba || login.compare(c.AdminLogin, Qt::CaseInsensitive) == 0;
}

int GrantAllMissing(const TCheckContext& c, const QString& login) {
    int granted = 0;
    for (const TFinding& f : MissingPrivileges(c))
        if (f.Login == login) granted += GrantMissing(c, f);
    return granted;
}
}  // namespace

QString RepairName(TRepair repair) {
    switch (repair) {
        case TRepair::Register: return u"Зарегистрировать"_s;
        case TRepair::RemoveAccount: return u"Удалить учётную запись"_s;
        case TRepair::CreateAccount: return u"Создать учётную запись"_s;
        case TRepair::RemoveRows: return u"Удалить строки"_s;
        case TRepair::CompleteRows: return u"Дополнить строки"_s;
        case TRepair::GrantMissing: return u"Выдать недостающие права"_s;
        case TRepair::Deactivate: return u"Отключить учётную запись"_s;
        case TRepair::Activate: return u"Включить учётную запись"_s;
    }
    return {};
}

QString Repair(const TCheckContext& c, const TFinding& f, TRepair repair, const QString& password) {
    const QString login = f.Login;
    const bool isProtected = Protected(c, login);
    switch (repair) {
        case TRepair::Register: {
            // Rows as the register command makes them, the names from the account; not blocked, as the
            // account is in use.
            TUserInfo account;
            c.Security->ClearFields();
            c.Security->ListAccounts();
            for (int i = 0; i < c.Security->AccountCount(); ++i)
                if (c.Security->AccountAt(i).UserName.compare(login, Qt::CaseInsensitive) == 0) account = c.Security->AccountAt(i);
            Write(c, {{AddUserBlock(), {{u"OPERATION"_s, 1}, {u"IBNAME"_s, login}, {u"SURNAME"_s, account.LastName},
                                        {u"FIRSTNAME"_s, account.FirstName}, {u"MIDLENAME"_s, account.MiddleName},
                                        {u"WORKING"_s, 1}, {u"LOCKEDOUT"_s, 0}}}});
            const int granted = GrantAllMissing(c, login);
            return FormatMessage(u"%s: пользователь зарегистрирован, выдано прав: %s."_s, {login, QString::number(granted)});
        }
        case TRepair::RemoveAccount:
            if (isProtected) return FormatMessage(u"%s: эту учётную запись программа не удаляет."_s, {login});
            c.Security->ClearFields();
            c.Security->SetUser(login);
            c.Security->DeleteAccount();
            return FormatMessage(u"%s: учётная запись Firebird удалена."_s, {login});
        case TRepair::CreateAccount: {
            if (isProtected) return FormatMessage(u"%s: эту учётную запись программа не меняет."_s, {login});
            const QVariantList names =
                ReadOne(c, u"select surname, firstname, midlename from worker where ibname = :login"_s, login);
            c.Security->ClearFields();
            c.Security->SetUser(login);
            c.Security->SetLastName(Transliterate(names.value(0).toString()));
            c.Security->SetFirstName(Transliterate(names.value(1).toString()));
            c.Security->SetMiddleName(Transliterate(names.value(2).toString()));
            c.Security->SetPass(QString::fromUtf16(AdminOps::kPasswordPrefix) + password);
            c.Security->AddAccount();
            return FormatMessage(u"%s: учётная запись Firebird создана."_s, {login});
        }
        case TRepair::RemoveRows:
            // Only the rows of this login: a login row may point at another person's staff row.
            Write(c, {{u"delete from sys$user where ibname = :login"_s, {{u"login"_s, login}}},
                      {u"delete from worker where ibname = :login"_s, {{u"login"_s, login}}}});
            return FormatMessage(u"%s: строки SYS$USER и WORKER удалены."_s, {login});
        case TRepair::CompleteRows:
            if (f.Kind == TFindingKind::WorkerWithoutLogin) {
                const QVariantList active = ReadOne(c, u"select sec$active from sec$users where sec$user_name = :login"_s, login);
                const int lockedOut = !active.isEmpty() && (active[0].isNull() || active[0].toBool()) ? 0 : 1;
                Write(c, {{u"insert into sys$user (id, ibname, lockedout) select worker_id, ibname, :lockedout from worker "
                           u"where ibname = :login rows 1"_s,
                           {{u"login"_s, login}, {u"lockedout"_s, lockedOut}}}});
                return FormatMessage(u"%s: строка SYS$USER добавлена."_s, {login});
            } else {
                // The login row points at a staff row: it takes the login when it has none, else the login
                // gets a staff row of its own.
                Write(c, {{u"execute block (login varchar(31) = :login) as declare id integer; declare other varchar(31); "
                           u"begin select u.id, w.ibname from sys$user u join worker w on w.worker_id = u.id "
                           u"where u.ibname = :login into :id, :other; "
                           u"if (other is null) then update worker set ibname = :login where worker_id = :id; "
                           u"else begin id = gen_id(gen_operations_uid, 1); "
                           u"insert into worker (worker_id, ibname, working) values (:id, :login, 1); "
                           u"update sys$user set id = :id where ibname = :login; end end"_s,
                           {{u"login"_s, login}}}});
                return FormatMessage(u"%s: строка WORKER добавлена."_s, {login});
            }
        case TRepair::GrantMissing:
            return FormatMessage(u"%s: выдано прав: %s."_s, {login, QString::number(GrantMissing(c, f))});
        case TRepair::Deactivate:
        case TRepair::Activate: {
            if (isProtected) return FormatMessage(u"%s: эту учётную запись программа не меняет."_s, {login});
            const bool on = repair == TRepair::Activate;
            Write(c, {{u"alter user %1 %2"_s.arg(Quoted(login), on ? u"active"_s : u"inactive"_s), {}}});
            return FormatMessage(on ? u"%s: учётная запись включена."_s : u"%s: учётная запись отключена."_s, {login});
        }
    }
    return {};
}

int GrantMissing(const TCheckContext& c, const TFinding& finding) {
    if (!AdminOps::IsPlainLogin(finding.Login)) return 0;
    auto q = Statement(c, c.trWriteQ);
    q->SetParamCheck(false);
    // One statement and one transaction per object, as the grants to all objects are, with exactly the
    // privileges missing on it; the pairs come grouped by object.
    int granted = 0;
    for (size_t i = 0; i < finding.Missing.size();) {
        const TObjectPrivilege& first = finding.Missing[i];
        QStringList words;
        size_t end = i;
        for (; end < finding.Missing.size() && finding.Missing[end].Object == first.Object &&
               finding.Missing[end].Procedure == first.Procedure;
             ++end)
            words << PrivilegeWord(finding.Missing[end].Privilege);
        const QString object = first.Procedure ? u"PROCEDURE "_s + Quoted(first.Object) : Quoted(first.Object);
        InTransaction(c.trWriteQ, [&] {
            q->SetSQLText(u"GRANT %1 ON %2 TO %3"_s.arg(words.join(u", "_s), object, finding.Login));
            q->ExecQuery();
        });
        granted += int(end - i);
        i = end;
    }
    return granted;
}

}  // namespace UserCheck
