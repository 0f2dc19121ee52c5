#pragma once
#include <QString>

// Comparison of texts without regard to case, right for Cyrillic as for Latin letters.
inline bool AnsiSameText(const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive) == 0; }
inline int AnsiCompareText(const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive); }
inline QString AnsiUpperCase(const QString& s) { return s.toUpper(); }
inline QString AnsiLowerCase(const QString& s) { return s.toLower(); }

// Only the ASCII letters a-z and A-Z change case.
inline QString AsciiUpper(QString s) {
    for (QChar& c : s)
        if (c >= u'a' && c <= u'z') c = QChar(c.unicode() - 32);
    return s;
}
inline QString AsciiLower(QString s) {
    for (QChar& c : s)
        if (c >= u'A' && c <= u'Z') c = QChar(c.unicode() + 32);
    return s;
}
