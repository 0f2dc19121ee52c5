// The administration commands against the real server, with scripted dialogs and boxes.
#include <QtTest>

#include "app/TAdminForm.h"
#include "data/TDataSet.h"
#include "fib/FIBErrors.h"
#include "fib/TpFIBDataSet.h"
#include "fib/TpFIBDatabase.h"
#include "fib/TpFIBQuery.h"
#include "fib/TpFIBTransaction.h"
#include "security/TUIBSecurity.h"
#include "security/TUserInfo.h"
#include "core/Win1251.h"
#include "tests/support/FakePrompts.h"
#include "tests/support/TestConnection.h"
#include "tests/support/TestServer.h"
#include "ui/CommandGuard.h"
#include "ui/TUsersForm.h"
#include "ui_TUsersForm.h"

using namespace Qt::StringLiterals;

namespace {
// The dialogs as a script: what the user would type into the row, and the button pressed.
struct ScriptedDialogs : IAdminDialogs {
    std::function<bool(TDataSet&)> group;
    std::function<TUserDialogResult(TDataSet&, const QStringList&)> user;
    TDataSet* groups = nullptr;
    TDataSet* users = nullptr;
    bool EditGroup(const TGroupDialogCheck&) override { return group(*groups); }
    TUserDialogResult EditUser(TUserDialogUse, const QStringList& accounts, const TUserDialogCheck&) override {
        return user(*users, accounts);
    }
};
// The grant progress as a record: what was shown, cancellable or not; cancels from a given step on.
struct RecordedProgress : IGrantProgress {
    QStringList shown;
    int cancelAt = 0, step = 0;
    void Show(int s, int, const QString& what, bool cancellable) override {
        step = s;
        shown << what + (cancellable ? u"+"_s : u""_s);
    }
    bool Cancelled() override { return cancelAt > 0 && step >= cancelAt; }
    void Done() override {}
};
}  // namespace

class TestAdminCommands : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_db;
    FakePrompts m_prompts;
    std::unique_ptr<TAdminForm> m_admin;
    TUsersForm* m_form = nullptr;
    ScriptedDialogs m_dialogs;
    const QString m_login = u"TV%1A"_s.arg(QCoreApplication::applicationPid());

    TAdminContext Context() {
        TAdminContext c = m_form->Context();
        m_dialogs.groups = c.dsGroups;
        m_dialogs.users = c.dsUsers;
        c.Dialogs = &m_dialogs;
        c.Progress = nullptr;
        return c;
    }
    QString Sql(const QString& select) { return m_db->Isql(u"SET HEADING OFF;\n"_s + select + u";\n"_s).simplified(); }
    bool AccountExists(const QString& login) {
        m_form->Security()->ListAccounts();
        for (int i = 0; i < m_form->Security()->AccountCount(); ++i)
            if (m_form->Security()->AccountAt(i).UserName == login) return true;
        return false;
    }
    // A user the dialog creates with these names and password.
    std::function<TUserDialogResult(TDataSet&, const QStringList&)> NewUser(const QString& login, const QString& password) {
        return [=](TDataSet& ds, const QStringList&) {
            ds.SetFieldValue(u"IBNAME"_s, login);
            ds.SetFieldValue(u"SURNAME"_s, u"Щукина"_s);
            ds.SetFieldValue(u"FIRSTNAME"_s, u"Юлия"_s);
            return TUserDialogResult{true, login, password, u"Щукина"_s, u"Юлия"_s, QString()};
        };
    }

