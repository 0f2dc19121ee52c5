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
    // Options that need no window work without a display: help, version, and a refused option (status 2).
    void withoutADisplay_data() {
        QTest::addColumn<QString>("option");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("output");
        QTest::newRow("version") << u"--version"_s << 0 << u"tvadmin 1.0.0\n"_s;
        QTest::newRow("help") << u"--help"_s << 0 << u"--settings <file>"_s;
        QTest::newRow("unknown option") << u"--frobnicate"_s << 2 << u"frobnicate"_s;
    }
    void withoutADisplay() {
        QFETCH(QString, option);
        QFETCH(int, status);
        QFETCH(QString, output);
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(QString::fromLatin1(name));
        p.setProcessEnvironment(env);
        p.start(Program(), {option});
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), status);
        const QString text = QString::fromUtf8(status == 0 ? p.readAllStandardOutput() : p.readAllStandardError());
        QVERIFY2(text.contains(output), qPrintable(text));
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
