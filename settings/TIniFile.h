#pragma once
#include <QString>

// The settings file by name: each call reads the file, each write stores it at once.
class TIniFile {
public:
    explicit TIniFile(QString fileName);

    const QString& FileName() const { return m_fileName; }

    // A missing or unreadable file reads as empty.
    QString ReadText(const QString& section, const QString& key, const QString& defaultValue) const;
    int ReadNumber(const QString& section, const QString& key, int defaultValue) const;

    // Throw EIniFileException "Unable to write to <file>" when the file cannot be written; a file
    // that exists but cannot be read is not overwritten.
    void WriteText(const QString& section, const QString& key, const QString& value);
    void WriteNumber(const QString& section, const QString& key, int value);
    void WriteFlag(const QString& section, const QString& key, bool value);

private:
    QString m_fileName;
};
