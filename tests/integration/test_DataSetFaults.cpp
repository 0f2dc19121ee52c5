// Datasets against the real server where values, lost connections and suppressed failures once went wrong.
#include <QtTest>

#include "core/Exception.h"
#include "fib/FIBErrors.h"
#include "fib/FibErrorHandlerHook.h"
#include "fib/TColumnInfoCache.h"
#include "fib/TpFIBDataSet.h"
#include "data/TField.h"
#include "fib/TpFIBDatabase.h"
#include "fib/TpFIBQuery.h"
#include "fib/TpFIBTransaction.h"
#include "fib/TpFibErrorHandler.h"
#include "tests/support/SuppressingHandler.h"
#include "tests/support/TestConnection.h"
#include "tests/support/TestServer.h"

using namespace Qt::StringLiterals;

class TestDataSetFaults : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_database;
    std::unique_ptr<QObject> m_admin;
    TpFIBDatabase* m_db = nullptr;
    TpFIBTransaction* m_tr = nullptr;
    TpFIBTransaction* m_tw = nullptr;

    TpFIBDataSet* Values(const QString& where = u"where id = :id"_s) {
        auto* ds = new TpFIBDataSet(m_admin.get());
        ds->SetName(u"dsValues"_s);
        ds->SetDatabase(m_db);
        ds->SetTransaction(m_tr);
        ds->SetUpdateTransaction(m_tw);
        ds->SetAutoCommit(true);
        ds->SetSelectSQL({u"select id, d, t, ts, b from t_values"_s, where, u"order by id"_s});
        ds->SetInsertSQL({u"insert into t_values (id, d, t, ts, b) values (:id, :d, :t, :ts, :b)"_s});
        ds->SetUpdateSQL({u"update t_values set d = :d, t = :t, ts = :ts, b = :b where id = :old_id"_s});
        ds->SetDeleteSQL({u"delete from t_values where id = :old_id"_s});
        ds->SetRefreshSQL({u"select id, d, t, ts, b from t_values where id = :old_id"_s});
        return ds;
    }

    QString Stored(int id) {
        return m_database
            ->Isql(u"SET HEADING OFF;\nselect coalesce(cast(d as varchar(10)), 'null') || ' ' || "
                   "coalesce(cast(t as varchar(13)), 'null') || ' ' || coalesce(cast(ts as varchar(24)), 'null') "
                   "|| ' ' || coalesce(cast(b as varchar(5)), 'null') from t_values where id = %1;\n"_s.arg(id))
            .trimmed();
    }

    // Ends this test's attachment from a second connection, as a server shutdown would.
    void KillAttachment() {
        m_database->Isql(u"delete from mon$attachments where mon$attachment_id = %1;\ncommit;\n"_s.arg(m_db->AttachmentId()));
    }

