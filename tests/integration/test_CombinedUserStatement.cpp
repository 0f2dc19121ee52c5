#include <QtTest>

#include "admin/AdminSql.h"
#include "fib/SQLScanner.h"
#include "fib/TpFIBDatabase.h"
#include "fib/TpFIBQuery.h"
#include "fib/TpFIBTransaction.h"
#include "tests/support/TestConnection.h"
#include "tests/support/TestServer.h"

using namespace Qt::StringLiterals;

// The users' combined statement run through a statement component, as the users' dataset runs it.
class TestCombinedUserStatement : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_database;
    std::unique_ptr<QObject> m_form;
    TpFIBDatabase* m_db = nullptr;
    TpFIBTransaction* m_tw = nullptr;
    TpFIBTransaction* m_tr = nullptr;

    struct User {
        QVariant operation, workerId, surname, firstname, midlename, phone, notice, working, ibname, lockedout;
    };

    void Post(const User& u) {
        TpFIBQuery q(m_form.get());
        q.SetName(u"UpdateQuery"_s);
        q.SetDatabase(m_db);
        q.SetTransaction(m_tw);
        q.SetSQL(AdminSql::CombinedUser());
        q.ParamNamed(u"OPERATION"_s).SetValue(u.operation);
        q.ParamNamed(u"WORKER_ID"_s).SetValue(u.workerId);
        q.ParamNamed(u"SURNAME"_s).SetValue(u.surname);
        q.ParamNamed(u"FIRSTNAME"_s).SetValue(u.firstname);
        q.ParamNamed(u"MIDLENAME"_s).SetValue(u.midlename);
        q.ParamNamed(u"PHONE_NO"_s).SetValue(u.phone);
        q.ParamNamed(u"NOTICE"_s).SetValue(u.notice);
        q.ParamNamed(u"WORKING"_s).SetValue(u.working);
        q.ParamNamed(u"IBNAME"_s).SetValue(u.ibname);
        q.ParamNamed(u"LOCKEDOUT"_s).SetValue(u.lockedout);
        m_tw->StartTransaction();
        q.ExecQuery();
        m_tw->Commit();
    }

    // The rows one query returns, each as its columns' texts joined by "|" (NULL as "<null>").
    QStringList Rows(const QString& sql) {
        TpFIBQuery q(m_form.get());
        q.SetDatabase(m_db);
        q.SetTransaction(m_tr);
        q.SetSQLText(sql);
        m_tr->StartTransaction();
        q.ExecQuery();
        QStringList rows;
        while (!q.Eof()) {
            QStringList cols;
            for (int i = 0; i < q.FieldCount(); ++i) {
                QVariant v = q.FieldAt(i).Value();
                cols << (v.isNull() ? u"<null>"_s : v.toString());
            }
            rows << cols.join(u'|');
            q.Next();
        }
        q.Close();
        m_tr->Commit();
        return rows;
    }
    int Count(const QString& sql) { return Rows(sql).value(0).toInt(); }

