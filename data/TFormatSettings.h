#pragma once
#include <QChar>
#include <QDate>
#include <QString>

// Separators and default formats that fields use to show and read values, and the display
// format rules ("#,##0.00" for numbers; "dd.mm.yyyy hh:nn:ss" tokens for dates and times).
class TFormatSettings {
public:
    QChar DecimalSeparator = u'.';
    QChar ThousandSeparator = u' ';
    QChar DateSeparator = u'.';
    // Default text formats, in the same tokens as display formats.
    QString ShortDateFormat = QStringLiteral("dd.mm.yyyy");
    QString LongTimeFormat = QStringLiteral("hh:nn:ss");

    // The settings in force for the process; starts from the system locale's separator.
    static TFormatSettings& Current();

    // "0" a digit always shown, "#" a digit shown when significant, "." the decimal separator,
    // "," anywhere in the integer part for thousands grouping; other characters are copied.
    QString FormatFloat(const QString& format, double value) const;
    // d dd m mm yy yyyy (date), h hh n nn s ss z zzz (time), "/" and ":" the separators,
    // text in quotes copied. An "m" right after an hour token means minutes.
    QString FormatDateTime(const QString& format, const QDate& date, const QTime& time) const;
    // Reads "1234.5" or "1234,5" (either separator, blanks ignored); false when not a number.
    bool ParseFloat(const QString& text, double& value) const;
};
