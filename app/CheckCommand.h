#pragma once
#include <QObject>
#include <QString>
#include <functional>

#include "admin/UserCheck.h"

struct TCommandLine;

// What a command without windows works with: the login values of the command line (the settings file's
// where not given), the client library as stored, the password from ISC_PASSWORD or typed on the terminal
// without echo (never an argument), a connection and its read and write transactions.
class TCommandSession {
public:
    // failure: the words that start a failure's line on standard error, such as "Сверка не выполнена".
    TCommandSession(const TCommandLine& line, const QString& failure);
    // Connects and runs work, returning its status; 2 when the session could not be set up or a failure
    // left work (the reason on standard error).
    int Run(const std::function<int()>& work);

    QString Server, Database;
    TCheckContext Context;

private:
    void Fail(const QString& why) const;

    QObject m_owner;
    QString m_failure;
    bool m_ready = false;
};

// `tvadmin --check`: the check of users, accounts and privileges on a QCoreApplication, no window.
// Returns the exit status: 0 everything in step, 1 findings, 2 the check could not run (the reason on
// standard error).
int RunCheckCommand(const TCommandLine& line);

// `tvadmin --report rights --format pdf|csv -o FILE`: the rights report written to FILE (a PDF needs a
// QGuiApplication). Returns 0 when written, 2 when not (the reason on standard error).
int RunReportCommand(const TCommandLine& line);
