#include <QtTest>
#include <memory>

#include "core/Exception.h"
#include "data/TDataSet.h"
#include "data/TField.h"
#include "data/TMemoryDataSet.h"
#include "data/TStringField.h"

using namespace Qt::StringLiterals;

namespace {

std::unique_ptr<TMemoryDataSet> MakeGroups(int rows) {
    auto ds = std::make_unique<TMemoryDataSet>();
    ds->SetName(u"dsGroups"_s);
    ds->AddFieldDef(u"ID"_s, ftInteger);
    ds->AddFieldDef(u"GROUP_NAME"_s, ftString, 30);
    ds->AddFieldDef(u"LOCKEDOUT"_s, ftBoolean);
    for (int i = 1; i <= rows; ++i) ds->AddSourceRow({i, u"Группа %1"_s.arg(i), i % 2 == 0});
    return ds;
}

template <typename E, typename F>
QString MessageOf(F&& f) {
    try {
        f();
    } catch (const E& e) {
        return e.Message();
    }
    return u"<nothing raised>"_s;
}

}  // namespace

class TestDataSetStates : public QObject {
    Q_OBJECT
private slots:
    void opensInBrowseAndClosesToInactive() {
        auto ds = MakeGroups(3);
        QCOMPARE(ds->State(), dsInactive);
        ds->Open();
        QCOMPARE(ds->State(), dsBrowse);
        QCOMPARE(ds->Fields().Count(), 3);
        QVERIFY(ds->DefaultFields());
        QCOMPARE(ds->FieldByName(u"group_name"_s)->AsString(), u"Группа 1"_s);
        ds->Close();
        QCOMPARE(ds->State(), dsInactive);
        QCOMPARE(ds->Fields().Count(), 0);  // made at opening, gone at closing
    }

    void errorTexts_data() {
        QTest::addColumn<int>("operation");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("message");
        QTest::newRow("Post in browse") << 0 << 2 << u"dsGroups: Dataset not in edit or insert mode"_s;
        QTest::newRow("Delete on empty")
            << 1 << 0 << u"dsGroups: Cannot perform this operation on an empty dataset"_s;
        QTest::newRow("unknown field") << 2 << 2 << u"dsGroups: Field 'NO_SUCH' not found"_s;
        QTest::newRow("FieldValue of unknown field") << 3 << 2 << u"dsGroups: Field 'X' not found"_s;
        QTest::newRow("write in browse") << 4 << 2 << u"dsGroups: Dataset not in edit or insert mode"_s;
        QTest::newRow("Edit when read-only") << 5 << 2 << u"dsGroups: Cannot modify a read-only dataset"_s;
    }
    void errorTexts() {
        QFETCH(int, operation);
        QFETCH(int, rows);
        QFETCH(QString, message);
        auto ds = MakeGroups(rows);
        if (operation == 5) {
            ds->SetAllowInsert(false);
            ds->SetAllowUpdate(false);
            ds->SetAllowDelete(false);
        }
        ds->Open();
        QString got = MessageOf<EDatabaseError>([&] {
            switch (operation) {
                case 0:
                    ds->Post();
                    break;
                case 1:
                    ds->Delete();
                    break;
                case 2:
                    ds->FieldByName(u"NO_SUCH"_s);
                    break;
                case 3:
                    (void)ds->FieldValue(u"X"_s);
                    break;
                case 4:
                    ds->SetFieldValue(u"GROUP_NAME"_s, u"x"_s);
                    break;
                case 5:
                    ds->Edit();
                    break;
            }
        });
        QCOMPARE(got, message);
        QCOMPARE(ds->State(), dsBrowse);
    }

    void unnamedDatasetHasNoPrefix() {
        auto ds = MakeGroups(1);
        ds->SetName(QString());
        ds->Open();
        QCOMPARE(MessageOf<EDatabaseError>([&] { ds->Post(); }), u"Dataset not in edit or insert mode"_s);
    }

