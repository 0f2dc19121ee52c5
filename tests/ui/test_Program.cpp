// The program itself as a process: its options and its end on a signal.
#include <signal.h>

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "settings/TIniFile.h"

using namespace Qt::StringLiterals;

class TestProgram : public QObject {
    Q_OBJECT

    QString Program() const { return qEnvironmentVariable("TV_PROGRAM"); }

private slots:
    void versionAndHelp() {
        QProcess p;
        p.start(Program(), {u"--version"_s});
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(QString::fromUtf8(p.readAllStandardOutput()).contains(u"1.0.0"_s));
        p.start(Program(), {u"--help"_s});
        QVERIFY(p.waitForFinished(20000));
        QVERIFY(QString::fromUtf8(p.readAllStandardOutput()).contains(u"--settings <file>"_s));
    }

    // A signal while the login dialog is up: the windows close, the named settings file is written, status 0.
    void signalEndsTheProgram_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGHUP") << SIGHUP;
    }
    void signalEndsTheProgram() {
        QFETCH(int, signal);
        QTemporaryDir dir;
        const QString ini = dir.filePath(u"own.ini"_s);
        QProcess p;
        p.start(Program(), {u"--settings"_s, ini});
        QVERIFY(p.waitForStarted());
        QTest::qWait(1500);  // up to the login dialog
        QCOMPARE(p.state(), QProcess::Running);
        ::kill(pid_t(p.processId()), signal);
        QVERIFY(p.waitForFinished(15000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(TIniFile(ini).ReadText(u"Main"_s, u"CONNECTDLL"_s, {}), u"libfbclient.so.2"_s);
    }
};

QTEST_GUILESS_MAIN(TestProgram)
#include "test_Program.moc"
