#pragma once
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// Index of name among names (parameters or result columns), -1 when missing: first exactly as given, then with
// a-z upper-cased; a name in double quotes is looked up exactly, without its quotes. The first match wins.
qsizetype FindSQLName(const QStringList& names, const QString& name);

// The names that occur more than once, each with the indices of its occurrences in order.
QHash<QString, QList<int>> LinkedOccurrences(const QStringList& names);

// The result column names for the alias names the server described: an empty alias becomes "F_1", "F_2", ...
// (counted over the unnamed columns); a name already taken gets the smallest number that makes it unique,
// the name cut to 32 characters with its number once both together pass 30.
QStringList NameResultColumns(const QStringList& aliases);
