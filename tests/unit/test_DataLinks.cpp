#include <QtTest>
#include <memory>

#include "core/Exception.h"
#include "data/TDataLink.h"
#include "data/TDataSource.h"
#include "data/TField.h"
#include "data/TFieldDataLink.h"
#include "data/TMemoryDataSet.h"

using namespace Qt::StringLiterals;

namespace {

// Writes every notification it gets into a shared log.
class RecordingLink : public TDataLink {
public:
    explicit RecordingLink(QStringList& log) : m_log(log) {}

protected:
    void ActiveChanged() override { m_log << u"active:%1"_s.arg(Active()); }
    void CheckBrowseMode() override { m_log << u"check"_s; }
    void DataSetChanged() override { m_log << u"dataset"_s; }
    void DataSetScrolled(int distance) override { m_log << u"scrolled:%1"_s.arg(distance); }
    void EditingChanged() override { m_log << u"editing:%1"_s.arg(Editing()); }
    void LayoutChanged() override { m_log << u"layout"_s; }
    void RecordChanged(TField* field) override {
        m_log << (field ? u"record:"_s + field->FieldName() : u"record"_s);
    }
    void UpdateData() override { m_log << u"update"_s; }

private:
    QStringList& m_log;
};

std::unique_ptr<TMemoryDataSet> MakeGroups() {
    auto ds = std::make_unique<TMemoryDataSet>();
    ds->SetName(u"dsGroups"_s);
    ds->AddFieldDef(u"ID"_s, ftInteger);
    ds->AddFieldDef(u"GROUP_NAME"_s, ftString, 30);
    ds->AddSourceRow({1, u"Админы"_s});
    ds->AddSourceRow({2, u"Кассиры"_s});
    ds->AddSourceRow({2, u"Кассиры (копия)"_s});
    ds->AddSourceRow({3, u"Монтажники"_s});
    return ds;
}

std::unique_ptr<TMemoryDataSet> MakeRights(TDataSource* master) {
    auto ds = std::make_unique<TMemoryDataSet>();
    ds->SetName(u"dsGR"_s);
    ds->AddFieldDef(u"GROUP_ID"_s, ftInteger);
    ds->AddFieldDef(u"RIGHTS"_s, ftString, 30);
    ds->AddSourceRow({1, u"Все"_s});
    ds->AddSourceRow({2, u"Касса"_s});
    ds->AddSourceRow({2, u"Отчёты"_s});
    ds->AddSourceRow({QVariant(), u"Без группы"_s});
    ds->SetMasterFields(u"GROUP_ID"_s, u"ID"_s);
    ds->SetForceOpen(true);
    ds->SetDataSource(master);
    return ds;
}

QStringList Rights(TDataSet& ds) {
    QStringList out;
    if (!ds.Active()) return out;
    ds.First();
    for (; !ds.Eof(); ds.Next()) out << ds.FieldByName(u"RIGHTS"_s)->AsString();
    ds.First();
    return out;
}

}  // namespace

class TestDataLinks : public QObject {
    Q_OBJECT
private slots:
    void notificationOrder() {
        auto ds = MakeGroups();
        TDataSource src;
        src.SetDataSet(ds.get());
        QStringList log;
        RecordingLink link(log);
        link.SetDataSource(&src);
        src.OnStateChange = [&](TDataSource& s) { log << u"state:%1"_s.arg(int(s.State())); };
        ds->BeforePost = [&](TDataSet&) { log << u"BeforePost"_s; };
        ds->AfterPost = [&](TDataSet&) { log << u"AfterPost"_s; };
        ds->AfterOpen = [&](TDataSet&) { log << u"AfterOpen"_s; };

        auto step = [&](auto&& f) {
            log.clear();
            f();
            return log;
        };
        QCOMPARE(step([&] { ds->Open(); }), (QStringList{u"active:1"_s, u"state:1"_s, u"AfterOpen"_s}));
        QCOMPARE(step([&] { ds->Next(); }), (QStringList{u"check"_s, u"scrolled:1"_s}));
        QCOMPARE(step([&] { ds->Edit(); }), (QStringList{u"editing:1"_s, u"state:2"_s, u"record"_s}));
        QCOMPARE(step([&] { ds->SetFieldValue(u"GROUP_NAME"_s, u"x"_s); }),
                 (QStringList{u"record:GROUP_NAME"_s}));
        QCOMPARE(step([&] { ds->Post(); }), (QStringList{u"update"_s, u"BeforePost"_s, u"editing:0"_s,
                                                         u"state:1"_s, u"dataset"_s, u"AfterPost"_s}));
        QCOMPARE(step([&] { ds->Append(); }),
                 (QStringList{u"check"_s, u"dataset"_s, u"editing:1"_s, u"state:3"_s, u"dataset"_s}));
        QCOMPARE(step([&] { ds->Cancel(); }), (QStringList{u"editing:0"_s, u"state:1"_s, u"dataset"_s}));
        QCOMPARE(step([&] { ds->Close(); }), (QStringList{u"active:0"_s, u"state:0"_s}));
    }

