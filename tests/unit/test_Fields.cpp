#include <QtTest>
#include <memory>

#include "core/Exception.h"
#include "data/TBCDField.h"
#include "data/TBlobField.h"
#include "data/TBooleanField.h"
#include "data/TFormatSettings.h"
#include "data/TMemoryDataSet.h"
#include "data/TStringField.h"

using namespace Qt::StringLiterals;

namespace {

// One field of every kind, an empty dataset put into insert state.
std::unique_ptr<TMemoryDataSet> MakeKinds() {
    auto ds = std::make_unique<TMemoryDataSet>();
    ds->SetName(u"dsK"_s);
    ds->AddFieldDef(u"S"_s, ftString, 5);
    ds->AddFieldDef(u"SI"_s, ftSmallint);
    ds->AddFieldDef(u"I"_s, ftInteger);
    ds->AddFieldDef(u"L"_s, ftLargeint);
    ds->AddFieldDef(u"B"_s, ftBoolean);
    ds->AddFieldDef(u"F"_s, ftFloat);
    ds->AddFieldDef(u"BCD2"_s, ftBCD, 2);
    ds->AddFieldDef(u"BCD0"_s, ftBCD, 0);
    ds->AddFieldDef(u"D"_s, ftDate);
    ds->AddFieldDef(u"T"_s, ftTime);
    ds->AddFieldDef(u"DT"_s, ftDateTime);
    ds->AddFieldDef(u"M"_s, ftMemo);
    ds->AddFieldDef(u"BL"_s, ftBlob);
    ds->Open();
    ds->Append();
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

class TestFields : public QObject {
    Q_OBJECT
private slots:
    void init() { TFormatSettings::Current().DecimalSeparator = u'.'; }

    // Written as text, read back as text, before and after the row is packed into the cache.
    void textRoundTrip_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("text");
        QTest::newRow("string, Cyrillic") << u"S"_s << u"Ёжик"_s << u"Ёжик"_s;
        QTest::newRow("string cut to size") << u"S"_s << u"Абвгдеж"_s << u"Абвгд"_s;
        QTest::newRow("smallint") << u"SI"_s << u" -32768 "_s << u"-32768"_s;
        QTest::newRow("integer") << u"I"_s << u"2147483647"_s << u"2147483647"_s;
        QTest::newRow("largeint") << u"L"_s << u"-9223372036854775808"_s << u"-9223372036854775808"_s;
        QTest::newRow("boolean true") << u"B"_s << u"true"_s << u"True"_s;
        QTest::newRow("boolean false") << u"B"_s << u"FALSE"_s << u"False"_s;
        QTest::newRow("float comma") << u"F"_s << u"1,25"_s << u"1.25"_s;
        QTest::newRow("float point") << u"F"_s << u"-0.5"_s << u"-0.5"_s;
        QTest::newRow("bcd rounds half up") << u"BCD2"_s << u"12.345"_s << u"12.35"_s;
        QTest::newRow("bcd negative fraction") << u"BCD2"_s << u"-0.5"_s << u"-0.5"_s;
        QTest::newRow("bcd whole") << u"BCD2"_s << u"7"_s << u"7"_s;
        QTest::newRow("bcd 0 large") << u"BCD0"_s << u"9223372036854775807"_s << u"9223372036854775807"_s;
        QTest::newRow("date") << u"D"_s << u"01.03.2025"_s << u"01.03.2025"_s;
        QTest::newRow("time") << u"T"_s << u"23:59:58"_s << u"23:59:58"_s;
        QTest::newRow("date-time") << u"DT"_s << u"29.02.2024 13:45:10"_s << u"29.02.2024 13:45:10"_s;
        QTest::newRow("date-time ISO") << u"DT"_s << u"2024-02-29T01:02:03"_s << u"29.02.2024 01:02:03"_s;
        QTest::newRow("memo") << u"M"_s << u"Строка 1\r\nСтрока 2 — №"_s << u"Строка 1\r\nСтрока 2 — №"_s;
        QTest::newRow("empty integer is null") << u"I"_s << u""_s << u""_s;
    }
    void textRoundTrip() {
        QFETCH(QString, field);
        QFETCH(QString, input);
        QFETCH(QString, text);
        auto ds = MakeKinds();
        TField* f = ds->FieldByName(field);
        f->SetAsString(input);
        QCOMPARE(f->AsString(), text);
        QCOMPARE(f->IsNull(), text.isEmpty());
        ds->Post();
        QCOMPARE(f->AsString(), text);
        QCOMPARE(f->IsNull(), text.isEmpty());
    }

    void badTexts_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("message");
        QTest::newRow("integer") << u"I"_s << u"4x"_s << u"'4x' is not a valid value for field 'I'"_s;
        QTest::newRow("boolean") << u"B"_s << u"1"_s << u"'1' is not a valid value for field 'B'"_s;
        QTest::newRow("smallint range")
            << u"SI"_s << u"40000"_s
            << u"40000 is not a valid value for field 'SI'. The allowed range is -32768 to 32767"_s;
        QTest::newRow("integer range")
            << u"I"_s << u"2147483648"_s
            << u"2147483648 is not a valid value for field 'I'. The allowed range is -2147483648 to 2147483647"_s;
        QTest::newRow("float") << u"F"_s << u"1.2.3"_s << u"'1.2.3' is not a valid value for field 'F'"_s;
        QTest::newRow("bcd") << u"BCD2"_s << u"1e5"_s << u"'1e5' is not a valid value for field 'BCD2'"_s;
        QTest::newRow("date") << u"D"_s << u"31.02.2024"_s
                              << u"'31.02.2024' is not a valid value for field 'D'"_s;
    }
    void badTexts() {
        QFETCH(QString, field);
        QFETCH(QString, input);
        QFETCH(QString, message);
        auto ds = MakeKinds();
        TField* f = ds->FieldByName(field);
        QCOMPARE(MessageOf<EConvertError>([&] { f->SetAsString(input); }), message);
        QVERIFY(f->IsNull());
        QVERIFY(!ds->Modified());
    }

