#include <QtTest>

#include "fib/FIBDataSetOptions.h"
#include "fib/TColumnInfoCache.h"

using namespace Qt::StringLiterals;

// The stored option entries of a dataset and the defaults read from the catalogue.
class TestDataSetOptions : public QObject {
    Q_OBJECT
private slots:
    void defaultsStoreNothing() {
        TDataSetOptionSets sets;
        QVERIFY(sets.StoredEntries().isEmpty());
        QCOMPARE(sets.Options,
                 poTrimCharFields | poRefreshAfterPost | poStartTransaction | poAutoFormatFields);
        QCOMPARE(sets.PrepareOptions,
                 pfImportDefaultValues | psUseBooleanField | psGetOrderInfo | psSetEmptyStrToNull);
        QCOMPARE(sets.DetailConditions, 0);
    }

    void entries_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("value");
        QTest::addColumn<int>("options");
        QTest::addColumn<int>("prepare");
        QTest::addColumn<int>("detail");
        const int o = kDefaultDsOptions, p = kDefaultPrepareOptions;
        QTest::newRow("dcForceOpen") << u"dcForceOpen"_s << true << o << p << int(dcForceOpen);
        QTest::newRow("dcForceMasterRefresh")
            << u"dcForceMasterRefresh"_s << true << o << p << int(dcForceMasterRefresh);
        QTest::newRow("WaitEndMasterScroll")
            << u"WaitEndMasterScroll"_s << true << o << p << int(dcWaitEndMasterScroll);
        QTest::newRow("oTrimCharFields off")
            << u"oTrimCharFields"_s << false << (o & ~poTrimCharFields) << p << 0;
        QTest::newRow("oDontAutoClose")
            << u"oDontAutoClose"_s << true << (o | poDontCloseAfterEndTransaction) << p << 0;
        QTest::newRow("oFetchAll") << u"oFetchAll"_s << true << (o | poFetchAll) << p << 0;
        QTest::newRow("poEmptyStrToNull off")
            << u"poEmptyStrToNull"_s << false << o << (p & ~psSetEmptyStrToNull) << 0;
        QTest::newRow("poUseBooleanField off")
            << u"poUseBooleanField"_s << false << o << (p & ~psUseBooleanField) << 0;
        QTest::newRow("poUseLargeIntField")
            << u"poUseLargeIntField"_s << true << o << (p | psUseLargeIntField) << 0;
    }

    // Reading an entry sets or clears its option; writing gives back exactly the entries that differ.
    void entries() {
        QFETCH(QString, entry);
        QFETCH(bool, value);
        QFETCH(int, options);
        QFETCH(int, prepare);
        QFETCH(int, detail);
        TDataSetOptionSets sets;
        QVERIFY(sets.ReadEntry(entry, value));
        QCOMPARE(sets.Options, options);
        QCOMPARE(sets.PrepareOptions, prepare);
        QCOMPARE(sets.DetailConditions, detail);
        const QList<QPair<QString, bool>> stored = sets.StoredEntries();
        QCOMPARE(stored.size(), 1);
        QCOMPARE(stored.first().first, entry);
        QCOMPARE(stored.first().second, value);
        // Reading the default value back stores nothing again.
        QVERIFY(sets.ReadEntry(entry, !value));
        QVERIFY(sets.StoredEntries().isEmpty());
    }

    void unknownEntry() {
        TDataSetOptionSets sets;
        QVERIFY(!sets.ReadEntry(u"poTrimCharFields"_s, false));  // the option's name is not its entry
        QVERIFY(!sets.ReadEntry(u"dcforceopen"_s, true));
        QCOMPARE(sets.Options, kDefaultDsOptions);
        QCOMPARE(sets.DetailConditions, 0);
    }

    void parseDefault_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("emptyText");
        QTest::newRow("number") << u"DEFAULT 0"_s << u"0"_s << false;
        QTest::newRow("lower case, blanks") << u"default   12.5  "_s << u"12.5"_s << false;
        QTest::newRow("quoted") << u"DEFAULT 'Новый'"_s << u"Новый"_s << false;
        QTest::newRow("empty text") << u"DEFAULT ''"_s << QString() << true;
        QTest::newRow("keyword") << u"DEFAULT CURRENT_TIMESTAMP"_s << u"CURRENT_TIMESTAMP"_s << false;
        QTest::newRow("text after a word") << u"DEFAULT _WIN1251 'x'"_s << u"x"_s << false;
    }

    void parseDefault() {
        QFETCH(QString, source);
        QFETCH(QString, value);
        QFETCH(bool, emptyText);
        bool empty = !emptyText;
        bool quoted = false;
        QCOMPARE(TColumnInfoCache::ParseDefault(source, empty, &quoted), value);
        QCOMPARE(empty, emptyText);
        QCOMPARE(quoted, source.contains(u'\''));
    }

    void catalogueQueryText() {
        const QString q = TColumnInfoCache::CatalogueQuery();
        QVERIFY(q.startsWith(
            u"Select R.RDB$FIELD_NAME,R.RDB$FIELD_SOURCE,F.RDB$COMPUTED_BLR, \r\nR.RDB$DEFAULT_SOURCE"_s));
        QVERIFY(q.contains(u"where  R.RDB$RELATION_NAME=:TN \r\norder by R.RDB$FIELD_POSITION"_s));
        QVERIFY(q.endsWith(u"R.RDB$FIELD_POSITION"_s));
    }
};

QTEST_APPLESS_MAIN(TestDataSetOptions)
#include "test_DataSetOptions.moc"
