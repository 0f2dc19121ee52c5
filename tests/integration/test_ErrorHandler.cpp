#include <QProcess>
#include <QtTest>

#include "core/Exception.h"
#include "fib/FIBErrors.h"
#include "fib/TpFIBDatabase.h"
#include "fib/TpFibErrorHandler.h"
#include "tests/support/TestConnection.h"
#include "tests/support/TestServer.h"

using namespace Qt::StringLiterals;

namespace {
struct EventRecord {
    int calls = 0;
    TKindIBError kind = keNoError;
    int gdsCode = 0;
    bool dbConnectedInEvent = true;
};

}  // namespace

class TestErrorHandler : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_database;
    std::unique_ptr<QObject> m_form;
    TpFIBDatabase* m_db = nullptr;
    TpFibErrorHandler* m_handler = nullptr;
    EventRecord m_event;

    void Setup(const QString& dbName, const QString& password, bool suppressOther = true) {
        m_form = std::make_unique<QObject>();
        m_form->setObjectName(u"AdminForm"_s);
        m_db = MakeTestDatabase(m_form.get(), dbName, password);
        m_handler = new TpFibErrorHandler(m_form.get());
        m_handler->SetName(u"FibErrorHandler"_s);
        m_event = {};
        m_handler->OnFIBErrorEvent = [this, suppressOther](QObject*, EFIBError& e, TKindIBError kind, bool& doRaise) {
            ++m_event.calls;
            m_event.kind = kind;
            m_event.gdsCode = e.GDSCode();
            m_event.dbConnectedInEvent = m_db->Connected();
            if (kind == keOther && suppressOther) doRaise = false;
        };
    }

private slots:
    void initTestCase() { m_database = std::make_unique<TestDatabase>(u"errorhandler"_s); }
    void cleanupTestCase() { m_database.reset(); }
    void cleanup() {
        m_form.reset();
        QVERIFY(ActiveErrorHandler() == nullptr);
    }

    void onlyOneHandlerAtRunTime() {
        TpFibErrorHandler first;
        QCOMPARE(ActiveErrorHandler(), static_cast<IFibErrorHandler*>(&first));
        try {
            TpFibErrorHandler second;
            QFAIL("a second handler was created");
        } catch (const Exception& e) {
            QCOMPARE(e.Message(), u"Instance of TpFIBErroHandler already exists"_s);
        }
        TpFibErrorHandler designTime(nullptr, true);
        QCOMPARE(ActiveErrorHandler(), static_cast<IFibErrorHandler*>(&first));
    }

    void wrongPasswordIsOtherAndSuppressed() {
        Setup(m_database->ConnectionString(), u"wrong"_s);
        m_db->Open(true);  // suppressed: returns normally
        QVERIFY(!m_db->Connected());
        QCOMPARE(m_event.calls, 1);
        QCOMPARE(int(m_event.kind), int(keOther));
        QCOMPARE(m_event.gdsCode, 335544472);
        QCOMPARE(int(m_handler->LastErrorKind()), int(keOther));
    }

    void missingFileIsOther() {
        Setup(TestServer::Host() + u":/nonexistent/nowhere.fdb"_s, TestServer::Password());
        m_db->Open(true);
        QVERIFY(!m_db->Connected());
        QCOMPARE(int(m_event.kind), int(keOther));
        QCOMPARE(m_event.gdsCode, 335544344);
    }

    void unreachableServerIsLostConnectAndRaised() {
        Setup(u"127.0.0.1/3999:/tmp/x.fdb"_s, TestServer::Password());
        try {
            m_db->Open(true);
            QFAIL("no error raised");
        } catch (const EFIBError& e) {
            QCOMPARE(e.GDSCode(), 335544721);
        }
        QCOMPARE(m_event.calls, 1);
        QCOMPARE(int(m_event.kind), int(keLostConnect));
    }

    void lostConnectSuppressedByEventIsSilentAbort() {
        Setup(u"127.0.0.1/3999:/tmp/x.fdb"_s, TestServer::Password());
        m_handler->OnFIBErrorEvent = [](QObject*, EFIBError&, TKindIBError, bool& doRaise) { doRaise = false; };
        QVERIFY_THROWS_EXCEPTION(EAbort, m_db->Open(true));
    }

    void withoutHandlerErrorsAreRaised() {
        Setup(m_database->ConnectionString(), u"wrong"_s);
        delete m_handler;
        QVERIFY(ActiveErrorHandler() == nullptr);
        QVERIFY_THROWS_EXCEPTION(EFIBError, m_db->Open(true));
    }

    void serverGoneWhileAttached_data() {
        QTest::addColumn<bool>("withEvent");
        QTest::newRow("event shown") << true;
        QTest::newRow("no event") << false;
    }
    void serverGoneWhileAttached() {
        QFETCH(bool, withEvent);
        TestOwnServer server;
        QString path = server.Dir() + u"/data/lost.fdb"_s;
        QFile::remove(path);
        QVERIFY(server.MakeDb(path));
        Setup(server.Host() + u':' + path, TestServer::Password());
        if (!withEvent) m_handler->OnFIBErrorEvent = nullptr;
        m_db->Open(true);
        QVERIFY(m_db->Connected());
        server.Stop();
        int code = 0;
        try {
            (void)m_db->DatabaseDialect();
            QFAIL("no error after the server stopped");
        } catch (const EFIBError& e) {
            code = e.GDSCode();
        }
        QVERIFY2(code == 335544726 || code == 335544727 || code == 335544721, qPrintable(QString::number(code)));
        QVERIFY(!m_db->Connected());  // dropped without detaching
        QCOMPARE(int(m_handler->LastErrorKind()), int(keLostConnect));
        if (withEvent) {
            QCOMPARE(m_event.calls, 1);
            QVERIFY(!m_event.dbConnectedInEvent);  // the connection is dropped before the event runs
        }
    }
};

QTEST_GUILESS_MAIN(TestErrorHandler)
#include "test_ErrorHandler.moc"
