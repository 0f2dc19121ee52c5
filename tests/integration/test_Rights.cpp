// What users may do, against the real server: the page's query and the report agree with the union of
// the groups' rights, blocked groups and users mark them, who-holds agrees with a hand-written query,
// the CSV reads back through a CSV reader and the PDF holds every login.
#include <QHeaderView>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "admin/Rights.h"
#include "core/Csv.h"
#include "data/TDataSource.h"
#include "fib/TpFIBDataSet.h"
#include "fib/TpFIBDatabase.h"
#include "fib/TpFIBQuery.h"
#include "fib/TpFIBTransaction.h"
#include "tests/support/TestConnection.h"
#include "tests/support/TestServer.h"
#include "ui/TDBGridEh.h"

using namespace Qt::StringLiterals;

namespace {
// RFC 4180 as a spreadsheet reads it: quoted fields may hold commas, doubled quotes and line breaks.
QList<QStringList> ReadCsv(const QString& text) {
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') field += c, ++i;
            else if (c == u'"') quoted = false;
            else field += c;
        } else if (c == u'"') quoted = true;
        else if (c == u',') row << field, field.clear();
        else if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            row << field, field.clear();
            rows << row, row.clear();
            ++i;
        } else field += c;
    }
    if (!field.isEmpty() || !row.isEmpty()) rows << (row << field);
    return rows;
}
}  // namespace

class TestRights : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_db;
    QObject m_owner;
    TpFIBDatabase* m_fib = nullptr;
    TpFIBTransaction* m_tr = nullptr;

    // Rows of a select, the values as trimmed texts; :ID is id.
    QList<QStringList> Rows(const QString& sql, int id = 0) {
        TpFIBQuery q;
        q.SetDatabase(m_fib);
        q.SetTransaction(m_tr);
        q.SetSQLText(sql);
        m_tr->StartTransaction();
        if (sql.contains(u":ID"_s)) q.ParamNamed(u"ID"_s).SetValue(id);
        q.ExecQuery();
        QList<QStringList> rows;
        for (; !q.Eof(); q.Next()) {
            QStringList row;
            for (int i = 0; i < q.FieldCount(); ++i) row << q.FieldAt(i).Value().toString().trimmed();
            rows << row;
        }
        q.Close();
        m_tr->Commit();
        return rows;
    }
    Rights::TReport Report() { return Rights::ReadReport(m_fib, m_tr, TestServer::Host(), m_db->Path()); }