    void disabledSourceLooksInactive() {
        auto ds = MakeGroups();
        TDataSource src;
        src.SetDataSet(ds.get());
        QStringList log;
        RecordingLink link(log);
        link.SetDataSource(&src);
        ds->Open();
        QVERIFY(link.Active());
        src.SetEnabled(false);
        QVERIFY(!link.Active());
        QCOMPARE(src.State(), dsInactive);
        log.clear();
        ds->Next();
        QVERIFY(log.isEmpty());
        src.SetEnabled(true);
        QVERIFY(link.Active());
        QCOMPARE(src.State(), dsBrowse);
    }

    void readOnlyLinkNeverEdits() {
        auto ds = MakeGroups();
        TDataSource src;
        src.SetDataSet(ds.get());
        QStringList log;
        RecordingLink link(log);
        link.SetReadOnly(true);
        link.SetDataSource(&src);
        ds->Open();
        QVERIFY(!link.Edit());
        QCOMPARE(ds->State(), dsBrowse);
        ds->Edit();
        QVERIFY(!link.Editing());
    }

    void fieldLinkWritesPendingValueBeforePost() {
        auto ds = MakeGroups();
        TDataSource src;
        src.SetDataSet(ds.get());
        TFieldDataLink edit;
        edit.SetFieldName(u"group_name"_s);
        edit.SetDataSource(&src);
        QString controlText;
        int shown = 0;
        edit.OnDataChange = [&] {
            ++shown;
            controlText = edit.Field() ? edit.Field()->AsString() : QString();
        };
        edit.OnUpdateData = [&] { edit.Field()->SetAsString(controlText); };
        ds->Open();
        QVERIFY(edit.Field());
        QCOMPARE(controlText, u"Админы"_s);

        // The user types: the control asks for edit state, then marks itself modified.
        QVERIFY(edit.Edit());
        QCOMPARE(ds->State(), dsEdit);
        controlText = u"Администраторы"_s;
        edit.Modified();
        ds->Post();
        QCOMPARE(ds->FieldValue(u"GROUP_NAME"_s).toString(), u"Администраторы"_s);
        QCOMPARE(ds->SourceRows()[0][1].toString(), u"Администраторы"_s);
        QVERIFY(!edit.IsModified());

        // A write into another field does not refresh this control.
        ds->Edit();
        int before = shown;
        ds->SetFieldValue(u"ID"_s, 10);
        QCOMPARE(shown, before);
        ds->SetFieldValue(u"GROUP_NAME"_s, u"Из кода"_s);
        QCOMPARE(shown, before + 1);
        QCOMPARE(controlText, u"Из кода"_s);
        ds->Cancel();
        QCOMPARE(controlText, u"Администраторы"_s);

        ds->Close();
        QVERIFY(!edit.Field());
        ds->Open();
        QCOMPARE(edit.Field(), ds->FieldByName(u"GROUP_NAME"_s));
    }

    void fieldLinkRebindsAfterReopenWhileDisabled() {
        auto ds = MakeGroups();
        TDataSource src;
        src.SetDataSet(ds.get());
        TFieldDataLink edit;
        edit.SetFieldName(u"GROUP_NAME"_s);
        edit.SetDataSource(&src);
        QString shown;
        edit.OnDataChange = [&] { shown = edit.Field() ? edit.Field()->AsString() : u"<none>"_s; };
        ds->Open();
        TField* old = edit.Field();
        QVERIFY(old);
        ds->DisableControls();
        ds->Close();  // the fields made at opening go
        ds->Open();
        ds->Next();
        ds->EnableControls();
        QVERIFY(edit.Field());
        QCOMPARE(edit.Field(), ds->FieldByName(u"GROUP_NAME"_s));
        QCOMPARE(shown, u"Кассиры"_s);
    }

    void autoEditOff() {
        auto ds = MakeGroups();
        TDataSource src;
        src.SetAutoEdit(false);
        src.SetDataSet(ds.get());
        TFieldDataLink edit;
        edit.SetFieldName(u"GROUP_NAME"_s);
        edit.SetDataSource(&src);
        ds->Open();
        QVERIFY(!edit.Edit());
        QCOMPARE(ds->State(), dsBrowse);
        QVERIFY(edit.CanModify());  // the field could be written once editing started
        ds->Edit();
        QVERIFY(edit.Editing());
    }

    void pendingMoveSavesControlValue() {
        auto ds = MakeGroups();
        TDataSource src;
        src.SetDataSet(ds.get());
        TFieldDataLink edit;
        edit.SetFieldName(u"GROUP_NAME"_s);
        edit.SetDataSource(&src);
        edit.OnUpdateData = [&] { edit.Field()->SetAsString(u"Набрано"_s); };
        ds->Open();
        ds->Edit();
        edit.Modified();  // typed, not yet written
        ds->Next();       // the move saves the row with the typed value
        QCOMPARE(ds->State(), dsBrowse);
        QCOMPARE(ds->SourceRows()[0][1].toString(), u"Набрано"_s);
    }