private slots:
    void initTestCase() {
        m_db = std::make_unique<TestDatabase>(u"admincommands"_s, true);
        m_db->Isql(u"CREATE TABLE T_LATER (ID INTEGER);\nCOMMIT;\n"_s);
        m_admin = std::make_unique<TAdminForm>(m_prompts, [&](QString& s, QString& d, QString& u, QString& l, QString& p) {
            s = TestServer::Host(), d = m_db->Path(), u = TestServer::User(), l = TestServer::Client(), p = TestServer::Password();
            return true;
        });
        m_admin->show();
        m_admin->btnUsersClick();
        m_form = m_admin->UsersForm();
        m_form->Controls().pc->setCurrentIndex(1);
    }
    void cleanupTestCase() {
        m_form->Security()->SetUser(m_login);
        try {
            m_form->Security()->DeleteAccount();
        } catch (...) {
        }
        m_form->close();
        m_admin.reset();
        m_db.reset();
    }
    void init() { m_prompts.log.clear(); }

    // Cancel leaves the table and the row; OK saves, reloads and goes back to the old position.
    void addGroup() {
        TDataSet* ds = m_form->dsGroups;
        m_form->Controls().pc->setCurrentIndex(0);
        ds->SetRecNo(2);
        const QString before = Sql(u"select count(*) from sys$group"_s);
        m_dialogs.group = [](TDataSet& g) { return g.SetFieldValue(u"GROUP_NAME"_s, u"Аааа"_s), false; };
        AdminOps::AddGroup(Context());
        QCOMPARE(Sql(u"select count(*) from sys$group"_s), before);
        QCOMPARE(ds->RecNo(), 2);
        QCOMPARE(ds->FieldValue(u"GROUP_NAME"_s).toString(), u"Кассиры"_s);
        m_dialogs.group = [](TDataSet& g) { return g.SetFieldValue(u"GROUP_NAME"_s, u"Аааа"_s), true; };
        AdminOps::AddGroup(Context());
        QCOMPARE(ds->RecNo(), 2);
        QCOMPARE(ds->FieldValue(u"GROUP_NAME"_s).toString(), u"Бухгалтерия"_s);  // the new one sorts first
        m_prompts.answers = {false};
        ds->First();
        AdminOps::DeleteGroup(Context());
        QCOMPARE(m_prompts.log, QStringList{u"confirm:Вы желаете удалить группу Аааа?"_s});
        QCOMPARE(ds->FieldValue(u"GROUP_NAME"_s).toString(), u"Аааа"_s);
        AdminOps::DeleteGroup(Context());
        QCOMPARE(Sql(u"select count(*) from sys$group"_s), before);
    }

    // Rights and groups move from one list to the other and back.
    void rightsAndMemberships_data() {
        QTest::addColumn<int>("page");
        QTest::newRow("rights") << 0;
        QTest::newRow("memberships") << 1;
    }
    void rightsAndMemberships() {
        QFETCH(int, page);
        m_form->Controls().pc->setCurrentIndex(page);
        TDataSet* has = page == 0 ? m_form->dsGR : m_form->dsGU;
        TDataSet* lacks = page == 0 ? m_form->dsR : m_form->dsG;
        has->FetchAll();
        lacks->FetchAll();
        const int hasRows = has->RecordCount(), lacksRows = lacks->RecordCount();
        const QVariant moved = lacks->FieldValue(u"ID"_s);
        page == 0 ? AdminOps::GiveRight(Context()) : AdminOps::AddMembership(Context());
        QCOMPARE(has->RecordCount(), hasRows + 1);
        QCOMPARE(lacks->RecordCount(), lacksRows - 1);
        while (!has->Eof() && has->FieldValue(u"ID"_s) != moved) has->Next();
        page == 0 ? AdminOps::TakeRight(Context()) : AdminOps::RemoveMembership(Context());
        QCOMPARE(has->RecordCount(), hasRows);
        QCOMPARE(lacks->RecordCount(), lacksRows);
    }

    // A right or membership given twice (another administrator was first): a Russian message, trWriteQ
    // stays open for the next statement, which ends it.
    void givenTwice_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("message");
        QTest::newRow("right") << 0 << u"Группа уже имеет это разрешение."_s;
        QTest::newRow("membership") << 1 << u"Пользователь уже состоит в этой группе."_s;
    }
    void givenTwice() {
        QFETCH(int, page);
        QFETCH(QString, message);
        m_form->Controls().pc->setCurrentIndex(page);
        TAdminContext c = Context();
        QString raised;
        try {
            page == 0 ? (c.dsR = m_form->dsGR, AdminOps::GiveRight(c)) : (c.dsG = m_form->dsGU, AdminOps::AddMembership(c));
        } catch (const Exception& e) {
            raised = e.Message();
        }
        QCOMPARE(raised, message);
        QVERIFY(m_form->Admin().trWriteQ->Active());
        page == 0 ? AdminOps::TakeRight(Context()) : AdminOps::RemoveMembership(Context());
        QVERIFY(!m_form->Admin().trWriteQ->Active());
    }

    // Another administrator changed or removed the row after it was read: said, nothing saved, unlocked.
    void changedMeanwhile_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("other");  // what the other administrator did to the row with key %1
        QTest::addColumn<QString>("said");
        QTest::newRow("group renamed") << 0 << u"update sys$group set group_name = 'Другое' where id = %1"_s << u"изменил"_s;
        QTest::newRow("group removed") << 0 << u"delete from sys$group where id = %1"_s << u"удалил"_s;
        QTest::newRow("user blocked") << 1 << u"update sys$user set lockedout = 1 where id = %1"_s << u"изменил"_s;
        QTest::newRow("user's phone") << 1 << u"update worker set phone_no = '1' where worker_id = %1"_s << u"изменил"_s;
    }
    void changedMeanwhile() {
        QFETCH(int, page);
        QFETCH(QString, other);
        QFETCH(QString, said);
        m_form->Controls().pc->setCurrentIndex(page);
        TDataSet* ds = page == 0 ? m_form->dsGroups : m_form->dsUsers;
        ds->Reopen(true);
        ds->Last();
        const QString key = ds->FieldValue(u"ID"_s).toString();
        const QString table = page == 0 ? u"sys$group"_s : u"worker"_s, keyName = page == 0 ? u"id"_s : u"worker_id"_s;
        m_db->Isql(other.arg(key) + u";\ncommit;\n"_s);
        m_dialogs.group = [](TDataSet& g) { return g.SetFieldValue(u"NOTICE"_s, u"Моя"_s), true; };
        m_dialogs.user = [](TDataSet& u, const QStringList&) {
            u.SetFieldValue(u"NOTICE"_s, u"Моя"_s);
            return TUserDialogResult{true, u.FieldValue(u"IBNAME"_s).toString(), {}, {}, {}, {}};
        };
        page == 0 ? AdminOps::EditGroup(Context()) : AdminOps::EditUser(Context());
        QCOMPARE(m_prompts.log.size(), 1);
        QVERIFY2(m_prompts.log[0].contains(said), qPrintable(m_prompts.log[0]));
        QCOMPARE(Sql(u"select count(*) from %1 where %2 = %3 and notice = 'Моя'"_s.arg(table, keyName, key)), u"0"_s);
        QVERIFY(!m_form->Admin().tw->Active());
        QCOMPARE(ds->State(), dsBrowse);
    }

    // Names outside the code page are refused before anything is sent (the account included), named.
    void namesOutsideCodePage() {
        m_form->Controls().pc->setCurrentIndex(1);
        const QString login = m_login + u"G"_s;
        m_dialogs.user = [&](TDataSet& u, const QStringList&) {
            u.SetFieldValue(u"IBNAME"_s, login);
            return TUserDialogResult{true, login, u"p"_s, u"Ωμέγα 中😀"_s, {}, {}};
        };
        const QString rows = Sql(u"select count(*) from worker"_s);
        AdminOps::AddUser(Context());
        QCOMPARE(m_prompts.log, QStringList{u"error:"_s + OutsideWin1251Message(u"Ωμέγα中😀"_s)});
        QCOMPARE(Sql(u"select count(*) from worker"_s), rows);
        QVERIFY(!AccountExists(login));
    }

    // A removal whose rows are locked by another administrator fails; no row is left pending, which the
    // next move would save, deleting the user without a question.
    void failedRemovalLeavesNothingPending() {
        m_db->Isql(u"insert into worker (worker_id, surname, ibname) values (301, 'Занят', 'AAA_LOCKED');\n"
                   "insert into sys$user (id, ibname, lockedout) values (301, 'AAA_LOCKED', 0);\ncommit;\n"_s);
        m_form->Controls().pc->setCurrentIndex(1);
        TDataSet* ds = m_form->dsUsers;
        ds->Reopen(true);
        QObject owner;
        TpFIBDatabase* other = MakeTestDatabase(&owner, m_db->ConnectionString(), TestServer::Password());
        other->Open(true);
        TpFIBTransaction* t = MakeTestTransaction(&owner, u"t"_s, other, true);
        t->StartTransaction();
        TpFIBQuery lock;
        lock.SetDatabase(other);
        lock.SetTransaction(t);
        lock.SetSQLText(u"update worker set phone_no = '0' where worker_id = 301"_s);
        lock.ExecQuery();
        m_prompts.answers = {true};
        QVERIFY_THROWS_EXCEPTION(Exception, AdminOps::DeleteUser(Context()));  // no such account, said after the rows
        QCOMPARE(ds->State(), dsBrowse);
        t->Commit();
        ds->Next();
        QCOMPARE(Sql(u"select count(*) from sys$user where ibname = 'AAA_LOCKED'"_s), u"1"_s);
    }

    // To all users: a login that cannot be granted is said once and skipped; cancel is offered between
    // users only and ends the run on the first row. One user's grant runs to its end whatever is asked.
    void grantToAll() {
        m_db->Isql(u"insert into worker (worker_id, surname, ibname) values (302, 'Пробел', 'A B');\n"
                   "insert into sys$user (id, ibname, lockedout) values (302, 'A B', 0);\ncommit;\n"_s);
        m_form->Controls().pc->setCurrentIndex(1);
        m_form->dsUsers->Reopen(true);
        const auto granted = [&](const QString& login) {
            return Sql(u"select count(*) from rdb$user_privileges where rdb$user = '%1'"_s.arg(login)).toInt();
        };
        RecordedProgress all, one;
        all.cancelAt = 3;
        TAdminContext c = Context();
        c.Progress = &all;
        AdminOps::GrantToAllUsers(c, true);
        QCOMPARE(all.shown, QStringList({u"A B+"_s, u"AAA_LOCKED+"_s, u"ELKIN+"_s}));
        QCOMPARE(m_prompts.log, QStringList{u"error:"_s + AdminOps::NotPlainLoginMessage(u"A B"_s)});
        QCOMPARE(m_form->dsUsers->RecNo(), 1);
        QVERIFY(granted(u"AAA_LOCKED"_s) > 0);
        QCOMPARE(granted(u"ELKIN"_s), 0);
        one.cancelAt = 1;
        c.Progress = &one;
        m_form->dsUsers->SetRecNo(3);
        AdminOps::GrantToCurrentUser(c);
        QVERIFY(!one.shown.isEmpty() && !one.shown.join(QString()).contains(u'+'));
        QCOMPARE(granted(u"ELKIN"_s), granted(u"AAA_LOCKED"_s));
    }

    // A Cyrillic user: Cyrillic in WORKER, Latin with the account, "qz" + password, grants on everything.
    void addAndChangeUser() {
        m_form->Controls().pc->setCurrentIndex(1);
        m_dialogs.user = NewUser(m_login, u"secret"_s);
        AdminOps::AddUser(Context());
        QCOMPARE(m_prompts.log, QStringList());
        QCOMPARE(Sql(u"select surname from worker where ibname = '%1'"_s.arg(m_login)), u"Щукина"_s);
        m_form->Security()->ListAccounts();
        bool transliterated = false;
        for (int i = 0; i < m_form->Security()->AccountCount(); ++i)
            if (m_form->Security()->AccountAt(i).UserName == m_login)
                transliterated = m_form->Security()->AccountAt(i).LastName == u"SHHukina"_s;
        QVERIFY(transliterated);
        // The new login works with every object, also one made before it existed.
        TestDatabase& db = *m_db;
        QObject owner;
        TpFIBDatabase* as = MakeTestDatabase(&owner, db.ConnectionString(), u"qzsecret"_s);
        as->ConnectParams().SetUserName(m_login);
        as->Open(true);
        as->Close();
        QCOMPARE(Sql(u"select count(*) from rdb$user_privileges where rdb$user = '%1' and rdb$relation_name = 'T_LATER'"_s.arg(m_login)).toInt() > 0, true);
        // An existing account is refused with its message, and no row is made; its password stays unsent.
        const QString rows = Sql(u"select count(*) from worker"_s);
        m_dialogs.user = NewUser(m_login, u"other"_s);
        AdminOps::AddUser(Context());
        QCOMPARE(m_prompts.log.size(), 1);
        QVERIFY(m_prompts.log[0].startsWith(u"error:"_s));
        QCOMPARE(Sql(u"select count(*) from worker"_s), rows);
        // A change with an empty password box keeps the password.
        TDataSet* ds = m_form->dsUsers;
        while (!ds->Eof() && ds->FieldValue(u"IBNAME"_s).toString() != m_login) ds->Next();
        m_dialogs.user = [&](TDataSet& u, const QStringList&) {
            u.SetFieldValue(u"PHONE_NO"_s, u"555"_s);
            return TUserDialogResult{true, m_login, QString(), u"Щукина"_s, u"Юлия"_s, QString()};
        };
        AdminOps::EditUser(Context());
        QCOMPARE(Sql(u"select phone_no from worker where ibname = '%1'"_s.arg(m_login)), u"555"_s);
        as->Open(true);
        QVERIFY(as->Connected());
        as->Close();
        // A typed password goes with the prefix.
        m_dialogs.user = [&](TDataSet&, const QStringList&) {
            return TUserDialogResult{true, m_login, u"new"_s, u"Щукина"_s, u"Юлия"_s, QString()};
        };
        AdminOps::EditUser(Context());
        as->ConnectParams().SetPassword(u"qznew"_s);
        as->Open(true);
        QVERIFY(as->Connected());
        as->Close();
    }

    // A change whose account step fails: the error is shown while the row is still being edited, then
    // the row is discarded.
    void failedAccountChange() {
        m_form->Controls().pc->setCurrentIndex(1);
        TDataSet* ds = m_form->dsUsers;
        ds->First();  // a user without an account on this server
        QList<int> states;
        m_prompts.onPrompt = [&](const QString&) { states << ds->State(); };
        m_dialogs.user = [](TDataSet& u, const QStringList&) {
            u.SetFieldValue(u"PHONE_NO"_s, u"000"_s);
            return TUserDialogResult{true, u.FieldValue(u"IBNAME"_s).toString(), {}, {}, {}, {}};
        };
        AdminOps::EditUser(Context());
        m_prompts.onPrompt = nullptr;
        QCOMPARE(states, QList<int>{dsEdit});
        QCOMPARE(ds->State(), dsBrowse);
        QCOMPARE(Sql(u"select count(*) from worker where phone_no = '000'"_s), u"0"_s);
    }

    // A login that cannot go into a GRANT unquoted is refused before anything is sent.
    void notPlainLoginRefused() {
        const QString rows = Sql(u"select count(*) from worker"_s);
        m_dialogs.user = NewUser(u"X TO PUBLIC"_s, u"p"_s);
        AdminOps::AddUser(Context());
        QCOMPARE(m_prompts.log, QStringList{u"error:"_s + AdminOps::NotPlainLoginMessage(u"X TO PUBLIC"_s)});
        QCOMPARE(Sql(u"select count(*) from worker"_s), rows);
        QVERIFY(!AccountExists(u"X"_s));
        QVERIFY(!AdminOps::IsPlainLogin(u"ABC\n"_s));
    }

    // SYSDBA is never removed; a user whose account is gone loses its rows and the error comes after.
    void deleteUser() {
        m_form->Controls().pc->setCurrentIndex(1);
        TDataSet* ds = m_form->dsUsers;
        m_form->Security()->SetUser(m_login);
        m_form->Security()->DeleteAccount();
        ds->First();
        while (!ds->Eof() && ds->FieldValue(u"IBNAME"_s).toString() != m_login) ds->Next();
        m_prompts.answers = {false};
        AdminOps::DeleteUser(Context());
        QCOMPARE(m_prompts.log, QStringList{u"confirm:Удалить пользователя "_s + m_login + u'?'});
        QVERIFY_THROWS_EXCEPTION(Exception, AdminOps::DeleteUser(Context()));
        QCOMPARE(Sql(u"select count(*) from worker where ibname = '%1'"_s.arg(m_login)), u"0"_s);
    }

    // SYSDBA: never removed, and its password never sent when it is changed.
    void sysdbaProtected() {
        m_db->Isql(u"insert into worker (worker_id, surname, ibname) values (300, 'Админ', 'SYSDBA');\n"
                   "insert into sys$user (id, ibname, lockedout) values (300, 'SYSDBA', 0);\ncommit;\n"_s);
        m_form->Controls().pc->setCurrentIndex(1);
        TDataSet* ds = m_form->dsUsers;
        ds->Reopen(true);
        while (!ds->Eof() && ds->FieldValue(u"IBNAME"_s).toString() != u"SYSDBA"_s) ds->Next();
        m_prompts.answers = {true};
        AdminOps::DeleteUser(Context());
        QCOMPARE(Sql(u"select count(*) from sys$user where ibname = 'SYSDBA'"_s), u"1"_s);
        m_dialogs.user = [](TDataSet&, const QStringList&) {
            return TUserDialogResult{true, u"SYSDBA"_s, u"changed"_s, u"Админ"_s, QString(), QString()};
        };
        AdminOps::EditUser(Context());
        QObject owner;
        TpFIBDatabase* again = MakeTestDatabase(&owner, m_db->ConnectionString(), TestServer::Password());
        again->Open(true);
        QVERIFY(again->Connected());
    }

    // A changed group stays where it was until the list is reloaded; Cancel changes nothing.
    void editGroup() {
        m_form->Controls().pc->setCurrentIndex(0);
        TDataSet* ds = m_form->dsGroups;
        ds->First();
        m_dialogs.group = [](TDataSet& g) { return g.SetFieldValue(u"GROUP_NAME"_s, u"Яяя"_s), true; };
        AdminOps::EditGroup(Context());
        QCOMPARE(ds->RecNo(), 1);
        QCOMPARE(ds->FieldValue(u"GROUP_NAME"_s).toString(), u"Яяя"_s);
        m_dialogs.group = [](TDataSet& g) { return g.SetFieldValue(u"GROUP_NAME"_s, u"Ббб"_s), false; };
        AdminOps::EditGroup(Context());
        QCOMPARE(Sql(u"select count(*) from sys$group where group_name in ('Яяя', 'Ббб')"_s), u"1"_s);
    }

    // A service manager the network does not reach is a lost connection: its box only, then the end. Last,
    // as it drops the connection.
    void serviceUnreachable() {
        m_form->Controls().pc->setCurrentIndex(1);
        TUIBSecurity nowhere;
        nowhere.SetLibraryName(TestServer::Client());
        nowhere.SetUserName(TestServer::User());
        nowhere.SetPassWord(TestServer::Password());
        nowhere.SetProtocol(proTCPIP);
        nowhere.SetHost(u"127.0.0.1/1"_s);
        TAdminContext c = Context();
        c.Security = &nowhere;
        RunCommand(m_prompts, [&] { AdminOps::CloneUser(c); });
        QCOMPARE(m_prompts.log, QStringList{u"message:Связь прервана. Приложение будет закрыто!"_s});
        QVERIFY(!m_form->Admin().db->Connected());
    }
};

QTEST_MAIN(TestAdminCommands)
#include "test_AdminCommands.moc"
