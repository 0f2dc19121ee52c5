#pragma once
#include <QString>
#include <vector>

#include "admin/UserCheck.h"

struct TCommandLine;

// `tvadmin --check`: the check of users, accounts and privileges on a QCoreApplication, no window.
// Returns the exit status: 0 everything in step, 1 findings, 2 the check could not run (the reason on
// standard error).
int RunCheckCommand(const TCommandLine& line);

// The findings as the command prints them, one a line: "text" (kind, login, text separated by tabs),
// "csv" (a header, then RFC 4180 rows) or "json" (one object a line).
QString FormatFindings(const std::vector<TFinding>& findings, const QString& format);
