#pragma once
#include <QString>

// The settings file of an executable: its path with the extension replaced by ".ini", or with
// ".ini" appended when the file name has none.
QString SettingsFileNameFor(const QString& executablePath);

// The settings file of the running program (QCoreApplication::applicationFilePath()).
QString ApplicationSettingsFileName();
