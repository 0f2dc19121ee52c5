#include <QtTest>

#include <dlfcn.h>

#include <cstring>
#include <ctime>

#include "core/Win1251.h"
#include "fib/FIBErrors.h"
#include "fib/SQLDateTime.h"
#include "fib/SQLValues.h"
#include "fib/TSQLDA.h"

using namespace Qt::StringLiterals;

namespace {

QByteArray DataOf(const XSQLVAR& v, int bytes) { return QByteArray(v.sqldata, bytes); }

template <typename T>
QByteArray Raw(T value) {
    return QByteArray(reinterpret_cast<const char*>(&value), sizeof(T));
}

// A described variable with a buffer of its own, as fetch leaves it.
struct Column {
    TSQLDA da{1};
    Column(short type, short len, const QByteArray& data, short scale = 0, short ind = 0) {
        XSQLVAR& v = da.Var(0);
        v.sqltype = type;
        v.sqllen = len;
        v.sqlscale = scale;
        da.AllocateDescribed();
        std::memcpy(v.sqldata, data.constData(), size_t(data.size()));
        *v.sqlind = ind;
    }
    const XSQLVAR& Var() { return da.Var(0); }
};

QByteArray Varying(const QByteArray& text, short len) {
    return Raw<short>(len) + text;
}

}  // namespace

class TestSQLValues : public QObject {
    Q_OBJECT
private slots:
    void bind_data() {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("described");
        QTest::addColumn<int>("dialect");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("scale");
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("int") << QVariant(-7) << 0 << 3 << SQL_LONG << 0 << Raw<qint32>(-7);
        QTest::newRow("short") << QVariant::fromValue<short>(12) << SQL_SHORT << 3 << SQL_LONG << 0 << Raw<qint32>(12);
        QTest::newRow("byte") << QVariant::fromValue<uchar>(200) << 0 << 3 << SQL_LONG << 0 << Raw<qint32>(200);
        QTest::newRow("word") << QVariant::fromValue<ushort>(60000) << 0 << 3 << SQL_LONG << 0 << Raw<qint32>(60000);
        QTest::newRow("long word in range") << QVariant(2147483647u) << 0 << 3 << SQL_LONG << 0 << Raw<qint32>(2147483647);
        QTest::newRow("long word beyond int") << QVariant(4000000000u) << 0 << 3 << SQL_INT64 << 0
                                              << Raw<qint64>(4000000000LL);
        QTest::newRow("bool true") << QVariant(true) << SQL_SHORT << 3 << SQL_LONG << 0 << Raw<qint32>(1);
        QTest::newRow("bool false") << QVariant(false) << 0 << 3 << SQL_LONG << 0 << Raw<qint32>(0);
        QTest::newRow("double") << QVariant(2.5) << SQL_LONG << 3 << SQL_DOUBLE << 0 << Raw<double>(2.5);
        QTest::newRow("float") << QVariant(1.5f) << 0 << 3 << SQL_DOUBLE << 0 << Raw<double>(1.5);
        QTest::newRow("int64") << QVariant(qlonglong(1) << 40) << 0 << 3 << SQL_INT64 << 0 << Raw<qint64>(qint64(1) << 40);
        QTest::newRow("int64 dialect 1 small") << QVariant(qlonglong(5)) << 0 << 1 << SQL_LONG << 0 << Raw<qint32>(5);
        QTest::newRow("int64 dialect 1 large") << QVariant(qlonglong(1) << 40) << 0 << 1 << SQL_DOUBLE << 0
                                               << Raw<double>(double(qint64(1) << 40));
        QTest::newRow("text Cyrillic") << QVariant(u"Иванов"_s) << SQL_VARYING << 3 << SQL_TEXT << 0
                                       << ToWin1251(u"Иванов"_s);
        QTest::newRow("bytes as they are") << QVariant(QByteArray("\xC0\x01z")) << 0 << 3 << SQL_TEXT << 0
                                           << QByteArray("\xC0\x01z");
        QTest::newRow("empty text stays text") << QVariant(QString(u""_s)) << SQL_VARYING << 3 << SQL_TEXT << 0
                                               << QByteArray();
        QTest::newRow("comma for a number") << QVariant(u"3,25"_s) << SQL_DOUBLE << 3 << SQL_TEXT << 0
                                            << QByteArray("3.25");
        QTest::newRow("comma kept for text") << QVariant(u"3,25"_s) << SQL_VARYING << 3 << SQL_TEXT << 0
                                             << QByteArray("3,25");
        ISC_TIMESTAMP ts{51544, (12 * 3600 + 34 * 60 + 56) * 10000 + 7890};
        QTest::newRow("date-time") << QVariant(QDateTime(QDate(2000, 1, 1), QTime(12, 34, 56, 789)))
                                   << SQL_TIMESTAMP << 3 << SQL_TIMESTAMP << 0 << Raw(ts);
        ISC_TIMESTAMP day{51544, 0};
        QTest::newRow("date-time for a date drops the time")
            << QVariant(QDateTime(QDate(2000, 1, 1), QTime(12, 34, 56, 789))) << SQL_TYPE_DATE << 3
            << SQL_TIMESTAMP << 0 << Raw(day);
        QTest::newRow("date") << QVariant(QDate(2000, 1, 1)) << 0 << 3 << SQL_TIMESTAMP << 0 << Raw(day);
        ISC_TIMESTAMP noon{15018, 12 * 3600 * 10000};  // 1899-12-30 is day 15018
        QTest::newRow("time on day zero") << QVariant(QTime(12, 0)) << SQL_TYPE_TIME << 3 << SQL_TIMESTAMP << 0
                                          << Raw(noon);
        QTest::newRow("number for a timestamp is days")
            << QVariant(36526.5) << SQL_TIMESTAMP << 3 << SQL_TIMESTAMP << 0 << Raw(ISC_TIMESTAMP{51544, 12 * 3600 * 10000});
        QTest::newRow("integer for a date") << QVariant(36526) << SQL_TYPE_DATE << 3 << SQL_TIMESTAMP << 0 << Raw(day);
        QTest::newRow("negative days keep positive fraction")
            << QVariant(-1.25) << SQL_TIMESTAMP << 3 << SQL_TIMESTAMP << 0 << Raw(ISC_TIMESTAMP{15017, 6 * 3600 * 10000});
    }
    void bind() {
        QFETCH(QVariant, value);
        QFETCH(int, described);
        QFETCH(int, dialect);
        QFETCH(int, type);
        QFETCH(int, scale);
        QFETCH(QByteArray, data);
        TSQLDA da(2);
        QByteArray blob;
        QCOMPARE(BindVariant(da, 1, value, TBindTarget{short(described), dialect}, &blob), TBindResult::Done);
        const XSQLVAR& v = da.Var(1);
        QCOMPARE(v.sqltype & ~1, type);
        QVERIFY(v.sqltype & 1);
        QVERIFY(!da.IsNull(1));
        QCOMPARE(int(v.sqlscale), scale);
        if (type == SQL_TEXT) QCOMPARE(int(v.sqllen), data.size());
        QCOMPARE(DataOf(v, data.size()), data);
        QCOMPARE(da.Var(0).sqltype, short(0));  // the neighbour is untouched
    }

