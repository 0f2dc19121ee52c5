#include <QtTest>
#include <memory>

#include "core/Exception.h"
#include "data/TDataLink.h"
#include "data/TDataSource.h"
#include "data/TField.h"
#include "data/TMemoryDataSet.h"

using namespace Qt::StringLiterals;

namespace {

std::unique_ptr<TMemoryDataSet> MakeNumbers(int rows) {
    auto ds = std::make_unique<TMemoryDataSet>();
    ds->SetName(u"dsN"_s);
    ds->AddFieldDef(u"N"_s, ftInteger);
    for (int i = 1; i <= rows; ++i) ds->AddSourceRow({i});
    return ds;
}

int N(const TDataSet& ds) { return ds.FieldByName(u"N"_s)->AsInteger(); }

class WindowLink : public TDataLink {};

}  // namespace

class TestDataSetNavigation : public QObject {
    Q_OBJECT
private slots:
    void emptyDatasetIsBofAndEof() {
        auto ds = MakeNumbers(0);
        ds->Open();
        QVERIFY(ds->Bof());
        QVERIFY(ds->Eof());
        QVERIFY(ds->IsEmpty());
        QCOMPARE(ds->RecNo(), 0);
        ds->Next();
        QVERIFY(ds->Eof());
        QVERIFY(ds->GetBookmark().IsNull());
        QVERIFY(ds->FieldByName(u"N"_s)->IsNull());
        QCOMPARE(ds->FieldByName(u"N"_s)->AsString(), QString());
    }

    void walkForwardAndBack() {
        auto ds = MakeNumbers(3);
        ds->Open();
        QVERIFY(ds->Bof());
        QVERIFY(!ds->Eof());
        QList<int> seen;
        while (!ds->Eof()) {
            seen << N(*ds);
            ds->Next();
        }
        QCOMPARE(seen, (QList<int>{1, 2, 3}));
        QCOMPARE(ds->RecNo(), 3);  // Next on the last row stays there
        ds->Prior();
        QVERIFY(!ds->Eof());
        QCOMPARE(N(*ds), 2);
        ds->Prior();
        ds->Prior();
        QVERIFY(ds->Bof());
        QCOMPARE(N(*ds), 1);
    }

    void moveBy_data() {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("distance");
        QTest::addColumn<int>("moved");
        QTest::addColumn<int>("recNo");
        QTest::addColumn<bool>("eof");
        QTest::addColumn<bool>("bof");
        QTest::newRow("inside") << 2 << 2 << 2 << 4 << false << false;
        QTest::newRow("past the end") << 3 << 10 << 2 << 5 << true << false;
        QTest::newRow("before the start") << 3 << -10 << -2 << 1 << false << true;
        QTest::newRow("exactly to the last") << 1 << 4 << 4 << 5 << false << false;
        QTest::newRow("zero") << 3 << 0 << 0 << 3 << false << false;
    }
    void moveBy() {
        QFETCH(int, start);
        QFETCH(int, distance);
        QFETCH(int, moved);
        QFETCH(int, recNo);
        QFETCH(bool, eof);
        QFETCH(bool, bof);
        auto ds = MakeNumbers(5);
        ds->Open();
        ds->SetRecNo(start);
        QCOMPARE(ds->RecNo(), start);
        QCOMPARE(ds->MoveBy(distance), moved);
        QCOMPARE(ds->RecNo(), recNo);
        QCOMPARE(N(*ds), recNo);
        QCOMPARE(ds->Eof(), eof);
        QCOMPARE(ds->Bof(), bof);
    }

    void lastFetchesEverything() {
        auto ds = MakeNumbers(7);
        ds->Open();
        ds->Last();
        QCOMPARE(N(*ds), 7);
        QVERIFY(ds->Eof());
        QVERIFY(ds->AllFetched());
        QCOMPARE(ds->RecordCount(), 7);
    }

    void fetchesLazilyByWhatControlsShow() {
        auto ds = MakeNumbers(1000);
        TDataSource src;
        src.SetDataSet(ds.get());
        WindowLink grid;
        grid.SetBufferCount(50);
        grid.SetDataSource(&src);
        ds->Open();
        QCOMPARE(ds->FetchCount(), 50);
        QCOMPARE(ds->RecordCount(), 50);
        QVERIFY(!ds->AllFetched());
        ds->MoveBy(60);
        QCOMPARE(ds->FetchCount(), 61);
        QCOMPARE(N(*ds), 61);
        ds->FetchAll();
        QCOMPARE(ds->RecordCount(), 1000);
        QCOMPARE(N(*ds), 61);  // FetchAll stays on the current row
        QCOMPARE(ds->FetchCount(), 1000);
    }

    void fetchMoreForGrids() {
        auto ds = MakeNumbers(120);
        TDataSource src;
        src.SetDataSet(ds.get());
        int changes = 0;
        src.OnDataChange = [&](TDataSource&, TField*) { ++changes; };
        ds->Open();
        QCOMPARE(ds->FetchMore(100), 100);
        QCOMPARE(ds->RecordCount(), 101);
        QCOMPARE(ds->FetchMore(100), 19);
        QVERIFY(ds->AllFetched());
        QCOMPARE(ds->FetchMore(5), 0);
        QCOMPARE(ds->RecNo(), 1);
        QCOMPARE(changes, 0);
        QCOMPARE(ds->FieldByName(u"N"_s)->ValueOf(ds->RowAt(120)).toInt(), 120);
        QVERIFY(!ds->RowAt(121).IsValid());
        QVERIFY(!ds->RowAt(0).IsValid());
    }

