#pragma once
#include <QString>
#include <QStringList>

class TFIBDatabase;

// The connection parameter lines of a database (word, "=", value). Every change is refused with client
// error 13 while the database is connected (except at design time) and marks its DPB out of date.
class TDBParams {
public:
    explicit TDBParams(TFIBDatabase* database) : m_database(database) {}

    int Count() const { return int(m_lines.size()); }
    QString Strings(int index) const { return m_lines.at(index); }
    const QStringList& Lines() const { return m_lines; }
    QString Text() const;

    void SetStrings(int index, const QString& line);
    void Add(const QString& line);
    void Delete(int index);
    void Clear();
    void SetLines(const QStringList& lines);
    // Lines separated by line breaks.
    void SetText(const QString& text);

private:
    void BeforeChange();
    void AfterChange();

    TFIBDatabase* m_database;
    QStringList m_lines;
};
