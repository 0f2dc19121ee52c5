#pragma once
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <vector>

class TpFIBDatabase;
class TpFIBTransaction;

// What users may do in the end: the rights they hold through their groups, who holds a right, and the
// rights report. A right is blocked for a user when every group that gives it is blocked, or the user is.
namespace Rights {

// The rights the user of the master's ID holds through its groups: ID, CATEGORY, RIGHTS, VIA_GROUPS
// (the group names joined by ", "), LOCKEDOUT (Boolean).
const QStringList& UserRightsSelect();
// The users holding the right of the master's ID through their groups: IBNAME, SURNAME, FIRSTNAME,
// MIDLENAME, VIA_GROUPS, LOCKEDOUT (Boolean).
const QStringList& HoldersSelect();

struct TRight {
    int Id = 0;
    QString Category, Name;
};

// A right a user holds: the index of the right in the report's list, the groups giving it.
struct THeldRight {
    int Right = 0;
    QStringList Groups;
    bool Blocked = false;
};

struct TUserRights {
    QString Login, Surname, FirstName, MiddleName;
    bool Blocked = false;
    QStringList Groups;  // every group of the user, blocked ones with " (блок.)"
    std::vector<THeldRight> Rights;  // in the order of the report's rights
};

struct TReport {
    QString Server, Database;
    QDateTime Made;
    std::vector<TRight> Rights;      // by category and name
    std::vector<TUserRights> Users;  // the application users, by login
};

// Reads the report in one read transaction (started unless active, committed after).
TReport ReadReport(TpFIBDatabase* db, TpFIBTransaction* read, const QString& server, const QString& database);

// One line per user and right held (a user without rights gets one line without a right), titles first;
// UTF-8 text, RFC 4180 quoting, CRLF line ends.
QString ReportCsv(const TReport& report);

// Writes the report as a PDF titled "Права пользователей": the database, the server and the time, one
// section per user, then the matrix of users and rights split across pages. Needs a QGuiApplication.
// Throws Exception when the file cannot be written.
void WriteReportPdf(const TReport& report, const QString& path);

}  // namespace Rights
