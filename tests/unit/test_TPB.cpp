#include <QtTest>

#include "fib/FIBErrors.h"
#include "fib/TPB.h"

using namespace Qt::StringLiterals;

namespace {
QByteArray Bytes(std::initializer_list<int> b) {
    QByteArray out;
    for (int x : b) out.append(char(x));
    return out;
}
}  // namespace

class TestTPB : public QObject {
    Q_OBJECT
private slots:
    void bytes_data() {
        QTest::addColumn<QStringList>("params");
        QTest::addColumn<QByteArray>("tpb");
        QTest::addColumn<QStringList>("after");
        const QStringList read{u"read"_s, u"nowait"_s, u"rec_version"_s, u"read_committed"_s};
        const QStringList write{u"write"_s, u"nowait"_s, u"rec_version"_s, u"read_committed"_s};
        QTest::newRow("reading transaction") << read << Bytes({3, 8, 7, 17, 15}) << read;
        QTest::newRow("writing transaction") << write << Bytes({3, 9, 7, 17, 15}) << write;
        QTest::newRow("internal transaction")
            << QStringList{u"write"_s, u"nowait"_s, u"read_committed"_s, u"rec_version"_s}
            << Bytes({3, 9, 7, 15, 17})
            << QStringList{u"write"_s, u"nowait"_s, u"read_committed"_s, u"rec_version"_s};
        QTest::newRow("empty list") << QStringList{} << QByteArray() << QStringList{};
        QTest::newRow("trimmed in place") << QStringList{u" \tisc_tpb_WRITE  \r"_s} << Bytes({3, 9})
                                          << QStringList{u"isc_tpb_WRITE"_s};
        QTest::newRow("empty lines contribute nothing")
            << QStringList{u"read"_s, QString(), u"   "_s, u"wait"_s} << Bytes({3, 8, 6})
            << QStringList{u"read"_s, QString(), QString(), u"wait"_s};
        QTest::newRow("only empty lines") << QStringList{u" "_s} << Bytes({3}) << QStringList{QString()};
        QTest::newRow("lock_read value")
            << QStringList{u"lock_read=SYS$GROUP"_s}
            << (Bytes({3, 10, 9}) + QByteArray("SYS$GROUP")) << QStringList{u"lock_read=SYS$GROUP"_s};
        QTest::newRow("lock_write value, Cyrillic in one byte each")
            << QStringList{u"ISC_TPB_LOCK_WRITE=Ёж"_s, u"shared"_s}
            << (Bytes({3, 11, 2, 0xA8, 0xE6, 3})) << QStringList{u"ISC_TPB_LOCK_WRITE=Ёж"_s, u"shared"_s};
        QTest::newRow("lock_read empty value") << QStringList{u"lock_read"_s} << Bytes({3, 10, 0})
                                               << QStringList{u"lock_read"_s};
        QTest::newRow("value of other words ignored") << QStringList{u"wait=5"_s, u"concurrency=x"_s}
                                                      << Bytes({3, 6, 2}) << QStringList{u"wait=5"_s, u"concurrency=x"_s};
        QTest::newRow("every accepted word")
            << QStringList{u"consistency"_s, u"concurrency"_s, u"shared"_s, u"protected"_s, u"exclusive"_s,
                           u"wait"_s, u"nowait"_s, u"read"_s, u"write"_s, u"ignore_limbo"_s,
                           u"read_committed"_s, u"rec_version"_s, u"no_rec_version"_s, u"no_auto_undo"_s,
                           u"no_savepoint"_s}
            << Bytes({3, 1, 2, 3, 4, 5, 6, 7, 8, 9, 14, 15, 17, 18, 20, 21})
            << QStringList{u"consistency"_s, u"concurrency"_s, u"shared"_s, u"protected"_s, u"exclusive"_s,
                           u"wait"_s, u"nowait"_s, u"read"_s, u"write"_s, u"ignore_limbo"_s,
                           u"read_committed"_s, u"rec_version"_s, u"no_rec_version"_s, u"no_auto_undo"_s,
                           u"no_savepoint"_s};
    }
    void bytes() {
        QFETCH(QStringList, params);
        QFETCH(QByteArray, tpb);
        QFETCH(QStringList, after);
        QCOMPARE(BuildTPB(params), tpb);
        QCOMPARE(params, after);
    }

    void refusedAndUnknown_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("message");
        QTest::newRow("autocommit") << QStringList{u"autocommit"_s} << 10 << u"Константа TPB (isc_tpb_autocommit) не поддерживается."_s;
        QTest::newRow("verb_time") << QStringList{u"isc_tpb_VERB_TIME"_s} << 10 << u"Константа TPB (isc_tpb_verb_time) не поддерживается."_s;
        QTest::newRow("commit_time") << QStringList{u"commit_time=1"_s} << 10 << u"Константа TPB (isc_tpb_commit_time) не поддерживается."_s;
        QTest::newRow("restart_requests") << QStringList{u"restart_requests"_s} << 10
                                          << u"Константа TPB (isc_tpb_restart_requests) не поддерживается."_s;
        QTest::newRow("unknown as written") << QStringList{u"  Isc_Tpb_Foo=1 "_s} << 11 << u"Константа TPB (Isc_Tpb_Foo) неизвестна."_s;
        QTest::newRow("blank before equals") << QStringList{u"lock_read = T"_s} << 11 << u"Константа TPB (lock_read ) неизвестна."_s;
        QTest::newRow("value too long") << QStringList{u"Lock_Read="_s + QString(256, u'x')} << -1
                                        << u"Значение параметра TPB (Lock_Read) длиннее 255 байт."_s;
        QTest::newRow("buffer over 64 KiB") << QStringList(256, u"lock_write="_s + QString(255, u'T')) << -1
                                            << u"Буфер параметров TPB длиннее 65535 байт."_s;
    }
    void refusedAndUnknown() {
        QFETCH(QStringList, lines);
        QFETCH(int, number);
        QFETCH(QString, message);
        QStringList params = QStringList{u"read"_s} + lines;
        try {
            (void)BuildTPB(params);
            QFAIL("no error raised");
        } catch (const EFIBClientError& e) {
            QCOMPARE(e.SQLCode(), number);
            QCOMPARE(e.Message(), message);
        }
    }

    void valueOfMaximumLength() {
        QStringList params{u"lock_write="_s + QString(255, u'T')};
        const QByteArray tpb = BuildTPB(params);
        QCOMPARE(tpb.size(), 3 + 255);
        QCOMPARE(quint8(tpb[2]), quint8(255));
    }

    void modes() {
        QVERIFY(!TPBModeParams(tpbDefault).has_value());
        QStringList rc = *TPBModeParams(tpbReadCommitted);
        QCOMPARE(rc, (QStringList{u"write"_s, u"isc_tpb_nowait"_s, u"read_committed"_s, u"rec_version"_s}));
        QCOMPARE(BuildTPB(rc), Bytes({3, 9, 7, 15, 17}));
        QStringList rr = *TPBModeParams(tpbRepeatableRead);
        QCOMPARE(BuildTPB(rr), Bytes({3, 9, 7, 2}));
    }
};

QTEST_APPLESS_MAIN(TestTPB)
#include "test_TPB.moc"
