// Any settings file content, any section, key and value: a written key reads back as written.
#include <QByteArrayList>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "core/Win1251.h"
#include "settings/IniProfile.h"

using namespace Qt::StringLiterals;

namespace {

bool IsBlank(QChar c) { return c == u' ' || c == u'\t' || c == u'\r'; }

// A name the file can hold: not empty, no blanks at its ends, none of the characters that
// make a line a header, a comment or an entry, no line break.
bool UsableName(const QString& s) {
    if (s.isEmpty() || IsBlank(s.front()) || IsBlank(s.back())) return false;
    for (QChar c : s)
        if (c == u'[' || c == u']' || c == u'=' || c == u';' || c == u'\n' || c == u'\r') return false;
    return true;
}

QString Trimmed(QString s) {
    while (!s.isEmpty() && IsBlank(s.front())) s.remove(0, 1);
    while (!s.isEmpty() && IsBlank(s.back())) s.chop(1);
    return s;
}

}  // namespace

// Input: content, 0x00, section, 0x00, key, 0x00, value.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    const QList<QByteArray> parts = input.split('\0');
    if (parts.size() < 4) return 0;
    const QByteArray& content = parts[0];
    const QString section = FromWin1251(parts[1]), key = FromWin1251(parts[2]);
    QString value = FromWin1251(parts[3]);

    (void)ProfileRead(content, section, key, u"d"_s);
    (void)ProfileTextToInt(value, 0);
    const QByteArray written = ProfileWrite(content, section, key, value);
    if (!UsableName(section) || !UsableName(key)) return 0;

    value.replace(u'\r', u' ').replace(u'\n', u' ');
    value = Trimmed(value).left(kProfileValueLimit);
    const QByteArray updated = ProfileWrite(written, section, key, ProfileProtectQuotes(value));
    if (ProfileRead(updated, section, key, u"<missing>"_s) != value) abort();
    // Writing the same value again changes nothing.
    if (ProfileWrite(updated, section, key, ProfileProtectQuotes(value)) != updated) abort();
    return 0;
}
