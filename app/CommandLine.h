#pragma once
#include <QString>
#include <QStringList>

// The program's command line. It is read before any window system is touched, so that what needs no
// window (the help, the version, an error in the options) works without a display.
struct TCommandLine {
    enum TAction { RunWindows, ShowHelp, ShowVersion, Refuse, RunCheck, RunReport };
    TAction Action = RunWindows;
    QString SettingsFile;  // --settings, empty when not given
    QString ErrorText;     // why the command line is refused
    // --check: the login values (empty: the settings file's), the output format, --repair grants.
    QString Server, Database, User;
    QString Format = QStringLiteral("text");
    bool RepairGrants = false;
    // --report rights: the file (-o) and the format (pdf or csv) of the rights report.
    QString Output;
};

// arguments as main() has them, the program's path first.
TCommandLine ParseCommandLine(const QStringList& arguments);
// The text of --help, for the program as it was called.
QString CommandLineHelp(const QString& programName);
// The text of --version.
QString VersionText();
// Exit status for a command line that is refused.
inline constexpr int kUsageExitStatus = 2;
