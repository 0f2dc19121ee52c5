#pragma once
#include <QString>

class QObject;
class TpFIBDatabase;
class TpFIBTransaction;

// A database component named "db" set up as the administrator window sets it up, for dbName and
// the test server's SYSDBA with the given password. Not connected.
TpFIBDatabase* MakeTestDatabase(QObject* owner, const QString& dbName, const QString& password);

// A transaction on db with the program's read or write parameter words, no timeout, ended by commit.
TpFIBTransaction* MakeTestTransaction(QObject* owner, const QString& name, TpFIBDatabase* db, bool writing);
