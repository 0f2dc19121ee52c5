#include "settings/SettingsFileName.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

QString SettingsFileNameFor(const QString& executablePath) {
    const qsizetype slash = executablePath.lastIndexOf(u'/');
    const qsizetype dot = executablePath.lastIndexOf(u'.');
    // A dot that starts the file name (a hidden file) begins no extension.
    if (dot > slash + 1) return executablePath.left(dot) + u".ini"_s;
    return executablePath + u".ini"_s;
}

QString ApplicationSettingsFileName() { return SettingsFileNameFor(QCoreApplication::applicationFilePath()); }
