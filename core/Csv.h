#pragma once
#include <QString>
#include <QStringList>

// Comma-separated text as RFC 4180 has it: a field with a comma, a quote or a line break in quotes, its
// quotes doubled; lines end with CRLF.
namespace Csv {
QString Field(const QString& text);
// One line of fields, with its CRLF.
QString Line(const QStringList& fields);
// Writes text to path as UTF-8; false with the reason in error when it cannot.
bool Save(const QString& path, const QString& text, QString* error);
}  // namespace Csv