    void reopenWithFetchAllAndBookmark() {
        auto ds = MakeNumbers(8);
        ds->Open();
        TField* before = ds->FieldByName(u"N"_s);
        ds->MoveBy(4);
        QCOMPARE(ds->RecNo(), 5);
        TBookmark bm = ds->GetBookmark();
        QVERIFY(!bm.IsNull());
        // New order: the same rows in reverse, so the fifth row now holds 4.
        ds->ClearSource();
        for (int i = 8; i >= 1; --i) ds->AddSourceRow({i});
        int opened = 0;
        ds->AfterOpen = [&](TDataSet&) { ++opened; };
        ds->Reopen(true);
        QCOMPARE(opened, 1);
        QVERIFY(ds->AllFetched());
        QCOMPARE(ds->RecNo(), 1);
        QCOMPARE(ds->FieldByName(u"N"_s), before);  // fields kept across the reopen
        QVERIFY(ds->DefaultFields());
        ds->GotoBookmark(bm);
        QCOMPARE(ds->RecNo(), 5);
        QCOMPARE(N(*ds), 4);
        ds->Close();
        QCOMPARE(ds->Fields().Count(), 0);
    }

    void bookmarkAfterLazyReopenFetchesUpToRow() {
        auto ds = MakeNumbers(100);
        ds->Open();
        ds->MoveBy(79);
        TBookmark bm = ds->GetBookmark();
        ds->Reopen(false);
        QCOMPARE(ds->RecordCount(), 1);
        ds->GotoBookmark(bm);
        QCOMPARE(N(*ds), 80);
    }

    void bookmarkEdgeCases() {
        auto ds = MakeNumbers(3);
        ds->Open();
        ds->FetchAll();
        ds->GotoBookmark(TBookmark());  // nothing
        QCOMPARE(ds->RecNo(), 1);
        ds->GotoBookmark(TBookmark(99, 99));  // beyond the cache: nothing
        QCOMPARE(ds->RecNo(), 1);
        QVERIFY(!ds->BookmarkValid(TBookmark(99, 99)));

        ds->Next();
        TBookmark second = ds->GetBookmark();
        ds->Last();
        TBookmark third = ds->GetBookmark();
        ds->SetRecNo(2);
        ds->Delete();
        QVERIFY(!ds->BookmarkValid(second));
        ds->First();
        ds->GotoBookmark(second);  // a deleted row: nothing
        QCOMPARE(ds->RecNo(), 1);
        ds->GotoBookmark(third);  // moved up by the delete, still found
        QCOMPARE(ds->RecNo(), 2);
        QCOMPARE(N(*ds), 3);
    }

    void gotoBookmarkEndsPendingChange() {
        auto ds = MakeNumbers(3);
        ds->Open();
        TBookmark first = ds->GetBookmark();
        ds->Last();
        ds->Edit();
        ds->SetFieldValue(u"N"_s, 30);
        ds->GotoBookmark(first);
        QCOMPARE(ds->State(), dsBrowse);
        QCOMPARE(ds->RecNo(), 1);
        QCOMPARE(ds->SourceRows()[2][0].toInt(), 30);
    }

    void gotoBookmarkOutsideBrowseAfterPendingChange() {
        auto ds = MakeNumbers(3);
        ds->Open();
        TBookmark first = ds->GetBookmark();
        ds->OnWrite = [](TMemoryDataSet&, bool) { return false; };  // the save fails quietly
        ds->Append();
        ds->SetFieldValue(u"N"_s, 4);
        QString text;
        try {
            ds->GotoBookmark(first);
        } catch (const EDatabaseError&) {
            text = u"wrong class"_s;
        } catch (const Exception& e) {
            text = e.Message();
        }
        QCOMPARE(text, u"Can't use bookmark. DataSet not in browse mode"_s);
        QCOMPARE(ds->State(), dsInsert);
    }

    void rowAtServesGridsDuringInsert() {
        auto ds = MakeNumbers(3);
        ds->Open();
        ds->FetchAll();
        ds->Next();
        ds->Insert();
        ds->SetFieldValue(u"N"_s, 99);
        TField* n = ds->FieldByName(u"N"_s);
        QCOMPARE(ds->RecordCount(), 4);
        QCOMPARE(ds->RecNo(), 2);
        QList<int> shown;
        for (int r = 1; r <= ds->RecordCount(); ++r) shown << n->ValueOf(ds->RowAt(r)).toInt();
        QCOMPARE(shown, (QList<int>{1, 99, 2, 3}));
        ds->Post();
        shown.clear();
        for (int r = 1; r <= ds->RecordCount(); ++r) shown << n->ValueOf(ds->RowAt(r)).toInt();
        QCOMPARE(shown, (QList<int>{1, 99, 2, 3}));
        QCOMPARE(N(*ds), 99);
        ds->Refresh();
        QCOMPARE(N(*ds), 99);
    }

    void disableControlsHoldsNotifications() {
        auto ds = MakeNumbers(5);
        TDataSource src;
        src.SetDataSet(ds.get());
        int changes = 0;
        src.OnDataChange = [&](TDataSource&, TField*) { ++changes; };
        ds->Open();
        ds->DisableControls();
        ds->DisableControls();
        ds->Next();
        ds->Next();
        ds->EnableControls();
        QCOMPARE(changes, 0);
        ds->EnableControls();
        QCOMPARE(changes, 1);  // one catch-up for everything
        ds->EnableControls();  // unbalanced: ignored
        QVERIFY(!ds->ControlsDisabled());
        ds->Next();
        QCOMPARE(changes, 2);
    }
};

QTEST_APPLESS_MAIN(TestDataSetNavigation)
#include "test_DataSetNavigation.moc"