    void booleanField() {
        auto ds = MakeKinds();
        TField* b = ds->FieldByName(u"B"_s);
        QCOMPARE(b->DisplayWidth(), 5);
        b->SetAsBoolean(true);
        QCOMPARE(b->Value(), QVariant(true));
        QCOMPARE(b->AsInteger(), 1);
        QCOMPARE(b->DisplayText(), u"True"_s);
        b->SetValue(0);
        QCOMPARE(b->AsString(), u"False"_s);
        QCOMPARE(b->AsInteger(), 0);
        b->SetValue(QVariant(true));
        QVERIFY(b->AsBoolean());
        auto* bf = static_cast<TBooleanField*>(b);
        bf->SetDisplayValues(u"Да;Нет"_s);
        QCOMPARE(b->AsString(), u"Да"_s);
        b->SetAsString(u"нет"_s);
        QVERIFY(!b->AsBoolean());
        b->Clear();
        QVERIFY(b->IsNull());
        QCOMPARE(b->Value(), QVariant());
        QVERIFY(!b->AsBoolean());
    }

    void valuesAsVariants() {
        auto ds = MakeKinds();
        const QDateTime dt(QDate(2024, 2, 29), QTime(13, 45, 10, 123));
        ds->SetFieldValue(u"DT"_s, dt);
        ds->SetFieldValue(u"D"_s, QDate(1999, 12, 31));
        ds->SetFieldValue(u"T"_s, QTime(8, 0, 1, 5));
        ds->SetFieldValue(u"I"_s, qint64(-5));
        ds->SetFieldValue(u"F"_s, 3.5);
        ds->SetFieldValue(u"BCD2"_s, 2.675);
        ds->SetFieldValue(u"BL"_s, QByteArray("\0\x01\xFF", 3));
        ds->Post();
        QCOMPARE(ds->FieldValue(u"DT"_s).toDateTime(), dt);
        QCOMPARE(ds->FieldValue(u"D"_s).toDate(), QDate(1999, 12, 31));
        QCOMPARE(ds->FieldValue(u"T"_s).toTime(), QTime(8, 0, 1, 5));
        QCOMPARE(ds->FieldValue(u"I"_s), QVariant(-5));
        QCOMPARE(ds->FieldValue(u"F"_s), QVariant(3.5));
        QCOMPARE(static_cast<TBCDField*>(ds->FieldByName(u"BCD2"_s))->AsScaled(), qint64(268));
        QCOMPARE(ds->FieldValue(u"BL"_s).toByteArray(), QByteArray("\0\x01\xFF", 3));
        QCOMPARE(ds->FieldByName(u"BL"_s)->DisplayText(), u"(BLOB)"_s);
        QCOMPARE(ds->FieldByName(u"F"_s)->AsInteger(), 4);
        QCOMPARE(ds->FieldByName(u"I"_s)->AsFloat(), -5.0);
        QCOMPARE(ds->FieldByName(u"S"_s)->Value(), QVariant());
    }

