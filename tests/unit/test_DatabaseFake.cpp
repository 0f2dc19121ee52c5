#include <QtTest>

#include "core/Exception.h"
#include "fib/FIBErrors.h"
#include "fib/FibErrorHandlerHook.h"
#include "fib/TFIBDatabaseClient.h"
#include "fib/TpFIBDatabase.h"
#include "fib/TpFIBQuery.h"
#include "fib/TpFIBTransaction.h"
#include "tests/support/FakeClient.h"

using namespace Qt::StringLiterals;

namespace {
// A transaction as the database sees it, recording how it was ended.
struct FakeTransaction : IFIBTransaction {
    bool active = true;
    bool failEnd = false;
    bool shared = false;
    TTransactionAction timeoutAction = TACommit;
    TFIBDatabase* defaultDatabase = nullptr;
    std::vector<TFIBDatabase*> databases;
    QStringList* log = nullptr;
    QString name;
    int freed = 0;

    bool Active() const override { return active; }
    TTransactionAction TimeoutAction() const override { return timeoutAction; }
    void EndTransaction(TTransactionAction action, bool force) override {
        if (log)
            *log << name + u":end "_s + QString::number(int(action)) + (force ? u" force"_s : u""_s) +
                        (shared ? u" shared"_s : u""_s);
        if (failEnd) throw Exception(u"commit failed"_s);
        active = false;
    }
    void SetHandleShared(bool s) override { shared = s; }
    TFIBDatabase* DefaultDatabase() const override { return defaultDatabase; }
    void SetDefaultDatabase(TFIBDatabase* db) override { defaultDatabase = db; }
    void AddDatabase(TFIBDatabase* db) override { databases.push_back(db); }
    void DatabaseFreed(TFIBDatabase*) override { ++freed; }
};

struct FakeBinding : TFIBDatabaseClient {
    QStringList* log = nullptr;
    bool failDisconnecting = false;
    void DatabaseConnecting() override { *log << u"connecting"_s; }
    void DatabaseConnected() override { *log << u"connected"_s; }
    void DatabaseDisconnecting() override {
        *log << u"disconnecting"_s;
        if (failDisconnecting) throw Exception(u"close failed"_s);
    }
    void DatabaseDisconnected() override { *log << u"disconnected"_s; }
    void DatabaseConnectionDropped() override { *log << u"dropped"_s; }
    void DatabaseFreed() override { *log << u"freed"_s; }
};

struct SuppressingHandler : IFibErrorHandler {
    int calls = 0;
    void HandleError(QObject*, EFIBError&, bool& doRaise) override {
        ++calls;
        doRaise = false;
    }
};
}  // namespace

class TestDatabaseFake : public QObject {
    Q_OBJECT

    std::unique_ptr<FakeClient> m_fake;
    std::unique_ptr<QObject> m_form;
    TpFIBDatabase* m_db = nullptr;

private slots:
    void init() {
        m_fake = std::make_unique<FakeClient>("full");
        m_form = std::make_unique<QObject>();
        m_form->setObjectName(u"AdminForm"_s);
        m_db = new TpFIBDatabase(m_form.get());
        m_db->SetName(u"db"_s);
        m_db->SetLibraryName(m_fake->Path());
        m_db->SetDBName(u"fake:db"_s);
        m_db->DBParams().SetLines({u"lc_ctype=WIN1251"_s, u"user_name=SYSDBA"_s});
        m_db->SetSQLDialect(3);
    }
    void cleanup() {
        SetActiveErrorHandler(nullptr);
        m_form.reset();
        m_fake.reset();
    }

    void openReadsDialectIdAndServerFlags() {
        m_fake->SetDialect(1);
        m_db->Open(true);
        QVERIFY(m_db->Connected());
        QCOMPARE(m_db->SQLDialect(), 1);
        QCOMPARE(m_db->AttachmentId(), 4242);
        QVERIFY(m_db->IsFirebirdServer());
        QCOMPARE(m_db->ServerMajorVersion(), 3);
        QCOMPARE(m_db->ServerMinorVersion(), 0);
        QCOMPARE(m_db->ServerRelease(), 9);
        QCOMPARE(m_db->ServerBuild(), 123);
        QVERIFY(!m_db->IsUnicodeConnect());
        QVERIFY(!m_db->IsNoneCharSetConnect());
        QCOMPARE(m_db->DifferenceTime(), 0.0);
        m_db->Close();
        QVERIFY(!m_db->Connected());
        QCOMPARE(m_db->AttachmentId(), -1);
        QCOMPARE(m_fake->DetachCalls(), 1);
    }

