// The data grid: one search with no match over 100 000 rows ("С любой части поля", one column and
// "<All>"), and the users page of the groups-and-users window with 10 000 users opened until its first
// rows are painted (with the number of rows it fetched for that).
//
//   scripts/bench runs it; alone: bench_grid host/port:database [rows] (offscreen platform)
//
// WORKER and SYS$USER are emptied and filled first. Environment: FB_USER, FB_PASSWORD, FB_CLIENT.
#include "bench/BenchSupport.h"

#include <QApplication>
#include <QTabWidget>

#include "app/AppFonts.h"
#include "core/Exception.h"
#include "data/TDataSource.h"
#include "fib/TpFIBDataSet.h"
#include "fib/TpFIBDatabase.h"
#include "fib/TpFIBQuery.h"
#include "fib/TpFIBTransaction.h"
#include "ui/TDBGridEh.h"
#include "ui/TDBGridEhFindDlg.h"
#include "ui/TMessageBoxPrompts.h"
#include "ui/TUsersForm.h"
#include "ui_TUsersForm.h"

using namespace Qt::StringLiterals;

namespace {
void Fill(TpFIBDatabase& db, TpFIBTransaction& tw, int rows, bool logins) {
    tw.StartTransaction();
    TpFIBQuery q;
    q.SetDatabase(&db);
    q.SetTransaction(&tw);
    q.SetSQLText(u"delete from sys$user"_s);
    q.ExecQuery();
    q.SetSQLText(u"delete from worker"_s);
    q.ExecQuery();
    q.SetSQLText(u"EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN WHILE (I < %1) DO BEGIN\n"
                 " INSERT INTO WORKER (WORKER_ID, SURNAME, FIRSTNAME, MIDLENAME, PHONE_NO, NOTICE, WORKING, IBNAME)\n"
                 " VALUES (:I, 'Константинопольская', 'Анна-Мария', 'Святославовна', '+7 900 ' || :I,\n"
                 " 'Примечание к записи номер ' || :I, 1, 'USER' || :I);\n"
                 " %2 I = I + 1; END END"_s.arg(rows).arg(
                     logins ? u"INSERT INTO SYS$USER (ID, IBNAME, LOCKEDOUT) VALUES (:I, 'USER' || :I, 0);"_s : QString()));
    q.ExecQuery();
    tw.Commit();
}
}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InstallFontSubstitutes();
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_grid host/port:database [rows]\n");
        return 2;
    }
    const QString dbName = QString::fromLocal8Bit(argv[1]);
    const int searchRows = argc > 2 ? std::atoi(argv[2]) : 100000;
    const int users = 10000;
    try {
        QObject admin;
        admin.setObjectName(u"AdminForm"_s);
        const BenchConnection connection = OpenBenchConnection(&admin, dbName);
        TpFIBDatabase* db = connection.db;
        TpFIBTransaction *tr = connection.tr, *tw = connection.tw;

        // The search: every row fetched first, then one search that finds nothing.
        Fill(*db, *tw, searchRows, false);
        TpFIBDataSet ds(&admin);
        ds.SetName(u"dsWorkers"_s);
        ds.SetDatabase(db);
        ds.SetTransaction(tr);
        ds.SetSelectSQL({u"select worker_id, surname, firstname, midlename, phone_no, notice, ibname from worker"_s});
        TDataSource src;
        src.SetDataSet(&ds);
        TDBGridEh grid;
        grid.resize(800, 600);
        grid.SetColumns({{u"SURNAME"_s, u"Фамилия"_s}, {u"FIRSTNAME"_s, u"Имя"_s}, {u"MIDLENAME"_s, u"Отчество"_s},
                         {u"PHONE_NO"_s, u"Телефон"_s}, {u"NOTICE"_s, u"Примечание"_s}, {u"IBNAME"_s, u"LOGIN"_s}});
        grid.SetDataSource(&src);
        grid.show();
        ds.Open();
        ds.FetchAll();
        std::vector<double> one, all;
        for (int round = 0; round < 5; ++round) {
            for (int column : {0, -1}) {
                TGridSearch s;
                s.Pattern = u"нет такого текста"_s;
                s.Column = column;
                QElapsedTimer clock;
                clock.start();
                const bool found = s.FindNext(grid, false);
                (column < 0 ? all : one).push_back(Seconds(clock) * 1000);
                if (found || ds.RecNo() != 1) throw std::runtime_error("the search found something");
            }
        }
        std::printf("rows: %d (medians of 5 runs)\n", ds.RecordCount());
        std::printf("search, one column, no match : %8.1f ms (target 100)\n", Median(one));
        std::printf("search, <All> (6), no match  : %8.1f ms\n", Median(all));
        ds.Close();

        // The users page with 10 000 users, until its first rows are painted.
        Fill(*db, *tw, users, true);
        std::vector<double> paint;
        int fetched = 0;
        for (int round = 0; round < 5; ++round) {
            TMessageBoxPrompts prompts;
            TAdminConnection a;
            a.db = db, a.tr = tr, a.tw = tw;
            auto* form = new TUsersForm(prompts, a);
            form->show();
            QApplication::processEvents();
            TDBGridEh* g = form->Controls().DBGridEh4;
            PaintWatch watch;
            g->viewport()->installEventFilter(&watch);
            QElapsedTimer clock;
            clock.start();
            form->Controls().pc->setCurrentIndex(1);
            while (watch.Paints == 0 && clock.elapsed() < 5000) QApplication::processEvents();
            paint.push_back(Seconds(clock) * 1000);
            fetched = form->dsUsers->RecordCount();
            g->viewport()->removeEventFilter(&watch);
            form->close();
            QApplication::processEvents();
            tr->Commit();
        }
        std::printf("users page, %d users: first rows painted in %.1f ms (target 50), %d rows fetched\n", users,
                    Median(paint), fetched);
        db->Close();
    } catch (const Exception& e) {
        std::fprintf(stderr, "%s\n", e.Message().toLocal8Bit().constData());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
