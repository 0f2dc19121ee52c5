#include <QtTest>

#include "core/Exception.h"
#include "fib/FIBErrors.h"
#include "fib/TpFIBDatabase.h"
#include "fib/TpFIBQuery.h"
#include "fib/TpFIBTransaction.h"
#include "fib/TpFibErrorHandler.h"
#include "tests/support/TestConnection.h"
#include "tests/support/TestServer.h"

using namespace Qt::StringLiterals;

// Server errors met by statements, classified by the error handler against the real server.
class TestErrorKinds : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_database;
    std::unique_ptr<QObject> m_form;
    TpFIBDatabase* m_db = nullptr;
    TpFIBTransaction* m_tw = nullptr;
    TpFibErrorHandler* m_handler = nullptr;
    QList<int> m_kinds;
    TFIBDatabase* m_senderDb = nullptr;
    IFIBTransaction* m_senderTr = nullptr;
    bool m_suppressOther = false;

    // Runs one statement in its own transaction; rolls back whatever happens.
    void Run(const QString& sql) {
        TpFIBQuery q(m_form.get());
        q.SetName(u"q"_s);
        q.SetDatabase(m_db);
        q.SetTransaction(m_tw);
        q.SetSQLText(sql);
        m_tw->StartTransaction();
        try {
            q.ExecQuery();
        } catch (...) {
            m_tw->Rollback();
            throw;
        }
        m_tw->Rollback();
    }

    EFIBError Failure(const QString& sql) {
        try {
            Run(sql);
        } catch (const EFIBError& e) {
            return e;
        }
        throw std::runtime_error("the statement did not fail");
    }

private slots:
    void initTestCase() {
        m_database = std::make_unique<TestDatabase>(u"errorkinds"_s, true);
        m_database->Isql(
            u"CREATE EXCEPTION E_NO_RIGHTS 'Нет прав на операцию';\n"
            u"CREATE TABLE CHECKED (X INTEGER CHECK (X > 0));\nCOMMIT;\n"_s);
        m_form = std::make_unique<QObject>();
        m_form->setObjectName(u"AdminForm"_s);
        m_db = MakeTestDatabase(m_form.get(), m_database->ConnectionString(), TestServer::Password());
        m_tw = MakeTestTransaction(m_form.get(), u"tw"_s, m_db, true);
        m_db->SetDefaultTransaction(m_tw);
        m_handler = new TpFibErrorHandler(m_form.get());
        m_handler->OnFIBErrorEvent = [this](QObject* sender, EFIBError&, TKindIBError kind, bool& doRaise) {
            m_kinds << int(kind);
            m_senderDb = TpFibErrorHandler::SenderDatabase(sender);
            m_senderTr = TpFibErrorHandler::SenderTransaction(sender);
            if (kind == keOther && m_suppressOther) doRaise = false;
        };
        m_db->Open(true);
        QVERIFY(m_db->Connected());
    }
    void cleanupTestCase() {
        m_form.reset();
        m_database.reset();
    }
    void init() {
        m_kinds.clear();
        m_senderDb = nullptr;
        m_senderTr = nullptr;
        m_suppressOther = false;
    }

    void uniqueViolation() {
        EFIBError e = Failure(u"insert into sys$group (id, group_name, lockedout) values (null, 'Кассиры', 0)"_s);
        QCOMPARE(e.SQLCode(), -803);
        QCOMPARE(e.GDSCode(), 335544665);
        QCOMPARE(m_kinds, QList<int>{int(keUniqueViolation)});
        QVERIFY(e.Message().startsWith(u"AdminForm.q:\r\n"_s));
        QCOMPARE(m_senderDb, static_cast<TFIBDatabase*>(m_db));
        QCOMPARE(m_senderTr, static_cast<IFIBTransaction*>(m_tw));
    }

    void foreignKey() {
        EFIBError e = Failure(u"insert into sys$user_groups (user_id, group_id) values (101, 987654)"_s);
        QCOMPARE(e.SQLCode(), -530);
        QCOMPARE(m_kinds, QList<int>{int(keForeignKey)});
    }

    void checkConstraint() {
        Failure(u"insert into checked (x) values (-1)"_s);
        QCOMPARE(m_kinds, QList<int>{int(keCheck)});
    }

    void syntaxErrorIsOtherAndCanBeSuppressed() {
        EFIBError e = Failure(u"selec 1 from rdb$database"_s);
        QCOMPARE(m_kinds, QList<int>{int(keOther)});
        QCOMPARE(e.SQLCode(), -104);
        m_suppressOther = true;
        Run(u"selec 1 from rdb$database"_s);  // returns normally
        QCOMPARE(m_kinds.size(), 2);
    }

    void userExceptionMessageIsCut() {
        EFIBError e = Failure(u"execute block as begin exception e_no_rights; end"_s);
        QCOMPARE(e.SQLCode(), -836);
        QCOMPARE(m_kinds, QList<int>{int(keException)});
        QVERIFY2(e.Message().contains(u"Нет прав на операцию"_s), qPrintable(e.Message()));
        QVERIFY2(!e.Message().startsWith(u"AdminForm.q"_s), qPrintable(e.Message()));
        QCOMPARE(m_handler->ExceptionName(), u"E_NO_RIGHTS"_s);
        QVERIFY(m_handler->ExceptionNumber() > 0);
    }
};

QTEST_GUILESS_MAIN(TestErrorKinds)
#include "test_ErrorKinds.moc"
