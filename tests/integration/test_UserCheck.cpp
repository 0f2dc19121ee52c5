// The check of users, accounts and privileges against the real server: each break made on purpose is
// found, and granting the missing privileges grants exactly those.
#include <QtTest>

#include "admin/AdminOperations.h"
#include "admin/UserCheck.h"
#include "fib/TpFIBDatabase.h"
#include "fib/TpFIBTransaction.h"
#include "security/TUIBSecurity.h"
#include "tests/support/TestConnection.h"
#include "tests/support/TestServer.h"

using namespace Qt::StringLiterals;

class TestUserCheck : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_db;
    QObject m_owner;
    TCheckContext m_c;
    TUIBSecurity* m_security = nullptr;
    const QString m_tag = QString::number(QCoreApplication::applicationPid());
    QStringList m_accounts;

    QString Login(const QString& name) { return u"UC"_s + m_tag + name; }
    void AddAccount(const QString& login) {
        m_security->SetUser(login);
        m_security->SetPass(u"qzx"_s);
        m_security->AddAccount();
        m_accounts << login;
    }
    // The findings of one login, as "kind" names.
    QStringList KindsOf(const std::vector<TFinding>& findings, const QString& login) {
        QStringList kinds;
        for (const TFinding& f : findings)
            if (f.Login == login) kinds << UserCheck::KindName(f.Kind);
        return kinds;
    }
    int Granted(const QString& login) {
        return m_db->Isql(u"SET HEADING OFF;\nselect count(*) from rdb$user_privileges where rdb$user = '%1';\n"_s.arg(login))
            .simplified()
            .toInt();
    }