    void missingPermissionAbortsSilently_data() {
        QTest::addColumn<int>("operation");
        QTest::newRow("Append without insert") << 0;
        QTest::newRow("Edit without update") << 1;
        QTest::newRow("Delete without delete") << 2;
    }
    void missingPermissionAbortsSilently() {
        QFETCH(int, operation);
        auto ds = MakeGroups(2);
        ds->SetAllowInsert(operation != 0);
        ds->SetAllowUpdate(operation != 1);
        ds->SetAllowDelete(operation != 2);
        ds->Open();
        ds->FetchAll();
        QString text = u"<nothing>"_s;
        try {
            if (operation == 0) ds->Append();
            if (operation == 1) ds->Edit();
            if (operation == 2) ds->Delete();
        } catch (const EAbort& e) {
            text = e.Message();
        }
        QCOMPARE(text, QString());
        QCOMPARE(ds->State(), dsBrowse);
        QCOMPARE(ds->RecordCount(), 2);
    }

    void editOnEmptyStartsNewRow() {
        auto ds = MakeGroups(0);
        ds->Open();
        QVERIFY(ds->IsEmpty());
        ds->Edit();
        QCOMPARE(ds->State(), dsInsert);
        ds->FieldByName(u"GROUP_NAME"_s)->SetAsString(u"Новая"_s);
        ds->Post();
        QCOMPARE(ds->State(), dsBrowse);
        QCOMPARE(ds->RecordCount(), 1);
        QCOMPARE(ds->SourceRows().size(), size_t(1));
        QCOMPARE(ds->SourceRows()[0][1].toString(), u"Новая"_s);
    }

    void cancelledAppendDisappears() {
        auto ds = MakeGroups(5);
        ds->Open();
        ds->MoveBy(2);
        QCOMPARE(ds->RecNo(), 3);
        ds->Append();
        QCOMPARE(ds->State(), dsInsert);
        QCOMPARE(ds->RecNo(), 6);
        QVERIFY(ds->FieldByName(u"ID"_s)->IsNull());
        ds->FieldByName(u"GROUP_NAME"_s)->SetAsString(u"Отменённая"_s);
        ds->Cancel();
        QCOMPARE(ds->State(), dsBrowse);
        QCOMPARE(ds->RecordCount(), 5);
        QCOMPARE(ds->RecNo(), 3);
        QCOMPARE(ds->FieldByName(u"ID"_s)->AsInteger(), 3);
        QCOMPARE(ds->SourceRows().size(), size_t(5));
    }

    void editKeepsOldValuesForCancel() {
        auto ds = MakeGroups(2);
        ds->Open();
        ds->Edit();
        TField* name = ds->FieldByName(u"GROUP_NAME"_s);
        name->SetAsString(u"Изменено"_s);
        QCOMPARE(name->OldValue().toString(), u"Группа 1"_s);
        QCOMPARE(name->NewValue().toString(), u"Изменено"_s);
        QVERIFY(ds->Modified());
        ds->Cancel();
        QCOMPARE(name->AsString(), u"Группа 1"_s);
        QCOMPARE(ds->SourceRows()[0][1].toString(), u"Группа 1"_s);
    }

    void postStoresRowAndOldValueFollows() {
        auto ds = MakeGroups(2);
        ds->Open();
        ds->Next();
        ds->Edit();
        ds->SetFieldValue(u"LOCKEDOUT"_s, false);
        ds->Post();
        QCOMPARE(ds->State(), dsBrowse);
        QCOMPARE(ds->FieldValue(u"LOCKEDOUT"_s), QVariant(false));
        QCOMPARE(ds->FieldByName(u"LOCKEDOUT"_s)->OldValue(), QVariant(false));
        QCOMPARE(ds->SourceRows()[1][2], QVariant(false));
    }

