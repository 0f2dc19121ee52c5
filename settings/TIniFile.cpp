#include "settings/TIniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "core/Format.h"
#include "settings/EIniFileException.h"
#include "settings/IniProfile.h"

using namespace Qt::StringLiterals;

namespace {

enum class Content { Read, Missing, Unreadable };

Content Load(const QString& fileName, QByteArray& bytes) {
    QFile file(fileName);
    if (!file.exists()) return Content::Missing;
    if (QFileInfo(fileName).isDir() || !file.open(QIODevice::ReadOnly)) return Content::Unreadable;
    bytes = file.readAll();
    return file.error() == QFileDevice::NoError ? Content::Read : Content::Unreadable;
}

[[noreturn]] void RaiseWriteError(const QString& fileName) {
    throw EIniFileException(FormatMessage(u"Unable to write to %s"_s, {fileName}));
}

}  // namespace

TIniFile::TIniFile(QString fileName) : m_fileName(std::move(fileName)) {}

QString TIniFile::ReadText(const QString& section, const QString& key, const QString& defaultValue) const {
    QByteArray bytes;
    Load(m_fileName, bytes);
    return ProfileRead(bytes, section, key, defaultValue);
}

int TIniFile::ReadNumber(const QString& section, const QString& key, int defaultValue) const {
    QString text = ReadText(section, key, QString());
    return text.isEmpty() ? defaultValue : ProfileTextToInt(text, defaultValue);
}

void TIniFile::WriteText(const QString& section, const QString& key, const QString& value) {
    QByteArray bytes;
    if (Load(m_fileName, bytes) == Content::Unreadable) RaiseWriteError(m_fileName);
    const QByteArray updated = ProfileWrite(bytes, section, key, value);
    // Written beside the old file and renamed over it, so a failed write leaves the old file whole;
    // where the folder allows no new file, the file is written in place.
    QSaveFile file(m_fileName);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly) || file.write(updated) != updated.size() || !file.commit())
        RaiseWriteError(m_fileName);
}

void TIniFile::WriteNumber(const QString& section, const QString& key, int value) {
    WriteText(section, key, QString::number(value));
}

void TIniFile::WriteFlag(const QString& section, const QString& key, bool value) {
    WriteText(section, key, value ? u"1"_s : u"0"_s);
}
