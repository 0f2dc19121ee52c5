#include <QElapsedTimer>
#include <QtTest>

#include "core/Exception.h"
#include "fib/FIBErrors.h"
#include "fib/FibErrorHandlerHook.h"
#include "fib/TFIBStatementBinding.h"
#include "fib/TpFIBDatabase.h"
#include "fib/TpFIBQuery.h"
#include "fib/TpFIBTransaction.h"
#include "tests/support/TestConnection.h"
#include "tests/support/TestServer.h"

using namespace Qt::StringLiterals;

namespace {
const QStringList kWriteParams{u"write"_s, u"nowait"_s, u"rec_version"_s, u"read_committed"_s};
const QStringList kReadParams{u"read"_s, u"nowait"_s, u"rec_version"_s, u"read_committed"_s};

template <typename F>
EFIBError FibErrorOf(F&& f) {
    try {
        f();
    } catch (const EFIBError& e) {
        return e;
    }
    throw std::runtime_error("no EFIBError was raised");
}

struct SuppressingHandler : IFibErrorHandler {
    int calls = 0;
    QString message;
    void HandleError(QObject*, EFIBError& error, bool& doRaise) override {
        ++calls;
        message = error.Message();
        doRaise = false;
    }
};

// Installs a handler for one test and removes it again.
struct HandlerScope {
    explicit HandlerScope(IFibErrorHandler* handler) { SetActiveErrorHandler(handler); }
    ~HandlerScope() { SetActiveErrorHandler(nullptr); }
};
}  // namespace

class TestTransactions : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_database;
    std::unique_ptr<QObject> m_form;
    TpFIBDatabase* m_db = nullptr;
    TpFIBTransaction* m_tw = nullptr;
    TpFIBTransaction* m_tr = nullptr;

    TpFIBTransaction* MakeTransaction(const QString& name, const QStringList& params) {
        auto* t = new TpFIBTransaction(m_form.get());
        t->SetName(name);
        t->SetDefaultDatabase(m_db);
        t->SetTimeoutAction(TACommit);
        t->SetTPBMode(tpbDefault);
        t->TRParams().SetLines(params);
        return t;
    }

    void Exec(TFIBTransaction* t, const QString& sql) {
        TpFIBQuery q;
        q.SetDatabase(m_db);
        q.SetTransaction(t);
        q.SetSQLText(sql);
        q.ExecQuery();
    }

    // The first column of the first row, read in a transaction of its own.
    QVariant Scalar(const QString& sql) {
        TpFIBTransaction t;
        t.SetDefaultDatabase(m_db);
        t.TRParams().SetLines(kReadParams);
        t.SetTPBMode(tpbDefault);
        t.StartTransaction();
        TpFIBQuery q;
        q.SetTransaction(&t);
        q.SetSQLText(sql);
        q.ExecQuery();
        const QVariant v = q.Eof() ? QVariant() : q.FieldAt(0).Value();
        q.Close();
        t.Commit();
        return v;
    }

    int Workers() { return Scalar(u"select count(*) from worker"_s).toInt(); }

