#pragma once
#include <QString>

// The settings file of an executable: its path with the extension replaced by ".ini", or with
// ".ini" appended when the file name has none.
QString SettingsFileNameFor(const QString& executablePath);

// Where the settings file is: the file named explicitly when there is one; else beside the executable
// when its folder is writable and not a system folder under /usr (a program run from its build folder or
// a portable copy); else, with the same file name, in the user's configuration folder (an installed
// program), ~/.config/<executable's name>/.
QString SettingsFileLocation(const QString& executablePath, bool folderWritable, const QString& userConfigFolder,
                             const QString& explicitFile);

// The settings file named on the command line (empty: none).
void SetExplicitSettingsFile(const QString& file);

// Moves a settings file of that name from the folder an earlier version used (named after the program's
// Cyrillic title) into the new one, unless the new one has it already; the old folder goes when empty.
// True when a file was moved.
bool MoveOldSettingsFile(const QString& oldFolder, const QString& newFolder, const QString& fileName);

// The settings file of the running program (QCoreApplication::applicationFilePath()) by the rule above;
// the user's configuration folder is made when the file goes there.
QString ApplicationSettingsFileName();
