#include "core/Win1251.h"

#include <QStringList>

#include <array>

namespace {

// Code points of the bytes 0x80..0xFF; 0x98 is unassigned and maps to U+0098 both ways.
constexpr std::array<char16_t, 128> kHigh = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

int ByteOf(char16_t c) {
    if (c < 0x80) return c;
    if (c >= 0x0410 && c <= 0x044F) return 0xC0 + (c - 0x0410);  // the alphabet, the common case
    for (int i = 0; i < 128; ++i)
        if (kHigh[size_t(i)] == c) return 0x80 + i;
    return -1;
}

}  // namespace

// A table of our own rather than ICU: the conversion is on the hot path of every fetched row.
QByteArray ToWin1251(const QString& text) {
    QByteArray out(text.size(), Qt::Uninitialized);
    char* p = out.data();
    for (QChar ch : text) {
        int b = ByteOf(ch.unicode());
        *p++ = char(b < 0 ? '?' : b);
    }
    return out;
}

QString FromWin1251(const char* bytes, qsizetype length) {
    QString out(length, Qt::Uninitialized);
    QChar* p = out.data();
    for (qsizetype i = 0; i < length; ++i) {
        unsigned char b = static_cast<unsigned char>(bytes[i]);
        *p++ = QChar(b < 0x80 ? char16_t(b) : kHigh[b - 0x80]);
    }
    return out;
}

QString FromWin1251(const QByteArray& bytes) { return FromWin1251(bytes.constData(), bytes.size()); }

bool FitsWin1251(const QString& text) {
    for (QChar ch : text)
        if (ByteOf(ch.unicode()) < 0) return false;
    return true;
}

QString OutsideWin1251(const QString& text) {
    QString out;
    for (const char32_t c : text.toUcs4()) {
        if (c < 0x10000 && ByteOf(char16_t(c)) >= 0) continue;
        const QString ch = QString::fromUcs4(&c, 1);
        if (!out.contains(ch)) out += ch;
    }
    return out;
}

QString OutsideWin1251Message(const QString& characters) {
    QStringList named;
    for (const char32_t c : characters.toUcs4()) named << QStringLiteral("«") + QString::fromUcs4(&c, 1) + QStringLiteral("»");
    return QStringLiteral("В тексте есть знаки, которых нет в кодировке базы данных (WIN1251): %1. Ничего не сохранено.")
        .arg(named.join(QStringLiteral(", ")));
}
