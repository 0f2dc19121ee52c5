#pragma once
#include <QString>

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
