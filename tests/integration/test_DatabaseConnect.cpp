#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "core/Exception.h"
#include "fib/FIBErrors.h"
#include "fib/FibErrorHandlerHook.h"
#include "fib/TpFIBDataSet.h"
#include "fib/TpFIBDatabase.h"
#include "fib/TpFIBQuery.h"
#include "fib/TpFIBTransaction.h"
#include "fib/TpFibErrorHandler.h"
#include "tests/support/TestConnection.h"
#include "tests/support/TestServer.h"

using namespace Qt::StringLiterals;

namespace {
struct SuppressingHandler : IFibErrorHandler {
    int calls = 0;
    int gdsCode = 0;
    void HandleError(QObject*, EFIBError& error, bool& doRaise) override {
        ++calls;
        gdsCode = error.GDSCode();
        doRaise = false;
    }
};

// Records how the database ended it; stands for a transaction that is open when the database closes.
struct RecordingTransaction : IFIBTransaction {
    bool active = true;
    int ends = 0;
    TTransactionAction lastAction = TARollback;
    bool lastForce = false;
    bool connectedAtEnd = false;
    TFIBDatabase* db = nullptr;
    bool Active() const override { return active; }
    TTransactionAction TimeoutAction() const override { return TACommit; }
    void EndTransaction(TTransactionAction action, bool force) override {
        ++ends;
        lastAction = action;
        lastForce = force;
        connectedAtEnd = db && db->Connected();
        active = false;
    }
    void SetHandleShared(bool) override {}
    TFIBDatabase* DefaultDatabase() const override { return db; }
    void SetDefaultDatabase(TFIBDatabase* d) override { db = d; }
    void AddDatabase(TFIBDatabase*) override {}
    void DatabaseFreed(TFIBDatabase*) override { db = nullptr; }
};

}  // namespace

class TestDatabaseConnect : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_database;
    std::unique_ptr<QObject> m_form;
    TpFIBDatabase* m_db = nullptr;

    void Setup(const QString& dbName, const QString& password) {
        m_form = std::make_unique<QObject>();
        m_form->setObjectName(u"AdminForm"_s);
        m_db = MakeTestDatabase(m_form.get(), dbName, password);
    }

    EFIBError OpenFailure() {
        try {
            m_db->Open(true);
        } catch (const EFIBError& e) {
            return e;
        }
        throw std::runtime_error("Open did not fail");
    }