    void detailFollowsMaster() {
        auto master = MakeGroups();
        TDataSource src;
        src.SetDataSet(master.get());
        auto detail = MakeRights(&src);
        QVERIFY(!detail->Active());
        master->Open();
        QVERIFY(detail->Active());
        QCOMPARE(Rights(*detail), (QStringList{u"Все"_s}));
        QCOMPARE(detail->OpenCount(), 1);

        master->Next();  // to group 2
        QCOMPARE(Rights(*detail), (QStringList{u"Касса"_s, u"Отчёты"_s}));
        QCOMPARE(detail->OpenCount(), 2);

        master->Next();  // another row with the same key: no reopen
        QCOMPARE(detail->OpenCount(), 2);
        QCOMPARE(Rights(*detail), (QStringList{u"Касса"_s, u"Отчёты"_s}));

        master->Next();  // group 3 has no rights
        QCOMPARE(detail->OpenCount(), 3);
        QVERIFY(detail->IsEmpty());

        master->DisableControls();
        master->First();
        master->Next();
        master->First();
        QCOMPARE(detail->OpenCount(), 3);  // held while the master's controls are disabled
        master->EnableControls();
        QCOMPARE(detail->OpenCount(), 4);
        QCOMPARE(Rights(*detail), (QStringList{u"Все"_s}));

        master->Close();
        QVERIFY(!detail->Active());
    }

    void masterMoveSavesDetailChange() {
        auto master = MakeGroups();
        TDataSource src;
        src.SetDataSet(master.get());
        auto detail = MakeRights(&src);
        master->Open();
        detail->Edit();
        detail->SetFieldValue(u"RIGHTS"_s, u"Всё"_s);
        master->Next();
        QCOMPARE(detail->SourceRows()[0][1].toString(), u"Всё"_s);
        QCOMPARE(Rights(*detail), (QStringList{u"Касса"_s, u"Отчёты"_s}));
    }

    void detailOfEmptyMasterUsesNullKey() {
        auto master = MakeGroups();
        master->ClearSource();
        TDataSource src;
        src.SetDataSet(master.get());
        auto detail = MakeRights(&src);
        master->Open();
        QVERIFY(master->IsEmpty());
        QCOMPARE(Rights(*detail), (QStringList{u"Без группы"_s}));
    }

    void masterCloseOptions() {
        auto master = MakeGroups();
        TDataSource src;
        src.SetDataSet(master.get());
        auto detail = MakeRights(&src);
        detail->SetForceOpen(false);
        master->Open();
        QVERIFY(!detail->Active());  // closed and not forced: stays closed
        detail->Open();
        detail->SetIgnoreMasterClose(true);
        master->Close();
        QVERIFY(detail->Active());
        master->Open();  // an open detail is reopened with the master
        QCOMPARE(detail->OpenCount(), 2);
    }

    void masterPostAndAppendReachDetail() {
        auto master = MakeGroups();
        TDataSource src;
        src.SetDataSet(master.get());
        auto detail = MakeRights(&src);
        master->Open();
        master->Edit();
        master->SetFieldValue(u"ID"_s, 2);
        QCOMPARE(detail->OpenCount(), 1);  // a field write in edit state is not a move
        master->Post();
        QCOMPARE(detail->OpenCount(), 2);
        QCOMPARE(Rights(*detail), (QStringList{u"Касса"_s, u"Отчёты"_s}));
    }

    void circularLinksRefused() {
        auto a = MakeGroups();
        TDataSource srcA;
        srcA.SetDataSet(a.get());
        auto b = MakeRights(&srcA);
        TDataSource srcB;
        srcB.SetDataSet(b.get());
        QString text;
        try {
            a->SetDataSource(&srcB);
        } catch (const EDatabaseError& e) {
            text = e.Message();
        }
        QCOMPARE(text, u"dsGroups: Circular datalinks are not allowed"_s);
        QCOMPARE(a->DataSource(), nullptr);
        try {
            a->SetDataSource(&srcA);
            text.clear();
        } catch (const EDatabaseError& e) {
            text = e.Message();
        }
        QCOMPARE(text, u"dsGroups: Circular datalinks are not allowed"_s);
    }

    void destructionInAnyOrder() {
        QStringList log;
        auto link = std::make_unique<RecordingLink>(log);
        auto src = std::make_unique<TDataSource>();
        auto ds = MakeGroups();
        src->SetDataSet(ds.get());
        link->SetDataSource(src.get());
        ds->Open();
        QVERIFY(link->Active());
        ds.reset();
        QVERIFY(!link->Active());
        QCOMPARE(src->DataSet(), nullptr);
        QCOMPARE(src->State(), dsInactive);
        src.reset();
        QCOMPARE(link->DataSource(), nullptr);
        link.reset();

        auto ds2 = MakeGroups();
        auto src2 = std::make_unique<TDataSource>();
        src2->SetDataSet(ds2.get());
        auto detail = MakeRights(src2.get());
        ds2->Open();
        src2.reset();  // the detail's master source goes first
        QCOMPARE(detail->DataSource(), nullptr);
        ds2->Next();
    }
};

QTEST_APPLESS_MAIN(TestDataLinks)
#include "test_DataLinks.moc"