private slots:
    void initTestCase() {
        m_database = std::make_unique<TestDatabase>(u"transactions"_s);
        // A commit that the server refuses while the transaction's context variable FAIL is set.
        m_database->Isql(
            u"CREATE EXCEPTION E_COMMIT_REFUSED 'commit refused';\n"
            "SET TERM ^ ;\n"
            "CREATE TRIGGER T_COMMIT_CHECK ACTIVE ON TRANSACTION COMMIT AS BEGIN\n"
            "  IF (RDB$GET_CONTEXT('USER_TRANSACTION', 'FAIL') = '1') THEN EXCEPTION E_COMMIT_REFUSED;\n"
            "END^\n"
            "SET TERM ; ^\n"
            "COMMIT;\n"_s);
    }
    void cleanupTestCase() { m_database.reset(); }

    void init() {
        m_form = std::make_unique<QObject>();
        m_form->setObjectName(u"AdminForm"_s);
        m_db = MakeTestDatabase(m_form.get(), m_database->ConnectionString(), TestServer::Password());
        m_tw = MakeTransaction(u"trWriteQ"_s, kWriteParams);
        m_tr = MakeTransaction(u"trReadQ"_s, kReadParams);
        m_db->SetDefaultTransaction(m_tr);
        m_db->SetDefaultUpdateTransaction(m_tw);
        m_db->Open(true);
        QVERIFY(m_db->Connected());
        m_database->Isql(u"DELETE FROM SYS$USER; DELETE FROM WORKER; COMMIT;"_s);
    }
    void cleanup() { m_form.reset(); }

    void startCommitRollbackAndRetaining() {
        m_tw->StartTransaction();
        QVERIFY(m_tw->Active());
        QCOMPARE(m_tw->RunState(), int(TFIBTransaction::rsActive));
        QCOMPARE(m_tw->TPB(), QByteArray("\x03\x09\x07\x11\x0f", 5));
        Exec(m_tw, u"insert into worker (worker_id, surname) values (1, 'a')"_s);
        m_tw->CommitRetaining();
        QVERIFY(m_tw->Active());
        QCOMPARE(Workers(), 1);
        Exec(m_tw, u"insert into worker (worker_id, surname) values (2, 'b')"_s);
        m_tw->RollbackRetaining();
        QVERIFY(m_tw->Active());
        Exec(m_tw, u"insert into worker (worker_id, surname) values (3, 'c')"_s);
        m_tw->Rollback();
        QVERIFY(!m_tw->Active());
        QCOMPARE(m_tw->RunState(), int(TFIBTransaction::rsInactive));
        QCOMPARE(Workers(), 1);
        m_tw->SetActive(true);
        Exec(m_tw, u"insert into worker (worker_id, surname) values (4, 'd')"_s);
        m_tw->Commit();
        QCOMPARE(Workers(), 2);
        QCOMPARE(m_tr->TPB(), QByteArray());  // not started yet
        m_tr->StartTransaction();
        QCOMPARE(m_tr->TPB(), QByteArray("\x03\x08\x07\x11\x0f", 5));
        // A reading transaction refuses writes on the server.
        const EFIBError e = FibErrorOf([&] { Exec(m_tr, u"insert into worker (worker_id) values (9)"_s); });
        QVERIFY2(e.Message().contains(u"read-only"_s), qPrintable(e.Message()));
        m_tr->Commit();
    }

    void checksAndTheirMessages() {
        m_tw->StartTransaction();
        m_tw->StartTransaction();  // a second start of the component does nothing
        EFIBError e = FibErrorOf([&] { m_tw->TFIBTransaction::StartTransaction(); });
        QCOMPARE(e.SQLCode(), 16);
        QCOMPARE(e.Message(), u"AdminForm.trWriteQ: Транзакция активна."_s);
        e = FibErrorOf([&] { m_tw->TRParams().Add(u"wait"_s); });
        QCOMPARE(e.SQLCode(), 16);
        QCOMPARE(m_tw->TRParams().Lines(), kWriteParams);
        e = FibErrorOf([&] { m_tw->SetDefaultDatabase(nullptr); });
        QCOMPARE(e.SQLCode(), 16);
        m_tw->Commit();
        e = FibErrorOf([&] { m_tw->Commit(); });
        QCOMPARE(e.SQLCode(), 15);
        QCOMPARE(e.Message(), u"AdminForm.trWriteQ: Транзакция не активна."_s);
        e = FibErrorOf([&] { m_tw->RollbackRetaining(); });
        QCOMPARE(e.SQLCode(), 15);

        TpFIBTransaction lonely(m_form.get());
        lonely.SetName(u"trq"_s);
        e = FibErrorOf([&] { lonely.StartTransaction(); });
        QCOMPARE(e.SQLCode(), 18);
        QCOMPARE(e.Message(), u"AdminForm.trq: Не указано ни одной базы данных для компонента транзакции."_s);

        m_db->Close();
        e = FibErrorOf([&] { m_tw->StartTransaction(); });
        QCOMPARE(e.SQLCode(), 12);
        QCOMPARE(e.Message(), u"AdminForm.db: Невозможно выполнить операцию -- База данных не открыта."_s);
    }

    void tpbWords_data() {
        QTest::addColumn<QStringList>("params");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("refused") << QStringList{u"write"_s, u"autocommit"_s} << 10
                                 << u"Константа TPB (isc_tpb_autocommit) не поддерживается."_s;
        QTest::newRow("unknown") << QStringList{u"Writ"_s} << 11 << u"Константа TPB (Writ) неизвестна."_s;
    }
    void tpbWords() {
        QFETCH(QStringList, params);
        QFETCH(int, code);
        QFETCH(QString, message);
        m_tw->TRParams().SetLines(params);
        const EFIBError e = FibErrorOf([&] { m_tw->StartTransaction(); });
        QCOMPARE(e.SQLCode(), code);
        QCOMPARE(e.Message(), message);
        QVERIFY(!m_tw->Active());
    }

    void trimmedLinesAndLockTables() {
        m_tw->TRParams().SetLines({u"  isc_tpb_WRITE  "_s, u""_s, u"nowait"_s, u"concurrency"_s,
                                   u"lock_read=SYS$GROUP"_s});
        m_tw->StartTransaction();
        QCOMPARE(m_tw->TRParams().Strings(0), u"isc_tpb_WRITE"_s);
        QCOMPARE(m_tw->TPB(), QByteArray("\x03\x09\x07\x02\x0a\x09SYS$GROUP", 15));
        QCOMPARE(Scalar(u"select count(*) from sys$group"_s).toInt(), 0);
        m_tw->Commit();
    }

    void serverRefusesTheStart() {
        m_tw->TRParams().SetLines({u"write"_s, u"nowait"_s, u"concurrency"_s, u"lock_write=NO_SUCH_TABLE"_s});
        int afterStart = 0;
        m_tw->AfterStart = [&](TpFIBTransaction*) { ++afterStart; };
        const EFIBError e = FibErrorOf([&] { m_tw->StartTransaction(); });
        QVERIFY2(e.Message().contains(u"NO_SUCH_TABLE"_s), qPrintable(e.Message()));
        QCOMPARE(e.RaiserPath(), u"AdminForm.trWriteQ"_s);
        QVERIFY(!m_tw->Active());
        QCOMPARE(afterStart, 0);
        SuppressingHandler handler;
        {
            HandlerScope scope(&handler);
            m_tw->StartTransaction();  // suppressed: returns, still inactive
        }
        QCOMPARE(handler.calls, 1);
        QVERIFY(!m_tw->Active());
        QCOMPARE(afterStart, 1);
    }

    void tpbModeReplacesTheWords() {
        m_tw->SetTPBMode(tpbRepeatableRead);
        m_tw->StartTransaction();
        QCOMPARE(m_tw->TRParams().Lines(), (QStringList{u"write"_s, u"isc_tpb_nowait"_s, u"concurrency"_s}));
        QCOMPARE(m_tw->TPB(), QByteArray("\x03\x09\x07\x02", 4));
        m_tw->Commit();
        TpFIBTransaction runtime;
        QCOMPARE(runtime.TPBMode(), tpbReadCommitted);
        QCOMPARE(runtime.TimeoutAction(), TARollback);
        QCOMPARE(runtime.UserKindTransaction(), u"NoUserKind"_s);
        runtime.SetDefaultDatabase(m_db);
        runtime.StartTransaction();
        QCOMPARE(runtime.TPB(), QByteArray("\x03\x09\x07\x0f\x11", 5));
        runtime.Commit();
    }

    void failingCommit() {
        m_tw->StartTransaction();
        Exec(m_tw, u"insert into worker (worker_id, surname) values (10, 'x')"_s);
        Exec(m_tw, u"select rdb$set_context('USER_TRANSACTION', 'FAIL', '1') from rdb$database"_s);
        const EFIBError e = FibErrorOf([&] { m_tw->Commit(); });
        QVERIFY2(e.Message().contains(u"Commit refused.\r\n"_s), qPrintable(e.Message()));
        QCOMPARE(e.RaiserPath(), u"AdminForm.trWriteQ"_s);
        QVERIFY(m_tw->Active());
        QCOMPARE(m_tw->RunState(), int(TFIBTransaction::rsActive));

        // Suppressed by the handler: returns normally, still active; a start then does nothing.
        SuppressingHandler handler;
        {
            HandlerScope scope(&handler);
            m_tw->Commit();
        }
        QCOMPARE(handler.calls, 1);
        QVERIFY(m_tw->Active());
        m_tw->StartTransaction();
        QVERIFY(m_tw->Active());

        // Forced (closing the database): the failed commit is followed by a rollback, the handle goes.
        m_db->Close();
        QVERIFY(!m_tw->Active());
        QVERIFY(!m_db->Connected());
        m_db->Open(true);
        QCOMPARE(Workers(), 0);
    }

    void closingTheDatabaseCommits() {
        m_tw->StartTransaction();
        Exec(m_tw, u"insert into worker (worker_id, surname) values (20, 'y')"_s);
        m_db->Close();
        QVERIFY(!m_tw->Active());
        m_db->Open(true);
        QCOMPARE(Workers(), 1);
    }

    void destructionEndsWithTheTimeoutAction() {
        auto* t = MakeTransaction(u"twq"_s, kWriteParams);
        t->StartTransaction();
        Exec(t, u"insert into worker (worker_id, surname) values (30, 'z')"_s);
        delete t;
        QCOMPARE(Workers(), 1);
        QCOMPARE(m_db->TransactionCount(), 3);  // trWriteQ, trReadQ and the internal one
        auto* r = MakeTransaction(u"twq"_s, kWriteParams);
        r->SetTimeoutAction(TARollbackRetaining);  // counts as a rollback
        r->StartTransaction();
        Exec(r, u"insert into worker (worker_id, surname) values (31, 'z')"_s);
        delete r;
        QCOMPARE(Workers(), 1);
        m_db->SetDefaultTransaction(m_tw);
        delete m_tw;
        m_tw = nullptr;
        QVERIFY(!m_db->DefaultTransaction());
        QVERIFY(!m_db->DefaultUpdateTransaction());
    }

    void timeoutEndsAnIdleTransaction() {
        int timeouts = 0;
        m_tw->OnTimeout = [&](TFIBTransaction*) { ++timeouts; };
        m_tw->SetTimeoutAction(TARollback);
        m_tw->SetTimeout(100);
        m_tw->StartTransaction();
        Exec(m_tw, u"insert into worker (worker_id, surname) values (40, 't')"_s);
        QElapsedTimer clock;
        clock.start();
        QTRY_VERIFY_WITH_TIMEOUT(!m_tw->Active(), 3000);
        QVERIFY2(clock.elapsed() >= 100, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(timeouts, 1);
        QCOMPARE(Workers(), 0);

        // Activity clears the idle mark: kept busy for longer than a period it stays active. The period
        // is long against the pauses, so a slow machine does not let two ticks pass between activities.
        m_tw->SetTimeout(400);
        m_tw->StartTransaction();
        for (int i = 0; i < 10; ++i) {
            QTest::qWait(50);
            Exec(m_tw, u"select 1 from rdb$database"_s);
            QVERIFY(m_tw->Active());
        }
        m_tw->SetTimeout(0);
        QTest::qWait(250);
        QVERIFY(m_tw->Active());
        m_tw->Commit();
        QCOMPARE(timeouts, 1);
    }

    void eventsAndHooksInTheirOrders() {
        QStringList log;
        m_db->BeforeStartTransaction = [&](TFIBDatabase*, IFIBTransaction*) { log << u"db before start"_s; };
        m_db->AfterStartTransaction = [&](TFIBDatabase*, IFIBTransaction*) { log << u"db after start"_s; };
        m_db->BeforeEndTransaction = [&](IFIBTransaction*, TTransactionAction a, bool) {
            log << u"db before end %1"_s.arg(int(a));
        };
        m_db->AfterEndTransaction = [&](IFIBTransaction*, TTransactionAction a, bool) {
            log << u"db after end %1"_s.arg(int(a));
        };
        m_tw->BeforeStart = [&](TpFIBTransaction*) { log << u"before start"_s; };
        m_tw->AfterStart = [&](TpFIBTransaction*) { log << u"after start"_s; };
        m_tw->BeforeEnd = [&](TpFIBTransaction*, TTransactionAction, bool f) { log << u"before end %1"_s.arg(f); };
        m_tw->AfterEnd = [&](TpFIBTransaction*, TTransactionAction, bool) { log << u"after end"_s; };
        int one = 0, two = 0;
        TTransactionSubscriber s1, s2;
        s1.BeforeStart = [&](TFIBTransaction*) { log << u"s1 before start"_s; };
        s1.BeforeEnd = [&](TFIBTransaction*, TTransactionAction, bool) { log << u"s1 before end"_s; };
        s2.BeforeStart = [&](TFIBTransaction*) { log << u"s2 before start"_s; };
        s2.AfterEnd = [&](TFIBTransaction*, TTransactionAction, bool) { log << u"s2 after end"_s; };
        m_tw->Subscribe(&one, s1);
        m_tw->Subscribe(&two, s2);
        TFIBStatementBinding b1(m_form.get()), b2(m_form.get());
        for (auto [b, n] : {std::pair{&b1, u"b1"_s}, std::pair{&b2, u"b2"_s}}) {
            b->SetTransaction(m_tw);
            b->OnTransactionStarting = [&log, n] { log << n + u" starting"_s; };
            b->OnTransactionStarted = [&log, n] { log << n + u" started"_s; };
            b->OnTransactionEnding = [&log, n, this](TTransactionAction) {
                log << n + u" ending "_s + QString::number(m_tw->RunState());
            };
            b->OnTransactionEnded = [&log, n](TTransactionAction) { log << n + u" ended"_s; };
        }
        QCOMPARE(b1.Database(), m_db);
        m_tw->StartTransaction();
        m_tw->Commit();
        QCOMPARE(log, (QStringList{u"db before start"_s, u"before start"_s, u"b1 starting"_s, u"b2 starting"_s,
                                   u"s2 before start"_s, u"s1 before start"_s, u"b1 started"_s, u"b2 started"_s,
                                   u"after start"_s, u"db after start"_s, u"db before end 2"_s, u"before end 0"_s,
                                   u"b2 ending 4"_s, u"b1 ending 4"_s, u"s1 before end"_s, u"b2 ended"_s, u"b1 ended"_s,
                                   u"s2 after end"_s, u"after end"_s, u"db after end 2"_s}));
        m_tw->Unsubscribe(&one);
        m_tw->Unsubscribe(&two);
        QCOMPARE(m_tw->BindingCount(), 2);
    }

    void bindingChecks() {
        QObject owner(m_form.get());
        owner.setObjectName(u"dsGroups"_s);
        TFIBStatementBinding b(&owner);
        EFIBError e = FibErrorOf([&] { b.CheckDatabase(); });
        QCOMPARE(e.SQLCode(), 21);
        QCOMPARE(e.Message(), u"У AdminForm.dsGroups не присвоена база данных."_s);
        e = FibErrorOf([&] { b.CheckTransaction(); });
        QCOMPARE(e.SQLCode(), 22);
        QCOMPARE(e.Message(), u"У AdminForm.dsGroups не присвоена транзакция."_s);
        b.SetDatabase(m_db);
        QCOMPARE(b.Transaction(), m_tr);  // the database's DefaultTransaction
        e = FibErrorOf([&] { (void)b.TRHandle(); });
        QCOMPARE(e.SQLCode(), 15);
        QCOMPARE(e.Message(), u"AdminForm.trReadQ: Транзакция не активна."_s);
        QCOMPARE(*b.DBHandle(), *m_db->Handle());
        m_db->Close();
        e = FibErrorOf([&] { b.CheckDatabase(); });
        QCOMPARE(e.SQLCode(), 12);

        // While an owner is loaded the default transaction is not taken.
        TComponent loadingForm;
        loadingForm.Loading();
        QObject child(&loadingForm);
        TFIBStatementBinding loaded(&child);
        loaded.SetDatabase(m_db);
        QVERIFY(!loaded.Transaction());
        // A transaction that does not include the binding's database brings its own default database.
        TpFIBDatabase other(m_form.get());
        other.SetLibraryName(TestServer::Client());
        TpFIBTransaction t2(m_form.get());
        t2.SetDefaultDatabase(&other);
        loaded.SetTransaction(&t2);
        QCOMPARE(loaded.Database(), &other);
        QCOMPARE(t2.BindingCount(), 1);
        loaded.SetTransaction(m_tw);
        QCOMPARE(loaded.Database(), m_db);
        QCOMPARE(t2.BindingCount(), 0);
        QCOMPARE(other.ClientCount(), 0);
    }

    void differentClientLibraryIsRefused() {
        TpFIBDatabase other(m_form.get());
        other.SetName(u"db2"_s);
        other.SetLibraryName(u"libfbclient.so.3.0.11"_s);
        m_tw->SetDefaultDatabase(m_db);
        try {
            m_tw->AddDatabase(&other);
            QFAIL("no exception");
        } catch (const EFIBError&) {
            QFAIL("not a database error");
        } catch (const Exception& e) {
            QCOMPARE(e.Message(), u"AdminForm.trWriteQ.\r\nTransaction can't work with different client library."_s);
        }
        QCOMPARE(m_tw->DatabaseCount(), 1);
        QVERIFY_THROWS_EXCEPTION(Exception, m_tw->SetDefaultDatabase(&other));
        QCOMPARE(m_tw->DefaultDatabase(), m_db);
        m_tw->Loading();
        m_tw->AddDatabase(&other);  // ignored while loading
        m_tw->Loaded();
        QCOMPARE(m_tw->DatabaseCount(), 1);

        // A database of the same library takes the old one's place; the old one lets go of it.
        TpFIBDatabase same(m_form.get());
        same.SetLibraryName(TestServer::Client());
        const int before = m_db->TransactionCount();
        m_tw->SetDefaultDatabase(&same);
        QCOMPARE(m_tw->DatabaseCount(), 1);
        QCOMPARE(m_tw->Database(0), &same);
        QCOMPARE(m_db->TransactionCount(), before - 1);
        QCOMPARE(m_db->DefaultUpdateTransaction(), nullptr);
        QCOMPARE(same.TransactionCount(), 2);  // its internal one and trWriteQ
    }

    void droppedConnectionForgetsTheHandle() {
        m_tw->StartTransaction();
        TpFIBQuery q;
        q.SetTransaction(m_tw);
        q.SetSQLText(u"select worker_id from worker"_s);
        q.ExecQuery();
        QVERIFY(q.Prepared());
        // The handles are ended in the client library too, not only forgotten: using them again fails.
        isc_db_handle attachment = *m_db->Handle();
        isc_tr_handle transaction = *m_tw->Handle();
        m_db->DropConnection();
        QVERIFY(!m_db->Connected());
        QVERIFY(!m_tw->Active());
        QVERIFY(!m_tw->HandleIsShared());
        QVERIFY(!q.Prepared());
        QVERIFY(q.Eof());
        IIBClientLibrary& lib = *m_db->ClientLibrary();
        ISC_STATUS status[ISC_STATUS_LENGTH] = {};
        QVERIFY(lib.Call<EP::isc_rollback_transaction>(status, &transaction) != 0);
        QVERIFY(lib.Call<EP::isc_detach_database>(status, &attachment) != 0);
        m_db->Open(true);
        m_tw->StartTransaction();
        q.ExecQuery();
        QVERIFY(q.Eof());
        m_tw->Commit();
    }

    void internalTransactionAndServerClock() {
        TFIBTransaction* it = m_db->InternalTransaction();
        QCOMPARE(it->Name(), u"db_InternalTransaction"_s);
        QCOMPARE(it->Timeout(), 1000u);
        QCOMPARE(it->TimeoutAction(), TACommit);
        QCOMPARE(it->DefaultDatabase(), m_db);
        QVERIFY(!it->Active());  // committed after the clock was read
        QCOMPARE(it->TPB(), QByteArray("\x03\x09\x07\x0f\x11", 5));
        // Server and client run on one machine: the difference is a matter of milliseconds.
        QVERIFY2(std::abs(m_db->DifferenceTime()) < 5.0 / 86400, qPrintable(QString::number(m_db->DifferenceTime())));
        m_db->Close();
        QCOMPARE(it->Timeout(), 0u);
        m_db->SetName(u"base"_s);
        QCOMPARE(it->Name(), u"base_InternalTransaction"_s);
    }
};

QTEST_MAIN(TestTransactions)
#include "test_Transactions.moc"
