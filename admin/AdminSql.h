#pragma once
#include <QString>
#include <QStringList>

// The SQL texts of the administration tables. Dataset texts are lists of lines.
namespace AdminSql {

// The combined user statement: InsertSQL, UpdateSQL and DeleteSQL of dsUsers. It adds (OPERATION
// 1), changes (2) or removes (3) a user's WORKER and SYS$USER rows; any other value changes nothing.
const QStringList& CombinedUser();

// dsUsers.
const QStringList& UsersSelect();
const QStringList& UsersRefresh();

// dsGroups.
const QStringList& GroupsSelect();
const QStringList& GroupsInsert();
const QStringList& GroupsUpdate();
const QStringList& GroupsDelete();
const QStringList& GroupsRefresh();
// dsGR: the rights of the selected group; dsR: the rights it lacks.
const QStringList& GroupRightsSelect();
const QStringList& MissingRightsSelect();
// A row read again with a lock before a change is saved: a group by ID, a staff row by WORKER_ID, a
// login row by IBNAME.
QString GroupLock();
QString WorkerLock();
QString LoginLock();
// Giving and taking a right.
QString GiveRight();
QString TakeRight();

// dsGU: the groups of the selected user; dsG: the groups it is not in.
const QStringList& UserGroupsSelect();
const QStringList& MissingGroupsSelect();
// Putting a user into a group and taking it out.
QString AddMembership();
QString RemoveMembership();

// Catalogue queries of the grants, lines joined by CR LF.
QString TablesQuery();
QString ViewsQuery();
QString ProceduresQuery();
// Grant statements, built by plain concatenation: names and login go in unquoted.
QString GrantGenerators(const QString& login);
QString GrantAll(const QString& objectName, const QString& login);
QString GrantExecute(const QString& procedureName, const QString& login);

}  // namespace AdminSql
