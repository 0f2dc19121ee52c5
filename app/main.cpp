#include <QApplication>
#include <QCommandLineParser>
#include <QDialog>

#include "app/AdminProgram.h"
#include "app/AppFonts.h"
#include "app/AppIcons.h"
#include "app/QuitSignals.h"
#include "settings/SettingsFileName.h"
#include "ui/TMessageBoxPrompts.h"

using namespace Qt::StringLiterals;

namespace {
// A signal closes the windows as the close box does: an open dialog is cancelled first.
void CloseEverything() {
    if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->reject();
    QApplication::closeAllWindows();
}
}  // namespace

int main(int argc, char** argv) {
    BlockQuitSignals();
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Администратор"_s);
    QApplication::setApplicationVersion(QStringLiteral(TV_VERSION));
    QApplication::setWindowIcon(ApplicationIcon());
    QApplication::setQuitOnLastWindowClosed(false);

    QCommandLineParser parser;
    parser.setApplicationDescription(u"Модуль администратора: пользователи, группы и права базы данных абонентов."_s);
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption settings({u"s"_s, u"settings"_s}, u"Файл настроек вместо обычного."_s, u"file"_s);
    parser.addOption(settings);
    parser.process(app);
    if (parser.isSet(settings)) SetExplicitSettingsFile(parser.value(settings));

    InstallFontSubstitutes();
    WatchQuitSignals(CloseEverything);
    TMessageBoxPrompts prompts;
    return RunAdministrator(prompts);
}
