#include <QtTest>

#include "fib/SQLNames.h"
#include "fib/SQLScanner.h"

using namespace Qt::StringLiterals;

class TestSQLNames : public QObject {
    Q_OBJECT
private slots:
    void lookup_data() {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("index");
        const QStringList params{u"GROUP_ID"_s, u"RIGHT_ID"_s};
        QTest::newRow("as stored") << params << u"GROUP_ID"_s << 0;
        QTest::newRow("small letters") << params << u"right_id"_s << 1;
        QTest::newRow("mixed") << params << u"Right_Id"_s << 1;
        QTest::newRow("missing") << params << u"user_id"_s << -1;
        const QStringList quoted{u"my Name"_s, u"X"_s, u"x"_s};
        QTest::newRow("quoted exact") << quoted << u"\"my Name\""_s << 0;
        QTest::newRow("quoted is not upper-cased") << quoted << u"\"MY NAME\""_s << -1;
        QTest::newRow("exact before upper-cased") << quoted << u"x"_s << 2;
        QTest::newRow("quoted upper") << quoted << u"\"X\""_s << 1;
        QTest::newRow("plain lookup of quoted") << quoted << u"my Name"_s << 0;
        QTest::newRow("only a-z upper-cased") << QStringList{u"ПОЛЕ"_s, u"поле"_s} << u"поле"_s << 1;
        QTest::newRow("Cyrillic not folded") << QStringList{u"ПОЛЕ"_s} << u"поле"_s << -1;
        QTest::newRow("first of duplicates") << QStringList{u"A"_s, u"B"_s, u"A"_s} << u"a"_s << 0;
        QTest::newRow("lone quote") << QStringList{u"\""_s} << u"\""_s << 0;
    }
    void lookup() {
        QFETCH(QStringList, names);
        QFETCH(QString, name);
        QFETCH(int, index);
        QCOMPARE(FindSQLName(names, name), qsizetype(index));
    }

    void linking() {
        const TSQLScan scan = ScanSQL(u"select * from t where a = :x or b = :y or c = :X or d = :\"x\""_s);
        QStringList names;
        for (const TSQLParamRef& p : scan.Params) names << p.Name;
        const auto linked = LinkedOccurrences(names);
        QCOMPARE(linked.size(), 1);
        QCOMPARE(linked.value(u"X"_s), (QList<int>{0, 2}));
        QVERIFY(!linked.contains(u"Y"_s));
        QVERIFY(!linked.contains(u"x"_s));
    }

    void columnNames_data() {
        QTest::addColumn<QStringList>("aliases");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("plain") << QStringList{u"ID"_s, u"NAME"_s} << QStringList{u"ID"_s, u"NAME"_s};
        QTest::newRow("unnamed numbered over unnamed only")
            << QStringList{QString(), u"ID"_s, QString()} << QStringList{u"F_1"_s, u"ID"_s, u"F_2"_s};
        QTest::newRow("duplicates") << QStringList{u"ID"_s, u"ID"_s, u"ID"_s}
                                    << QStringList{u"ID"_s, u"ID1"_s, u"ID2"_s};
        QTest::newRow("number already taken") << QStringList{u"ID"_s, u"ID1"_s, u"ID"_s}
                                              << QStringList{u"ID"_s, u"ID1"_s, u"ID2"_s};
        QTest::newRow("unnamed meets alias F_1") << QStringList{u"F_1"_s, QString()}
                                                 << QStringList{u"F_1"_s, u"F_11"_s};
        QTest::newRow("case kept apart") << QStringList{u"a"_s, u"A"_s} << QStringList{u"a"_s, u"A"_s};
        const QString n30 = QString(30, u'N');
        const QString n31 = QString(31, u'M');
        QTest::newRow("30 plus number fits 32") << QStringList{n30, n30} << QStringList{n30, n30 + u"1"_s};
        QTest::newRow("31 plus number is 32") << QStringList{n31, n31} << QStringList{n31, n31 + u"1"_s};
        const QString n32 = QString(32, u'L');
        QTest::newRow("32 cut to 31 plus number") << QStringList{n32, n32} << QStringList{n32, QString(31, u'L') + u"1"_s};
        QStringList many(12, n32);
        QStringList expected{n32};
        for (int i = 1; i <= 9; ++i) expected << QString(31, u'L') + QString::number(i);
        expected << QString(30, u'L') + u"10"_s << QString(30, u'L') + u"11"_s;
        QTest::newRow("two-digit numbers cut one more") << many << expected;
    }
    void columnNames() {
        QFETCH(QStringList, aliases);
        QFETCH(QStringList, names);
        const QStringList got = NameResultColumns(aliases);
        QCOMPARE(got, names);
        QCOMPARE(QSet<QString>(got.begin(), got.end()).size(), got.size());
    }
};

QTEST_APPLESS_MAIN(TestSQLNames)
#include "test_SQLNames.moc"
