#pragma once
#include <QByteArray>
#include <QString>

// The profile rules of an INI text held in memory as Windows-1251 bytes. Section and key names
// match without regard to case; the first matching key of the first section that has it counts.

// Longest value a read returns, in characters.
inline constexpr qsizetype kProfileValueLimit = 2047;

// The value of key in section: blanks around it removed, then one enclosing pair of matching
// quotes (" or '), at most kProfileValueLimit characters. A missing key gives defaultValue;
// a key with nothing after "=" gives empty text.
QString ProfileRead(const QByteArray& content, const QString& section, const QString& key, const QString& defaultValue);

// The content with key set to value: the key's line replaced where it stands, or the key
// appended after the last line of its section, or the section appended at the end. Every other
// byte is kept. New lines end in CR LF; a line break inside value is written as a blank.
QByteArray ProfileWrite(const QByteArray& content, const QString& section, const QString& key, const QString& value);

// Decimal text, or hexadecimal after "0x"/"0X" (three characters at least), as a 32-bit integer;
// defaultValue when the text does not convert.
int ProfileTextToInt(const QString& text, int defaultValue);

// The value protected against the quote removal of a read: one more pair of double quotes
// around a value that begins and ends with the same quote character.
QString ProfileProtectQuotes(const QString& value);
