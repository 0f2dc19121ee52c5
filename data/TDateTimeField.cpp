#include "data/TDateTimeField.h"

#include "data/TFormatSettings.h"
#include "data/TRecordBuffer.h"

using namespace Qt::StringLiterals;

namespace {

// Display-format tokens to Qt's: m after an hour is minutes, n is minutes, m elsewhere months.
QString QtFormatOf(const QString& format, QChar dateSeparator) {
    QString out;
    bool afterHour = false;
    for (QChar ch : format) {
        QChar c = ch.toLower();
        if (c == u'm')
            out += afterHour ? u'm' : u'M';
        else if (c == u'n')
            out += u'm';
        else if (c == u'/')
            out += dateSeparator;
        else
            out += c;
        if (c == u'h')
            afterHour = true;
        else if (c != u'm' && c != u':' && c != u' ' && c != u'n')
            afterHour = false;
    }
    return out;
}

}  // namespace

qint64 TDateTimeField::ToTicks(const QDate& date, const QTime& time) {
    qint64 t = time.isValid() ? qint64(time.msecsSinceStartOfDay()) * kTicksPerMSec : 0;
    return (date.isValid() ? date.toJulianDay() : 0) * kTicksPerDay + t;
}

QDate TDateTimeField::DateOfTicks(qint64 ticks) { return QDate::fromJulianDay(ticks / kTicksPerDay); }

QTime TDateTimeField::TimeOfTicks(qint64 ticks) {
    return QTime::fromMSecsSinceStartOfDay(int((ticks % kTicksPerDay) / kTicksPerMSec));
}

QDateTime TDateTimeField::GetAsDateTime(const TRowView& row) const {
    if (IsNullOf(row)) return {};
    qint64 v = row.Integer(Slot());
    switch (StorageKind()) {
        case TStorageKind::Date:
            return QDateTime(QDate::fromJulianDay(v), QTime(0, 0));
        case TStorageKind::Time:
            return QDateTime(QDate(1899, 12, 30), TimeOfTicks(v));
        default:
            return QDateTime(DateOfTicks(v), TimeOfTicks(v));
    }
}

QVariant TDateTimeField::GetValue(const TRowView& row) const {
    if (IsNullOf(row)) return {};
    QDateTime dt = GetAsDateTime(row);
    if (StorageKind() == TStorageKind::Date) return QVariant(dt.date());
    if (StorageKind() == TStorageKind::Time) return QVariant(dt.time());
    return QVariant(dt);
}

QString TDateTimeField::DefaultFormat() const {
    const TFormatSettings& fs = TFormatSettings::Current();
    if (StorageKind() == TStorageKind::Date) return fs.ShortDateFormat;
    if (StorageKind() == TStorageKind::Time) return fs.LongTimeFormat;
    return fs.ShortDateFormat + u' ' + fs.LongTimeFormat;
}

QString TDateTimeField::GetAsString(const TRowView& row) const {
    if (IsNullOf(row)) return {};
    QDateTime dt = GetAsDateTime(row);
    return TFormatSettings::Current().FormatDateTime(DefaultFormat(), dt.date(), dt.time());
}

QString TDateTimeField::GetDisplayText(const TRowView& row) const {
    if (IsNullOf(row) || DisplayFormat().isEmpty()) return GetAsString(row);
    QDateTime dt = GetAsDateTime(row);
    return TFormatSettings::Current().FormatDateTime(DisplayFormat(), dt.date(), dt.time());
}

void TDateTimeField::AssignString(const QString& text) {
    QString t = text.trimmed();
    if (t.isEmpty()) return StoreNull();
    const TFormatSettings& fs = TFormatSettings::Current();
    const QString date = QtFormatOf(fs.ShortDateFormat, fs.DateSeparator),
                  time = QtFormatOf(fs.LongTimeFormat, fs.DateSeparator);
    for (const QString& f : {date + u' ' + time, date + u" hh:mm"_s, date}) {
        QDateTime dt = QDateTime::fromString(t, f);
        if (dt.isValid()) return AssignDateTime(dt);
    }
    for (const QString& f : {time, u"hh:mm"_s}) {
        QTime tm = QTime::fromString(t, f);
        if (tm.isValid()) return AssignDateTime(QDateTime(QDate(1899, 12, 30), tm));
    }
    QDateTime iso = QDateTime::fromString(t, Qt::ISODateWithMs);
    if (!iso.isValid()) ValueError(text);
    AssignDateTime(iso);
}

void TDateTimeField::AssignDateTime(const QDateTime& value) {
    if (!value.isValid()) return StoreNull();
    qint64 v = 0;
    switch (StorageKind()) {
        case TStorageKind::Date:
            v = value.date().toJulianDay();
            break;
        case TStorageKind::Time:
            v = ToTicks(QDate(), value.time());
            break;
        default:
            v = ToTicks(value.date(), value.time());
            break;
    }
    BeginWrite().SetInteger(Slot(), v);
    EndWrite();
}
