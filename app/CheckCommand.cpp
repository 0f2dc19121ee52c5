#include "app/CheckCommand.h"

#include <cstdio>
#include <termios.h>
#include <unistd.h>

#include "admin/UserCheck.h"
#include "app/CommandLine.h"
#include "app/TAdminForm.h"
#include "core/Exception.h"
#include "fib/FIBErrors.h"
#include "fib/TpFIBDatabase.h"
#include "fib/TpFIBTransaction.h"
#include "security/TUIBSecurity.h"
#include "settings/SettingsFileName.h"
#include "settings/TIniFile.h"

using namespace Qt::StringLiterals;

namespace {

void Print(FILE* to, const QString& text) { std::fputs(text.toUtf8().constData(), to); }

// The password: ISC_PASSWORD as the Firebird tools take it, else typed on the terminal without echo.
// Never an argument. Empty when there is neither.
QString Password() {
    if (qEnvironmentVariableIsSet("ISC_PASSWORD")) return qEnvironmentVariable("ISC_PASSWORD");
    if (!isatty(STDIN_FILENO)) return {};
    Print(stderr, u"Пароль: "_s);
    termios old{};
    tcgetattr(STDIN_FILENO, &old);
    termios quiet = old;
    quiet.c_lflag &= tcflag_t(~ECHO);
    tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    char buffer[256] = {};
    const bool read = std::fgets(buffer, sizeof buffer, stdin) != nullptr;
    tcsetattr(STDIN_FILENO, TCSANOW, &old);
    Print(stderr, u"\n"_s);
    QString typed = read ? QString::fromLocal8Bit(buffer) : QString();
    while (typed.endsWith(u'\n') || typed.endsWith(u'\r')) typed.chop(1);
    return typed;
}

TpFIBTransaction* MakeTransaction(QObject* owner, TpFIBDatabase* db, const QString& name, bool writing) {
    auto* t = new TpFIBTransaction(owner);
    t->SetName(name);
    t->SetDefaultDatabase(db);
    t->TRParams().SetLines({writing ? u"write"_s : u"read"_s, u"nowait"_s, u"rec_version"_s, u"read_committed"_s});
    return t;
}

}  // namespace

int RunCheckCommand(const TCommandLine& line) {
    if (!line.SettingsFile.isEmpty()) SetExplicitSettingsFile(line.SettingsFile);
    const TIniFile settings(ApplicationSettingsFileName());
    const auto stored = [&](const QString& given, const QString& key, const QString& fallback = {}) {
        return given.isEmpty() ? settings.ReadText(u"Main"_s, key, fallback) : given;
    };
    const QString server = stored(line.Server, u"SERVER"_s), database = stored(line.Database, u"DATABASE"_s);
    const QString user = stored(line.User, u"USERNAME"_s);
    const QString library = settings.ReadText(u"Main"_s, u"CONNECTDLL"_s, TAdminForm::DefaultClientLibrary());
    if (database.isEmpty() || user.isEmpty()) {
        Print(stderr, u"Сверка не выполнена: не заданы база данных и пользователь (--database, --user или файл настроек).\n"_s);
        return 2;
    }
    const QString password = Password();
    if (password.isEmpty()) {
        Print(stderr, u"Сверка не выполнена: нет пароля (ISC_PASSWORD или ввод с терминала).\n"_s);
        return 2;
    }
    QObject owner;
    auto* db = new TpFIBDatabase(&owner);
    db->SetName(u"db"_s);
    db->DBParams().SetLines({u"lc_ctype=WIN1251"_s});
    db->SetSQLDialect(3);
    db->SetLibraryName(library);
    db->ConnectParams().SetUserName(user);
    db->ConnectParams().SetPassword(password);
    db->SetDBName(server.isEmpty() ? database : server + u':' + database);
    TUIBSecurity security(&owner);
    security.SetLibraryName(library);
    security.SetUserName(user);
    security.SetPassWord(password);
    security.SetProtocol(server.isEmpty() ? proLocalHost : proTCPIP);
    security.SetHost(server);
    TCheckContext c{db, MakeTransaction(&owner, db, u"trReadQ"_s, false), MakeTransaction(&owner, db, u"trWriteQ"_s, true),
                    &security, user};
    try {
        db->Open(true);
        std::vector<TFinding> findings = UserCheck::Check(c);
        if (line.RepairGrants) {
            int granted = 0, users = 0;
            for (const TFinding& f : findings)
                if (f.Kind == TFindingKind::MissingPrivileges) granted += UserCheck::GrantMissing(c, f), ++users;
            Print(stderr, u"Выдано прав: %1, пользователей: %2.\n"_s.arg(granted).arg(users));
            findings = UserCheck::Check(c);
        }
        Print(stdout, UserCheck::Report(findings, line.Format));
        db->Close();
        return findings.empty() ? 0 : 1;
    } catch (const EFIBError& e) {
        // The server's own words, without the component's name and the SQLCODE's general text.
        const QString why = (e.StatusText().isEmpty() ? e.Message() : e.StatusText()).simplified();
        Print(stderr, u"Сверка не выполнена: "_s + why + u'\n');
    } catch (const Exception& e) {
        Print(stderr, u"Сверка не выполнена: "_s + e.Message().trimmed() + u'\n');
    } catch (const std::exception& e) {
        Print(stderr, u"Сверка не выполнена: "_s + QString::fromLocal8Bit(e.what()) + u'\n');
    }
    return 2;
}