    void openTwiceAttachesOnce() {
        m_db->Open(true);
        m_db->Open(true);
        m_db->SetConnected(true);
        QCOMPARE(m_fake->AttachCalls(), 1);
        m_db->SetConnected(false);
        QVERIFY(!m_db->Connected());
        m_db->Close();
        QCOMPARE(m_fake->DetachCalls(), 1);
    }

    void emptyNameFailsBeforeTheLibrary() {
        m_db->SetLibraryName(u"/nonexistent/lib.so"_s);
        m_db->SetDBName(QString());
        try {
            m_db->Open(true);
            QFAIL("opened");
        } catch (const EFIBClientError& e) {
            QCOMPARE(e.SQLCode(), 14);
            QCOMPARE(e.Message(), u"Отсутствует название базы данных."_s);
        }
        QVERIFY(!m_db->ClientLibrary());
    }

    void missingLibraryIsNoDatabaseError() {
        SuppressingHandler handler;
        SetActiveErrorHandler(&handler);
        m_db->SetLibraryName(u"/nonexistent/libmissing.so"_s);
        try {
            m_db->Open(true);
            QFAIL("opened");
        } catch (const EFIBError&) {
            QFAIL("database error");
        } catch (const Exception& e) {
            QCOMPARE(e.Message(), u"Can't load library /nonexistent/libmissing.so "_s);
        }
        QCOMPARE(handler.calls, 0);
        // The connect lock was released: another open goes through.
        m_db->SetLibraryName(m_fake->Path());
        m_db->Open(true);
        QVERIFY(m_db->Connected());
    }

    void suppressedAttachErrorSendsNothingMore() {
        m_fake->SetAttachStatus({isc_arg_gds, 335544472, isc_arg_end});
        SuppressingHandler handler;
        SetActiveErrorHandler(&handler);
        m_db->Open(true);
        QVERIFY(!m_db->Connected());
        QCOMPARE(handler.calls, 1);
        QCOMPARE(m_fake->InfoCalls(), 0);
    }

    void attachErrorWithoutRaising() {
        m_fake->SetAttachStatus({isc_arg_gds, 335544344, isc_arg_end});
        m_db->Open(false);
        QVERIFY(!m_db->Connected());
        QVERIFY_THROWS_EXCEPTION(EFIBInterBaseError, m_db->Open(true));
    }

    void beforeConnectMayRefuse() {
        bool asked = false;
        m_db->BeforeConnect = [&](TFIBDatabase* db, TDBParams& params, bool& doConnect) {
            asked = db == m_db && params.Count() == 2;
            doConnect = false;
        };
        m_db->Open(true);
        QVERIFY(asked);
        QVERIFY(!m_db->Connected());
        QCOMPARE(m_fake->AttachCalls(), 0);
    }

    void changesWhileConnectedAreRefused() {
        m_db->Open(true);
        const QStringList before = m_db->DBParams().Lines();
        auto expect13 = [&](const std::function<void()>& change) {
            try {
                change();
                QFAIL("changed");
            } catch (const EFIBClientError& e) {
                QCOMPARE(e.SQLCode(), 13);
                QCOMPARE(e.Message(), u"Невозможно выполнить операцию -- База данных открыта."_s);
            }
        };
        expect13([&] { m_db->ConnectParams().SetUserName(u"OTHER"_s); });
        expect13([&] { m_db->ConnectParams().SetPassword(u"x"_s); });
        expect13([&] { m_db->DBParams().Add(u"sweep"_s); });
        expect13([&] { m_db->DBParams().Clear(); });
        expect13([&] { m_db->SetDBName(u"other"_s); });
        expect13([&] { m_db->SetLibraryName(u"other.so"_s); });
        QCOMPARE(m_db->DBParams().Lines(), before);
        m_db->SetDBName(u"fake:db"_s);  // the same text is no change
    }

    void sqlDialectChecks() {
        try {
            m_db->SetSQLDialect(0);
            QFAIL("accepted");
        } catch (const EFIBClientError& e) {
            QCOMPARE(e.SQLCode(), 61);
            QCOMPARE(e.Message(), u"Ошибочный диалект SQL"_s);
        }
        m_fake->SetDialect(1);
        m_db->Open(true);
        QVERIFY_THROWS_EXCEPTION(EFIBClientError, m_db->SetSQLDialect(3));
        m_db->SetSQLDialect(1);
        m_db->Close();
        m_db->SetSQLDialect(3);
        QCOMPARE(m_db->SQLDialect(), 3);
    }

