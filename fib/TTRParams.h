#pragma once
#include <QString>
#include <QStringList>

class TFIBTransaction;

// The parameter words of a transaction, one per line. Every change is refused with client error 16 while
// the transaction is active and marks its TPB out of date.
class TTRParams {
public:
    explicit TTRParams(TFIBTransaction* transaction) : m_transaction(transaction) {}

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
    friend class TFIBTransaction;
    void BeforeChange();
    void AfterChange();

    TFIBTransaction* m_transaction;
    QStringList m_lines;
};