    void wrongAccessRaises() {
        auto ds = MakeKinds();
        ds->SetFieldValue(u"I"_s, 1);
        QCOMPARE(MessageOf<EDatabaseError>([&] { (void)ds->FieldByName(u"I"_s)->AsDateTime(); }),
                 u"Cannot access field 'I' as type DateTime"_s);
        QCOMPARE(MessageOf<EDatabaseError>([&] { ds->FieldByName(u"D"_s)->SetAsInteger(3); }),
                 u"Cannot access field 'D' as type Integer"_s);
    }

    void stringOptions() {
        auto ds = MakeKinds();
        auto* s = static_cast<TStringField*>(ds->FieldByName(u"S"_s));
        s->SetTrimTrailing(true);
        s->SetAsString(u"ab\t \x01"_s);
        QCOMPARE(s->AsString(), u"ab"_s);
        s->SetEmptyAsNull(true);
        s->SetAsString(u"   "_s);
        QVERIFY(s->IsNull());
        s->SetEmptyAsNull(false);
        s->SetAsString(QString());
        QVERIFY(!s->IsNull());
        QCOMPARE(s->DisplayWidth(), 5);
        QCOMPARE(s->Size(), 5);
    }

    void decimalSeparatorFollowsSettings() {
        TFormatSettings::Current().DecimalSeparator = u',';
        auto ds = MakeKinds();
        ds->SetFieldValue(u"F"_s, u"2.5"_s);
        QCOMPARE(ds->FieldByName(u"F"_s)->AsString(), u"2,5"_s);
        ds->SetFieldValue(u"BCD2"_s, u"-1,05"_s);
        QCOMPARE(ds->FieldByName(u"BCD2"_s)->AsString(), u"-1,05"_s);
    }

    void displayFormats_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("grouped") << u"#,##0.00"_s << 1234567.891 << u"1 234 567.89"_s;
        QTest::newRow("optional digits") << u"0.##"_s << 2.5 << u"2.5"_s;
        QTest::newRow("negative zero") << u"0.00"_s << -0.001 << u"0.00"_s;
        QTest::newRow("negative") << u"0.0"_s << -12.34 << u"-12.3"_s;
        QTest::newRow("hash only") << u"#"_s << 0.0 << u"0"_s;
        QTest::newRow("with text") << u"0.0 руб."_s << 5.0 << u"5.0 руб."_s;
    }
    void displayFormats() {
        QFETCH(QString, format);
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(TFormatSettings::Current().FormatFloat(format, value), text);
        auto ds = MakeKinds();
        TField* f = ds->FieldByName(u"F"_s);
        f->SetDisplayFormat(format);
        f->SetAsFloat(value);
        QCOMPARE(f->DisplayText(), text);
    }

    void dateDisplayFormat() {
        auto ds = MakeKinds();
        TField* f = ds->FieldByName(u"DT"_s);
        f->SetAsDateTime(QDateTime(QDate(2024, 2, 9), QTime(7, 5, 3)));
        f->SetDisplayFormat(u"d/m/yy h:nn"_s);
        QCOMPARE(f->DisplayText(), u"9.2.24 7:05"_s);
        f->SetDisplayFormat(u"dd.mm.yyyy hh:mm"_s);
        QCOMPARE(f->DisplayText(), u"09.02.2024 07:05"_s);
    }

    void fieldWritesNeedEditState() {
        auto ds = MakeKinds();
        ds->SetFieldValue(u"I"_s, 1);
        ds->Post();
        TField* i = ds->FieldByName(u"I"_s);
        QVERIFY(i->CanModify());
        QCOMPARE(MessageOf<EDatabaseError>([&] { i->SetAsInteger(2); }),
                 u"dsK: Dataset not in edit or insert mode"_s);
        QCOMPARE(MessageOf<EDatabaseError>([&] { i->Clear(); }),
                 u"dsK: Dataset not in edit or insert mode"_s);
        QCOMPARE(i->AsInteger(), 1);
        int changes = 0;
        i->OnChange = [&](TField&) { ++changes; };
        ds->Edit();
        i->SetAsInteger(2);
        QCOMPARE(changes, 1);
        QCOMPARE(i->OldValue(), QVariant(1));
    }
};

QTEST_APPLESS_MAIN(TestFields)
#include "test_Fields.moc"
