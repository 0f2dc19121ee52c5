// What users may do: 200 groups (every tenth blocked), 500 rights, 10 rights per group, 20 groups per
// user. With 1 000 users: the rights report as CSV and as PDF (read and written). With 10 000 users: the
// page "Права пользователя" painted after moving to the next user, and "who holds" for one right (every
// holder fetched).
//
//   scripts/bench runs it; alone: bench_rights host/port:database (offscreen platform)
//
// The administration tables are emptied and filled first. Environment: FB_USER, FB_PASSWORD, FB_CLIENT.
#include "bench/BenchSupport.h"

#include <QApplication>
#include <QTabWidget>
#include <QTemporaryDir>

#include "admin/Rights.h"
#include "app/AppFonts.h"
#include "core/Csv.h"
#include "core/Exception.h"
#include "fib/TpFIBDataSet.h"
#include "fib/TpFIBDatabase.h"
#include "fib/TpFIBQuery.h"
#include "fib/TpFIBTransaction.h"
#include "ui/TDBGridEh.h"
#include "ui/TMessageBoxPrompts.h"
#include "ui/TUsersForm.h"
#include "ui_TUsersForm.h"

using namespace Qt::StringLiterals;

namespace {
// Users from..to-1 with their logins and 20 groups each.
void AddUsers(TpFIBDatabase* db, TpFIBTransaction* tw, int from, int to) {
    ExecCommitted(db, tw, u"execute block as declare i integer = %1; declare k integer; begin while (i < %2) do begin "
                 u"insert into worker (worker_id, surname, firstname, midlename, working, ibname) "
                 u"values (:i, 'Фамилия' || :i, 'Имя', 'Отчество', 1, 'U' || :i); "
                 u"insert into sys$user (id, ibname, lockedout) values (:i, 'U' || :i, iif(mod(:i, 50) = 0, 1, 0)); "
                 u"k = 0; while (k < 20) do begin "
                 u"insert into sys$user_groups (user_id, group_id) values (:i, mod(:i * 13 + :k * 10, 200) + 1); k = k + 1; end "
                 u"i = i + 1; end end"_s.arg(from).arg(to));
}
}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InstallFontSubstitutes();
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_rights host/port:database\n");
        return 2;
    }
    const QString dbName = QString::fromLocal8Bit(argv[1]);
    try {
        QObject admin;
        admin.setObjectName(u"AdminForm"_s);
        const BenchConnection connection = OpenBenchConnection(&admin, dbName);
        TpFIBDatabase* db = connection.db;
        TpFIBTransaction *tr = connection.tr, *tw = connection.tw;

        for (const char16_t* table : {u"sys$user_groups", u"sys$group_rights", u"sys$user", u"worker", u"sys$group", u"sys$rights"})
            ExecCommitted(db, tw, u"delete from "_s + QString::fromUtf16(table));
        ExecCommitted(db, tw, u"execute block as declare i integer = 1; begin while (i <= 500) do begin "
                       u"insert into sys$rights (id, rights, category, notice) values (:i, 'Разрешение ' || :i, "
                       u"'Категория ' || mod(:i, 12), 'Описание, \"в кавычках\"'); i = i + 1; end end"_s);
        ExecCommitted(db, tw, u"execute block as declare i integer = 1; declare k integer; begin while (i <= 200) do begin "
                       u"insert into sys$group (id, group_name, lockedout) values (:i, 'Группа ' || :i, iif(mod(:i, 10) = 0, 1, 0)); "
                       u"k = 0; while (k < 10) do begin insert into sys$group_rights (group_id, right_id) "
                       u"values (:i, mod(:i * 7 + :k * 50, 500) + 1); k = k + 1; end i = i + 1; end end"_s);
        AddUsers(db, tw, 1, 1001);

        QTemporaryDir dir;
        std::vector<double> csv, pdf;
        size_t rows = 0;
        for (int round = 0; round < 3; ++round) {
            QElapsedTimer clock;
            clock.start();
            const Rights::TReport report = Rights::ReadReport(db, tr, u"server"_s, u"database"_s);
            const QString text = Rights::ReportCsv(report);
            if (!Csv::Save(dir.filePath(u"rights.csv"_s), text, nullptr)) throw std::runtime_error("cannot write the CSV");
            csv.push_back(Seconds(clock));
            rows = size_t(text.count(u'\n'));
            clock.restart();
            Rights::WriteReportPdf(Rights::ReadReport(db, tr, u"server"_s, u"database"_s), dir.filePath(u"rights.pdf"_s));
            pdf.push_back(Seconds(clock));
        }
        std::printf("rights report, 1000 users: CSV %.3f s (%zu lines; target < 1 s), PDF %.3f s (%lld KB; target < 5 s)\n",
                    Median(csv), rows, Median(pdf), QFileInfo(dir.filePath(u"rights.pdf"_s)).size() / 1024);
        std::fflush(stdout);

        AddUsers(db, tw, 1001, 10001);
        // Who holds a right: every holder fetched.
        std::vector<double> holders;
        int holderCount = 0;
        for (int right = 1; right <= 20; ++right) {
            TpFIBQuery q;
            q.SetDatabase(db);
            q.SetTransaction(tr);
            q.SetSQLText(Rights::HoldersSelect().join(u'\n'));
            tr->StartTransaction();
            QElapsedTimer clock;
            clock.start();
            q.ParamNamed(u"ID"_s).SetValue(right * 23);
            q.ExecQuery();
            holderCount = 0;
            while (!q.Eof()) ++holderCount, q.Next();
            holders.push_back(Seconds(clock) * 1000);
            q.Close();
            tr->Commit();
        }
        std::printf("who holds one right, 10000 users: %.1f ms (%d holders; target < 100 ms)\n", Median(holders), holderCount);
        std::fflush(stdout);

        // The page, moving from user to user as the Down key does.
        TMessageBoxPrompts prompts;
        TAdminConnection a;
        a.db = db, a.tr = tr, a.tw = tw;
        auto* form = new TUsersForm(prompts, a);
        form->resize(1200, 800);
        form->show();
        form->Controls().pc->setCurrentIndex(1);
        form->Controls().pcUserRA->setCurrentIndex(1);
        QApplication::processEvents();
        TDBGridEh* page = form->Controls().DBGridEh7;
        PaintWatch watch;
        page->viewport()->installEventFilter(&watch);
        std::vector<double> moves;
        int shown = 0;
        for (int move = 0; move < 30; ++move) {
            QApplication::processEvents();
            watch.Paints = 0;
            QElapsedTimer clock;
            clock.start();
            form->dsUsers->Next();
            while (watch.Paints == 0 && clock.elapsed() < 5000) QApplication::processEvents();
            moves.push_back(Seconds(clock) * 1000);
            shown = form->dsUR->RecordCount();
        }
        std::printf("page \"Права пользователя\", 10000 users: painted %.1f ms after moving to the next user "
                    "(%d rights shown; target < 30 ms)\n",
                    Median(moves), shown);
        page->viewport()->removeEventFilter(&watch);
        form->close();
        QApplication::processEvents();
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
