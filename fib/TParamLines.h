#pragma once
#include <QString>
#include <QStringList>

// A list of parameter lines whose owner may refuse a change (BeforeChange throws) and is told of
// every change made (AfterChange).
class TParamLines {
public:
    virtual ~TParamLines() = default;

    int Count() const { return int(m_lines.size()); }
    QString Strings(int index) const { return m_lines.at(index); }
    const QStringList& Lines() const { return m_lines; }
    // The lines, each followed by CR LF.
    QString Text() const;

    void SetStrings(int index, const QString& line);
    void Add(const QString& line);
    void Delete(int index);
    void Clear();
    void SetLines(const QStringList& lines);
    // Lines separated by line breaks.
    void SetText(const QString& text);

protected:
    virtual void BeforeChange() = 0;
    virtual void AfterChange() = 0;

    QStringList m_lines;
};
