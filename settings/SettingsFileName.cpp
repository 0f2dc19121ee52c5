#include "settings/SettingsFileName.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {
QString g_explicitFile;
}

QString SettingsFileNameFor(const QString& executablePath) {
    const qsizetype slash = executablePath.lastIndexOf(u'/');
    const qsizetype dot = executablePath.lastIndexOf(u'.');
    // A dot that starts the file name (a hidden file) begins no extension.
    if (dot > slash + 1) return executablePath.left(dot) + u".ini"_s;
    return executablePath + u".ini"_s;
}

QString SettingsFileLocation(const QString& executablePath, bool folderWritable, const QString& userConfigFolder,
                             const QString& explicitFile) {
    if (!explicitFile.isEmpty()) return explicitFile;
    const QString beside = SettingsFileNameFor(executablePath);
    if (folderWritable || userConfigFolder.isEmpty()) return beside;
    return QDir(userConfigFolder).filePath(QFileInfo(beside).fileName());
}

void SetExplicitSettingsFile(const QString& file) { g_explicitFile = file; }

QString ApplicationSettingsFileName() {
    const QString exe = QCoreApplication::applicationFilePath();
    const bool writable = QFileInfo(QFileInfo(exe).absolutePath()).isWritable();
    const QString config =
        writable || !g_explicitFile.isEmpty() ? QString() : QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (!config.isEmpty()) QDir().mkpath(config);
    return SettingsFileLocation(exe, writable, config, g_explicitFile);
}
