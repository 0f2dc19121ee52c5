// Fetch and statement rates of the data-access layer beside a plain client-library loop and isql-fb.
//
//   FB_RUNDIR=/tmp/bench-fb FB_PORT=3077 scripts/fbserver start
//   FB_PORT=3077 scripts/make-db /tmp/bench-fb/data/bench.fdb
//   cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release && cmake --build build-release -j2 --target bench_fetch
//   build-release/bench/bench_fetch 127.0.0.1/3077:/tmp/bench-fb/data/bench.fdb [rows] [inserts]
//   FB_RUNDIR=/tmp/bench-fb FB_PORT=3077 scripts/fbserver stop
//
// The WORKER table is emptied and filled with rows of Cyrillic text first. Environment: FB_USER,
// FB_PASSWORD (SYSDBA, masterkey), FB_CLIENT (libfbclient.so.2).
#include "bench/BenchSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <vector>

#include "core/Exception.h"
#include "fib/TpFIBDatabase.h"
#include "fib/TpFIBQuery.h"
#include "fib/TpFIBTransaction.h"

using namespace Qt::StringLiterals;

namespace {


// Seconds isql-fb takes to run the script with its output thrown away.
double IsqlSeconds(const QString& dbName, const QString& user, const QString& password, const QByteArray& script) {
    QProcess isql;
    isql.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    isql.start(u"isql-fb"_s, {u"-q"_s, u"-ch"_s, u"WIN1251"_s, u"-user"_s, user, u"-password"_s, password, dbName});
    isql.write(script);
    isql.closeWriteChannel();
    if (!isql.waitForFinished(300000) || isql.exitCode() != 0) throw std::runtime_error("isql-fb failed");
    return double(clock.nsecsElapsed()) / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_fetch host/port:database [rows] [inserts]\n");
        return 2;
    }
    const QString dbName = QString::fromLocal8Bit(argv[1]);
    const int rowsWanted = argc > 2 ? std::atoi(argv[2]) : 100000;
    const int inserts = argc > 3 ? std::atoi(argv[3]) : 2000;
    const QString user = Env("FB_USER", "SYSDBA"), password = Env("FB_PASSWORD", "masterkey");
    const QString client = Env("FB_CLIENT", "libfbclient.so.2");
    const char* select = "select * from worker";
    try {
        TpFIBDatabase db;
        db.SetName(u"db"_s);
        db.SetDBName(dbName);
        db.SetLibraryName(client);
        db.SetSQLDialect(3);
        db.DBParams().SetLines({u"lc_ctype=WIN1251"_s, u"user_name="_s + user, u"password="_s + password});
        TpFIBTransaction tr, tw;
        for (auto [t, words] : {std::pair{&tr, QStringList{u"read"_s, u"nowait"_s, u"rec_version"_s, u"read_committed"_s}},
                                std::pair{&tw, QStringList{u"write"_s, u"nowait"_s, u"rec_version"_s, u"read_committed"_s}}}) {
            t->SetDefaultDatabase(&db);
            t->SetTPBMode(tpbDefault);
            t->SetTimeoutAction(TACommit);
            t->TRParams().SetLines(words);
        }
        db.Open(true);

        // The table, filled on the server in one block.
        tw.StartTransaction();
        {
            TpFIBQuery fill;
            fill.SetTransaction(&tw);
            fill.SetSQLText(u"delete from worker"_s);
            fill.ExecQuery();
            fill.SetSQLText(
                u"EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN WHILE (I < %1) DO BEGIN\n"
                " INSERT INTO WORKER (WORKER_ID, SURNAME, FIRSTNAME, MIDLENAME, PHONE_NO, NOTICE, WORKING, IBNAME)\n"
                " VALUES (:I, 'Константинопольская', 'Анна-Мария', 'Святославовна', '+7 900 ' || :I,\n"
                " 'Примечание к записи номер ' || :I, 1, 'USER' || :I); I = I + 1; END END"_s.arg(rowsWanted));
            fill.ExecQuery();
        }
        tw.Commit();

        PlainClient plain(client);
        std::vector<double> plainRates, layerRates, isqlRates;
        long rows = 0;
        double rawBytes = 0;
        for (int round = 0; round < 5; ++round) {
            plainRates.push_back(plain.Fetch(dbName.toLocal8Bit(), user.toLatin1(), password.toLatin1(), select, rows, rawBytes));

            tr.StartTransaction();
            TpFIBQuery q;
            q.SetTransaction(&tr);
            q.SetSQLText(QString::fromLatin1(select));
            q.Prepare();
            QElapsedTimer clock;
            clock.start();
            q.ExecQuery();
            long layerRows = 0, sink = 0;
            const int columns = q.FieldCount();
            while (!q.Eof()) {
                for (int i = 0; i < columns; ++i) sink += q.FieldAt(i).Value().isValid();
                ++layerRows;
                q.Next();
            }
            layerRates.push_back(double(layerRows) / (double(clock.nsecsElapsed()) / 1e9));
            q.Close();
            tr.Commit();
            if (layerRows != rows || sink != layerRows * columns) throw std::runtime_error("row counts differ");

            const double empty = IsqlSeconds(dbName, user, password, "select 1 from rdb$database;\n");
            const double full = IsqlSeconds(dbName, user, password, "select * from worker;\n");
            isqlRates.push_back(double(rows) / std::max(1e-6, full - empty));
        }

        // Prepare and execute of a one-row insert with parameters, on a fresh text each time.
        tw.StartTransaction();
        TpFIBQuery ins;
        ins.SetTransaction(&tw);
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < inserts; ++i) {
            ins.SetSQLText(u"insert into worker (worker_id, surname, firstname, working) values (:id, :surname, :firstname, :working)"_s);
            ins.ParamNamed(u"id"_s).SetValue(rowsWanted + i);
            ins.ParamNamed(u"surname"_s).SetValue(u"Петров"_s);
            ins.ParamNamed(u"firstname"_s).SetValue(u"Пётр"_s);
            ins.ParamNamed(u"working"_s).SetValue(1);
            ins.ExecQuery();
        }
        const double insertRate = inserts / (double(clock.nsecsElapsed()) / 1e9);
        tw.Rollback();
        db.Close();

        const double p = Median(plainRates), l = Median(layerRates), s = Median(isqlRates);
        std::printf("rows fetched: %ld (medians of 5 runs)\n", rows);
        std::printf("plain isc_dsql_fetch loop : %10.0f rows/s  1.00\n", p);
        std::printf("TpFIBQuery, every Value() : %10.0f rows/s  %.2f\n", l, l / p);
        std::printf("isql-fb to /dev/null      : %10.0f rows/s  %.2f (start-up subtracted)\n", s, s / p);
        std::printf("prepare+execute INSERT    : %10.0f statements/s (%d)\n", insertRate, inserts);
    } catch (const Exception& e) {
        std::fprintf(stderr, "%s\n", e.Message().toLocal8Bit().constData());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
