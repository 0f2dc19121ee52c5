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

void Exec(TpFIBQuery& q, TpFIBTransaction& tw, const QString& sql) {
    if (!tw.Active()) tw.StartTransaction();
    q.SetSQLText(sql);
    q.ExecQuery();
    tw.Commit();
}

QString Login(int i) { return u"BU%1"_s.arg(i, 3, 10, QChar(u'0')); }
}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_check host/port:database\n");
        return 2;
    }
    const QString dbName = QString::fromLocal8Bit(argv[1]);
    const QString user = Env("FB_USER", "SYSDBA"), password = Env("FB_PASSWORD", "masterkey");
    const QString client = Env("FB_CLIENT", "libfbclient.so.2");
    try {
        TpFIBDatabase db;
        db.SetName(u"db"_s);
        db.SetDBName(dbName);
        db.SetLibraryName(client);
        db.SetSQLDialect(3);
        db.DBParams().SetLines({u"lc_ctype=WIN1251"_s, u"user_name="_s + user, u"password="_s + password});
        TpFIBTransaction tr, tw;
        tr.SetName(u"trReadQ"_s);
        tw.SetName(u"trWriteQ"_s);
        for (auto [t, word] : {std::pair{&tr, u"read"_s}, std::pair{&tw, u"write"_s}}) {
            t->SetDefaultDatabase(&db);
            t->SetTPBMode(tpbDefault);
            t->SetTimeoutAction(TACommit);
            t->TRParams().SetLines({word, u"nowait"_s, u"rec_version"_s, u"read_committed"_s});
        }
        db.Open(true);
        TUIBSecurity security;
        security.SetLibraryName(client);
        security.SetUserName(user);
        security.SetPassWord(password);
        security.SetProtocol(proTCPIP);
        security.SetHost(dbName.section(u':', 0, 0));

        TpFIBQuery q;
        q.SetTransaction(&tw);
        q.SetParamCheck(false);
        SilentPrompts prompts;
        TCheckContext cc{&db, &tr, &tw, &security, user};
        // A database made by an earlier run is taken as it is: only the check is measured again.
        q.SetSQLText(u"select count(*) from rdb$relations where rdb$relation_name = 'BT0'"_s);
        tw.StartTransaction();
        q.ExecQuery();
        const bool made = q.FieldAt(0).AsInteger() > 0;
        q.Close();
        tw.Commit();
        QElapsedTimer clock;
        if (!made) {
        std::printf("making 1000 tables, 100 views, 100 procedures, 100 users...\n");
        std::fflush(stdout);
        Exec(q, tw, u"execute block as declare i int = 0; begin while (i < 1000) do begin "
                    u"execute statement 'create table BT' || i || ' (ID integer)'; i = i + 1; end end"_s);
        Exec(q, tw, u"execute block as declare i int = 0; begin while (i < 100) do begin "
                    u"execute statement 'create view BV' || i || ' as select ID from BT' || i; "
                    u"execute statement 'create procedure BP' || i || ' returns (N integer) as begin N = ' || i || '; suspend; end'; "
                    u"i = i + 1; end end"_s);
        for (int i = 1; i <= 100; ++i) {
            Exec(q, tw, u"insert into worker (worker_id, ibname) values (%1, '%2')"_s.arg(10000 + i).arg(Login(i)));
            Exec(q, tw, u"insert into sys$user (id, ibname, lockedout) values (%1, '%2', 0)"_s.arg(10000 + i).arg(Login(i)));
            try {
                Exec(q, tw, u"create user %1 password 'x'"_s.arg(Login(i)));
            } catch (const Exception&) {
                if (tw.Active()) tw.Rollback();  // left by an earlier run on this server
            }
        }

        TAdminContext ac;
        ac.db = &db, ac.trReadQ = &tr, ac.trWriteQ = &tw, ac.Prompts = &prompts;
        // The grant to all objects for users 1..10, as the window does it.
        clock.start();
        for (int i = 1; i <= 10; ++i) {
            AdminOps::GrantTablesAndViews(ac, Login(i));
            AdminOps::GrantProcedures(ac, Login(i));
        }
        const double ours = Seconds(clock);
        const int statements = 10 * (1 + 1100 + 100);
        // isql-fb with the same statements for users 11..20, each followed by COMMIT.
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
        isql.start(u"isql-fb"_s, {u"-q"_s, u"-user"_s, user, u"-password"_s, password, u"-i"_s, script.fileName(), dbName});
        isql.waitForFinished(-1);
        const double theirs = Seconds(clock);
        std::printf("grant to all objects, 10 users, %d statements: %.0f statements/s; isql-fb %.0f statements/s; ratio %.2f (target >= 0.9)\n",
                    statements, statements / ours, statements / theirs, theirs / ours);

        // Everyone else gets only what is missing, so that nothing is.
        for (const TFinding& f : UserCheck::MissingPrivileges(cc)) UserCheck::GrantMissing(cc, f);
        }
        std::vector<double> check, missing;
        size_t findings = 0;
        for (int run = 0; run < 5; ++run) {
            clock.restart();
            findings = UserCheck::Check(cc).size();
            check.push_back(Seconds(clock));
            clock.restart();
            UserCheck::GrantMissingToAll(cc, prompts, nullptr);
            missing.push_back(Seconds(clock));
        }
        std::printf("check over 100 users: %.3f s, %zu findings (target < 1 s)\n", Median(check), findings);
        std::printf("only the missing, nothing missing: %.3f s (target < 1 s)\n", Median(missing));
        if (made) {
            db.Close();
            return 0;
        }
        Exec(q, tw, u"create table BT_NEW (ID integer)"_s);
        clock.restart();
        const int granted = UserCheck::GrantMissingToAll(cc, prompts, nullptr);
        std::printf("only the missing after one new table: %d privileges in 100 grants, %.3f s (target < 2 s)\n", granted,
                    Seconds(clock));
        db.Close();
    } catch (const Exception& e) {
        std::fprintf(stderr, "bench_check: %s\n", qPrintable(e.Message()));
        return 1;
    }
    return 0;
}