private slots:
    void initTestCase() { m_database = std::make_unique<TestDatabase>(u"dbconnect"_s); }
    void cleanupTestCase() { m_database.reset(); }
    void init() { Setup(m_database->ConnectionString(), TestServer::Password()); }
    void cleanup() {
        SetActiveErrorHandler(nullptr);
        m_form.reset();
    }

    void rightPasswordConnects() {
        m_db->Open(true);
        QVERIFY(m_db->Connected());
        QCOMPARE(m_db->DatabaseDialect(), 3);
        QCOMPARE(m_db->SQLDialect(), 3);
        QVERIFY(m_db->AttachmentId() > 0);
        QVERIFY(m_db->IsFirebirdServer());
        QCOMPARE(m_db->ServerMajorVersion(), 3);
        QVERIFY(!m_db->IsUnicodeConnect());
        QVERIFY(!m_db->IsNoneCharSetConnect());
        // The server's clock is read after attaching; server and client share this machine's clock.
        QVERIFY(std::abs(m_db->DifferenceTime()) < 5.0 / 86400);
        const QString users = m_database->Isql(
            u"SELECT 'ID=' || MON$ATTACHMENT_ID FROM MON$ATTACHMENTS WHERE MON$REMOTE_PROTOCOL IS NOT NULL;"_s);
        QVERIFY2(users.contains(u"ID="_s + QString::number(m_db->AttachmentId())), qPrintable(users));
        m_db->Close();
        QVERIFY(!m_db->Connected());
        QCOMPARE(m_db->AttachmentId(), -1);
    }

    void openWhenConnectedDoesNothing() {
        m_db->Open(true);
        const int id = m_db->AttachmentId();
        m_db->Open(true);
        QCOMPARE(m_db->AttachmentId(), id);
        m_db->Close();
        m_db->Close();
        QVERIFY(!m_db->Connected());
        m_db->Open(true);
        QVERIFY(m_db->AttachmentId() != id);
    }

    void wrongPassword() {
        Setup(m_database->ConnectionString(), u"wrong"_s);
        const EFIBError e = OpenFailure();
        QCOMPARE(e.GDSCode(), 335544472);
        QCOMPARE(e.SQLCode(), -902);
        QCOMPARE(e.RaiserPath(), u"AdminForm.db"_s);
        QCOMPARE(e.Message(),
                 u"AdminForm.db:\r\n"
                 "Unsuccessful execution caused by a system error that precludes successful execution of "
                 "subsequent statements.\r\n"
                 "Your user name and password are not defined. Ask your database administrator to set up a "
                 "Firebird login.\r\n"_s);
        QCOMPARE(e.SQLText(), u"Unsuccessful execution caused by a system error that precludes successful "
                              "execution of subsequent statements.\r\n"_s);
        QVERIFY(!m_db->Connected());
    }

    void missingDatabaseFile() {
        const QString path = TestServer::DataDir() + u"/missing.fdb"_s;
        Setup(TestServer::Host() + u':' + path, TestServer::Password());
        const EFIBError e = OpenFailure();
        QCOMPARE(e.GDSCode(), 335544344);
        QCOMPARE(e.StatusText(), u"I/O error during \"open\" operation for file \""_s + path +
                                     u"\".\r\nError while trying to open file.\r\nNo such file or directory.\r\n"_s);
        QVERIFY(!m_db->Connected());
    }

    void serverNotListening() {
        Setup(u"127.0.0.1/3999:/nowhere.fdb"_s, TestServer::Password());
        const EFIBError e = OpenFailure();
        QCOMPARE(e.GDSCode(), 335544721);
        QCOMPARE(e.StatusText(),
                 u"Unable to complete network request to host \"127.0.0.1\".\r\nFailed to establish a "
                 "connection.\r\n"_s);
        QVERIFY(!m_db->Connected());
    }

    void suppressedErrorLeavesItClosed() {
        Setup(m_database->ConnectionString(), u"wrong"_s);
        SuppressingHandler handler;
        SetActiveErrorHandler(&handler);
        m_db->Open(true);
        QCOMPARE(handler.calls, 1);
        QCOMPARE(handler.gdsCode, 335544472);
        QVERIFY(!m_db->Connected());
        QCOMPARE(m_db->AttachmentId(), -1);
        // Once the password is right the same component connects.
        m_db->ConnectParams().SetPassword(TestServer::Password());
        m_db->Open(true);
        QVERIFY(m_db->Connected());
    }

    void closeEndsTheActiveTransactionFirst() {
        RecordingTransaction t;
        m_db->SetDefaultTransaction(&t);
        m_db->Open(true);
        m_db->Close();
        QCOMPARE(t.ends, 1);
        QCOMPARE(int(t.lastAction), int(TACommit));
        QVERIFY(t.lastForce);
        QVERIFY(t.connectedAtEnd);
        QVERIFY(!m_db->Connected());
        m_db->RemoveTransaction(&t);
    }

    void dialectOneDatabase() {
        const QString path = TestServer::DataDir() + u"/dialect1.fdb"_s;
        const QString conn = TestServer::Host() + u':' + path;
        QFile::remove(path);
        QProcess isql;
        isql.start(u"isql-fb"_s, {u"-q"_s, u"-b"_s});
        QVERIFY(isql.waitForStarted());
        isql.write((u"SET SQL DIALECT 1;\nCREATE DATABASE '"_s + conn + u"' USER '"_s + TestServer::User() +
                    u"' PASSWORD '"_s + TestServer::Password() + u"';\nQUIT;\n"_s)
                       .toUtf8());
        isql.closeWriteChannel();
        QVERIFY(isql.waitForFinished());
        QCOMPARE(isql.exitCode(), 0);
        Setup(conn, TestServer::Password());
        m_db->Open(true);
        QCOMPARE(m_db->DatabaseDialect(), 1);
        QCOMPARE(m_db->SQLDialect(), 1);
        m_db->Close();
        m_form.reset();
        QProcess drop;
        drop.start(u"isql-fb"_s, {u"-q"_s, u"-user"_s, TestServer::User(), u"-password"_s, TestServer::Password(),
                                 conn});
        QVERIFY(drop.waitForStarted());
        drop.write("DROP DATABASE;\n");
        drop.closeWriteChannel();
        QVERIFY(drop.waitForFinished());
    }

    void overlongPasswordIsRefusedBeforeSending() {
        Setup(m_database->ConnectionString(), QString(300, u'p'));
        try {
            m_db->Open(true);
            QFAIL("opened");
        } catch (const EFIBClientError& e) {
            QCOMPARE(e.SQLCode(), -1);
            QCOMPARE(e.Message(), u"Значение параметра DPB (password) длиннее 255 байт."_s);
        }
        QVERIFY(!m_db->Connected());
        // The connect lock is free again.
        m_db->ConnectParams().SetPassword(TestServer::Password());
        m_db->Open(true);
        QVERIFY(m_db->Connected());
    }

    void libraryNamesDifferingInCase() {
        QTemporaryDir dir;
        const QString real = u"/usr/lib/x86_64-linux-gnu/libfbclient.so.2"_s;
        const QString lower = dir.filePath(u"libfbclient.so.2"_s);
        const QString upper = dir.filePath(u"LIBFBCLIENT.so.2"_s);
        QVERIFY(QFile::link(real, lower));
        QVERIFY(QFile::link(real, upper));
        m_db->SetLibraryName(lower);
        m_db->Open(true);
        IIBClientLibrary* first = m_db->ClientLibrary();
        m_db->Close();
        m_db->SetLibraryName(upper);
        m_db->Open(true);
        QVERIFY(m_db->Connected());
        QVERIFY(m_db->ClientLibrary() != first);
        QCOMPARE(m_db->ClientLibrary()->LibraryName(), upper);
        QCOMPARE(first->LibraryName(), lower);
        QCOMPARE(m_db->ClientLibrary()->ClientMajorVersion(), 6);
        m_db->Close();
    }

    void refusedDefaultTransactionIsNotStored_data() {
        QTest::addColumn<bool>("update");
        QTest::newRow("default transaction") << false;
        QTest::newRow("default update transaction") << true;
    }
    void refusedDefaultTransactionIsNotStored() {
        QFETCH(bool, update);
        // The same client library under another name counts as another library.
        TpFIBDatabase* other = MakeTestDatabase(m_form.get(), m_database->ConnectionString(), TestServer::Password());
        other->SetLibraryName(u"/usr/lib/x86_64-linux-gnu/libfbclient.so.2"_s);
        auto* t = MakeTestTransaction(m_form.get(), u"trOther"_s, other, false);
        const int before = m_db->TransactionCount();
        QVERIFY_THROWS_EXCEPTION(Exception, update ? m_db->SetDefaultUpdateTransaction(t) : m_db->SetDefaultTransaction(t));
        QCOMPARE(m_db->DefaultTransaction(), nullptr);
        QCOMPARE(m_db->DefaultUpdateTransaction(), nullptr);
        QCOMPARE(m_db->TransactionCount(), before);
        delete t;  // then the database: the sanitizer build sees any use of the freed transaction
        m_db->Open(true);
        m_db->Close();
    }

    void failureAfterAttachLeavesItClosed() {
        m_db->AfterConnect = [](TFIBDatabase*) { throw Exception(u"refused after the attach"_s); };
        QVERIFY_THROWS_EXCEPTION(Exception, m_db->Open(true));
        QVERIFY(!m_db->Connected());
        m_db->AfterConnect = nullptr;
        m_db->Open(true);
        QVERIFY(m_db->Connected());
        m_db->Close();
    }

    // A cursor open when the server goes away: the process must still end cleanly.
    void processEndsCleanlyAfterLostConnection() {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {u"--lose-connection"_s});
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
    }

    void libraryNotFound() {
        m_db->SetLibraryName(u"libfbclient_missing.so.9"_s);
        try {
            m_db->Open(true);
            QFAIL("opened");
        } catch (const EFIBError&) {
            QFAIL("database error");
        } catch (const Exception& e) {
            QCOMPARE(e.Message(), u"Can't load library libfbclient_missing.so.9 "_s);
        }
        QVERIFY(!m_db->Connected());
    }
};