private slots:
    void initTestCase() {
        m_database = std::make_unique<TestDatabase>(u"datasetfaults"_s);
        m_database->Isql(
            u"CREATE TABLE T_VALUES (ID INTEGER NOT NULL PRIMARY KEY, D DATE, T TIME, TS TIMESTAMP, B BOOLEAN);\n"
            "COMMIT;\n"_s);
    }
    void cleanupTestCase() { m_database.reset(); }

    void init() {
        m_admin = std::make_unique<QObject>();
        m_admin->setObjectName(u"AdminForm"_s);
        m_db = MakeTestDatabase(m_admin.get(), m_database->ConnectionString(), TestServer::Password());
        m_tr = MakeTestTransaction(m_admin.get(), u"tr"_s, m_db, false);
        m_tw = MakeTestTransaction(m_admin.get(), u"tw"_s, m_db, true);
        m_db->SetDefaultTransaction(m_tr);
        m_db->SetDefaultUpdateTransaction(m_tw);
        m_db->Open(true);
    }
    void cleanup() {
        SetActiveErrorHandler(nullptr);
        m_admin.reset();
    }

    // Dates, times and timestamps read, written back through Edit and Post, refreshed and stored.
    void dateAndTimeValuesRoundTrip_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QDateTime>("stamp");
        QTest::newRow("ordinary") << u"2024-06-01 12:34:56.7890 2024-06-01 12:34:56.7890 null"_s << QDate(2024, 6, 1)
                                  << QTime(12, 34, 56, 789) << QDateTime(QDate(2024, 6, 1), QTime(12, 34, 56, 789));
        QTest::newRow("day zero") << u"1899-12-30 00:00:00.0000 1899-12-30 00:00:00.0000 null"_s << QDate(1899, 12, 30)
                                  << QTime(0, 0) << QDateTime(QDate(1899, 12, 30), QTime(0, 0));
        QTest::newRow("first day") << u"0001-01-01 00:00:00.0010 0001-01-01 00:00:00.0000 null"_s << QDate(1, 1, 1)
                                   << QTime(0, 0, 0, 1) << QDateTime(QDate(1, 1, 1), QTime(0, 0));
        QTest::newRow("last day") << u"9999-12-31 23:59:59.9990 9999-12-31 23:59:59.9990 null"_s << QDate(9999, 12, 31)
                                  << QTime(23, 59, 59, 999) << QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59, 999));
        QTest::newRow("nulls") << u"null null null null"_s << QDate() << QTime() << QDateTime();
    }
    void dateAndTimeValuesRoundTrip() {
        QFETCH(QString, stored);
        QFETCH(QDate, date);
        QFETCH(QTime, time);
        QFETCH(QDateTime, stamp);
        static int id = 0;
        ++id;
        auto literal = [](const QString& s) { return s == u"null"_s ? s : u'\'' + s + u'\''; };
        const QStringList parts = stored.split(u' ');
        const QString ts = parts[2] == u"null"_s ? parts[2] : parts[2] + u' ' + parts[3];
        m_database->Isql(u"insert into t_values (id, d, t, ts) values (%1, %2, %3, %4);\ncommit;\n"_s.arg(id).arg(
            literal(parts[0]), literal(parts[1]), literal(ts)));
        TpFIBDataSet* ds = Values();
        ds->QSelect().ParamNamed(u"ID"_s).SetValue(id);
        ds->Open();
        QCOMPARE(ds->FieldValue(u"D"_s).toDate(), date);
        QCOMPARE(ds->FieldValue(u"T"_s).toTime(), time);
        QCOMPARE(ds->FieldValue(u"TS"_s).toDateTime(), stamp);
        ds->Edit();
        ds->SetFieldValue(u"D"_s, ds->FieldValue(u"D"_s));
        ds->SetFieldValue(u"T"_s, ds->FieldValue(u"T"_s));
        ds->SetFieldValue(u"TS"_s, ds->FieldValue(u"TS"_s));
        ds->Post();  // refreshed afterwards
        QCOMPARE(ds->FieldValue(u"D"_s).toDate(), date);
        QCOMPARE(ds->FieldValue(u"TS"_s).toDateTime(), stamp);
        QCOMPARE(Stored(id), stored);
    }

    void nativeBooleanIsSaved() {
        TpFIBDataSet* ds = Values(u"where id < 0"_s);
        ds->Open();
        ds->Append();
        ds->SetFieldValue(u"ID"_s, 100);
        ds->SetFieldValue(u"B"_s, true);
        ds->Post();
        QCOMPARE(Stored(100), u"null null null TRUE"_s);
        ds->Edit();
        ds->SetFieldValue(u"B"_s, false);
        ds->Post();
        QCOMPARE(Stored(100), u"null null null FALSE"_s);
        QCOMPARE(ds->FieldValue(u"B"_s), QVariant(false));
    }

    // The connection ends while a change is written (or refreshed after it): the error comes once,
    // the dataset ends closed, and after a new attachment it works again.
    void lostConnectionWhileWriting_data() {
        QTest::addColumn<QString>("change");
        QTest::newRow("append and post") << u"append"_s;
        QTest::newRow("edit and post") << u"edit"_s;
        QTest::newRow("delete") << u"delete"_s;
        QTest::newRow("refresh after the write") << u"refresh"_s;
    }
    void lostConnectionWhileWriting() {
        QFETCH(QString, change);
        m_database->Isql(u"delete from t_values where id >= 200;\ninsert into t_values (id) values (200);\n"
                         "insert into t_values (id) values (201);\ncommit;\n"_s);
        TpFibErrorHandler handler(m_admin.get());
        int lost = 0;
        handler.OnFIBErrorEvent = [&](QObject*, EFIBError&, TKindIBError kind, bool&) { lost += kind == keLostConnect; };
        TpFIBDataSet* ds = Values(u"where id >= 200"_s);
        ds->Open();
        if (change == u"refresh"_s) {
            // The commit after the write succeeds; the connection ends right after it.
            TTransactionSubscriber s;
            s.AfterEnd = [this](TFIBTransaction*, TTransactionAction, bool) { KillAttachment(); };
            m_tw->Subscribe(this, std::move(s));
        } else {
            KillAttachment();
        }
        bool raised = false;
        try {
            if (change == u"append"_s) {
                ds->Append();
                ds->SetFieldValue(u"ID"_s, 202);
                ds->Post();
            } else if (change == u"delete"_s) {
                ds->Delete();
            } else {
                ds->Edit();
                ds->SetFieldValue(u"B"_s, true);
                ds->Post();
            }
        } catch (const EFIBError&) {
            raised = true;
        }
        m_tw->Unsubscribe(this);
        QVERIFY(raised);
        QCOMPARE(lost, 1);
        QVERIFY(!m_db->Connected());
        QCOMPARE(ds->State(), dsInactive);
        QCOMPARE(ds->RecordCount(), 0);
        m_db->Open(true);
        ds->Open();
        ds->FetchAll();
        QCOMPARE(ds->RecordCount(), 2);  // nothing written but the change committed before the end
        QCOMPARE(ds->FieldValue(u"ID"_s).toInt(), 200);
        QCOMPARE(Stored(200), change == u"refresh"_s ? u"null null null TRUE"_s : u"null null null null"_s);
    }

    // A catalogue read that fails (suppressed) is read again by the next opening.
    void failedCatalogueReadIsNotKept() {
        TColumnInfoCache::Instance().Clear();
        SuppressingHandler handler;
        SetActiveErrorHandler(&handler);
        TFIBTransaction* internal = m_db->InternalTransaction();
        const QStringList words = internal->TRParams().Lines();
        internal->TRParams().SetLines(words + QStringList{u"lock_read=NO_SUCH_TABLE"_s});
        auto* ds = new TpFIBDataSet(m_admin.get());
        ds->SetDatabase(m_db);
        ds->SetSelectSQL({u"select id, lockedout from sys$group"_s});
        ds->Open();
        QVERIFY(handler.Count > 0);
        QCOMPARE(ds->FieldByName(u"LOCKEDOUT"_s)->DataType(), ftSmallint);
        ds->Close();
        internal->TRParams().SetLines(words);
        ds->Open();
        QCOMPARE(ds->FieldByName(u"LOCKEDOUT"_s)->DataType(), ftBoolean);
    }

    void reopenAfterSuppressedFailureReturns() {
        SuppressingHandler handler;
        SetActiveErrorHandler(&handler);
        TpFIBDataSet* ds = Values(u"where no_such_column = 1"_s);
        ds->Reopen(true);
        QCOMPARE(handler.Count, 1);
        QVERIFY(!ds->Active());
    }
};

QTEST_GUILESS_MAIN(TestDataSetFaults)
#include "test_DataSetFaults.moc"
