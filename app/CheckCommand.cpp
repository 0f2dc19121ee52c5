#include "app/CheckCommand.h"

#include <cstdio>
#include <termios.h>
#include <unistd.h>

#include "admin/Rights.h"
#include "admin/UserCheck.h"
#include "app/CommandLine.h"
#include "app/TAdminForm.h"
#include "core/Csv.h"
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

TCommandSession::TCommandSession(const TCommandLine& line, const QString& failure) : m_failure(failure) {
    if (!line.SettingsFile.isEmpty()) SetExplicitSettingsFile(line.SettingsFile);
    const TIniFile settings(ApplicationSettingsFileName());
    const auto stored = [&](const QString& given, const QString& key, const QString& fallback = {}) {
        return given.isEmpty() ? settings.ReadText(u"Main"_s, key, fallback) : given;
    };
    Server = stored(line.Server, u"SERVER"_s);
    Database = stored(line.Database, u"DATABASE"_s);
    const QString user = stored(line.User, u"USERNAME"_s);
    const QString library = settings.ReadText(u"Main"_s, u"CONNECTDLL"_s, TAdminForm::DefaultClientLibrary());
    if (Database.isEmpty() || user.isEmpty()) {
        Fail(u"не заданы база данных и пользователь (--database, --user или файл настроек)."_s);
        return;
    }
    const QString password = Password();
    if (password.isEmpty()) {
        Fail(u"нет пароля (ISC_PASSWORD или ввод с терминала)."_s);
        return;
    }
    auto* db = new TpFIBDatabase(&m_owner);
    db->SetName(u"db"_s);
    db->DBParams().SetLines({u"lc_ctype=WIN1251"_s});
    db->SetSQLDialect(3);
    db->SetLibraryName(library);
    db->ConnectParams().SetUserName(user);
    db->ConnectParams().SetPassword(password);
    db->SetDBName(Server.isEmpty() ? Database : Server + u':' + Database);
    auto* security = new TUIBSecurity(&m_owner);
    security->SetLibraryName(library);
    security->SetUserName(user);
    security->SetPassWord(password);
    security->SetProtocol(Server.isEmpty() ? proLocalHost : proTCPIP);
    security->SetHost(Server);
    Context = {db, MakeTransaction(&m_owner, db, u"trReadQ"_s, false), MakeTransaction(&m_owner, db, u"trWriteQ"_s, true),
               security, user};
    m_ready = true;
}

void TCommandSession::Fail(const QString& why) const { Print(stderr, m_failure + u": "_s + why + u'\n'); }

int TCommandSession::Run(const std::function<int()>& work) {
    if (!m_ready) return 2;
    try {
        Context.db->Open(true);
        const int status = work();
        Context.db->Close();
        return status;
    } catch (const EFIBError& e) {
        // The server's own words, without the component's name and the SQLCODE's general text.
        Fail((e.StatusText().isEmpty() ? e.Message() : e.StatusText()).simplified());
    } catch (const Exception& e) {
        Fail(e.Message().trimmed());
    } catch (const std::exception& e) {
        Fail(QString::fromLocal8Bit(e.what()));
    }
    return 2;
}

int RunCheckCommand(const TCommandLine& line) {
    TCommandSession session(line, u"Сверка не выполнена"_s);
    const TCheckContext& c = session.Context;
    return session.Run([&] {
        std::vector<TFinding> findings = UserCheck::Check(c);
        if (line.RepairGrants) {
            int granted = 0, users = 0;
            for (const TFinding& f : findings)
                if (f.Kind == TFindingKind::MissingPrivileges) granted += UserCheck::GrantMissing(c, f), ++users;
            Print(stderr, u"Выдано прав: %1, пользователей: %2.\n"_s.arg(granted).arg(users));
            findings = UserCheck::Check(c);
        }
        Print(stdout, UserCheck::Report(findings, line.Format));
        return findings.empty() ? 0 : 1;
    });
}

int RunReportCommand(const TCommandLine& line) {
    TCommandSession session(line, u"Отчёт не создан"_s);
    return session.Run([&] {
        const Rights::TReport report =
            Rights::ReadReport(session.Context.db, session.Context.trReadQ, session.Server, session.Database);
        if (line.Format == u"pdf"_s) {
            Rights::WriteReportPdf(report, line.Output);
        } else {
            QString error;
            if (!Csv::Save(line.Output, Rights::ReportCsv(report), &error))
                throw Exception(u"Не удалось записать файл «%1»: %2"_s.arg(line.Output, error));
        }
        Print(stderr, u"Отчёт о правах записан: %1 (пользователей: %2).\n"_s.arg(line.Output).arg(report.Users.size()));
        return 0;
    });
}
