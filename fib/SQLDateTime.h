#pragma once
#include <ibase.h>

#include <QDateTime>
#include <optional>

// Firebird's date and time encodings, computed here rather than by the client library:
// ISC_DATE counts days from 1858-11-17, ISC_TIME ten-thousandths of a second from midnight.
// Date-time values are wall-clock times; decoded ones carry Qt::UTC so no daylight-saving gap moves them.

std::optional<ISC_DATE> EncodeISCDate(const QDate& date);  // nothing for an invalid date or one out of range
QDate DecodeISCDate(ISC_DATE date);
ISC_TIME EncodeISCTime(const QTime& time);  // milliseconds precision
QTime DecodeISCTime(ISC_TIME time);
std::optional<ISC_TIMESTAMP> EncodeISCTimestamp(const QDateTime& dateTime);
QDateTime DecodeISCTimestamp(const ISC_TIMESTAMP& stamp);

// The date of a time-only value: day 0 of the days-since-1899-12-30 count.
QDate ZeroDate();
// A count of days since 1899-12-30 with the time of day as fraction (a negative count keeps a positive
// fraction); nothing for NaN, infinities and values beyond the date range.
std::optional<QDateTime> DateTimeFromDays(double days);
