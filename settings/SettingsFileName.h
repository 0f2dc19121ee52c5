#pragma once
#include <QString>

// The settings file of an executable: its path with the extension replaced by ".ini", or with
// ".ini" appended when the file name has none.
QString SettingsFileNameFor(const QString& executablePath);

// Where the settings file is: the file named explicitly when there is one; else beside the executable
// when its folder is writable (a program run from its build folder or a portable copy); else, with the
// same file name, in the user's configuration folder (an installed program in a system folder).
QString SettingsFileLocation(const QString& executablePath, bool folderWritable, const QString& userConfigFolder,
                             const QString& explicitFile);

// The settings file named on the command line (empty: none).
void SetExplicitSettingsFile(const QString& file);

// The settings file of the running program (QCoreApplication::applicationFilePath()) by the rule above;
// the user's configuration folder is made when the file goes there.
QString ApplicationSettingsFileName();
