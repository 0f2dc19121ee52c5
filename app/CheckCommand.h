#pragma once

struct TCommandLine;

// `tvadmin --check`: the check of users, accounts and privileges on a QCoreApplication, no window.
// Returns the exit status: 0 everything in step, 1 findings, 2 the check could not run (the reason on
// standard error).
int RunCheckCommand(const TCommandLine& line);

