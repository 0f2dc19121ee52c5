#pragma once
#include <QString>
#include <QStringList>

// Where the tests' private Firebird server is, as the test environment says.
struct TestServer {
    static QString Host();       // "127.0.0.1/<port>"
    static QString User();       // SYSDBA
    static QString Password();   // its password
    static QString Client();     // client library file name
    static QString DataDir();    // folder of the server's databases
    static QString SourceDir();  // the source tree
    static QString TestData();   // tests/data
    static QString FakeDir();    // folder of the fake client libraries
};

// A database of its own for one test class: made from db/schema.sql when constructed,
// dropped when destroyed. Throws std::runtime_error when it cannot be made.
class TestDatabase {
public:
    explicit TestDatabase(const QString& name, bool demoData = false);
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    QString Path() const { return m_path; }
    // Connection string for the private server: host/port:path.
    QString ConnectionString() const;
    // Runs SQL through isql-fb (UTF-8 connection); returns its standard output. Throws on failure.
    QString Isql(const QString& sql) const;

private:
    QString m_path;
};

// A private server of one test alone (port TV_FB_PORT + offset), which the test may stop while a
// database is attached. Started when constructed, stopped when destroyed.
class TestOwnServer {
public:
    explicit TestOwnServer(int portOffset = 17);
    ~TestOwnServer();
    TestOwnServer(const TestOwnServer&) = delete;
    TestOwnServer& operator=(const TestOwnServer&) = delete;

    QString Host() const;
    QString Dir() const { return m_dir; }
    void Stop();
    // Makes a database from db/schema.sql at path (replacing a file left there); false on failure.
    bool MakeDb(const QString& path);

private:
    bool Run(const QString& program, const QStringList& args);
    int m_port;
    QString m_dir;
};
