// Open + FetchAll through TpFIBDataSet beside a plain client-library loop and TpFIBQuery; the time to
// open and show the first 50 rows; the memory of the row cache per row against the raw row bytes.
//
//   FB_RUNDIR=/tmp/bench-ds FB_PORT=3079 scripts/fbserver start
//   FB_PORT=3079 scripts/make-db /tmp/bench-ds/data/bench.fdb
//   cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release && cmake --build build-release -j2 --target
//   bench_dataset build-release/bench/bench_dataset 127.0.0.1/3079:/tmp/bench-ds/data/bench.fdb [rows]
//   FB_RUNDIR=/tmp/bench-ds FB_PORT=3079 scripts/fbserver stop
//
// The WORKER table is emptied and filled with rows of Cyrillic text first. Environment: FB_USER,
// FB_PASSWORD (SYSDBA, masterkey), FB_CLIENT (libfbclient.so.2).
#include "bench/BenchSupport.h"
#include <malloc.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "core/Exception.h"
#include "data/TField.h"
#include "fib/TpFIBDataSet.h"
#include "fib/TpFIBDatabase.h"
#include "fib/TpFIBQuery.h"
#include "fib/TpFIBTransaction.h"

using namespace Qt::StringLiterals;

namespace {

size_t HeapInUse() {
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

// The plain loop over the client library's own calls; also measures the raw bytes of the rows: the

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_dataset host/port:database [rows]\n");
        return 2;
    }
    const QString dbName = QString::fromLocal8Bit(argv[1]);
    const int rowsWanted = argc > 2 ? std::atoi(argv[2]) : 100000;
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
        tr.SetName(u"tr"_s);
        tw.SetName(u"tw"_s);
        for (auto [t, words] :
             {std::pair{&tr, QStringList{u"read"_s, u"nowait"_s, u"rec_version"_s, u"read_committed"_s}},
              std::pair{&tw, QStringList{u"write"_s, u"nowait"_s, u"rec_version"_s, u"read_committed"_s}}}) {
            t->SetDefaultDatabase(&db);
            t->SetTPBMode(tpbDefault);
            t->SetTimeoutAction(TACommit);
            t->TRParams().SetLines(words);
        }
        db.Open(true);

        tw.StartTransaction();
        {
            TpFIBQuery fill;
            fill.SetTransaction(&tw);
            fill.SetSQLText(u"delete from worker"_s);
            fill.ExecQuery();
            fill.SetSQLText(
                u"EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN WHILE (I < %1) DO BEGIN\n"
                " INSERT INTO WORKER (WORKER_ID, SURNAME, FIRSTNAME, MIDLENAME, PHONE_NO, NOTICE, WORKING, "
                "IBNAME)\n"
                " VALUES (:I, 'Константинопольская', 'Анна-Мария', 'Святославовна', '+7 900 ' || :I,\n"
                " 'Примечание к записи номер ' || :I, 1, 'USER' || :I); I = I + 1; END END"_s.arg(
                    rowsWanted));
            fill.ExecQuery();
        }
        tw.Commit();

        PlainClient plain(client);
        std::vector<double> plainRates, queryRates, dataSetRates, firstRows, bytesPerRow;
        long rows = 0;
        double rawBytes = 0;
        for (int round = 0; round < 5; ++round) {
            plainRates.push_back(plain.Fetch(dbName.toLocal8Bit(), user.toLatin1(), password.toLatin1(),
                                             select, rows, rawBytes));

            {
                tr.StartTransaction();
                TpFIBQuery q;
                q.SetTransaction(&tr);
                q.SetSQLText(QString::fromLatin1(select));
                q.Prepare();
                QElapsedTimer clock;
                clock.start();
                q.ExecQuery();
                long n = 0, sink = 0;
                const int columns = q.FieldCount();
                while (!q.Eof()) {
                    for (int i = 0; i < columns; ++i) sink += q.FieldAt(i).Value().isValid();
                    ++n;
                    q.Next();
                }
                queryRates.push_back(double(n) / Seconds(clock));
                q.Close();
                tr.Commit();
                if (n != rows) throw std::runtime_error("row counts differ (query)");
            }

            {
                TpFIBDataSet ds;
                ds.SetName(u"dsWorkers"_s);
                ds.SetDatabase(&db);
                ds.SetTransaction(&tr);
                ds.SetSelectSQL({QString::fromLatin1(select)});
                const size_t heapBefore = HeapInUse();
                QElapsedTimer clock;
                clock.start();
                ds.Open();
                ds.FetchAll();
                dataSetRates.push_back(double(ds.RecordCount()) / Seconds(clock));
                if (ds.RecordCount() != rows) throw std::runtime_error("row counts differ (dataset)");
                bytesPerRow.push_back(double(HeapInUse() - heapBefore) / double(rows));
                ds.Close();
                tr.Commit();
            }

            {
                // The lazy path: open and read every field of the first 50 rows, as a grid shows them.
                TpFIBDataSet ds;
                ds.SetName(u"dsFirst"_s);
                ds.SetDatabase(&db);
                ds.SetTransaction(&tr);
                ds.SetSelectSQL({QString::fromLatin1(select)});
                QElapsedTimer clock;
                clock.start();
                ds.Open();
                qsizetype sink = 0;
                for (int i = 0; i < 50 && !ds.Eof(); ++i) {
                    for (TField* f : ds.Fields()) sink += f->DisplayText().size();
                    ds.Next();
                }
                firstRows.push_back(Seconds(clock) * 1000);
                if (sink == 0 || ds.AllFetched()) throw std::runtime_error("the first rows were not lazy");
                ds.Close();
                tr.Commit();
            }
        }
        db.Close();

        const double p = Median(plainRates), q = Median(queryRates), d = Median(dataSetRates);
        const double mem = Median(bytesPerRow);
        std::printf("rows fetched: %ld (medians of 5 runs)\n", rows);
        std::printf("plain isc_dsql_fetch loop      : %10.0f rows/s  1.00\n", p);
        std::printf("TpFIBQuery, every Value()      : %10.0f rows/s  %.2f\n", q, q / p);
        std::printf("TpFIBDataSet Open + FetchAll   : %10.0f rows/s  %.2f (target 0.60)\n", d, d / p);
        std::printf("open and show the first 50 rows: %10.2f ms (target 50)\n", Median(firstRows));
        std::printf(
            "row cache per row              : %10.1f bytes, raw row %.1f bytes, %.2f times (target 3)\n", mem,
            rawBytes, mem / rawBytes);
    } catch (const Exception& e) {
        std::fprintf(stderr, "%s\n", e.Message().toLocal8Bit().constData());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
