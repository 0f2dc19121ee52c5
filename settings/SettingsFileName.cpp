#include "settings/SettingsFileName.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
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

bool MoveOldSettingsFile(const QString& oldFolder, const QString& newFolder, const QString& fileName) {
    const QString oldFile = QDir(oldFolder).filePath(fileName), newFile = QDir(newFolder).filePath(fileName);
    if (!QFileInfo::exists(oldFile) || QFileInfo::exists(newFile)) return false;
    QDir().mkpath(newFolder);
    if (!QFile::rename(oldFile, newFile)) return false;
    QDir().rmdir(oldFolder);  // only when empty
    return true;
}

QString ApplicationSettingsFileName() {
    const QString exe = QCoreApplication::applicationFilePath();
    const QString folder = QFileInfo(exe).absolutePath();
    // Root may write to /usr/bin, but an installed program keeps its settings with the user.
    const bool writable = QFileInfo(folder).isWritable() && !folder.startsWith(u"/usr/"_s);
    if (writable || !g_explicitFile.isEmpty()) return SettingsFileLocation(exe, writable, QString(), g_explicitFile);
    const QDir configRoot(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    const QString config = configRoot.filePath(QFileInfo(exe).completeBaseName());
    const QString fileName = QFileInfo(SettingsFileNameFor(exe)).fileName();
    MoveOldSettingsFile(configRoot.filePath(QCoreApplication::applicationName()), config, fileName);
    QDir().mkpath(config);
    return SettingsFileLocation(exe, writable, config, g_explicitFile);
}
