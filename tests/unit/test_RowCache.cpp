#include <QtTest>

#include "data/TRecordBuffer.h"
#include "data/TRecordLayout.h"
#include "data/TRowCache.h"
#include "data/TRowView.h"

using K = TStorageKind;

class TestRowCache : public QObject {
    Q_OBJECT
private slots:
    void packedRowReadsLikeTheBuffer() {
        // More than eight slots, so the null bitmap takes two bytes; variable slots between fixed ones.
        TRecordLayout layout({K::Int32, K::Bytes, K::Int16, K::Bytes, K::Bytes, K::Double, K::Int64, K::Date,
                              K::Time, K::DateTime, K::Bytes});
        TRecordBuffer b(&layout);
        for (int i = 0; i < layout.Count(); ++i) QVERIFY(b.IsNull(i));
        b.SetInteger(0, -7);
        b.SetBytes(1, "abc", 3);
        b.SetInteger(2, 70000);  // cut to 16 bits
        b.SetBytes(3, "", 0);    // empty, not null
        b.SetDouble(5, 2.5);
        b.SetInteger(6, INT64_MIN);
        b.SetInteger(9, 123456789012345);
        b.SetBytes(10, QByteArrayView("\0z", 2));
        b.SetStatus(usModified);

        TRowCache cache;
        int row = cache.Append(b);
        TRowView v(&layout, cache.Row(row));
        QCOMPARE(v.Status(), usModified);
        QCOMPARE(v.Integer(0), qint64(-7));
        QCOMPARE(v.Bytes(1).toByteArray(), QByteArray("abc"));
        QCOMPARE(v.Integer(2), qint64(qint16(70000)));
        QVERIFY(!v.IsNull(3));
        QCOMPARE(v.Bytes(3).size(), 0);
        QVERIFY(v.IsNull(4));
        QCOMPARE(v.Double(5), 2.5);
        QCOMPARE(v.Integer(6), INT64_MIN);
        QVERIFY(v.IsNull(7));
        QVERIFY(v.IsNull(8));
        QCOMPARE(v.Integer(9), qint64(123456789012345));
        QCOMPARE(v.Bytes(10).toByteArray(), QByteArray("\0z", 2));

        TRecordBuffer back(&layout);
        back.Load(cache.Row(row));
        QCOMPARE(back.Bytes(1).toByteArray(), QByteArray("abc"));
        QCOMPARE(back.Bytes(10).toByteArray(), QByteArray("\0z", 2));
        back.SetNull(1);
        back.SetBytes(4, "long value", 10);
        cache.Replace(row, back);
        TRowView w(&layout, cache.Row(row));
        QVERIFY(w.IsNull(1));
        QCOMPARE(w.Bytes(4).toByteArray(), QByteArray("long value"));
        QCOMPARE(w.Bytes(10).toByteArray(), QByteArray("\0z", 2));
        QCOMPARE(w.Integer(0), qint64(-7));
    }

    void rowNumbersStayAcrossBlocks() {
        TRecordLayout layout({K::Int32, K::Bytes});
        TRecordBuffer b(&layout);
        TRowCache cache;
        const QByteArray big(200000, 'x');  // a row of its own block
        for (int i = 0; i < 20000; ++i) {
            b.SetInteger(0, i);
            if (i == 777)
                b.SetBytes(1, big);
            else
                b.SetBytes(1, QByteArray::number(i));
            QCOMPARE(cache.Append(b), i);
        }
        for (int i : {0, 776, 777, 778, 19999}) {
            TRowView v(&layout, cache.Row(i));
            QCOMPARE(v.Integer(0), qint64(i));
            QCOMPARE(v.Bytes(1).toByteArray(), i == 777 ? big : QByteArray::number(i));
        }
        cache.RemoveLast();
        QCOMPARE(cache.Count(), 19999);
        cache.Reset();
        QCOMPARE(cache.Count(), 0);
        QCOMPARE(cache.MemoryUsage(), 0);
    }

    void workerLikeRowsStayCompact() {
        // WORKER: integer key, six texts (one often null), a smallint.
        TRecordLayout layout(
            {K::Int32, K::Bytes, K::Bytes, K::Bytes, K::Bytes, K::Bytes, K::Int16, K::Bytes});
        TRecordBuffer b(&layout);
        TRowCache cache;
        qint64 raw = 0;
        const int rows = 100000;
        for (int i = 0; i < rows; ++i) {
            b.ClearValues();
            const QByteArray surname = QByteArray("\xC8\xE2\xE0\xED\xEE\xE2") + QByteArray::number(i % 100);
            const QByteArray phone = "+7 (912) 345-" + QByteArray::number(1000 + i % 9000);
            b.SetInteger(0, i);
            b.SetBytes(1, surname);
            b.SetBytes(2, "\xC8\xE2\xE0\xED");
            b.SetBytes(3, "\xC8\xE2\xE0\xED\xEE\xE2\xE8\xF7");
            b.SetBytes(4, phone);
            if (i % 3 == 0) b.SetBytes(5, "\xCF\xF0\xE8\xEC\xE5\xF7\xE0\xED\xE8\xE5");
            b.SetInteger(6, 1);
            b.SetBytes(7, "IVANOV" + QByteArray::number(i));
            raw += 4 + 2 + surname.size() + 4 + 8 + phone.size() + (i % 3 == 0 ? 10 : 0) + 6 +
                   QByteArray::number(i).size();
            cache.Append(b);
        }
        const double perRow = double(cache.MemoryUsage()) / rows;
        const double rawPerRow = double(raw) / rows;
        qInfo("cache %.1f bytes per row, raw %.1f, ratio %.2f", perRow, rawPerRow, perRow / rawPerRow);
        QVERIFY2(perRow < 2.0 * rawPerRow, qPrintable(QString::number(perRow / rawPerRow)));
    }
};

QTEST_APPLESS_MAIN(TestRowCache)
#include "test_RowCache.moc"