    void bindNull_data() {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("described");
        QTest::newRow("invalid") << QVariant() << SQL_LONG;
        QTest::newRow("nullptr") << QVariant::fromValue(nullptr) << SQL_VARYING;
        QTest::newRow("empty text for a number") << QVariant(QString()) << SQL_LONG;
        QTest::newRow("empty text for a bigint") << QVariant(u""_s) << SQL_INT64;
        QTest::newRow("empty text for a date") << QVariant(u""_s) << SQL_TYPE_DATE;
        QTest::newRow("empty text for a time") << QVariant(u""_s) << SQL_TYPE_TIME;
        QTest::newRow("invalid date-time") << QVariant(QDateTime()) << SQL_TIMESTAMP;
    }
    void bindNull() {
        QFETCH(QVariant, value);
        QFETCH(int, described);
        TSQLDA da(1);
        da.Var(0).sqltype = short(described | 1);  // as described, then a value made it a number before
        (void)BindVariant(da, 0, QVariant(5), TBindTarget{short(described), 3}, nullptr);
        QVERIFY(!da.IsNull(0));
        QCOMPARE(BindVariant(da, 0, value, TBindTarget{short(described), 3}, nullptr), TBindResult::Done);
        QVERIFY(da.IsNull(0));
        QCOMPARE(*da.Var(0).sqlind, short(-1));
        QVERIFY(ReadVariant(da.Var(0), false).isNull());
    }

