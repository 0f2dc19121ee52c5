#include <QtTest>

#include "fib/TFIBDatabase.h"

using namespace Qt::StringLiterals;

class TestConnectParams : public QObject {
    Q_OBJECT
private slots:
    void read_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::newRow("plain") << QStringList{u"user_name=SYSDBA"_s, u"password=pw"_s} << u"SYSDBA"_s << u"pw"_s;
        QTest::newRow("prefixed") << QStringList{u"isc_dpb_user_name=ADMIN"_s} << u"ADMIN"_s << QString();
        QTest::newRow("case ignored") << QStringList{u"USER_NAME=u"_s, u"ISC_DPB_PASSWORD=p"_s} << u"u"_s
                                      << u"p"_s;
        QTest::newRow("first line wins") << QStringList{u"user_name=a"_s, u"user_name=b"_s} << u"a"_s << QString();
        QTest::newRow("no =") << QStringList{u"user_name"_s} << QString() << QString();
        QTest::newRow("value after first =") << QStringList{u"password=a=b"_s} << QString() << u"a=b"_s;
        QTest::newRow("word elsewhere in line") << QStringList{u"sys_user_name=x"_s} << QString() << QString();
        QTest::newRow("blanks before =") << QStringList{u"user_name = x"_s} << u" x"_s << QString();
    }
    void read() {
        QFETCH(QStringList, lines);
        QFETCH(QString, user);
        QFETCH(QString, password);
        TFIBDatabase db;
        db.DBParams().SetLines(lines);
        QCOMPARE(db.ConnectParams().UserName(), user);
        QCOMPARE(db.ConnectParams().Password(), password);
    }

    void loginWritesLikeTheProgram() {
        TFIBDatabase db;
        db.DBParams().SetLines({u"lc_ctype=WIN1251"_s, u"user_name=SYSDBA"_s});
        db.ConnectParams().SetUserName(u"ADMIN"_s);
        db.ConnectParams().SetPassword(u"secret"_s);
        QCOMPARE(db.DBParams().Lines(),
                 (QStringList{u"lc_ctype=WIN1251"_s, u"user_name=ADMIN"_s, u"password=secret"_s}));
        db.ConnectParams().SetPassword(QString());
        QCOMPARE(db.DBParams().Lines(), (QStringList{u"lc_ctype=WIN1251"_s, u"user_name=ADMIN"_s}));
        db.ConnectParams().SetPassword(QString());
        QCOMPARE(db.DBParams().Count(), 2);
    }

    void prefixedLineIsReplacedInPlace() {
        TFIBDatabase db;
        db.DBParams().SetLines({u"isc_dpb_user_name=OLD"_s, u"lc_ctype=WIN1251"_s});
        db.ConnectParams().SetUserName(u"NEW"_s);
        QCOMPARE(db.DBParams().Lines(), (QStringList{u"user_name=NEW"_s, u"lc_ctype=WIN1251"_s}));
    }

    void otherProperties() {
        TFIBDatabase db;
        TConnectParams& cp = db.ConnectParams();
        cp.SetCharSet(u"win1251"_s);
        cp.SetRoleName(u"R"_s);
        cp.SetInstanceName(u"I"_s);
        QCOMPARE(db.DBParams().Lines(), (QStringList{u"lc_ctype=WIN1251"_s, u"sql_role_name=R"_s, u"instance_name=I"_s}));
        QCOMPARE(cp.CharSet(), u"WIN1251"_s);
        QCOMPARE(cp.RoleName(), u"R"_s);
        cp.SetCharSet(u"utf8ё"_s);
        QCOMPARE(cp.CharSet(), u"UTF8ё"_s);
        QVERIFY(cp.IsFirebird());
    }

    void changesMarkTheDpbOutOfDate() {
        TFIBDatabase db;
        QVERIFY(db.DPBOutOfDate());
        db.DBParams().SetText(u"lc_ctype=WIN1251\r\nuser_name=SYSDBA\r\n"_s);
        QCOMPARE(db.DBParams().Count(), 2);
        QCOMPARE(db.DBParams().Text(), u"lc_ctype=WIN1251\r\nuser_name=SYSDBA\r\n"_s);
        QVERIFY(db.DPBOutOfDate());
    }

    void defaults() {
        TFIBDatabase db;
        QCOMPARE(db.LibraryName(), u"gds32.dll"_s);
        QCOMPARE(db.SQLDialect(), 1);
        QVERIFY(db.SynchronizeTime());
        QCOMPARE(db.WaitForRestoreConnect(), 30000u);
        QCOMPARE(db.DesignDBOptions(), int(ddoStoreConnected));
        QVERIFY(!db.Connected());
        QCOMPARE(db.AttachmentId(), -1);
    }
};

QTEST_APPLESS_MAIN(TestConnectParams)
#include "test_ConnectParams.moc"
