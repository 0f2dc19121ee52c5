#include "tests/support/TestConnection.h"

#include "fib/TpFIBDatabase.h"
#include "fib/TpFIBTransaction.h"
#include "tests/support/TestServer.h"

using namespace Qt::StringLiterals;

TpFIBDatabase* MakeTestDatabase(QObject* owner, const QString& dbName, const QString& password) {
    auto* db = new TpFIBDatabase(owner);
    db->SetName(u"db"_s);
    db->SetDBName(dbName);
    db->SetLibraryName(TestServer::Client());
    db->SetSQLDialect(3);
    db->DBParams().SetLines({u"lc_ctype=WIN1251"_s, u"user_name=SYSDBA"_s});
    db->ConnectParams().SetUserName(TestServer::User());
    db->ConnectParams().SetPassword(password);
    return db;
}

TpFIBTransaction* MakeTestTransaction(QObject* owner, const QString& name, TpFIBDatabase* db, bool writing) {
    auto* t = new TpFIBTransaction(owner);
    t->SetName(name);
    t->SetDefaultDatabase(db);
    t->SetTimeoutAction(TACommit);
    t->SetTPBMode(tpbDefault);
    t->TRParams().SetLines({writing ? u"write"_s : u"read"_s, u"nowait"_s, u"rec_version"_s, u"read_committed"_s});
    return t;
}