    void checkConnectedNamesTheDatabase() {
        try {
            m_db->CheckConnected();
            QFAIL("passed");
        } catch (const EFIBClientError& e) {
            QCOMPARE(e.SQLCode(), 12);
            QCOMPARE(e.Message(), u"AdminForm.db: Невозможно выполнить операцию -- База данных не открыта."_s);
        }
        QVERIFY_THROWS_EXCEPTION(EFIBClientError, m_db->TFIBDatabase::Disconnect(false));
        m_db->Disconnect(false);  // the component's own Disconnect does nothing when closed
    }

    void dpbIsRebuiltAtEveryOpen() {
        m_db->DBParams().SetLines({u" lc_ctype=WIN1251 "_s, u"user_name=SYSDBA"_s});
        m_db->ConnectParams().SetPassword(u"secret"_s);
        m_db->Open(true);
        QCOMPARE(m_db->DBParams().Strings(0), u"lc_ctype=WIN1251"_s);
        QVERIFY(m_db->DPBOutOfDate());
        QVERIFY(m_db->DPB().endsWith(QByteArray("\x1d\x06secret")));
    }

    void failedDetach() {
        m_db->Open(true);
        m_fake->SetDetachStatus({isc_arg_gds, 335544721, isc_arg_end});
        SuppressingHandler handler;
        SetActiveErrorHandler(&handler);
        m_db->Close();
        QCOMPARE(handler.calls, 1);
        QVERIFY(m_db->Connected());  // suppressed: the attachment stays
        SetActiveErrorHandler(nullptr);
        m_db->Close();  // raised: swallowed, the handle is dropped
        QVERIFY(!m_db->Connected());
        m_db->Open(true);
        m_db->Disconnect(true);  // forced: the failure is ignored without the handler
        QVERIFY(!m_db->Connected());
        QCOMPARE(m_fake->DetachCalls(), 3);
    }

    void loginPrompt() {
        m_db->SetUseLoginPrompt(true);
        try {
            m_db->Open(true);
            QFAIL("opened");
        } catch (const EFIBClientError& e) {
            QCOMPARE(e.SQLCode(), 7);
            QCOMPARE(e.Message(), u"Операция прервана пользователем."_s);
        }
        QCOMPARE(m_fake->AttachCalls(), 0);
        m_db->OnLoginPrompt = [](TFIBDatabase*, QString& user, QString& password, QString& role) {
            user = u"ADMIN"_s;
            password = u"pw"_s;
            role = QString();
            return true;
        };
        m_db->Open(true);
        QVERIFY(m_db->Connected());
        QCOMPARE(m_db->DBParams().Lines(),
                 (QStringList{u"lc_ctype=WIN1251"_s, u"user_name=ADMIN"_s, u"password=pw"_s}));
    }

    void closeEndsActiveTransactions() {
        QStringList log;
        FakeTransaction commit, retaining, rollback, idle;
        commit.name = u"commit"_s;
        retaining.name = u"retaining"_s;
        retaining.timeoutAction = TACommitRetaining;
        rollback.name = u"rollback"_s;
        rollback.timeoutAction = TARollbackRetaining;
        idle.name = u"idle"_s;
        idle.active = false;
        for (FakeTransaction* t : {&commit, &retaining, &rollback, &idle}) {
            t->log = &log;
            m_db->AddTransaction(t);
        }
        FakeBinding binding;
        binding.log = &log;
        m_db->AddClient(&binding);
        m_db->Open(true);
        m_db->Close();
        QCOMPARE(log, (QStringList{u"connecting"_s, u"connected"_s, u"commit:end 2 force"_s,
                                   u"retaining:end 2 force"_s, u"rollback:end 0 force"_s, u"disconnecting"_s,
                                   u"disconnected"_s}));
        QVERIFY(!commit.Active());
        QVERIFY(!m_db->Connected());
        m_db->RemoveClient(&binding);
        for (FakeTransaction* t : {&commit, &retaining, &rollback, &idle}) m_db->RemoveTransaction(t);
    }

