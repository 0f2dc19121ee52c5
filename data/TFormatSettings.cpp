#include "data/TFormatSettings.h"

#include <QLocale>
#include <cmath>

using namespace Qt::StringLiterals;

TFormatSettings& TFormatSettings::Current() {
    static TFormatSettings settings = [] {
        TFormatSettings s;
        QString point = QLocale::system().decimalPoint();
        if (point.size() == 1) s.DecimalSeparator = point[0];
        return s;
    }();
    return settings;
}

QString TFormatSettings::FormatFloat(const QString& format, double value) const {
    QString section = format.section(u';', 0, 0);
    if (section.isEmpty()) return QString::number(value, 'g', 15).replace(u'.', DecimalSeparator);
    qsizetype firstDigit = -1, lastDigit = -1, point = -1;
    for (qsizetype i = 0; i < section.size(); ++i)
        if (section[i] == u'0' || section[i] == u'#') {
            if (firstDigit < 0) firstDigit = i;
            lastDigit = i;
        }
    if (firstDigit > 0 && section[firstDigit - 1] == u'.') --firstDigit;
    int minInt = 0, minFrac = 0, maxFrac = 0;
    bool group = false;
    for (qsizetype i = firstDigit; i >= 0 && i <= lastDigit; ++i) {
        QChar c = section[i];
        bool digit = c == u'0' || c == u'#';
        if (c == u'.' && point < 0)
            point = i;
        else if (c == u',' && point < 0)
            group = true;
        else if (digit && point < 0)
            minInt += c == u'0';
        else if (digit) {
            ++maxFrac;
            if (c == u'0') minFrac = maxFrac;
        }
    }
    if (firstDigit < 0) return section;
    QString digits = QString::number(std::fabs(value), 'f', maxFrac);
    QString intPart = digits.section(u'.', 0, 0);
    QString frac = maxFrac > 0 ? digits.section(u'.', 1, 1) : QString();
    while (frac.size() > minFrac && frac.endsWith(u'0')) frac.chop(1);
    if (intPart == u"0"_s && minInt == 0) intPart.clear();
    while (intPart.size() < minInt) intPart.prepend(u'0');
    if (group)
        for (qsizetype i = intPart.size() - 3; i > 0; i -= 3) intPart.insert(i, ThousandSeparator);
    QString number = intPart;
    if (!frac.isEmpty()) number += DecimalSeparator + frac;
    if (number.isEmpty()) number = u"0"_s;
    bool negative = false;
    for (QChar ch : number) negative = negative || (value < 0 && ch >= u'1' && ch <= u'9');
    return section.left(firstDigit) + (negative ? u"-"_s : QString()) + number + section.mid(lastDigit + 1);
}

QString TFormatSettings::FormatDateTime(const QString& format, const QDate& date, const QTime& time) const {
    QString out;
    bool afterHour = false;
    for (qsizetype i = 0; i < format.size();) {
        QChar c = format[i].toLower();
        qsizetype run = 1;
        while (i + run < format.size() && format[i + run].toLower() == c) ++run;
        auto pad = [](int v, int width) { return QString::number(v).rightJustified(width, u'0'); };
        if (c == u'"' || c == u'\'') {
            qsizetype end = format.indexOf(format[i], i + 1);
            if (end < 0) end = format.size();
            out += format.mid(i + 1, end - i - 1);
            i = end + 1;
            continue;
        }
        if (c == u'd')
            out += run >= 2 ? pad(date.day(), 2) : QString::number(date.day());
        else if (c == u'm' && afterHour)
            out += run >= 2 ? pad(time.minute(), 2) : QString::number(time.minute());
        else if (c == u'm')
            out += run >= 2 ? pad(date.month(), 2) : QString::number(date.month());
        else if (c == u'y')
            out += run >= 3 ? pad(date.year(), 4) : pad(date.year() % 100, 2);
        else if (c == u'h')
            out += run >= 2 ? pad(time.hour(), 2) : QString::number(time.hour());
        else if (c == u'n')
            out += run >= 2 ? pad(time.minute(), 2) : QString::number(time.minute());
        else if (c == u's')
            out += run >= 2 ? pad(time.second(), 2) : QString::number(time.second());
        else if (c == u'z')
            out += run >= 3 ? pad(time.msec(), 3) : QString::number(time.msec());
        else if (c == u'/')
            out += QString(run, DateSeparator);
        else
            out += format.mid(i, run);
        if (c == u'h')
            afterHour = true;
        else if (c != u':' && c != u' ')
            afterHour = false;
        i += run;
    }
    return out;
}

bool TFormatSettings::ParseFloat(const QString& text, double& value) const {
    QString t = text.trimmed();
    t.remove(u' ');
    t.remove(QChar(0x00A0));
    t.replace(DecimalSeparator, u'.');
    t.replace(u',', u'.');
    bool ok = false;
    value = t.toDouble(&ok);
    return ok && std::isfinite(value);
}