private slots:
    void initTestCase() {
        m_db = std::make_unique<TestDatabase>(u"usercheck"_s);
        m_c.db = MakeTestDatabase(&m_owner, m_db->ConnectionString(), TestServer::Password());
        m_c.trReadQ = MakeTestTransaction(&m_owner, u"trReadQ"_s, m_c.db, false);
        m_c.trWriteQ = MakeTestTransaction(&m_owner, u"trWriteQ"_s, m_c.db, true);
        m_security = new TUIBSecurity(&m_owner);
        m_security->SetLibraryName(TestServer::Client());
        m_security->SetUserName(TestServer::User());
        m_security->SetPassWord(TestServer::Password());
        m_security->SetProtocol(proTCPIP);
        m_security->SetHost(TestServer::Host());
        m_c.Security = m_security;
        m_c.AdminLogin = TestServer::User();
        m_c.db->Open(true);
    }
    void cleanupTestCase() {
        for (const QString& login : m_accounts) {
            m_security->SetUser(login);
            try {
                m_security->DeleteAccount();
            } catch (...) {
            }
        }
        m_c.db->Close();
        m_db.reset();
    }

    // Every break made on purpose is found under its login, with nothing else; SYSDBA is no finding. The
    // repairs, run in turn, leave the login in step.
    void breaksAreFoundAndRepaired_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("rows");  // %1: the login, %2: a key of its own
        QTest::addColumn<bool>("account");
        QTest::addColumn<QStringList>("kinds");
        QTest::addColumn<QList<int>>("repairs");
        const QString both = u"insert into worker (worker_id, ibname) values (%2, '%1');\n"
                             u"insert into sys$user (id, ibname, lockedout) values (%2, '%1', %3);\n"_s;
        using R = TRepair;
        QTest::newRow("account only") << u"A"_s << QString() << true << QStringList{u"account-without-user"_s}
                                      << QList<int>{int(R::Register)};
        QTest::newRow("account only, removed") << u"A2"_s << QString() << true << QStringList{u"account-without-user"_s}
                                               << QList<int>{int(R::RemoveAccount)};
        QTest::newRow("rows only") << u"B"_s << both.arg(u"%1"_s, u"%2"_s, u"0"_s) << false
                                   << QStringList{u"user-without-account"_s, u"missing-privileges"_s}
                                   << QList<int>{int(R::CreateAccount), int(R::GrantMissing)};
        QTest::newRow("login row only")
            << u"C"_s << u"insert into worker (worker_id) values (%2);\ninsert into sys$user (id, ibname, lockedout) values (%2, '%1', 0);\n"_s
            << true << QStringList{u"login-without-worker"_s, u"missing-privileges"_s}
            << QList<int>{int(R::CompleteRows), int(R::GrantMissing)};
        QTest::newRow("worker row only") << u"D"_s << u"insert into worker (worker_id, ibname) values (%2, '%1');\n"_s << true
                                         << QStringList{u"worker-without-login"_s}
                                         << QList<int>{int(R::CompleteRows), int(R::GrantMissing)};
        QTest::newRow("blocked, account active") << u"E"_s << both.arg(u"%1"_s, u"%2"_s, u"1"_s) << true
                                                 << QStringList{u"missing-privileges"_s, u"blocked-but-active"_s}
                                                 << QList<int>{int(R::GrantMissing), int(R::Deactivate)};
        QTest::newRow("not a plain login") << u" F"_s << both.arg(u"%1"_s, u"%2"_s, u"0"_s) << false
                                           << QStringList{u"user-without-account"_s, u"not-plain-login"_s}
                                           << QList<int>{int(R::RemoveRows)};
    }
    void breaksAreFoundAndRepaired() {
        QFETCH(QString, name);
        QFETCH(QString, rows);
        QFETCH(bool, account);
        QFETCH(QStringList, kinds);
        QFETCH(QList<int>, repairs);
        const QString login = Login(name);
        static int key = 600;
        if (!rows.isEmpty()) m_db->Isql(rows.arg(login).arg(++key) + u"commit;\n"_s);
        if (account) AddAccount(login);
        const std::vector<TFinding> findings = UserCheck::Check(m_c);
        QCOMPARE(KindsOf(findings, login), kinds);
        QVERIFY(KindsOf(findings, u"SYSDBA"_s).isEmpty());
        QVERIFY(!m_c.trReadQ->Active());
        m_accounts << login;  // whatever the repairs make goes at the end
        for (int repair : repairs) {
            for (const TFinding& f : UserCheck::Check(m_c))
                if (f.Login == login && std::count(f.Repairs.begin(), f.Repairs.end(), TRepair(repair))) {
                    QVERIFY(UserCheck::Repair(m_c, f, TRepair(repair), u"p"_s).startsWith(login + u':'));
                    break;
                }
        }
        QCOMPARE(KindsOf(UserCheck::Check(m_c), login).join(u","_s), QString());
        QVERIFY(!m_c.trWriteQ->Active());
    }

    // Exactly the missing pairs are granted, each once: all of them for a new user, then the five of a
    // table made afterwards, then what two more tables lack when their grants were interleaved (the rows of
    // one object not adjacent) and one has a Cyrillic name.
    void onlyTheMissingAreGranted() {
        const QString login = Login(u"G"_s);
        m_db->Isql(u"insert into worker (worker_id, ibname) values (700, '%1');\n"
                   "insert into sys$user (id, ibname, lockedout) values (700, '%1', 0);\ncommit;\n"_s.arg(login));
        const auto missing = [&] {
            for (const TFinding& f : UserCheck::Check(m_c))
                if (f.Login == login && f.Kind == TFindingKind::MissingPrivileges) return f;
            return TFinding{TFindingKind::MissingPrivileges, login, {}, {}, {}};
        };
        const TFinding all = missing();
        QVERIFY(all.Missing.size() > 5);
        QCOMPARE(UserCheck::GrantMissing(m_c, all), int(all.Missing.size()));
        QCOMPARE(Granted(login), int(all.Missing.size()));
        QVERIFY(missing().Missing.empty());
        m_db->Isql(u"create table T_AFTER (ID integer);\ncommit;\n"_s);
        const TFinding later = missing();
        QCOMPARE(int(later.Missing.size()), 5);
        for (const TObjectPrivilege& p : later.Missing) QCOMPARE(p.Object, u"T_AFTER"_s);
        UserCheck::GrantMissing(m_c, later);
        QCOMPARE(Granted(login), int(all.Missing.size()) + 5);
        m_db->Isql(u"create table T_SPLIT (ID integer);\ncreate table \"Т_ПОЛОВИНА\" (ID integer);\ncommit;\n"
                   "grant select on T_SPLIT to %1;\ngrant select on \"Т_ПОЛОВИНА\" to %1;\n"
                   "grant insert, update on T_SPLIT to %1;\ncommit;\n"_s.arg(login));
        QStringList lacking;
        for (const TObjectPrivilege& p : missing().Missing) lacking << p.Object + u' ' + QLatin1Char(p.Privilege);
        lacking.sort();
        QCOMPARE(lacking, (QStringList{u"T_SPLIT D"_s, u"T_SPLIT R"_s, u"Т_ПОЛОВИНА D"_s, u"Т_ПОЛОВИНА I"_s,
                                       u"Т_ПОЛОВИНА R"_s, u"Т_ПОЛОВИНА U"_s}));
        UserCheck::GrantMissing(m_c, missing());
        QVERIFY(missing().Missing.empty());
        QVERIFY(!m_c.trWriteQ->Active());
    }
};

QTEST_GUILESS_MAIN(TestUserCheck)
#include "test_UserCheck.moc"