namespace {
// The child of processEndsCleanlyAfterLostConnection: attaches to a server of its own, opens a dataset,
// stops the server, runs a statement and ends. Exit status 0 when all went as expected.
int LoseConnectionAndEnd(int argc, char** argv) {
    argc = 1;  // the option is not for the application
    QCoreApplication app(argc, argv);
    TestOwnServer server(29);
    const QString path = server.Dir() + u"/data/exit.fdb"_s;
    if (!server.MakeDb(path)) return 2;
    QObject form;
    form.setObjectName(u"AdminForm"_s);
    TpFibErrorHandler handler(&form);
    TpFIBDatabase* db = MakeTestDatabase(&form, server.Host() + u':' + path, TestServer::Password());
    TpFIBTransaction* tr = MakeTestTransaction(&form, u"tr"_s, db, false);
    db->SetDefaultTransaction(tr);
    db->Open(true);
    TpFIBDataSet ds(&form);
    ds.SetDatabase(db);
    ds.SetTransaction(tr);
    ds.SetSelectSQL({u"select rdb$relation_name from rdb$relations"_s});
    ds.Open();
    if (!ds.Active()) return 3;
    server.Stop();
    try {
        TpFIBQuery q;
        q.SetDatabase(db);
        q.SetTransaction(tr);
        q.SetSQLText(u"select 1 from rdb$database"_s);
        q.ExecQuery();
        return 4;
    } catch (const EFIBError&) {
    }
    return db->Connected() || ds.Active() ? 5 : 0;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && qstrcmp(argv[1], "--lose-connection") == 0) return LoseConnectionAndEnd(argc, argv);
    QCoreApplication app(argc, argv);
    TestDatabaseConnect test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_DatabaseConnect.moc"
