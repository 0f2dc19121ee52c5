#include "fib/TDBParams.h"

#include <QRegularExpression>

#include "fib/TFIBDatabase.h"

using namespace Qt::StringLiterals;

QString TDBParams::Text() const {
    QString text;
    for (const QString& line : m_lines) text += line + u"\r\n"_s;
    return text;
}

void TDBParams::BeforeChange() {
    if (m_database && !m_database->IsDesigning()) m_database->CheckNotConnected();
}

void TDBParams::AfterChange() {
    if (m_database) m_database->MarkDPBOutOfDate();
}

void TDBParams::SetStrings(int index, const QString& line) {
    BeforeChange();
    m_lines[index] = line;
    AfterChange();
}

void TDBParams::Add(const QString& line) {
    BeforeChange();
    m_lines.append(line);
    AfterChange();
}

void TDBParams::Delete(int index) {
    BeforeChange();
    m_lines.removeAt(index);
    AfterChange();
}

void TDBParams::Clear() {
    BeforeChange();
    m_lines.clear();
    AfterChange();
}

void TDBParams::SetLines(const QStringList& lines) {
    BeforeChange();
    m_lines = lines;
    AfterChange();
}

void TDBParams::SetText(const QString& text) {
    QStringList lines = text.split(QRegularExpression(u"\r\n|\n|\r"_s));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    SetLines(lines);
}
