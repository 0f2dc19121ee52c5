#pragma once
#include <QByteArray>
#include <QString>

// The one Windows-1251 codec of the program. Characters outside the code page become '?'.
QByteArray ToWin1251(const QString& text);
QString FromWin1251(const QByteArray& bytes);
QString FromWin1251(const char* bytes, qsizetype length);
// True when every character of text has a Windows-1251 byte.
bool FitsWin1251(const QString& text);
// The characters of text that Windows-1251 cannot hold, each once, in the order they first appear.
QString OutsideWin1251(const QString& text);
// The message that refuses a text with such characters, naming them.
QString OutsideWin1251Message(const QString& characters);
