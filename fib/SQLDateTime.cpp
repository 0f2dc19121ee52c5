#include "fib/SQLDateTime.h"

#include <cmath>
#include <limits>

namespace {
constexpr qint64 kJulianOfIscZero = 2400001;  // QDate's Julian day of 1858-11-17
constexpr qint64 kMsPerDay = 86400000;
}  // namespace

std::optional<ISC_DATE> EncodeISCDate(const QDate& date) {
    if (!date.isValid()) return std::nullopt;
    const qint64 d = date.toJulianDay() - kJulianOfIscZero;
    if (d < std::numeric_limits<ISC_DATE>::min() || d > std::numeric_limits<ISC_DATE>::max()) return std::nullopt;
    return ISC_DATE(d);
}

QDate DecodeISCDate(ISC_DATE date) { return QDate::fromJulianDay(qint64(date) + kJulianOfIscZero); }

ISC_TIME EncodeISCTime(const QTime& time) { return time.isValid() ? ISC_TIME(time.msecsSinceStartOfDay()) * 10 : 0; }

QTime DecodeISCTime(ISC_TIME time) { return QTime::fromMSecsSinceStartOfDay(int((time / 10) % kMsPerDay)); }

std::optional<ISC_TIMESTAMP> EncodeISCTimestamp(const QDateTime& dateTime) {
    if (!dateTime.isValid()) return std::nullopt;
    const auto date = EncodeISCDate(dateTime.date());
    if (!date) return std::nullopt;
    ISC_TIMESTAMP ts;
    ts.timestamp_date = *date;
    ts.timestamp_time = EncodeISCTime(dateTime.time());
    return ts;
}

QDateTime DecodeISCTimestamp(const ISC_TIMESTAMP& stamp) {
    return QDateTime(DecodeISCDate(stamp.timestamp_date), DecodeISCTime(stamp.timestamp_time), Qt::UTC);
}

QDate ZeroDate() { return QDate(1899, 12, 30); }

std::optional<QDateTime> DateTimeFromDays(double days) {
    if (!std::isfinite(days) || std::fabs(days) > 4.0e6) return std::nullopt;  // about 11 000 years either way
    double whole = std::trunc(days);
    qint64 ms = std::llround(std::fabs(days - whole) * double(kMsPerDay));
    if (ms >= kMsPerDay) {  // rounded up to the next midnight
        ms -= kMsPerDay;
        whole += 1;
    }
    return QDateTime(ZeroDate().addDays(qint64(whole)), QTime::fromMSecsSinceStartOfDay(int(ms)), Qt::UTC);
}
