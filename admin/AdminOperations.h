#pragma once
#include <QString>
#include <QStringList>
#include <functional>

class IUserPrompts;
class TDataSet;
class TDataSource;
class TpFIBDatabase;
class TpFIBTransaction;
class TUIBSecurity;

// The three uses of the user dialog.
enum class TUserDialogUse { NewUser, ExistingAccount, ChangeUser };

// What the user dialog hands back: its result and the texts the commands read.
struct TUserDialogResult {
    bool Ok = false;
    QString Login, Password, Surname, FirstName, MiddleName;  // edU, edPWD, edF, edI, edO
};

// A check of what an editor dialog holds before it may close with OK: the message that refuses it, or
// empty. The real dialogs run it when "Сохранить" is pressed and stay open with its message.
using TGroupDialogCheck = std::function<QString()>;
using TUserDialogCheck = std::function<QString(const TUserDialogResult&)>;

// The editor dialogs as the operations see them; the window shows the real ones, tests script them.
class IAdminDialogs {
public:
    virtual ~IAdminDialogs() = default;
    // The group dialog on the groups' current row (in insert or edit state); true for OK.
    virtual bool EditGroup(const TGroupDialogCheck& check) = 0;
    // The user dialog on the users' current row; accounts fill the choice list of an existing account.
    virtual TUserDialogResult EditUser(TUserDialogUse use, const QStringList& accounts,
                                       const TUserDialogCheck& check) = 0;
};

// Progress of a grant run. Only a run over every user may be cancelled, between users.
class IGrantProgress {
public:
    virtual ~IGrantProgress() = default;
    // step of steps (from 1), with what is being granted to; cancellable offers the cancel button.
    virtual void Show(int step, int steps, const QString& what, bool cancellable) = 0;
    virtual bool Cancelled() = 0;
    virtual void Done() = 0;
};

// What the administration commands work on: the administrator window's connection and one-off
// transactions, the groups-and-users window's datasets and account component, and the user's boxes.
struct TAdminContext {
    TpFIBDatabase* db = nullptr;
    TpFIBTransaction* trReadQ = nullptr;
    TpFIBTransaction* trWriteQ = nullptr;
    TpFIBTransaction* tw = nullptr;  // the datasets' update transaction, in which a change is checked
    TDataSet *dsGroups = nullptr, *dsGR = nullptr, *dsR = nullptr;
    TDataSet *dsUsers = nullptr, *dsGU = nullptr, *dsG = nullptr;
    TUIBSecurity* Security = nullptr;
    IUserPrompts* Prompts = nullptr;
    IAdminDialogs* Dialogs = nullptr;
    IGrantProgress* Progress = nullptr;  // may be null
};

// The administration commands of the groups-and-users window. Server errors of the kind the error
// handler suppresses are shown there and the command goes on; other exceptions leave the command.
namespace AdminOps {

// Groups and rights.
void AddGroup(const TAdminContext& c);
void EditGroup(const TAdminContext& c);
void DeleteGroup(const TAdminContext& c);
void GiveRight(const TAdminContext& c);
void TakeRight(const TAdminContext& c);

// Users and their Firebird accounts.
void AddUser(const TAdminContext& c);
void CloneUser(const TAdminContext& c);
void EditUser(const TAdminContext& c);
void DeleteUser(const TAdminContext& c);
// Appends the user names of all Firebird accounts to list (not cleared first).
void FillAccountList(TUIBSecurity& security, QStringList& list);

// Object grants: to a login, to the current user, to every user of the list.
void GrantTablesAndViews(const TAdminContext& c, const QString& login);
void GrantProcedures(const TAdminContext& c, const QString& login);
void GrantToCurrentUser(const TAdminContext& c);
// Runs the grant for each user while grantEnabled; ends on the first row.
void GrantToAllUsers(const TAdminContext& c, bool grantEnabled);

// Group membership.
void AddMembership(const TAdminContext& c);
void RemoveMembership(const TAdminContext& c);

// A login goes into a GRANT statement unquoted: an ASCII letter, then letters, digits, "_" or "$",
// at most 31 characters.
bool IsPlainLogin(const QString& login);
// The message for a login that is not plain.
QString NotPlainLoginMessage(const QString& login);
// What the dialogs of the user commands refuse: no account chosen, a login that is not plain (a new
// user or account), characters outside the database's code page in the row or the names.
QString CheckUserDialog(const TAdminContext& c, TUserDialogUse use, const TUserDialogResult& r);
// What the group dialog refuses: characters outside the database's code page.
QString CheckGroupDialog(const TAdminContext& c);
// The prefix every password the program sends to the service carries.
inline const char16_t kPasswordPrefix[] = u"qz";

}  // namespace AdminOps
