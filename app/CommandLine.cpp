#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {
const QCommandLineOption kSettings({u"s"_s, u"settings"_s}, u"Файл настроек вместо обычного."_s, u"file"_s);
const QCommandLineOption kHelp({u"h"_s, u"help"_s, u"?"_s}, u"Показать эту справку."_s);
const QCommandLineOption kVersion({u"v"_s, u"version"_s}, u"Показать версию."_s);
const QCommandLineOption kCheck(u"check"_s, u"Сверка пользователей без окон."_s);
const QCommandLineOption kServer(u"server"_s, u"Сервер."_s, u"host"_s);
const QCommandLineOption kDatabase(u"database"_s, u"База данных."_s, u"path"_s);
const QCommandLineOption kUser(u"user"_s, u"Пользователь."_s, u"name"_s);
const QCommandLineOption kFormat(u"format"_s, u"text, csv или json."_s, u"format"_s, u"text"_s);
const QCommandLineOption kRepair(u"repair"_s, u"grants: выдать недостающие права."_s, u"what"_s);
const QCommandLineOption kReport(u"report"_s, u"rights: отчёт о правах без окон."_s, u"what"_s);
const QCommandLineOption kOutput({u"o"_s, u"output"_s}, u"Файл отчёта."_s, u"file"_s);
}  // namespace

TCommandLine ParseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.addOptions({kSettings, kHelp, kVersion, kCheck, kServer, kDatabase, kUser, kFormat, kRepair, kReport, kOutput});
    TCommandLine line;
    const auto refuse = [&line](const QString& why) {
        line.Action = TCommandLine::Refuse;
        line.ErrorText = why;
    };
    const bool parsed = parser.parse(arguments);
    // The login of the commands without windows.
    line.Server = parser.value(kServer);
    line.Database = parser.value(kDatabase);
    line.User = parser.value(kUser);
    if (!parsed) {
        refuse(parser.unknownOptionNames().isEmpty() ? u"Неверная командная строка: %1"_s.arg(parser.errorText())
                                                     : u"Неизвестный параметр: %1"_s.arg(parser.unknownOptionNames().constFirst()));
    } else if (!parser.positionalArguments().isEmpty()) {
        refuse(u"Лишний аргумент: %1"_s.arg(parser.positionalArguments().constFirst()));
    } else if (parser.isSet(kHelp)) {
        line.Action = TCommandLine::ShowHelp;
    } else if (parser.isSet(kVersion)) {
        line.Action = TCommandLine::ShowVersion;
    } else if (parser.isSet(kCheck) && parser.isSet(kReport)) {
        refuse(u"Параметры --check и --report не действуют вместе"_s);
    } else if (parser.isSet(kReport)) {
        line.Action = TCommandLine::RunReport;
        line.Format = parser.isSet(kFormat) ? parser.value(kFormat) : u"pdf"_s;
        line.Output = parser.value(kOutput);
        if (parser.value(kReport) != u"rights"_s) refuse(u"Неизвестный отчёт: %1 (есть только rights)"_s.arg(parser.value(kReport)));
        else if (!QStringList{u"pdf"_s, u"csv"_s}.contains(line.Format))
            refuse(u"Неизвестный формат отчёта: %1 (нужен pdf или csv)"_s.arg(line.Format));
        else if (line.Output.isEmpty()) refuse(u"Не задан файл отчёта: -o FILE"_s);
        else if (parser.isSet(kRepair)) refuse(u"Параметр --repair действует только с --check"_s);
    } else if (parser.isSet(kCheck)) {
        line.Action = TCommandLine::RunCheck;
        line.Format = parser.value(kFormat);
        line.RepairGrants = parser.value(kRepair) == u"grants"_s;
        if (!QStringList{u"text"_s, u"csv"_s, u"json"_s}.contains(line.Format))
            refuse(u"Неизвестный формат: %1 (нужен text, csv или json)"_s.arg(line.Format));
        else if (parser.isSet(kRepair) && !line.RepairGrants) refuse(u"Без окон исправляются только права: --repair grants"_s);
        else if (parser.isSet(kOutput)) refuse(u"Параметр -o действует только с --report"_s);
    } else if (parser.isSet(kServer) || parser.isSet(kDatabase) || parser.isSet(kUser) || parser.isSet(kRepair) ||
               parser.isSet(kOutput)) {
        refuse(u"Параметры --server, --database, --user, --repair и -o действуют только с --check или --report"_s);
    }
    line.SettingsFile = parser.value(kSettings);
    return line;
}

QString CommandLineHelp(const QString& programName) {
    return u"Использование: %1 [параметры]\n"
           u"Модуль администратора: пользователи, группы и права базы данных абонентов.\n\n"
           u"Параметры:\n"
           u"  -s, --settings <file>  Файл настроек вместо обычного.\n"
           u"  -h, --help             Показать эту справку.\n"
           u"  -v, --version          Показать версию.\n"
           u"  --check                Сверка пользователей, учётных записей и прав без окон;\n"
           u"                         код выхода 0 - всё согласовано, 1 - есть расхождения,\n"
           u"                         2 - сверка не выполнена. Пароль - из ISC_PASSWORD или\n"
           u"                         с терминала.\n"
           u"  --server <host>, --database <path>, --user <name>\n"
           u"                         Вход для --check (по умолчанию - из файла настроек).\n"
           u"  --format <text|csv|json>  Вывод --check: по расхождению в строке.\n"
           u"  --repair grants        С --check: выдать недостающие права без вопросов.\n"
           u"  --report rights --format <pdf|csv> -o <file>\n"
           u"                         Отчёт о правах пользователей в файл, без окон; вход и\n"
           u"                         пароль - как для --check. Код выхода 0 - записан, 2 - нет.\n\n"
           u"Настройки: рядом с программой, если её папка доступна для записи, иначе\n"
           u"~/.config/tvadmin/tvadmin.ini. Подробнее: man tvadmin.\n"_s.arg(QFileInfo(programName).fileName());
}

QString VersionText() { return u"tvadmin %1\n"_s.arg(QStringLiteral(TV_VERSION)); }