    void failedPostKeepsStateValuesAndTakesNewRowOut() {
        auto ds = MakeGroups(3);
        bool fail = true;
        ds->OnWrite = [&](TMemoryDataSet&, bool) -> bool {
            if (fail) throw EDatabaseError(u"violation of PRIMARY or UNIQUE KEY"_s);
            return true;
        };
        QString seen;
        ds->OnPostError = [&](TDataSet&, const Exception& e, TDataAction&) { seen = e.Message(); };
        ds->Open();
        ds->Append();
        ds->FieldByName(u"GROUP_NAME"_s)->SetAsString(u"Дубль"_s);
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds->Post());
        QCOMPARE(seen, u"violation of PRIMARY or UNIQUE KEY"_s);
        QCOMPARE(ds->State(), dsInsert);
        QCOMPARE(ds->FieldByName(u"GROUP_NAME"_s)->AsString(), u"Дубль"_s);
        QCOMPARE(ds->RecordCount(), 4);  // the three rows and the one being inserted
        fail = false;
        ds->Post();
        QCOMPARE(ds->State(), dsBrowse);
        QCOMPARE(ds->RecordCount(), 4);
        QCOMPARE(ds->RecNo(), 4);
        QCOMPARE(ds->FieldByName(u"GROUP_NAME"_s)->AsString(), u"Дубль"_s);
    }

    void failedPostInEditKeepsValues() {
        auto ds = MakeGroups(2);
        ds->OnWrite = [](TMemoryDataSet&, bool) -> bool { throw EDatabaseError(u"lock conflict"_s); };
        ds->Open();
        ds->Edit();
        ds->SetFieldValue(u"GROUP_NAME"_s, u"Новое имя"_s);
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds->Post());
        QCOMPARE(ds->State(), dsEdit);
        QCOMPARE(ds->FieldValue(u"GROUP_NAME"_s).toString(), u"Новое имя"_s);
        QCOMPARE(ds->FieldByName(u"GROUP_NAME"_s)->OldValue().toString(), u"Группа 1"_s);
    }

    void suppressedPostFailureReturnsInState() {
        auto ds = MakeGroups(2);
        ds->OnWrite = [](TMemoryDataSet&, bool) { return false; };
        ds->Open();
        ds->Append();
        ds->SetFieldValue(u"GROUP_NAME"_s, u"x"_s);
        ds->Post();
        QCOMPARE(ds->State(), dsInsert);
        QCOMPARE(ds->RecordCount(), 3);
        ds->Cancel();
        QCOMPARE(ds->RecordCount(), 2);
        QCOMPARE(ds->SourceRows().size(), size_t(2));
    }

    void postErrorCanAbortOrRetry() {
        auto ds = MakeGroups(1);
        int calls = 0;
        ds->OnWrite = [&](TMemoryDataSet&, bool) -> bool {
            if (++calls == 1) throw EDatabaseError(u"deadlock"_s);
            return true;
        };
        ds->OnPostError = [](TDataSet&, const Exception&, TDataAction& action) { action = daRetry; };
        ds->Open();
        ds->Edit();
        ds->SetFieldValue(u"GROUP_NAME"_s, u"y"_s);
        ds->Post();
        QCOMPARE(calls, 2);
        QCOMPARE(ds->State(), dsBrowse);

        ds->OnWrite = [](TMemoryDataSet&, bool) -> bool { throw EDatabaseError(u"deadlock"_s); };
        ds->OnPostError = [](TDataSet&, const Exception&, TDataAction& action) { action = daAbort; };
        ds->Edit();
        ds->SetFieldValue(u"GROUP_NAME"_s, u"z"_s);
        QVERIFY_THROWS_EXCEPTION(EAbort, ds->Post());
        QCOMPARE(ds->State(), dsEdit);
    }

    void deleteRemovesRowAndFailingDeleteLeavesIt() {
        auto ds = MakeGroups(3);
        ds->Open();
        ds->Next();
        ds->Delete();
        QCOMPARE(ds->RecordCount(), 2);
        QCOMPARE(ds->RecNo(), 2);
        QCOMPARE(ds->FieldValue(u"ID"_s).toInt(), 3);
        QCOMPARE(ds->SourceRows().size(), size_t(2));

        QString seen;
        ds->OnRemove = [](TMemoryDataSet&) -> bool { throw EDatabaseError(u"FOREIGN KEY"_s); };
        ds->OnDeleteError = [&](TDataSet&, const Exception& e, TDataAction&) { seen = e.Message(); };
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds->Delete());
        QCOMPARE(seen, u"FOREIGN KEY"_s);
        QCOMPARE(ds->State(), dsBrowse);
        QCOMPARE(ds->RecordCount(), 2);
        QCOMPARE(ds->FieldValue(u"ID"_s).toInt(), 3);
    }

    void deleteInEditSeesWrittenValue() {
        auto ds = MakeGroups(2);
        QVariant seen;
        ds->OnRemove = [&](TMemoryDataSet& d) {
            seen = d.FieldValue(u"GROUP_NAME"_s);
            return true;
        };
        ds->Open();
        ds->Edit();
        ds->SetFieldValue(u"GROUP_NAME"_s, u"3"_s);
        ds->Delete();
        QCOMPARE(seen.toString(), u"3"_s);
        QCOMPARE(ds->State(), dsBrowse);
        QCOMPARE(ds->RecordCount(), 1);
    }

    void deleteInInsertIsCancel() {
        auto ds = MakeGroups(2);
        ds->Open();
        ds->Append();
        ds->Delete();
        QCOMPARE(ds->State(), dsBrowse);
        QCOMPARE(ds->RecordCount(), 2);
        QCOMPARE(ds->SourceRows().size(), size_t(2));
    }

    void moveEndsPendingChange_data() {
        QTest::addColumn<bool>("modify");
        QTest::addColumn<int>("rowsAfter");
        QTest::newRow("modified row is saved") << true << 3;
        QTest::newRow("untouched row is cancelled") << false << 2;
    }
    void moveEndsPendingChange() {
        QFETCH(bool, modify);
        QFETCH(int, rowsAfter);
        auto ds = MakeGroups(2);
        ds->Open();
        ds->Append();
        if (modify) ds->SetFieldValue(u"GROUP_NAME"_s, u"Сохранится"_s);
        ds->First();
        QCOMPARE(ds->State(), dsBrowse);
        QCOMPARE(ds->RecordCount(), rowsAfter);
        QCOMPARE(int(ds->SourceRows().size()), rowsAfter);
        QCOMPARE(ds->RecNo(), 1);
    }

    void defaultExpressionsFillNewRow() {
        auto ds = MakeGroups(0);
        ds->Open();
        ds->FieldByName(u"GROUP_NAME"_s)->SetDefaultExpression(u"'Без имени'"_s);
        ds->FieldByName(u"LOCKEDOUT"_s)->SetDefaultExpression(u"True"_s);
        ds->FieldByName(u"ID"_s)->SetDefaultExpression(u"NULL"_s);
        ds->Append();
        QCOMPARE(ds->FieldValue(u"GROUP_NAME"_s).toString(), u"Без имени"_s);
        QCOMPARE(ds->FieldValue(u"LOCKEDOUT"_s), QVariant(true));
        QVERIFY(ds->FieldByName(u"ID"_s)->IsNull());
        QVERIFY(!ds->Modified());  // defaults are no input: a move discards the row
    }

    void defaultsMayFillReadOnlyFields() {
        auto ds = MakeGroups(0);
        ds->Open();
        TField* id = ds->FieldByName(u"ID"_s);
        id->SetReadOnly(true);
        id->SetDefaultExpression(u"7"_s);
        ds->OnNewRecord = [](TDataSet& d) { d.SetFieldValue(u"GROUP_NAME"_s, u"Из события"_s); };
        ds->FieldByName(u"GROUP_NAME"_s)->SetReadOnly(true);
        ds->Append();
        QCOMPARE(id->AsInteger(), 7);
        QCOMPARE(ds->FieldValue(u"GROUP_NAME"_s).toString(), u"Из события"_s);
        QCOMPARE(MessageOf<EDatabaseError>([&] { id->SetAsInteger(8); }),
                 u"dsGroups: Field 'ID' cannot be modified"_s);
    }

    void requiredFieldChecked() {
        auto ds = std::make_unique<TMemoryDataSet>();
        ds->SetName(u"ds"_s);
        ds->AddFieldDef(u"NAME"_s, ftString, 10, true);
        ds->Open();
        ds->Append();
        QCOMPARE(MessageOf<EDatabaseError>([&] { ds->Post(); }), u"ds: Field 'NAME' must have a value"_s);
        QCOMPARE(ds->State(), dsInsert);
    }

    void readOnlyFieldRefusesWrite() {
        auto ds = MakeGroups(1);
        ds->Open();
        ds->FieldByName(u"ID"_s)->SetReadOnly(true);
        ds->Edit();
        QCOMPARE(MessageOf<EDatabaseError>([&] { ds->SetFieldValue(u"ID"_s, 5); }),
                 u"dsGroups: Field 'ID' cannot be modified"_s);
    }

    void operationsOnClosedDataset() {
        auto ds = MakeGroups(1);
        QCOMPARE(MessageOf<EDatabaseError>([&] { ds->Next(); }),
                 u"dsGroups: Cannot perform this operation on a closed dataset"_s);
        QCOMPARE(MessageOf<EDatabaseError>([&] { ds->Append(); }),
                 u"dsGroups: Cannot perform this operation on a closed dataset"_s);
        ds->Cancel();  // nothing
        QCOMPARE(ds->State(), dsInactive);
    }

    void failedOpenStaysClosed() {
        auto ds = MakeGroups(1);
        auto persistent = new TStringField(ds.get());
        persistent->SetFieldName(u"MISSING"_s);
        persistent->SetDataSet(ds.get());
        QCOMPARE(MessageOf<EDatabaseError>([&] { ds->Open(); }), u"dsGroups: Field 'MISSING' not found"_s);
        QCOMPARE(ds->State(), dsInactive);
        QCOMPARE(ds->Fields().Count(), 1);
    }

    void eventsRunInOrder() {
        auto ds = MakeGroups(2);
        QStringList log;
        auto rec = [&](const char* name) {
            return [&log, name](TDataSet&) { log << QString::fromLatin1(name); };
        };
        ds->BeforeOpen = rec("BeforeOpen");
        ds->AfterOpen = rec("AfterOpen");
        ds->BeforeInsert = rec("BeforeInsert");
        ds->OnNewRecord = rec("OnNewRecord");
        ds->AfterInsert = rec("AfterInsert");
        ds->BeforePost = rec("BeforePost");
        ds->AfterPost = rec("AfterPost");
        ds->BeforeEdit = rec("BeforeEdit");
        ds->AfterEdit = rec("AfterEdit");
        ds->BeforeCancel = rec("BeforeCancel");
        ds->AfterCancel = rec("AfterCancel");
        ds->BeforeDelete = rec("BeforeDelete");
        ds->AfterDelete = rec("AfterDelete");
        ds->BeforeClose = rec("BeforeClose");
        ds->AfterClose = rec("AfterClose");
        ds->Open();
        ds->Append();
        ds->SetFieldValue(u"ID"_s, 9);
        ds->Post();
        ds->Edit();
        ds->Cancel();
        ds->Delete();
        ds->Close();
        QCOMPARE(log, (QStringList{u"BeforeOpen"_s, u"AfterOpen"_s, u"BeforeInsert"_s, u"OnNewRecord"_s,
                                   u"AfterInsert"_s, u"BeforePost"_s, u"AfterPost"_s, u"BeforeEdit"_s,
                                   u"AfterEdit"_s, u"BeforeCancel"_s, u"AfterCancel"_s, u"BeforeDelete"_s,
                                   u"AfterDelete"_s, u"BeforeClose"_s, u"AfterClose"_s}));
    }
};

QTEST_APPLESS_MAIN(TestDataSetStates)
#include "test_DataSetStates.moc"
