#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {
const QCommandLineOption kSettings({u"s"_s, u"settings"_s}, u"Файл настроек вместо обычного."_s, u"file"_s);
const QCommandLineOption kHelp({u"h"_s, u"help"_s, u"?"_s}, u"Показать эту справку."_s);
const QCommandLineOption kVersion({u"v"_s, u"version"_s}, u"Показать версию."_s);
}  // namespace

TCommandLine ParseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.addOptions({kSettings, kHelp, kVersion});
    TCommandLine line;
    if (!parser.parse(arguments)) {
        line.Action = TCommandLine::Refuse;
        line.ErrorText = parser.unknownOptionNames().isEmpty()
                             ? u"Неверная командная строка: %1"_s.arg(parser.errorText())
                             : u"Неизвестный параметр: %1"_s.arg(parser.unknownOptionNames().constFirst());
    } else if (!parser.positionalArguments().isEmpty()) {
        line.Action = TCommandLine::Refuse;
        line.ErrorText = u"Лишний аргумент: %1"_s.arg(parser.positionalArguments().constFirst());
    } else if (parser.isSet(kHelp)) {
        line.Action = TCommandLine::ShowHelp;
    } else if (parser.isSet(kVersion)) {
        line.Action = TCommandLine::ShowVersion;
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
           u"  -v, --version          Показать версию.\n\n"
           u"Настройки: рядом с программой, если её папка доступна для записи, иначе\n"
           u"~/.config/tvadmin/tvadmin.ini. Подробнее: man tvadmin.\n"_s.arg(QFileInfo(programName).fileName());
}

QString VersionText() { return u"tvadmin %1\n"_s.arg(QStringLiteral(TV_VERSION)); }
