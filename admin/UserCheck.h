#pragma once
#include <QString>
#include <vector>

class IGrantProgress;
class IUserPrompts;
class TpFIBDatabase;
class TpFIBTransaction;
class TUIBSecurity;

// What the check of users, accounts and privileges finds out of step.
enum class TFindingKind {
    AccountWithoutUser,    // a Firebird account no application user has
    UserWithoutAccount,    // an application user (both rows) without its account
    LoginWithoutWorker,    // a SYS$USER row without its WORKER row
    WorkerWithoutLogin,    // a WORKER row with a login but without its SYS$USER row
    NotPlainLogin,         // a login that cannot be granted unquoted
    MissingPrivileges,     // an application user lacking privileges on objects of the database
    BlockedButActive,      // LOCKEDOUT 1, the account active
    UnblockedButInactive,  // LOCKEDOUT 0, the account inactive
};

// The repairs a finding offers.
enum class TRepair { Register, RemoveAccount, CreateAccount, RemoveRows, CompleteRows, GrantMissing, Deactivate, Activate };

// One privilege on one object: S, I, U, D, R on a table or view, X (execute) on a procedure.
struct TObjectPrivilege {
    QString Object;
    char Privilege = 'S';
    bool Procedure = false;
    bool operator==(const TObjectPrivilege&) const = default;
};

struct TFinding {
    TFindingKind Kind;
    QString Login;
    QString Text;  // one line of Russian saying what is wrong
    std::vector<TRepair> Repairs;
    std::vector<TObjectPrivilege> Missing;  // for MissingPrivileges
};

// What the check reads through: the connection, a read and a write transaction for one-off statements,
// the account component (set up for the server) and the administrator's own login.
struct TCheckContext {
    TpFIBDatabase* db = nullptr;
    TpFIBTransaction* trReadQ = nullptr;
    TpFIBTransaction* trWriteQ = nullptr;
    TUIBSecurity* Security = nullptr;
    QString AdminLogin;
};

namespace UserCheck {

// Reads the accounts (one listing), the SYS$USER and WORKER rows, the catalogue and the granted
// privileges (one read transaction) and returns what is out of step, by login. SYSDBA and the
// administrator's own login are no finding as accounts, and offer no repair that changes their account.
// Throws what the reads throw.
std::vector<TFinding> Check(const TCheckContext& c);

// Only the privileges: the MissingPrivileges findings, read in one read transaction without the accounts.
std::vector<TFinding> MissingPrivileges(const TCheckContext& c);

// Grants the missing pairs of a finding: one statement and one transaction per object, with the privileges
// missing on it; returns how many pairs were granted.
int GrantMissing(const TCheckContext& c, const TFinding& finding);

// Reads what is missing once, asks "<n> прав для <m> пользователей будет выдано. Продолжить?" (or says
// that nothing is missing) and grants only those pairs, with progress and cancel between users. Returns
// how many were granted.
int GrantMissingToAll(const TCheckContext& c, IUserPrompts& prompts, IGrantProgress* progress);

// Runs one repair of a finding and returns one line of Russian saying what it did; throws what the
// statements or the account operation throw. Accounts go first, then rows, as in the commands; grants
// one a transaction. password: for CreateAccount (sent with the prefix every account of the program has).
// SYSDBA and the administrator's own account are never removed, changed or made inactive.
QString Repair(const TCheckContext& c, const TFinding& finding, TRepair repair, const QString& password = {});

// The repair's caption, as a button shows it.
QString RepairName(TRepair repair);

// The finding kind's name in the command line's output ("missing-privileges" and so on).
QString KindName(TFindingKind kind);
// The finding kind as the window shows it.
QString KindCaption(TFindingKind kind);

// The findings as text, one a line: "text" (kind, login, text separated by tabs), "csv" (a header, then
// RFC 4180 rows, CR LF) or "json" (one object a line).
QString Report(const std::vector<TFinding>& findings, const QString& format);

}  // namespace UserCheck
