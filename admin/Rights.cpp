#include "admin/Rights.h"

#include <QHash>
#include <algorithm>

#include "admin/InTransaction.h"
#include "core/Csv.h"
#include "fib/TpFIBDatabase.h"
#include "fib/TpFIBQuery.h"
#include "fib/TpFIBTransaction.h"

using namespace Qt::StringLiterals;

namespace Rights {

const QStringList& UserRightsSelect() {
    // The groups come in name order, so that LIST joins them so.
    static const QStringList text = {
        u"select r.id, r.category, r.rights, cast(list(t.group_name, ', ') as varchar(8000)) as via_groups,"_s,
        u"  min(case when t.group_locked = 1 or t.user_locked = 1 then 1 else 0 end) = 1 as lockedout"_s,
        u"from (select ug.group_id, g.group_name, g.lockedout as group_locked, u.lockedout as user_locked"_s,
        u"      from sys$user u"_s,
        u"      join sys$user_groups ug on ug.user_id = u.id"_s,
        u"      join sys$group g on g.id = ug.group_id"_s,
        u"      where u.id = :ID"_s,
        u"      order by g.group_name) t"_s,
        u"join sys$group_rights gr on gr.group_id = t.group_id"_s,
        u"join sys$rights r on r.id = gr.right_id"_s,
        u"group by r.id, r.category, r.rights"_s,
        u"order by r.category, r.rights"_s,
    };
    return text;
}

const QStringList& HoldersSelect() {
    static const QStringList text = {
        u"select u.ibname, w.surname, w.firstname, w.midlename,"_s,
        u"  cast(list(t.group_name, ', ') as varchar(8000)) as via_groups,"_s,
        u"  min(case when t.group_locked = 1 or u.lockedout = 1 then 1 else 0 end) = 1 as lockedout"_s,
        u"from (select ug.user_id, g.group_name, g.lockedout as group_locked"_s,
        u"      from sys$group_rights gr"_s,
        u"      join sys$group g on g.id = gr.group_id"_s,
        u"      left join sys$user_groups ug on ug.group_id = g.id"_s,
        u"      where gr.right_id = :ID"_s,
        u"      order by g.group_name) t"_s,
        u"join sys$user u on u.id = t.user_id"_s,
        u"join worker w on w.worker_id = u.id"_s,
        u"group by u.ibname, w.surname, w.firstname, w.midlename"_s,
        u"order by u.ibname"_s,
    };
    return text;
}

namespace {
// Runs a select in the read transaction and hands each row's values to row.
template <class TRow>
void ReadRows(TpFIBDatabase* db, TpFIBTransaction* tr, const QString& sql, TRow row) {
    TpFIBQuery q;
    q.SetDatabase(db);
    q.SetTransaction(tr);
    q.SetSQLText(sql);
    q.ExecQuery();
    const int columns = q.FieldCount();
    QVariantList values(columns);
    while (!q.Eof()) {
        for (int i = 0; i < columns; ++i) values[i] = q.FieldAt(i).Value();
        row(values);
        q.Next();
    }
    q.Close();
}

QString Text(const QVariant& v) { return v.toString().trimmed(); }
bool Flag(const QVariant& v) { return v.toInt() == 1; }

struct TGroup {
    QString Name;
    bool Blocked = false;
    std::vector<int> Rights;  // indexes into the report's rights
};
}  // namespace

TReport ReadReport(TpFIBDatabase* db, TpFIBTransaction* read, const QString& server, const QString& database) {
    TReport report;
    report.Server = server;
    report.Database = database;
    report.Made = QDateTime::currentDateTime();
    QHash<int, int> rightIndex;
    QHash<int, TGroup> groups;
    QHash<int, int> userIndex;  // by SYS$USER.ID
    std::vector<std::vector<int>> memberships;  // group ids by user index
    InTransaction(read, [&] {
        ReadRows(db, read, u"select id, category, rights from sys$rights order by category, rights"_s, [&](const QVariantList& v) {
            rightIndex.insert(v[0].toInt(), int(report.Rights.size()));
            report.Rights.push_back({v[0].toInt(), Text(v[1]), Text(v[2])});
        });
        ReadRows(db, read, u"select id, group_name, lockedout from sys$group order by group_name"_s,
                 [&](const QVariantList& v) { groups.insert(v[0].toInt(), {Text(v[1]), Flag(v[2]), {}}); });
        ReadRows(db, read, u"select group_id, right_id from sys$group_rights"_s, [&](const QVariantList& v) {
            const auto g = groups.find(v[0].toInt());
            const auto r = rightIndex.constFind(v[1].toInt());
            if (g != groups.end() && r != rightIndex.cend()) g->Rights.push_back(*r);
        });
        ReadRows(db, read,
                 u"select u.id, u.ibname, w.surname, w.firstname, w.midlename, u.lockedout from sys$user u "
                 u"join worker w on w.worker_id = u.id order by u.ibname"_s,
                 [&](const QVariantList& v) {
                     userIndex.insert(v[0].toInt(), int(report.Users.size()));
                     report.Users.push_back({Text(v[1]), Text(v[2]), Text(v[3]), Text(v[4]), Flag(v[5]), {}, {}});
                 });
        memberships.resize(report.Users.size());
        ReadRows(db, read, u"select user_id, group_id from sys$user_groups"_s, [&](const QVariantList& v) {
            const auto u = userIndex.constFind(v[0].toInt());
            if (u != userIndex.cend() && groups.contains(v[1].toInt())) memberships[size_t(*u)].push_back(v[1].toInt());
        });
    });

    // Each user's rights: the union of its groups', the groups named in name order.
    std::vector<int> heldAt(report.Rights.size(), -1);
    for (size_t u = 0; u < report.Users.size(); ++u) {
        TUserRights& user = report.Users[u];
        std::vector<int>& mine = memberships[u];
        std::sort(mine.begin(), mine.end(), [&](int a, int b) { return groups[a].Name < groups[b].Name; });
        std::vector<int> held;  // right indexes, in the order first met
        for (int id : mine) {
            const TGroup& g = groups[id];
            user.Groups << (g.Blocked ? g.Name + u" (блок.)"_s : g.Name);
            for (int r : g.Rights) {
                if (heldAt[size_t(r)] < 0) {
                    heldAt[size_t(r)] = int(user.Rights.size());
                    user.Rights.push_back({r, {}, true});
                    held.push_back(r);
                }
                THeldRight& h = user.Rights[size_t(heldAt[size_t(r)])];
                h.Groups << g.Name;
                h.Blocked = h.Blocked && g.Blocked;
            }
        }
        for (int r : held) heldAt[size_t(r)] = -1;
        for (THeldRight& h : user.Rights) h.Blocked = h.Blocked || user.Blocked;
        std::sort(user.Rights.begin(), user.Rights.end(), [](const THeldRight& a, const THeldRight& b) { return a.Right < b.Right; });
    }
    return report;
}

QString ReportCsv(const TReport& report) {
    QString out = Csv::Line({u"Логин"_s, u"Фамилия"_s, u"Имя"_s, u"Отчество"_s, u"Пользователь заблокирован"_s,
                             u"Группы"_s, u"Категория"_s, u"Разрешение"_s, u"Через группы"_s, u"Блок"_s});
    out.reserve(qsizetype(report.Users.size()) * 4096);
    const auto yesNo = [](bool on) { return on ? u"да"_s : u"нет"_s; };
    for (const TUserRights& u : report.Users) {
        const QStringList user = {u.Login, u.Surname, u.FirstName, u.MiddleName, yesNo(u.Blocked), u.Groups.join(u", "_s)};
        if (u.Rights.empty()) out += Csv::Line(user + QStringList{{}, {}, {}, {}});
        for (const THeldRight& h : u.Rights) {
            const TRight& r = report.Rights[size_t(h.Right)];
            out += Csv::Line(user + QStringList{r.Category, r.Name, h.Groups.join(u", "_s), yesNo(h.Blocked)});
        }
    }
    return out;
}

}  // namespace Rights
