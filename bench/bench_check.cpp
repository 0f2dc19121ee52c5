// The check of users, accounts and privileges, and the grants, on a database with 1000 tables, 100 views,
// 100 procedures and 100 users: the grant to all objects for 10 users beside isql-fb running the same
// GRANT and COMMIT statements, the check over the 100 users, and "only the missing" with nothing and
// with one new table missing.
//   bench_check host/port:database
#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryFile>

#include "admin/AdminOperations.h"
#include "admin/AdminSql.h"
#include "admin/UserCheck.h"
#include "bench/BenchSupport.h"
#include "core/IUserPrompts.h"
#include "fib/TpFIBDatabase.h"
#include "fib/TpFIBQuery.h"
#include "fib/TpFIBTransaction.h"
#include "security/TUIBSecurity.h"

using namespace Qt::StringLiterals;

namespace {
struct SilentPrompts : IUserPrompts {
    void ShowError(const QString& text) override { std::fprintf(stderr, "error: %s\n", qPrintable(text)); }
    bool Confirm(const QString&) override { return true; }
    void ShowMessage(const QString&) override {}
    void ShowApplicationError(const QString& text) override { ShowError(text); }
};

QString Login(int i) { return u"BU%1"_s.arg(i, 3, 10, QChar(u'0')); }

// 1000 tables, 100 views, 100 procedures, 100 users with their rows and accounts.
void MakeObjectsAndUsers(TpFIBDatabase* db, TpFIBTransaction* tw) {
    std::printf("making 1000 tables, 100 views, 100 procedures, 100 users...\n");
    std::fflush(stdout);
    ExecCommitted(db, tw, u"execute block as declare i int = 0; begin while (i < 1000) do begin "
                          u"execute statement 'create table BT' || i || ' (ID integer)'; i = i + 1; end end"_s);
    ExecCommitted(db, tw, u"execute block as declare i int = 0; begin while (i < 100) do begin "
                          u"execute statement 'create view BV' || i || ' as select ID from BT' || i; "
                          u"execute statement 'create procedure BP' || i || ' returns (N integer) as begin N = ' || i || '; suspend; end'; "
                          u"i = i + 1; end end"_s);
    for (int i = 1; i <= 100; ++i) {
        ExecCommitted(db, tw, u"insert into worker (worker_id, ibname) values (%1, '%2')"_s.arg(10000 + i).arg(Login(i)));
        ExecCommitted(db, tw, u"insert into sys$user (id, ibname, lockedout) values (%1, '%2', 0)"_s.arg(10000 + i).arg(Login(i)));
        try {
            ExecCommitted(db, tw, u"create user %1 password 'x'"_s.arg(Login(i)));
        } catch (const Exception&) {
            if (tw->Active()) tw->Rollback();  // left by an earlier run on this server
        }
    }
}

// The grant to all objects for users 1..10 as the window does it, beside isql-fb running the same GRANT
// and COMMIT statements for users 11..20.
void CompareGrants(const TCheckContext& cc, IUserPrompts& prompts, const QString& dbName) {
    TAdminContext ac;
    ac.db = cc.db, ac.trReadQ = cc.trReadQ, ac.trWriteQ = cc.trWriteQ, ac.Prompts = &prompts;
    QElapsedTimer clock;
    clock.start();
    for (int i = 1; i <= 10; ++i) {
        AdminOps::GrantTablesAndViews(ac, Login(i));
        AdminOps::GrantProcedures(ac, Login(i));
    }
    const double ours = Seconds(clock);
    const int statements = 10 * (1 + 1100 + 100);
    QTemporaryFile script;
    script.open();
    for (int i = 11; i <= 20; ++i) {
        script.write(u"GRANT SELECT, UPDATE ON RDB$GENERATORS TO %1;\nCOMMIT;\n"_s.arg(Login(i)).toUtf8());
        for (int t = 0; t < 1000; ++t) script.write(u"GRANT ALL ON BT%1 TO %2;\nCOMMIT;\n"_s.arg(t).arg(Login(i)).toUtf8());
        for (int v = 0; v < 100; ++v) script.write(u"GRANT ALL ON BV%1 TO %2;\nCOMMIT;\n"_s.arg(v).arg(Login(i)).toUtf8());
        for (int p = 0; p < 100; ++p)
            script.write(u"GRANT EXECUTE ON PROCEDURE BP%1 TO %2;\nCOMMIT;\n"_s.arg(p).arg(Login(i)).toUtf8());
    }
    script.flush();
    clock.restart();
    QProcess isql;
    isql.start(u"isql-fb"_s, {u"-q"_s, u"-user"_s, Env("FB_USER", "SYSDBA"), u"-password"_s, Env("FB_PASSWORD", "masterkey"),
                              u"-i"_s, script.fileName(), dbName});
    isql.waitForFinished(-1);
    const double theirs = Seconds(clock);
    std::printf("grant to all objects, 10 users, %d statements: %.0f statements/s; isql-fb %.0f statements/s; ratio %.2f (target >= 0.9)\n",
                statements, statements / ours, statements / theirs, theirs / ours);
}
}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_check host/port:database\n");
        return 2;
    }
    const QString dbName = QString::fromLocal8Bit(argv[1]);
    try {
        QObject owner;
        const BenchConnection c = OpenBenchConnection(&owner, dbName);
        TUIBSecurity security;
        security.SetLibraryName(Env("FB_CLIENT", "libfbclient.so.2"));
        security.SetUserName(Env("FB_USER", "SYSDBA"));
        security.SetPassWord(Env("FB_PASSWORD", "masterkey"));
        security.SetProtocol(proTCPIP);
        security.SetHost(dbName.section(u':', 0, 0));
        SilentPrompts prompts;
        const TCheckContext cc{c.db, c.tr, c.tw, &security, Env("FB_USER", "SYSDBA")};

        // A database made by an earlier run is taken as it is: only the check is measured again.
        TpFIBQuery q;
        q.SetDatabase(c.db);
        q.SetTransaction(c.tr);
        q.SetSQLText(u"select count(*) from rdb$relations where rdb$relation_name = 'BT0'"_s);
        c.tr->StartTransaction();
        q.ExecQuery();
        const bool made = q.FieldAt(0).AsInteger() > 0;
        q.Close();
        c.tr->Commit();
        if (!made) {
            MakeObjectsAndUsers(c.db, c.tw);
            CompareGrants(cc, prompts, dbName);
            // Everyone else gets only what is missing, so that nothing is.
            for (const TFinding& f : UserCheck::MissingPrivileges(cc)) UserCheck::GrantMissing(cc, f);
        }

        QElapsedTimer clock;
        std::vector<double> check, missing;
        size_t findings = 0;
        for (int run = 0; run < 5; ++run) {
            clock.start();
            findings = UserCheck::Check(cc).size();
            check.push_back(Seconds(clock));
            clock.restart();
            UserCheck::GrantMissingToAll(cc, prompts, nullptr);
            missing.push_back(Seconds(clock));
        }
        std::printf("check over 100 users: %.3f s, %zu findings (target < 1 s)\n", Median(check), findings);
        std::printf("only the missing, nothing missing: %.3f s (target < 1 s)\n", Median(missing));
        // A table made anew (the one of an earlier run dropped with its privileges) lacks its five
        // privileges for every user.
        ExecCommitted(c.db, c.tw, u"execute block as begin if (exists(select 1 from rdb$relations where "
                                  u"rdb$relation_name = 'BT_NEW')) then execute statement 'drop table BT_NEW'; end"_s);
        ExecCommitted(c.db, c.tw, u"create table BT_NEW (ID integer)"_s);
        clock.restart();
        const int granted = UserCheck::GrantMissingToAll(cc, prompts, nullptr);
        std::printf("only the missing after one new table: %d privileges in 100 grants, %.3f s (target < 2 s)\n", granted,
                    Seconds(clock));
        c.db->Close();
    } catch (const Exception& e) {
        std::fprintf(stderr, "bench_check: %s\n", qPrintable(e.Message()));
        return 1;
    }
    return 0;
}