    void nullWithoutTypeBecomesEmptyText() {
        TSQLDA da(1);
        (void)BindVariant(da, 0, QVariant(), TBindTarget{}, nullptr);
        QCOMPARE(da.Var(0).sqltype, short(SQL_TEXT | 1));
        QCOMPARE(da.Var(0).sqllen, short(0));
        QVERIFY(da.Var(0).sqldata != nullptr);
        QVERIFY(da.IsNull(0));
    }

    void longTextGoesToBlob() {
        TSQLDA da(1);
        QByteArray blob;
        const QString text = QString(32767, u'ж');
        QCOMPARE(BindVariant(da, 0, text, TBindTarget{SQL_VARYING, 3}, &blob), TBindResult::Done);
        QCOMPARE(da.Var(0).sqllen, short(32767));
        QCOMPARE(BindVariant(da, 0, text + u"x"_s, TBindTarget{SQL_VARYING, 3}, &blob), TBindResult::NeedsBlob);
        QCOMPARE(blob, ToWin1251(text + u"x"_s));
        BindBlobId(da, 0, ISC_QUAD{7, 9});
        QCOMPARE(da.Var(0).sqltype & ~1, SQL_BLOB);
        QCOMPARE(DataOf(da.Var(0), 8), Raw(ISC_QUAD{7, 9}));
    }

    void unusableVariants_data() {
        QTest::addColumn<QVariant>("value");
        QTest::newRow("list") << QVariant(QVariantList{1, 2});
        QTest::newRow("map") << QVariant(QVariantMap{{u"a"_s, 1}});
        QTest::newRow("point") << QVariant(QPoint(1, 2));
        QTest::newRow("infinite days for a date") << QVariant(qInf());
    }
    void unusableVariants() {
        QFETCH(QVariant, value);
        TSQLDA da(1);
        try {
            (void)BindVariant(da, 0, value, TBindTarget{SQL_TIMESTAMP, 3}, nullptr);
            QFAIL("no error raised");
        } catch (const EFIBClientError& e) {
            QCOMPARE(e.SQLCode(), 2);
            QCOMPARE(e.Message(), u"Запрещено."_s);
        }
    }

