#include "tests/support/TestServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QProcessEnvironment>
#include <stdexcept>

using namespace Qt::StringLiterals;

namespace {
QString Env(const char* name, const char* fallback) {
    QString v = qEnvironmentVariable(name);
    return v.isEmpty() ? QString::fromLatin1(fallback) : v;
}

QString Run(const QString& program, const QStringList& args, const QByteArray& input,
            const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForStarted(10000)) throw std::runtime_error("cannot start " + program.toStdString());
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(120000);
    QString out = QString::fromUtf8(p.readAllStandardOutput());
    QString err = QString::fromUtf8(p.readAllStandardError());
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        throw std::runtime_error((program + u": "_s + err + out).toStdString());
    return out;
}
}  // namespace


QString TestServer::Host() { return Env("TV_FB_HOST", "127.0.0.1/3063"); }
QString TestServer::User() { return Env("TV_FB_USER", "SYSDBA"); }
QString TestServer::Password() { return Env("TV_FB_PASSWORD", "masterkey"); }
QString TestServer::Client() { return Env("TV_FB_CLIENT", "libfbclient.so.2"); }
QString TestServer::DataDir() { return Env("TV_FB_DATADIR", "/tmp"); }
QString TestServer::SourceDir() { return Env("TV_SOURCE_DIR", "."); }
QString TestServer::TestData() { return Env("TV_TEST_DATA", "tests/data"); }
QString TestServer::FakeDir() { return Env("TV_FAKE_DIR", "."); }

TestDatabase::TestDatabase(const QString& name, bool demoData) {
    m_path = QDir(TestServer::DataDir()).filePath(
        u"%1_%2.fdb"_s.arg(name).arg(QCoreApplication::applicationPid()));
    QFile::remove(m_path);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"FB_PORT"_s, Env("TV_FB_PORT", "3063"));
    env.insert(u"FB_PASSWORD"_s, TestServer::Password());
    QStringList args{m_path};
    if (demoData) args << u"--demo"_s;
    Run(TestServer::SourceDir() + u"/scripts/make-db"_s, args, {}, env);
}

TestDatabase::~TestDatabase() {
    try {
        Isql(u"DROP DATABASE;"_s);
    } catch (...) {
        QFile::remove(m_path);
    }
}

QString TestDatabase::ConnectionString() const { return TestServer::Host() + u':' + m_path; }

QString TestDatabase::Isql(const QString& sql) const {
    return Run(u"isql-fb"_s,
               {u"-q"_s, u"-b"_s, u"-ch"_s, u"UTF8"_s, u"-user"_s, TestServer::User(), u"-password"_s,
                TestServer::Password(), ConnectionString()},
               sql.toUtf8());
}

TestOwnServer::TestOwnServer(int portOffset) : m_port(Env("TV_FB_PORT", "3063").toInt() + portOffset) {
    m_dir = TestServer::DataDir() + u"/../own_%1_%2"_s.arg(portOffset).arg(QCoreApplication::applicationPid());
    if (!Run(TestServer::SourceDir() + u"/scripts/fbserver"_s, {u"start"_s}))
        throw std::runtime_error("cannot start a server of the test's own");
}

TestOwnServer::~TestOwnServer() { Stop(); }

QString TestOwnServer::Host() const { return u"127.0.0.1/%1"_s.arg(m_port); }

void TestOwnServer::Stop() { Run(TestServer::SourceDir() + u"/scripts/fbserver"_s, {u"stop"_s}); }

bool TestOwnServer::MakeDb(const QString& path) {
    QFile::remove(path);
    return Run(TestServer::SourceDir() + u"/scripts/make-db"_s, {path});
}

bool TestOwnServer::Run(const QString& program, const QStringList& args) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"FB_RUNDIR"_s, m_dir);
    env.insert(u"FB_PORT"_s, QString::number(m_port));
    env.insert(u"FB_PASSWORD"_s, TestServer::Password());
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForStarted(10000)) return false;
    p.waitForFinished(60000);
    if (p.exitCode() != 0) qWarning("%s failed: %s", qPrintable(program), p.readAll().constData());
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}