private slots:
    void initTestCase() {
        m_database = std::make_unique<TestDatabase>(u"combineduser"_s, true);
        m_form = std::make_unique<QObject>();
        m_form->setObjectName(u"UsersForm"_s);
        m_db = MakeTestDatabase(m_form.get(), m_database->ConnectionString(), TestServer::Password());
        m_tw = MakeTestTransaction(m_form.get(), u"tw"_s, m_db, true);
        m_tr = MakeTestTransaction(m_form.get(), u"tr"_s, m_db, false);
        m_db->Open(true);
    }
    void cleanupTestCase() {
        m_form.reset();
        m_database.reset();
    }

    void headerHasExactlyTheTenParameters() {
        TpFIBQuery q(m_form.get());
        q.SetDatabase(m_db);
        q.SetTransaction(m_tw);
        q.SetSQL(AdminSql::CombinedUser());
        QCOMPARE(q.ParamCount(), 10);
        m_tw->StartTransaction();
        q.Prepare();
        QCOMPARE(q.StatementParamCount(), 10);
        m_tw->Rollback();
    }

    void addTakesAGeneratorKeyAndBlocksByDefault() {
        int before = Count(u"select gen_id(gen_operations_uid, 0) from rdb$database"_s);
        Post({1, 5555, u"Новикова"_s, u"Анна"_s, u"Сергеевна"_s, u"22-00-01"_s, u"Новый оператор"_s, 1, u"NOVIKOVA"_s,
              QVariant()});
        QString id = QString::number(before + 1);
        QCOMPARE(Rows(u"select worker_id, surname, firstname, midlename, phone_no, notice, working, ibname "
                      u"from worker where ibname = 'NOVIKOVA'"_s),
                 QStringList{id + u"|Новикова|Анна|Сергеевна|22-00-01|Новый оператор|1|NOVIKOVA"_s});
        QCOMPARE(Rows(u"select id, ibname, lockedout from sys$user where ibname = 'NOVIKOVA'"_s),
                 QStringList{id + u"|NOVIKOVA|1"_s});
        QCOMPARE(Count(u"select count(*) from worker where worker_id = 5555"_s), 0);
    }

    void addWithoutLoginMakesNoUserRow() {
        int workers = Count(u"select count(*) from worker"_s);
        int users = Count(u"select count(*) from sys$user"_s);
        Post({1, QVariant(), u"Без"_s, u"Входа"_s, QVariant(), QVariant(), QVariant(), 1, QVariant(), 0});
        QCOMPARE(Count(u"select count(*) from worker"_s), workers + 1);
        QCOMPARE(Count(u"select count(*) from sys$user"_s), users);
    }

    void changeReplacesTheUserRowAndKeepsMemberships() {
        // PETROV (102) is in a group; the change deletes and inserts his SYS$USER row.
        int memberships = Count(u"select count(*) from sys$user_groups where user_id = 102"_s);
        QVERIFY(memberships > 0);
        Post({2, 102, u"Петров"_s, u"Семён"_s, u"Николаевич"_s, u"22-99-99"_s, u"Старший"_s, 0, u"PETROV"_s, 1});
        QCOMPARE(Rows(u"select firstname, phone_no, working from worker where worker_id = 102"_s),
                 QStringList{u"Семён|22-99-99|0"_s});
        QCOMPARE(Rows(u"select ibname, lockedout from sys$user where id = 102"_s), QStringList{u"PETROV|1"_s});
        QCOMPARE(Count(u"select count(*) from sys$user_groups where user_id = 102"_s), memberships);
    }

    void changeWithoutLoginLeavesTheOldUserRow() {
        Post({2, 103, u"Сидоренко"_s, u"Ольга"_s, u"Викторовна"_s, QVariant(), QVariant(), 1, QVariant(), 0});
        QCOMPARE(Rows(u"select ibname from worker where worker_id = 103"_s), QStringList{u"<null>"_s});
        QCOMPARE(Rows(u"select ibname from sys$user where id = 103"_s), QStringList{u"SIDORENKO"_s});
    }

    void removeDeletesBothRowsAndTheMemberships() {
        QVERIFY(Count(u"select count(*) from sys$user_groups where user_id = 104"_s) > 0);
        Post({3, 104, QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), u"KUZNECOV"_s, 0});
        QCOMPARE(Count(u"select count(*) from worker where worker_id = 104"_s), 0);
        QCOMPARE(Count(u"select count(*) from sys$user where id = 104"_s), 0);
        QCOMPARE(Count(u"select count(*) from sys$user_groups where user_id = 104"_s), 0);
    }

    void otherOperationsChangeNothing_data() {
        QTest::addColumn<QVariant>("operation");
        QTest::newRow("0") << QVariant(0);
        QTest::newRow("null") << QVariant();
        QTest::newRow("4") << QVariant(4);
    }
    void otherOperationsChangeNothing() {
        QFETCH(QVariant, operation);
        QString snapshot = u"select w.worker_id, w.surname, u.ibname, u.lockedout from worker w "
                           u"left join sys$user u on u.id = w.worker_id order by 1"_s;
        QStringList before = Rows(snapshot);
        Post({operation, 105, u"Другая"_s, u"Юлия"_s, QVariant(), QVariant(), QVariant(), 1, u"SHEVCHUK"_s, 1});
        QCOMPARE(Rows(snapshot), before);
    }
};

QTEST_GUILESS_MAIN(TestCombinedUserStatement)
#include "test_CombinedUserStatement.moc"
