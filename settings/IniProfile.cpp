#include "settings/IniProfile.h"

#include <vector>

#include "core/TextCompare.h"
#include "core/Win1251.h"

using namespace Qt::StringLiterals;

namespace {

enum class LineKind { Other, Section, Key };

struct Line {
    qsizetype begin = 0;       // first byte
    qsizetype end = 0;         // end of the text, before CR LF or LF
    qsizetype next = 0;        // first byte of the next line
    LineKind kind = LineKind::Other;
    QString name;              // section or key name, blanks removed
    qsizetype nameEnd = 0;     // end of the key name as written, kept by a rewrite in place
    qsizetype valueBegin = 0;  // first byte after "="
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

void Trim(const QByteArray& s, qsizetype& b, qsizetype& e) {
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
}

QString Decode(const QByteArray& s, qsizetype b, qsizetype e) { return FromWin1251(s.constData() + b, e - b); }

std::vector<Line> Parse(const QByteArray& s) {
    std::vector<Line> lines;
    qsizetype pos = 0;
    const qsizetype size = s.size();
    while (pos < size) {
        Line line;
        line.begin = pos;
        qsizetype nl = s.indexOf('\n', pos);
        if (nl < 0) {
            line.end = line.next = size;
        } else {
            line.end = (nl > pos && s[nl - 1] == '\r') ? nl - 1 : nl;
            line.next = nl + 1;
        }
        qsizetype b = line.begin, e = line.end;
        Trim(s, b, e);
        if (b < e && s[b] == '[') {
            qsizetype close = s.indexOf(']', b + 1);
            if (close >= 0 && close < e) {
                qsizetype nb = b + 1, ne = close;
                Trim(s, nb, ne);
                line.kind = LineKind::Section;
                line.name = Decode(s, nb, ne);
            }
        } else if (b < e && s[b] != ';') {
            qsizetype eq = s.indexOf('=', b);
            if (eq >= 0 && eq < e) {
                qsizetype kb = b, ke = eq;
                Trim(s, kb, ke);
                line.kind = LineKind::Key;
                line.name = Decode(s, kb, ke);
                line.nameEnd = ke;
                line.valueBegin = eq + 1;
            }
        }
        lines.push_back(std::move(line));
        pos = lines.back().next;
    }
    return lines;
}

// Index of the first line holding key in a section of that name, or -1.
qsizetype FindKey(const std::vector<Line>& lines, const QString& section, const QString& key) {
    bool inSection = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        const Line& l = lines[i];
        if (l.kind == LineKind::Section)
            inSection = AnsiSameText(l.name, section);
        else if (inSection && l.kind == LineKind::Key && AnsiSameText(l.name, key))
            return qsizetype(i);
    }
    return -1;
}

// A line break written into the file would start a line of its own.
QString OneLine(QString text) {
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    return text;
}

}  // namespace

QString ProfileRead(const QByteArray& content, const QString& section, const QString& key, const QString& defaultValue) {
    const std::vector<Line> lines = Parse(content);
    qsizetype i = FindKey(lines, section, key);
    if (i < 0) return defaultValue;
    const Line& l = lines[size_t(i)];
    qsizetype b = l.valueBegin, e = l.end;
    Trim(content, b, e);
    if (e - b >= 2 && content[b] == content[e - 1] && (content[b] == '"' || content[b] == '\'')) {
        ++b;
        --e;
    }
    return Decode(content, b, e).left(kProfileValueLimit);
}

QByteArray ProfileWrite(const QByteArray& content, const QString& section, const QString& key, const QString& value) {
    const std::vector<Line> lines = Parse(content);
    const QByteArray entry = ToWin1251(OneLine(key)) + '=' + ToWin1251(OneLine(value));

    qsizetype found = FindKey(lines, section, key);
    if (found >= 0) {
        const Line& l = lines[size_t(found)];
        QByteArray out = content.left(l.nameEnd);
        out += '=';
        out += ToWin1251(OneLine(value));
        out += content.mid(l.end);
        return out;
    }

    // The key goes after the last line of the first section of that name that is not blank.
    qsizetype header = -1, last = -1;
    for (size_t i = 0; i < lines.size(); ++i) {
        const Line& l = lines[i];
        if (l.kind == LineKind::Section) {
            if (header >= 0) break;
            if (AnsiSameText(l.name, section)) header = last = qsizetype(i);
            continue;
        }
        if (header < 0) continue;
        qsizetype b = l.begin, e = l.end;
        Trim(content, b, e);
        if (b < e) last = qsizetype(i);
    }
    if (header >= 0) {
        const Line& l = lines[size_t(last)];
        QByteArray out = content.left(l.next);
        if (l.next == l.end) out += "\r\n";  // the last line of the file had no line break
        out += entry + "\r\n";
        out += content.mid(l.next);
        return out;
    }

    QByteArray out = content;
    if (!out.isEmpty() && !out.endsWith('\n')) out += "\r\n";
    out += '[' + ToWin1251(OneLine(section)) + "]\r\n" + entry + "\r\n";
    return out;
}

int ProfileTextToInt(const QString& text, int defaultValue) {
    if (text.size() >= 3 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) {
        const QStringView digits = QStringView(text).mid(2);
        if (digits.size() > 8) return defaultValue;
        uint v = 0;
        for (QChar c : digits) {
            int d = c.isDigit() && c.unicode() < 0x80 ? c.unicode() - u'0'
                    : (c >= u'a' && c <= u'f') ? c.unicode() - u'a' + 10
                    : (c >= u'A' && c <= u'F') ? c.unicode() - u'A' + 10 : -1;
            if (d < 0) return defaultValue;
            v = v * 16 + uint(d);
        }
        return int(v);
    }
    bool ok = false;
    int v = text.toInt(&ok, 10);
    return ok ? v : defaultValue;
}

QString ProfileProtectQuotes(const QString& value) {
    if (!value.isEmpty() && value.front() == value.back() && (value.front() == u'"' || value.front() == u'\''))
        return u'"' + value + u'"';
    return value;
}
