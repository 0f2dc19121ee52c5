#include "fib/TTRParams.h"

#include <QRegularExpression>

#include "fib/TFIBTransaction.h"

using namespace Qt::StringLiterals;

QString TTRParams::Text() const {
    QString text;
    for (const QString& line : m_lines) text += line + u"\r\n"_s;
    return text;
}

void TTRParams::BeforeChange() {
    if (m_transaction) m_transaction->CheckInactive();
}

void TTRParams::AfterChange() {
    if (m_transaction) m_transaction->MarkTPBOutOfDate();
}

void TTRParams::SetStrings(int index, const QString& line) {
    BeforeChange();
    m_lines[index] = line;
    AfterChange();
}

void TTRParams::Add(const QString& line) {
    BeforeChange();
    m_lines.append(line);
    AfterChange();
}

void TTRParams::Delete(int index) {
    BeforeChange();
    m_lines.removeAt(index);
    AfterChange();
}

void TTRParams::Clear() {
    BeforeChange();
    m_lines.clear();
    AfterChange();
}

void TTRParams::SetLines(const QStringList& lines) {
    BeforeChange();
    m_lines = lines;
    AfterChange();
}

void TTRParams::SetText(const QString& text) {
    QStringList lines = text.split(QRegularExpression(u"\r\n|\n|\r"_s));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    SetLines(lines);
}