    void failingEndPassesOnUnlessForced() {
        QStringList log;
        FakeTransaction bad, good;
        bad.name = u"bad"_s;
        bad.failEnd = true;
        good.name = u"good"_s;
        bad.log = good.log = &log;
        m_db->AddTransaction(&bad);
        m_db->AddTransaction(&good);
        m_db->Open(true);
        QVERIFY_THROWS_EXCEPTION(Exception, m_db->Disconnect(false));
        QVERIFY(m_db->Connected());
        QVERIFY(good.Active());
        m_db->Disconnect(true);
        QVERIFY(!m_db->Connected());
        QVERIFY(!good.Active());
        QCOMPARE(m_fake->DetachCalls(), 1);
        m_db->RemoveTransaction(&bad);
        m_db->RemoveTransaction(&good);
    }

    void dropConnectionDetachesQuietly() {
        QStringList log;
        FakeTransaction t;
        t.name = u"t"_s;
        t.log = &log;
        m_db->AddTransaction(&t);
        FakeBinding binding;
        binding.log = &log;
        m_db->Open(true);
        m_db->AddClient(&binding);
        EFIBInterBaseError error(-902, 335544721, QString(), QString(), QString(), QString(), m_db);
        TFIBLostConnectActions actions = laCloseConnect;
        bool doRaise = true;
        int lost = 0;
        m_db->OnLostConnect = [&](TFIBDatabase*, EFIBError& e, TFIBLostConnectActions&, bool&) {
            lost = e.GDSCode();
        };
        m_db->HandleLostConnect(error, actions, doRaise);
        QCOMPARE(lost, 335544721);
        QVERIFY(!m_db->Connected());
        QCOMPARE(m_fake->DetachCalls(), 1);
        QCOMPARE(log, (QStringList{u"dropped"_s, u"t:end 0 force"_s}));
        m_db->RemoveClient(&binding);
        m_db->RemoveTransaction(&t);
    }

    // A describe failure that the handler suppresses is the only report: the statement stays unprepared.
    void suppressedDescribeFailureIsTheOnlyReport() {
        m_db->Open(true);
        m_fake->SetStartHandle(5);
        auto* tr = new TpFIBTransaction(m_form.get());
        tr->SetDefaultDatabase(m_db);
        tr->StartTransaction();
        m_fake->SetDescribeStatus({isc_arg_gds, 335544569, isc_arg_end});
        SuppressingHandler handler;
        SetActiveErrorHandler(&handler);
        TpFIBQuery q;
        q.SetDatabase(m_db);
        q.SetTransaction(tr);
        q.SetSQLText(u"select a from t where a = :a"_s);
        q.ExecQuery();
        QCOMPARE(handler.calls, 1);
        QVERIFY(!q.Prepared());
        QVERIFY(!q.Open());
    }

    void defaultTransactionsJoinTheLists() {
        FakeTransaction t, u;
        // The database's internal transaction is in the list from the start.
        const int own = m_db->TransactionCount();
        QCOMPARE(own, 1);
        m_db->SetDefaultTransaction(&t);
        m_db->SetDefaultUpdateTransaction(&u);
        QCOMPARE(m_db->TransactionCount(), own + 2);
        QCOMPARE(t.defaultDatabase, m_db);
        QCOMPARE(t.databases, std::vector<TFIBDatabase*>{m_db});
        m_db->SetDefaultTransaction(&t);
        QCOMPARE(m_db->TransactionCount(), own + 2);
        m_db->RemoveTransaction(&t);
        QVERIFY(!m_db->DefaultTransaction());
        QCOMPARE(m_db->DefaultUpdateTransaction(), &u);
        m_db->RemoveTransaction(&u);
        QVERIFY(!m_db->DefaultUpdateTransaction());
    }

    void destructionClosesAndTellsTheOthers() {
        QStringList log;
        FakeTransaction t;
        t.log = &log;
        t.name = u"t"_s;
        FakeBinding binding;
        binding.log = &log;
        m_db->AddTransaction(&t);
        m_db->Open(true);
        m_db->AddClient(&binding);
        QVERIFY(DatabaseList().size() == 1 && DatabaseList()[0] == m_db);
        m_db->SetDesignDBOptions(ddoIsDefaultDatabase);
        m_db->Loaded();
        QCOMPARE(DefaultDatabase(), m_db);
        delete m_db;
        QCOMPARE(m_fake->DetachCalls(), 1);
        QCOMPARE(log, (QStringList{u"t:end 2 force"_s, u"disconnecting"_s, u"disconnected"_s, u"freed"_s}));
        QCOMPARE(t.freed, 1);
        QVERIFY(DatabaseList().empty());
        QVERIFY(!DefaultDatabase());
    }
};

QTEST_APPLESS_MAIN(TestDatabaseFake)
#include "test_DatabaseFake.moc"