    void read_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("len");
        QTest::addColumn<int>("scale");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("trim");
        QTest::addColumn<QVariant>("value");
        const QByteArray name = ToWin1251(u"RDB$Ёлка   "_s);
        QTest::newRow("char keeps blanks") << SQL_TEXT << 11 << 0 << name << false << QVariant(u"RDB$Ёлка   "_s);
        QTest::newRow("char trimmed") << SQL_TEXT << 11 << 0 << name << true << QVariant(u"RDB$Ёлка"_s);
        QTest::newRow("varchar by its length") << SQL_VARYING << 10 << 0 << Varying("ab  zzzzzz", 4) << false
                                               << QVariant(u"ab  "_s);
        QTest::newRow("varchar trimmed") << SQL_VARYING << 10 << 0 << Varying("ab  zzzzzz", 4) << true
                                         << QVariant(u"ab"_s);
        QTest::newRow("varchar length beyond buffer") << SQL_VARYING << 3 << 0 << Varying("abc", 999) << false
                                                      << QVariant(u"abc"_s);
        QTest::newRow("smallint") << SQL_SHORT << 2 << 0 << Raw<short>(-3) << false << QVariant(-3);
        QTest::newRow("integer") << SQL_LONG << 4 << 0 << Raw<qint32>(123456) << false << QVariant(123456);
        QTest::newRow("integer scaled") << SQL_LONG << 4 << -2 << Raw<qint32>(12345) << false << QVariant(123.45);
        QTest::newRow("smallint scaled") << SQL_SHORT << 2 << -1 << Raw<short>(-15) << false << QVariant(-1.5);
        QTest::newRow("bigint") << SQL_INT64 << 8 << 0 << Raw<qint64>(qint64(1) << 50) << false
                                << QVariant(qlonglong(1) << 50);
        QTest::newRow("bigint scaled") << SQL_INT64 << 8 << -4 << Raw<qint64>(1234567) << false << QVariant(123.4567);
        QTest::newRow("float") << SQL_FLOAT << 4 << 0 << Raw<float>(0.25f) << false << QVariant(0.25);
        QTest::newRow("double") << SQL_DOUBLE << 8 << 0 << Raw<double>(-2.75) << false << QVariant(-2.75);
        QTest::newRow("timestamp") << SQL_TIMESTAMP << 8 << 0 << Raw(ISC_TIMESTAMP{51544, 452967890}) << false
                                   << QVariant(QDateTime(QDate(2000, 1, 1), QTime(12, 34, 56, 789), Qt::UTC));
        QTest::newRow("date") << SQL_TYPE_DATE << 4 << 0 << Raw<ISC_DATE>(0) << false
                              << QVariant(QDateTime(QDate(1858, 11, 17), QTime(0, 0), Qt::UTC));
        QTest::newRow("time") << SQL_TYPE_TIME << 4 << 0 << Raw<ISC_TIME>(10 * 3600 * 10000) << false
                              << QVariant(QDateTime(QDate(1899, 12, 30), QTime(10, 0), Qt::UTC));
        QTest::newRow("boolean") << SQL_BOOLEAN << 1 << 0 << QByteArray("\x01", 1) << false << QVariant(true);
        QTest::newRow("array") << SQL_ARRAY << 8 << 0 << QByteArray(8, 0) << false << QVariant(u"(Array)"_s);
    }
    // Columns of character set OCTETS (with any collation) read as the bytes they hold, even trimmed.
    void readOctets() {
        const QByteArray bytes("\x98\xFF ab  ", 7);
        for (short subtype : {1, 0x0101}) {
            Column fixed(SQL_TEXT, 7, bytes);
            Column varying(SQL_VARYING, 9, Varying(bytes, 7));
            fixed.da.Var(0).sqlsubtype = varying.da.Var(0).sqlsubtype = subtype;
            QCOMPARE(ReadVariant(fixed.Var(), true), QVariant(bytes));
            QCOMPARE(ReadVariant(varying.Var(), true), QVariant(bytes));
        }
    }
    void read() {
        QFETCH(int, type);
        QFETCH(int, len);
        QFETCH(int, scale);
        QFETCH(QByteArray, data);
        QFETCH(bool, trim);
        QFETCH(QVariant, value);
        for (int nullable : {0, 1}) {
            Column c(short(type | nullable), short(len), data, short(scale));
            const QVariant got = ReadVariant(c.Var(), trim);
            QCOMPARE(got.typeId(), value.typeId());
            if (value.typeId() == QMetaType::Double) QVERIFY(qFuzzyCompare(got.toDouble(), value.toDouble()));
            else QCOMPARE(got, value);
        }
    }

    void nullIndicator() {
        Column nullable(SQL_LONG | 1, 4, Raw<qint32>(5), 0, -1);
        QVERIFY(ReadVariant(nullable.Var(), false).isNull());
        // Without the nullable bit the server writes no indicator: whatever it holds means nothing.
        Column notNull(SQL_LONG, 4, Raw<qint32>(5), 0, -1);
        QCOMPARE(ReadVariant(notNull.Var(), false), QVariant(5));
        Column sqlNull(SQL_NULL | 1, 0, QByteArray(), 0, 0);
        QVERIFY(ReadVariant(sqlNull.Var(), false).isNull());
    }

    void blobs() {
        Column c(SQL_BLOB | 1, 8, Raw(ISC_QUAD{3, 4}));
        ISC_QUAD asked{0, 0};
        const QVariant v = ReadVariant(c.Var(), false, [&](const ISC_QUAD& id) {
            asked = id;
            return ToWin1251(u"примечание"_s);
        });
        QCOMPARE(v, QVariant(u"примечание"_s));
        QCOMPARE(asked.gds_quad_high, 3);
        QCOMPARE(asked.gds_quad_low, 4u);
        QVERIFY_THROWS_EXCEPTION(EFIBClientError, ReadVariant(c.Var(), false));
    }

    void unknownTypeIsConversionError() {
        Column c(SQL_QUAD, 8, QByteArray(8, 0));
        try {
            (void)ReadVariant(c.Var(), false);
            QFAIL("no error raised");
        } catch (const EFIBClientError& e) {
            QCOMPARE(e.SQLCode(), 33);
            QCOMPARE(e.Message(), u"Ошибка конвертации данных."_s);
        }
    }

    void roundTrip_data() {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QVariant>("back");
        QTest::newRow("int") << QVariant(42) << QVariant(42);
        QTest::newRow("int64") << QVariant(qlonglong(-9000000000LL)) << QVariant(qlonglong(-9000000000LL));
        QTest::newRow("text") << QVariant(u"Пётр Ёлкин «№1»"_s) << QVariant(u"Пётр Ёлкин «№1»"_s);
        QTest::newRow("date-time") << QVariant(QDateTime(QDate(2026, 3, 29), QTime(2, 30, 0, 1)))
                                   << QVariant(QDateTime(QDate(2026, 3, 29), QTime(2, 30, 0, 1), Qt::UTC));
        QTest::newRow("bool") << QVariant(true) << QVariant(1);
    }
    void roundTrip() {
        QFETCH(QVariant, value);
        QFETCH(QVariant, back);
        TSQLDA da(1);
        (void)BindVariant(da, 0, value, TBindTarget{}, nullptr);
        QCOMPARE(ReadVariant(da.Var(0), false), back);
    }

    void descriptorOwnsItsBuffers() {
        TSQLDA da(3);
        QCOMPARE(da.Data()->sqln, short(3));
        QCOMPARE(da.Data()->sqld, short(3));
        QCOMPARE(da.Data()->version, short(SQLDA_VERSION1));
        (void)BindVariant(da, 2, QVariant(u"Ёж"_s), TBindTarget{}, nullptr);
        TSQLDA moved(std::move(da));
        QVERIFY(da.Data() == nullptr);
        QCOMPARE(moved.Count(), 3);
        QCOMPARE(ReadVariant(moved.Var(2), false), QVariant(u"Ёж"_s));
        moved.Var(0).sqltype = SQL_VARYING | 1;
        moved.Var(0).sqllen = 5;
        moved.AllocateDescribed();
        QVERIFY(moved.Var(0).sqldata != nullptr);
        QVERIFY(moved.Var(0).sqlind != moved.Var(1).sqlind);
        moved.Resize(1);
        QCOMPARE(moved.Count(), 1);
        QCOMPARE(moved.Var(0).sqltype, short(0));
        QVERIFY(!moved.IsNull(0));
    }

    // The arithmetic against the client library's own encoding, over the whole date range.
    void datesAgreeWithClientLibrary() {
        void* lib = dlopen(qEnvironmentVariable("TV_FB_CLIENT", u"libfbclient.so.2"_s).toUtf8().constData(), RTLD_NOW);
        if (!lib) QSKIP("client library not loadable");
        using Encode = void (*)(const void*, ISC_TIMESTAMP*);
        using Decode = void (*)(const ISC_TIMESTAMP*, void*);
        auto encode = reinterpret_cast<Encode>(dlsym(lib, "isc_encode_timestamp"));
        auto decode = reinterpret_cast<Decode>(dlsym(lib, "isc_decode_timestamp"));
        QVERIFY(encode && decode);
        const QList<QDateTime> samples{
            QDateTime(QDate(1, 1, 1), QTime(0, 0)),          QDateTime(QDate(1858, 11, 17), QTime(0, 0, 1)),
            QDateTime(QDate(1899, 12, 30), QTime(23, 59, 59)), QDateTime(QDate(1900, 2, 28), QTime(6, 0)),
            QDateTime(QDate(2000, 2, 29), QTime(12, 34, 56)), QDateTime(QDate(2026, 12, 9), QTime(13, 45)),
            QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59))};
        for (const QDateTime& dt : samples) {
            std::tm tm{};
            tm.tm_year = dt.date().year() - 1900;
            tm.tm_mon = dt.date().month() - 1;
            tm.tm_mday = dt.date().day();
            tm.tm_hour = dt.time().hour();
            tm.tm_min = dt.time().minute();
            tm.tm_sec = dt.time().second();
            ISC_TIMESTAMP theirs{};
            encode(&tm, &theirs);
            const auto mine = EncodeISCTimestamp(dt);
            QVERIFY(mine.has_value());
            QCOMPARE(mine->timestamp_date, theirs.timestamp_date);
            QCOMPARE(mine->timestamp_time, theirs.timestamp_time);
            std::tm back{};
            decode(&theirs, &back);
            const QDateTime decoded = DecodeISCTimestamp(theirs);
            QCOMPARE(decoded.date(), QDate(back.tm_year + 1900, back.tm_mon + 1, back.tm_mday));
            QCOMPARE(decoded.time(), QTime(back.tm_hour, back.tm_min, back.tm_sec));
        }
        dlclose(lib);
    }
};

QTEST_APPLESS_MAIN(TestSQLValues)
#include "test_SQLValues.moc"
