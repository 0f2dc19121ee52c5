#include "fib/TParamLines.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

QString TParamLines::Text() const {
    QString text;
    for (const QString& line : m_lines) text += line + u"\r\n"_s;
    return text;
}

void TParamLines::SetStrings(int index, const QString& line) {
    BeforeChange();
    m_lines[index] = line;
    AfterChange();
}

void TParamLines::Add(const QString& line) {
    BeforeChange();
    m_lines.append(line);
    AfterChange();
}

void TParamLines::Delete(int index) {
    BeforeChange();
    m_lines.removeAt(index);
    AfterChange();
}

void TParamLines::Clear() {
    BeforeChange();
    m_lines.clear();
    AfterChange();
}

void TParamLines::SetLines(const QStringList& lines) {
    BeforeChange();
    m_lines = lines;
    AfterChange();
}

void TParamLines::SetText(const QString& text) {
    QStringList lines = text.split(QRegularExpression(u"\r\n|\n|\r"_s));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    SetLines(lines);
}
