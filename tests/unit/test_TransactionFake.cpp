#include <QtTest>

#include "core/Exception.h"
#include "fib/FIBErrors.h"
#include "fib/TpFIBDatabase.h"
#include "fib/TpFIBTransaction.h"
#include "tests/support/FakeClient.h"

using namespace Qt::StringLiterals;

// Transactions over a fake client library: what a real client library never lacks.
class TestTransactionFake : public QObject {
    Q_OBJECT

private slots:
    void rollbackRetainingNeedsItsEntryPoint() {
        FakeClient fake("noretaining");
        QObject form;
        form.setObjectName(u"AdminForm"_s);
        auto* db = new TpFIBDatabase(&form);
        db->SetName(u"db"_s);
        db->SetLibraryName(fake.Path());
        db->SetDBName(u"fake:db"_s);
        db->SetSynchronizeTime(false);
        db->Open(true);
        QVERIFY(db->Connected());
        auto* tr = new TpFIBTransaction(&form);
        tr->SetName(u"tw"_s);
        tr->SetDefaultDatabase(db);
        fake.SetStartHandle(7);
        tr->StartTransaction();
        QVERIFY(tr->Active());
        try {
            tr->RollbackRetaining();
            QFAIL("no exception");
        } catch (const EFIBError&) {
            QFAIL("a database error");
        } catch (const Exception& e) {
            QCOMPARE(e.Message(), u"Can't find procedure isc_rollback_retaining in "_s + fake.Path());
        }
        QVERIFY(tr->Active());
        QCOMPARE(tr->RunState(), int(TFIBTransaction::rsActive));
        tr->Commit();
        QVERIFY(!tr->Active());
    }

    void startWithoutHandleStaysInactive() {
        FakeClient fake("full");
        TpFIBDatabase db;
        db.SetLibraryName(fake.Path());
        db.SetDBName(u"fake:db"_s);
        db.SetSynchronizeTime(false);
        db.Open(true);
        TpFIBTransaction tr;
        tr.SetDefaultDatabase(&db);
        tr.TRParams().SetLines({});
        tr.SetTPBMode(tpbDefault);
        fake.SetStartHandle(3);
        tr.StartTransaction();
        QCOMPARE(tr.TPB(), QByteArray());  // an empty list sends no TPB at all
        QVERIFY(tr.Active());
        db.Close();  // ends it with its TimeoutAction, TARollback for a component made at run time
        QVERIFY(!tr.Active());
    }
};

QTEST_APPLESS_MAIN(TestTransactionFake)
#include "test_TransactionFake.moc"
