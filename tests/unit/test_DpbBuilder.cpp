#include <QtTest>

#include "core/Exception.h"
#include "core/Win1251.h"
#include "fib/DpbBuilder.h"
#include "fib/FIBErrors.h"

using namespace Qt::StringLiterals;

namespace {
QByteArray Bytes(std::initializer_list<int> values) {
    QByteArray b;
    for (int v : values) b += char(v);
    return b;
}
QByteArray Str(int code, const QByteArray& value) { return Bytes({code, int(value.size())}) + value; }
}  // namespace

class TestDpbBuilder : public QObject {
    Q_OBJECT
private slots:
    void wordTable_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("isFirebird");
        QTest::addColumn<QByteArray>("cluster");
        QTest::newRow("num_buffers") << u"num_buffers=300"_s << true << Bytes({5, 1, 300 & 0xFF});
        QTest::newRow("garbage_collect ignores value") << u"garbage_collect=77"_s << true << Bytes({8, 1, 1});
        QTest::newRow("verify") << u"verify=6"_s << true << Bytes({9, 1, 6});
        QTest::newRow("sweep") << u"sweep"_s << true << Bytes({10, 1, 2});
        QTest::newRow("dbkey_scope") << u"dbkey_scope=1"_s << true << Bytes({13, 1, 1});
        QTest::newRow("no_garbage_collect") << u"no_garbage_collect"_s << true << Bytes({16, 1, 1});
        QTest::newRow("damaged") << u"damaged=1"_s << true << Bytes({17, 1, 1});
        QTest::newRow("sys_user_name") << u"sys_user_name=ab"_s << true << Str(19, "ab");
        QTest::newRow("encrypt_key") << u"encrypt_key=k"_s << true << Str(20, "k");
        QTest::newRow("activate_shadow") << u"activate_shadow=9"_s << true << Bytes({21, 1, 0});
        QTest::newRow("sweep_interval") << u"sweep_interval=70000"_s << true
                                        << Bytes({22, 4, 0x70, 0x11, 0x01, 0x00});
        QTest::newRow("delete_shadow") << u"delete_shadow"_s << true << Bytes({23, 1, 0});
        QTest::newRow("force_write") << u"force_write=1"_s << true << Bytes({24, 1, 1});
        QTest::newRow("begin_log") << u"begin_log"_s << true << Bytes({25, 1, 0});
        QTest::newRow("quit_log") << u"quit_log"_s << true << Bytes({26, 1, 0});
        QTest::newRow("no_reserve") << u"no_reserve=0"_s << true << Bytes({27, 1, 0});
        QTest::newRow("user_name") << u"user_name=SYSDBA"_s << true << Str(28, "SYSDBA");
        QTest::newRow("password") << u"password=masterkey"_s << true << Str(29, "masterkey");
        QTest::newRow("password_enc") << u"password_enc=x"_s << true << Str(30, "x");
        QTest::newRow("online_dump") << u"online_dump=1"_s << true << Bytes({33, 1, 1});
        QTest::newRow("old_file_size") << u"old_file_size=2"_s << true << Bytes({34, 1, 2});
        QTest::newRow("old_file") << u"old_file=f"_s << true << Str(36, "f");
        QTest::newRow("lc_messages") << u"lc_messages=m"_s << true << Str(47, "m");
        QTest::newRow("lc_ctype") << u"lc_ctype=WIN1251"_s << true << Str(48, "WIN1251");
        QTest::newRow("shutdown empty") << u"shutdown="_s << true << Bytes({50, 0});
        QTest::newRow("shutdown flags") << u"shutdown=force"_s << true << Bytes({50, 1, 8});
        QTest::newRow("online") << u"online=5"_s << true << Bytes({51, 0});
        QTest::newRow("shutdown_delay") << u"shutdown_delay=10"_s << true << Bytes({52, 1, 10});
        QTest::newRow("overwrite") << u"overwrite=1"_s << true << Bytes({54, 1, 1});
        QTest::newRow("connect_timeout") << u"connect_timeout=30"_s << true << Bytes({57, 1, 30});
        QTest::newRow("dummy_packet_interval") << u"dummy_packet_interval=60"_s << true << Bytes({58, 1, 60});
        QTest::newRow("sql_role_name") << u"sql_role_name=ADMIN"_s << true << Str(60, "ADMIN");
        QTest::newRow("sql_dialect") << u"sql_dialect=3"_s << true << Bytes({63, 1, 3});
        QTest::newRow("set_db_charset fb") << u"set_db_charset=UTF8"_s << true << Str(68, "UTF8");
        QTest::newRow("set_db_charset ib") << u"set_db_charset=UTF8"_s << false << QByteArray();
        QTest::newRow("gbak_ods_version fb") << u"gbak_ods_version=v"_s << true << Str(68, "v");
        QTest::newRow("no_db_triggers fb") << u"no_db_triggers"_s << true << Bytes({72, 1, 1});
        QTest::newRow("no_db_triggers ib") << u"no_db_triggers"_s << false << QByteArray();
        QTest::newRow("client_interbase_var fb") << u"client_interbase_var"_s << true << Bytes({72, 1, 1});
        QTest::newRow("instance_name fb") << u"instance_name=i"_s << true << QByteArray();
        QTest::newRow("instance_name ib") << u"instance_name=i"_s << false << Str(75, "i");
        QTest::newRow("utf8_filename fb") << u"utf8_filename"_s << true << Bytes({77, 0});
        QTest::newRow("utf8_filename ib") << u"utf8_filename"_s << false << QByteArray();
        QTest::newRow("archive_database fb") << u"archive_database"_s << true << Bytes({77, 0});
        QTest::newRow("isc_dpb_ prefix") << u"isc_dpb_user_name=SYSDBA"_s << true << Str(28, "SYSDBA");
        QTest::newRow("capitals in word") << u"ISC_DPB_LC_CTYPE=win1251"_s << true << Str(48, "win1251");
        QTest::newRow("value keeps blanks") << u"user_name= a b"_s << true << Str(28, " a b");
        QTest::newRow("second = in value") << u"password=a=b"_s << true << Str(29, "a=b");
        QTest::newRow("cyrillic value in win1251") << u"user_name=Пётр"_s << true
                                                  << Str(28, ToWin1251(u"Пётр"_s));
        QTest::newRow("blank line") << u"   "_s << true << QByteArray();
    }
    void wordTable() {
        QFETCH(QString, line);
        QFETCH(bool, isFirebird);
        QFETCH(QByteArray, cluster);
        QStringList lines{line};
        QCOMPARE(BuildDPB(lines, isFirebird), Bytes({1}) + cluster);
    }

    void systemParameters() {
        QStringList lines{u"lc_ctype=WIN1251"_s, u"user_name=SYSDBA"_s, u"password=masterkey"_s};
        QCOMPARE(BuildDPB(lines, true),
                 Bytes({1}) + Str(48, "WIN1251") + Str(28, "SYSDBA") + Str(29, "masterkey"));
    }

    void linesAreTrimmedInPlace() {
        QStringList lines{u"  \tuser_name=SYSDBA \r"_s, u""_s, u" \x01 "_s, u"lc_ctype=WIN1251  "_s};
        QCOMPARE(BuildDPB(lines, true), Bytes({1}) + Str(28, "SYSDBA") + Str(48, "WIN1251"));
        QCOMPARE(lines, (QStringList{u"user_name=SYSDBA"_s, u""_s, u""_s, u"lc_ctype=WIN1251"_s}));
    }

    void shutdownFlags_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("flags");
        QTest::newRow("cache") << u"cache"_s << 1;
        QTest::newRow("attachment") << u"attachment"_s << 2;
        QTest::newRow("transaction") << u"transaction"_s << 4;
        QTest::newRow("force") << u"force"_s << 8;
        QTest::newRow("normal") << u"normal"_s << 16;
        QTest::newRow("multi") << u"multi"_s << 32;
        QTest::newRow("single") << u"single"_s << 48;
        QTest::newRow("full") << u"full"_s << 64;
        QTest::newRow("mode_mask") << u"mode_mask"_s << 112;
        QTest::newRow("combined with , and ;") << u"force,single;cache"_s << (8 | 48 | 1);
        QTest::newRow("capitals") << u"FORCE,Full"_s << (8 | 64);
        QTest::newRow("empty items skipped") << u",,force;;"_s << 8;
        QTest::newRow("number") << u"2,force"_s << 10;
        QTest::newRow("low byte of number") << u"257"_s << 1;
        QTest::newRow("unknown item is all bits") << u"force,bogus"_s << 0xFF;
        QTest::newRow("one-character last item") << u"force,x"_s << 0xFF;
        QTest::newRow("blank is not trimmed") << u"force, single"_s << 0xFF;
    }
    void shutdownFlags() {
        QFETCH(QString, value);
        QFETCH(int, flags);
        QCOMPARE(ShutdownFlags(value), flags);
        QStringList lines{u"shutdown="_s + value};
        QCOMPARE(BuildDPB(lines, true), Bytes({1, 50, 1, flags}));
    }

    void refusedWords_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("name");
        QTest::newRow("page_size") << u"page_size=8192"_s << u"page_size"_s;
        QTest::newRow("prefixed") << u"isc_dpb_cdd_pathname=x"_s << u"cdd_pathname"_s;
        QTest::newRow("capitals") << u"Force"_s << u"force"_s;
        QTest::newRow("sys_user_name_enc") << u"sys_user_name_enc=x"_s << u"sys_user_name_enc"_s;
        QTest::newRow("set_db_sql_dialect") << u"set_db_sql_dialect=3"_s << u"set_db_sql_dialect"_s;
        QTest::newRow("recover_until") << u"recover_until"_s << u"recover_until"_s;
    }
    void refusedWords() {
        QFETCH(QString, line);
        QFETCH(QString, name);
        QStringList lines{line};
        try {
            (void)BuildDPB(lines, true);
            QFAIL("no error");
        } catch (const EFIBClientError& e) {
            QCOMPARE(e.SQLCode(), 8);
            QCOMPARE(e.Message(), u"Константа DPB (isc_dpb_"_s + name + u") не поддерживается."_s);
        }
    }

    void unknownWords_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("shown");
        QTest::newRow("blanks around =") << u"user_name = SYSDBA"_s << u"user_name "_s;
        QTest::newRow("misspelt, as written") << u"User_Nme=x"_s << u"User_Nme"_s;
        QTest::newRow("prefix kept in message") << u"isc_dpb_bogus"_s << u"isc_dpb_bogus"_s;
        QTest::newRow("published but not in list") << u"trusted_auth"_s << u"trusted_auth"_s;
    }
    void unknownWords() {
        QFETCH(QString, line);
        QFETCH(QString, shown);
        QStringList lines{u"lc_ctype=WIN1251"_s, line};
        try {
            (void)BuildDPB(lines, true);
            QFAIL("no error");
        } catch (const EFIBClientError& e) {
            QCOMPARE(e.SQLCode(), 9);
            QCOMPARE(e.Message(), u"Константа DPB ("_s + shown + u") неизвестна."_s);
        }
    }

    void nonIntegerValue_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("value");
        QTest::newRow("letters") << u"num_buffers=many"_s << u"many"_s;
        QTest::newRow("empty") << u"verify"_s << u""_s;
        QTest::newRow("trailing blank") << u"connect_timeout=30 x"_s << u"30 x"_s;
        QTest::newRow("shutdown digit item") << u"shutdown=1x"_s << u"1x"_s;
    }
    void nonIntegerValue() {
        QFETCH(QString, line);
        QFETCH(QString, value);
        QStringList lines{line};
        try {
            (void)BuildDPB(lines, true);
            QFAIL("no error");
        } catch (const EFIBError&) {
            QFAIL("client error instead of a conversion error");
        } catch (const EConvertError& e) {
            QCOMPARE(e.Message(), u"'"_s + value + u"' is not a valid integer value"_s);
        }
    }

    void valueOf255BytesFits() {
        QStringList lines{u"password="_s + QString(255, u'Ж')};
        const QByteArray dpb = BuildDPB(lines, true);
        QCOMPARE(dpb.size(), 1 + 2 + 255);
        QCOMPARE(quint8(dpb[2]), quint8(255));
    }

    void tooLongIsRefused_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("message");
        QTest::newRow("value over 255 bytes") << QStringList{u"user_name=SYSDBA"_s, u"password="_s + QString(256, u'x')}
                                              << u"Значение параметра DPB (password) длиннее 255 байт."_s;
        // The attach call's length is a signed 16-bit number: 32 768 bytes would go negative.
        QTest::newRow("buffer over 32767 bytes") << QStringList(128, u"password="_s + QString(255, u'x'))
                                                 << u"Буфер параметров DPB длиннее 32767 байт."_s;
    }
    void tooLongIsRefused() {
        QFETCH(QStringList, lines);
        QFETCH(QString, message);
        try {
            (void)BuildDPB(lines, true);
            QFAIL("no error");
        } catch (const EFIBClientError& e) {
            QCOMPARE(e.SQLCode(), -1);
            QCOMPARE(e.Message(), message);
        }
    }

    void nameListNumbers() {
        QCOMPARE(DpbCodeOf(u"cdd_pathname"_s), 1);
        QCOMPARE(DpbCodeOf(u"lc_ctype"_s), 48);
        QCOMPARE(DpbCodeOf(u"force"_s), 83);
        QCOMPARE(DpbCodeOf(u"no_db_triggers"_s), 72);
        QCOMPARE(DpbCodeOf(u"set_db_charset"_s), 68);
        QCOMPARE(DpbCodeOf(u"utf8_filename"_s), 77);
        QCOMPARE(DpbCodeOf(u"LC_CTYPE"_s), 0);
        QCOMPARE(DpbNameOf(63), u"sql_dialect"_s);
    }
};

QTEST_APPLESS_MAIN(TestDpbBuilder)
#include "test_DpbBuilder.moc"