private slots:
    void initTestCase() {
        m_db = std::make_unique<TestDatabase>(u"rights"_s, true);
        // A user of its own in two groups: "Общее" given by both, each group one right of its own; the
        // group names hold a comma and quotes.
        m_db->Isql(u"insert into sys$rights (id, rights, category) values (901, 'Общее', 'Тест');\n"
                   u"insert into sys$rights (id, rights, category) values (902, 'Только А', 'Тест');\n"
                   u"insert into sys$rights (id, rights, category) values (903, 'Только Б', 'Тест');\n"
                   u"insert into sys$group (id, group_name, lockedout) values (901, 'А, \"первая\"', 0);\n"
                   u"insert into sys$group (id, group_name, lockedout) values (902, 'Б', 0);\n"
                   u"insert into sys$group_rights values (901, 901);\ninsert into sys$group_rights values (902, 901);\n"
                   u"insert into sys$group_rights values (901, 902);\ninsert into sys$group_rights values (902, 903);\n"
                   u"insert into worker (worker_id, surname, firstname, ibname) values (901, 'Тестова', 'Анна', 'RTEST');\n"
                   u"insert into sys$user (id, ibname, lockedout) values (901, 'RTEST', 0);\n"
                   u"insert into sys$user_groups values (901, 901);\ninsert into sys$user_groups values (901, 902);\n"
                   u"commit;\n"_s);
        m_fib = MakeTestDatabase(&m_owner, m_db->ConnectionString(), TestServer::Password());
        m_tr = MakeTestTransaction(&m_owner, u"tr"_s, m_fib, false);
        m_fib->Open(true);
    }
    void cleanupTestCase() {
        m_fib->Close();
        m_db.reset();
    }

    // The page's rows and the report's entry for the user: the union of the groups' rights with the groups
    // named; a right is blocked when every group giving it is, or the user is.
    void effectiveRights_data() {
        QTest::addColumn<QString>("blocked");  // what is blocked: A, B, user
        QTest::addColumn<QStringList>("rights");
        QTest::newRow("nothing") << u""_s
                                 << QStringList{u"Общее|А, \"первая\", Б|0"_s, u"Только А|А, \"первая\"|0"_s, u"Только Б|Б|0"_s};
        QTest::newRow("one group") << u"A"_s
                                   << QStringList{u"Общее|А, \"первая\", Б|0"_s, u"Только А|А, \"первая\"|1"_s, u"Только Б|Б|0"_s};
        QTest::newRow("both groups") << u"A,B"_s
                                     << QStringList{u"Общее|А, \"первая\", Б|1"_s, u"Только А|А, \"первая\"|1"_s, u"Только Б|Б|1"_s};
        QTest::newRow("the user") << u"user"_s
                                  << QStringList{u"Общее|А, \"первая\", Б|1"_s, u"Только А|А, \"первая\"|1"_s, u"Только Б|Б|1"_s};
    }
    void effectiveRights() {
        QFETCH(QString, blocked);
        QFETCH(QStringList, rights);
        m_db->Isql(u"update sys$group set lockedout = %1 where id = 901;\nupdate sys$group set lockedout = %2 where id = 902;\n"
                   u"update sys$user set lockedout = %3 where id = 901;\ncommit;\n"_s
                       .arg(int(blocked.contains(u'A')))
                       .arg(int(blocked.contains(u'B')))
                       .arg(int(blocked.contains(u"user"_s))));
        QStringList page;
        for (const QStringList& r : Rows(Rights::UserRightsSelect().join(u'\n'), 901))
            page << r[2] + u'|' + r[3] + u'|' + (r[4] == u"true"_s ? u"1"_s : u"0"_s);
        QCOMPARE(page, rights);
        const Rights::TReport report = Report();
        const auto it = std::find_if(report.Users.begin(), report.Users.end(), [](const auto& u) { return u.Login == u"RTEST"_s; });
        QVERIFY(it != report.Users.end());
        QStringList reported;
        for (const Rights::THeldRight& h : it->Rights)
            reported << report.Rights[size_t(h.Right)].Name + u'|' + h.Groups.join(u", "_s) + u'|' + QString::number(int(h.Blocked));
        QCOMPARE(reported, rights);
    }

    // Every right of the demo data: the holders are the users that a hand-written query finds.
    void whoHolds() {
        for (const QStringList& right : Rows(u"select id from sys$rights"_s)) {
            const int id = right[0].toInt();
            QStringList holders, expected;
            for (const QStringList& r : Rows(Rights::HoldersSelect().join(u'\n'), id)) holders << r[0];
            for (const QStringList& r :
                 Rows(u"select distinct u.ibname from sys$user u join worker w on w.worker_id = u.id "
                      u"where exists (select * from sys$user_groups ug join sys$group_rights gr on gr.group_id = ug.group_id "
                      u"where ug.user_id = u.id and gr.right_id = :ID) order by 1"_s,
                      id))
                expected << r[0];
            QCOMPARE(holders, expected);
        }
    }

    // The report's CSV and a grid's CSV read back as the fields they were made of.
    void csvReadsBack() {
        const Rights::TReport report = Report();
        const QList<QStringList> rows = ReadCsv(Rights::ReportCsv(report));
        QCOMPARE(rows.value(0).value(0), u"Логин"_s);
        const auto line = std::find_if(rows.begin(), rows.end(), [](const QStringList& r) { return r.value(0) == u"RTEST"_s; });
        QVERIFY(line != rows.end());
        QCOMPARE(line->size(), 10);
        QCOMPARE(line->at(5), u"А, \"первая\", Б"_s);

        // The grid: visible columns in display order, with their titles, as the cells show them.
        TpFIBDataSet ds(&m_owner);
        ds.SetName(u"dsRights"_s);
        ds.SetDatabase(m_fib);
        ds.SetTransaction(m_tr);
        ds.SetSelectSQL({u"select id, rights, category, '\"' || rights || '\", итог' as notice from sys$rights order by id"_s});
        TDataSource source;
        source.SetDataSet(&ds);
        TDBGridEh grid;
        grid.SetColumns({TColumnEh{u"RIGHTS"_s, u"Разрешение"_s}, TColumnEh{u"NOTICE"_s, u"Описание, \"примечание\""_s},
                         TColumnEh{u"CATEGORY"_s, u"Категория"_s}});
        grid.SetDataSource(&source);
        grid.horizontalHeader()->moveSection(2, 0);
        ds.Open();
        const QList<QStringList> cells = ReadCsv(grid.CsvText());
        QCOMPARE(cells.value(0), (QStringList{u"Категория"_s, u"Разрешение"_s, u"Описание, \"примечание\""_s}));
        QCOMPARE(cells.size(), 1 + Rows(u"select count(*) from sys$rights"_s)[0][0].toInt());
        QCOMPARE(cells.last(), (QStringList{u"Тест"_s, u"Только Б"_s, u"\"Только Б\", итог"_s}));
        ds.Close();
    }

    // The PDF opens, with its title and every login.
    void pdfHoldsEveryLogin() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"rights.pdf"_s);
        const Rights::TReport report = Report();
        Rights::WriteReportPdf(report, path);
        QProcess text;
        text.start(u"pdftotext"_s, {path, u"-"_s});
        QVERIFY2(text.waitForFinished(30000) && text.exitCode() == 0, "pdftotext (poppler-utils) could not read the PDF");
        const QString content = QString::fromUtf8(text.readAllStandardOutput());
        QVERIFY(content.contains(u"Права пользователей"_s));
        QVERIFY(report.Users.size() >= 7);
        for (const Rights::TUserRights& u : report.Users) QVERIFY2(content.contains(u.Login), qPrintable(u.Login));
        QVERIFY_THROWS_EXCEPTION(Exception, Rights::WriteReportPdf(report, dir.filePath(u"no/such/folder.pdf"_s)));
    }
};

QTEST_MAIN(TestRights)
#include "test_Rights.moc"
