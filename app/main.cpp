#include <QApplication>
#include <QDialog>
#include <QGuiApplication>
#include <cstdio>

#include "app/AdminProgram.h"
#include "app/CheckCommand.h"
#include "app/CommandLine.h"
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
// Without a session (a cron job, ssh) Qt says that it has no runtime folder; the report needs none.
void QuietAboutRuntimeDir(QtMsgType, const QMessageLogContext&, const QString& message) {
    if (!message.startsWith(u"QStandardPaths: XDG_RUNTIME_DIR"_s)) std::fputs((message + u'\n').toLocal8Bit().constData(), stderr);
}
}  // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    const TCommandLine line = ParseCommandLine(arguments);
    switch (line.Action) {
        case TCommandLine::ShowHelp:
            std::fputs(CommandLineHelp(arguments.value(0)).toLocal8Bit().constData(), stdout);
            return 0;
        case TCommandLine::ShowVersion:
            std::fputs(VersionText().toLocal8Bit().constData(), stdout);
            return 0;
        case TCommandLine::Refuse:
            std::fputs((line.ErrorText + u'\n').toLocal8Bit().constData(), stderr);
            return kUsageExitStatus;
        case TCommandLine::RunCheck: {
            // No window system: the check runs on a machine without a display.
            QCoreApplication core(argc, argv);
            return RunCheckCommand(line);
        }
        case TCommandLine::RunReport: {
            // The PDF is painted: fonts need a GUI application, which without a display runs offscreen.
            if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
                qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
                qputenv("QT_QPA_PLATFORM", "offscreen");
            if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) qInstallMessageHandler(QuietAboutRuntimeDir);
            QGuiApplication gui(argc, argv);
            return RunReportCommand(line);
        }
        case TCommandLine::RunWindows:
            break;
    }
    if (!line.SettingsFile.isEmpty()) SetExplicitSettingsFile(line.SettingsFile);

    BlockQuitSignals();
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Администратор"_s);
    QApplication::setApplicationVersion(QStringLiteral(TV_VERSION));
    QApplication::setWindowIcon(ApplicationIcon());
    QApplication::setQuitOnLastWindowClosed(false);

    InstallFontSubstitutes();
    WatchQuitSignals(CloseEverything);
    TMessageBoxPrompts prompts;
    return RunAdministrator(prompts);
}
