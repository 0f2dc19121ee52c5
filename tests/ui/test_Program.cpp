// The program itself as a process: its options and its end on a signal.
#include <signal.h>

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "fib/TpFIBDatabase.h"
#include "fib/TpFIBQuery.h"
#include "fib/TpFIBTransaction.h"
#include "settings/TIniFile.h"
#include "tests/support/TestConnection.h"
#include "tests/support/TestServer.h"

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

    // --check without a display, on a server of its own: 0 in step, 1 with a finding, 2 when it cannot
    // check (the reason on standard error). The password comes from ISC_PASSWORD and shows nowhere.
    void commandsWithoutADisplay() {
        TestOwnServer server(31);
        const QString path = server.Dir() + u"/check.fdb"_s;
        QVERIFY(server.MakeDb(path));
        QTemporaryDir dir;
        const QString ini = dir.filePath(u"check.ini"_s);
        TIniFile settings(ini);
        for (const auto& [key, value] : {std::pair{u"SERVER"_s, server.Host()}, {u"DATABASE"_s, path},
                                         {u"USERNAME"_s, TestServer::User()}, {u"CONNECTDLL"_s, TestServer::Client()}})
            settings.WriteText(u"Main"_s, key, value);
        const auto check = [&](const QStringList& extra, QString* output = nullptr) {
            QProcess p;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(QString::fromLatin1(name));
            env.insert(u"ISC_PASSWORD"_s, TestServer::Password());
            p.setProcessEnvironment(env);
            p.start(Program(), QStringList{u"--settings"_s, ini} + extra);
            p.waitForFinished(30000);
            const QString text = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
            if (output) *output = text;
            return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        };
        QCOMPARE(check({u"--check"_s}), 0);
        QObject owner;
        TpFIBDatabase* db = MakeTestDatabase(&owner, server.Host() + u':' + path, TestServer::Password());
        TpFIBTransaction* tr = MakeTestTransaction(&owner, u"tr"_s, db, true);
        db->Open(true);
        tr->StartTransaction();
        TpFIBQuery q;
        q.SetDatabase(db);
        q.SetTransaction(tr);
        for (const QString& sql : {u"insert into worker (worker_id, ibname) values (1, 'NOACCOUNT')"_s,
                                   u"insert into sys$user (id, ibname, lockedout) values (1, 'NOACCOUNT', 0)"_s}) {
            q.SetSQLText(sql);
            q.ExecQuery();
        }
        tr->Commit();
        db->Close();
        QString found, failed;
        QCOMPARE(check({u"--check"_s, u"--format"_s, u"csv"_s}, &found), 1);
        QVERIFY2(found.contains(u"user-without-account,NOACCOUNT,"_s), qPrintable(found));
        QCOMPARE(check({u"--check"_s, u"--server"_s, u"127.0.0.1/1"_s}, &failed), 2);
        QVERIFY2(failed.contains(u"Сверка не выполнена"_s), qPrintable(failed));
        QVERIFY(!found.contains(TestServer::Password()) && !failed.contains(TestServer::Password()));

        // The rights report: CSV and PDF written (a PDF is painted without a display too), a folder that
        // does not exist refused.
        const QString csv = dir.filePath(u"rights.csv"_s), pdf = dir.filePath(u"rights.pdf"_s);
        QCOMPARE(check({u"--report"_s, u"rights"_s, u"--format"_s, u"csv"_s, u"-o"_s, csv}), 0);
        QFile csvFile(csv);
        QVERIFY(csvFile.open(QIODevice::ReadOnly) && csvFile.readAll().contains("\r\nNOACCOUNT,"));
        QCOMPARE(check({u"--report"_s, u"rights"_s, u"-o"_s, pdf}), 0);
        QFile pdfFile(pdf);
        QVERIFY(pdfFile.open(QIODevice::ReadOnly) && pdfFile.read(5) == "%PDF-");
        QCOMPARE(check({u"--report"_s, u"rights"_s, u"-o"_s, dir.filePath(u"no/such.pdf"_s)}, &failed), 2);
        QVERIFY2(failed.contains(u"Отчёт не создан"_s), qPrintable(failed));
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
