#include "fib/SQLValues.h"

#include <QDateTime>
#include <QLocale>

#include <cmath>
#include <cstring>
#include <limits>

#include "core/Win1251.h"
#include "fib/FIBErrors.h"
#include "fib/SQLDateTime.h"

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype kMaxText = 32767;

template <typename T>
void Put(TSQLDA& da, int i, short sqltype, T value, short scale = 0) {
    char* d = da.SetType(i, sqltype, short(sizeof(T)), int(sizeof(T)), scale);
    std::memcpy(d, &value, sizeof(T));
}

template <typename T>
T Get(const XSQLVAR& v) {
    T value;
    std::memcpy(&value, v.sqldata, sizeof(T));
    return value;
}

bool IsDateSQLType(int t) { return t == SQL_TIMESTAMP || t == SQL_TYPE_DATE || t == SQL_TYPE_TIME; }

void PutInteger(TSQLDA& da, int i, qint64 value, int dialect) {
    if (value >= std::numeric_limits<ISC_LONG>::min() && value <= std::numeric_limits<ISC_LONG>::max())
        Put<ISC_LONG>(da, i, SQL_LONG, ISC_LONG(value));
    else if (dialect >= 3)
        Put<ISC_INT64>(da, i, SQL_INT64, ISC_INT64(value));
    else  // dialect 1 has no 64-bit integers; a double keeps the magnitude
        Put<double>(da, i, SQL_DOUBLE, double(value));
}

void PutDateTime(TSQLDA& da, int i, QDateTime dt, const TBindTarget& target) {
    if (target.DescribedType == SQL_TYPE_DATE) dt.setTime(QTime(0, 0));
    const auto ts = EncodeISCTimestamp(dt);
    if (!ts) RaiseClientError(2);
    Put<ISC_TIMESTAMP>(da, i, SQL_TIMESTAMP, *ts);
}

void PutNull(TSQLDA& da, int i) {
    if ((da.Var(i).sqltype & ~1) == 0) da.SetType(i, SQL_TEXT, 0, 0);
    da.SetNull(i, true);
}

double Scaled(qint64 value, short scale) { return double(value) * std::pow(10.0, double(scale)); }

}  // namespace

bool IsNumericSQLType(int t) {
    return t == SQL_SHORT || t == SQL_LONG || t == SQL_INT64 || t == SQL_FLOAT || t == SQL_DOUBLE || t == SQL_D_FLOAT;
}

TBindResult BindVariant(TSQLDA& da, int i, const QVariant& value, const TBindTarget& target, QByteArray* blobContent) {
    if (!value.isValid() || value.isNull()) {
        PutNull(da, i);
        return TBindResult::Done;
    }
    const int type = value.typeId();
    const bool dateTarget = target.DescribedType == SQL_TIMESTAMP || target.DescribedType == SQL_TYPE_DATE;
    switch (type) {
    case QMetaType::Bool:
        // The server converts no integer into a BOOLEAN column, so such a column gets its own type.
        if (target.DescribedType == SQL_BOOLEAN) Put<unsigned char>(da, i, SQL_BOOLEAN, value.toBool() ? 1 : 0);
        else Put<ISC_LONG>(da, i, SQL_LONG, value.toBool() ? 1 : 0);
        return TBindResult::Done;
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::Short: case QMetaType::UShort:
    case QMetaType::Char: case QMetaType::SChar: case QMetaType::UChar:
    case QMetaType::Long: case QMetaType::ULong: case QMetaType::LongLong:
    case QMetaType::Float: case QMetaType::Double:
        // Boolean fields travel as 1 and 0; the server converts no integer into a BOOLEAN column.
        if (target.DescribedType == SQL_BOOLEAN && type != QMetaType::Float && type != QMetaType::Double &&
            (value.toLongLong() == 0 || value.toLongLong() == 1)) {
            Put<unsigned char>(da, i, SQL_BOOLEAN, value.toLongLong() ? 1 : 0);
        } else if (dateTarget) {
            const auto dt = DateTimeFromDays(value.toDouble());
            if (!dt) RaiseClientError(2);
            PutDateTime(da, i, *dt, target);
        } else if (type == QMetaType::Float || type == QMetaType::Double) {
            Put<double>(da, i, SQL_DOUBLE, value.toDouble());
        } else if (type == QMetaType::LongLong || type == QMetaType::Long) {
            const qint64 v = value.toLongLong();
            if (target.Dialect >= 3) Put<ISC_INT64>(da, i, SQL_INT64, ISC_INT64(v));
            else PutInteger(da, i, v, target.Dialect);
        } else {
            // Unsigned 32-bit values beyond the signed range would wrap in SQL_LONG.
            PutInteger(da, i, value.toLongLong(), target.Dialect);
        }
        return TBindResult::Done;
    case QMetaType::ULongLong: {
        const quint64 v = value.toULongLong();
        if (dateTarget) {
            const auto dt = DateTimeFromDays(double(v));
            if (!dt) RaiseClientError(2);
            PutDateTime(da, i, *dt, target);
        } else if (v > quint64(std::numeric_limits<qint64>::max())) {
            Put<double>(da, i, SQL_DOUBLE, double(v));
        } else if (target.Dialect >= 3) {
            Put<ISC_INT64>(da, i, SQL_INT64, ISC_INT64(v));
        } else {
            PutInteger(da, i, qint64(v), target.Dialect);
        }
        return TBindResult::Done;
    }
    case QMetaType::QDateTime: {
        const QDateTime dt = value.toDateTime();
        if (!dt.isValid()) PutNull(da, i);
        else PutDateTime(da, i, QDateTime(dt.date(), dt.time(), Qt::UTC), target);
        return TBindResult::Done;
    }
    case QMetaType::QDate: {
        const QDate d = value.toDate();
        if (!d.isValid()) PutNull(da, i);
        else PutDateTime(da, i, QDateTime(d, QTime(0, 0), Qt::UTC), target);
        return TBindResult::Done;
    }
    case QMetaType::QTime: {
        const QTime t = value.toTime();
        if (!t.isValid()) PutNull(da, i);
        else PutDateTime(da, i, QDateTime(ZeroDate(), t, Qt::UTC), target);
        return TBindResult::Done;
    }
    case QMetaType::QString: case QMetaType::QByteArray: {
        if (type == QMetaType::QString) {
            // Characters the code page cannot hold would reach the database as "?": refuse the value.
            const QString outside = OutsideWin1251(value.toString());
            if (!outside.isEmpty()) throw EFIBClientError(-1, OutsideWin1251Message(outside), 0);
        }
        QByteArray bytes = type == QMetaType::QString ? ToWin1251(value.toString()) : value.toByteArray();
        if (bytes.isEmpty() && (IsNumericSQLType(target.DescribedType) || IsDateSQLType(target.DescribedType))) {
            PutNull(da, i);
            return TBindResult::Done;
        }
        if (IsNumericSQLType(target.DescribedType)) {
            const QString point = QLocale().decimalPoint();
            bytes.replace(',', '.');
            if (point.size() == 1 && point[0].unicode() < 128) bytes.replace(char(point[0].unicode()), '.');
        }
        if (bytes.size() > kMaxText) {
            if (blobContent) *blobContent = bytes;
            return TBindResult::NeedsBlob;
        }
        char* d = da.SetType(i, SQL_TEXT, short(bytes.size()), int(bytes.size()));
        std::memcpy(d, bytes.constData(), size_t(bytes.size()));
        return TBindResult::Done;
    }
    default:
        RaiseClientError(2);
    }
}

void BindBlobId(TSQLDA& da, int i, const ISC_QUAD& blobId) { Put<ISC_QUAD>(da, i, SQL_BLOB, blobId); }

QVariant ReadVariant(const XSQLVAR& v, bool trimChar, const TBlobReader& readBlob) {
    const int type = v.sqltype & ~1;
    if (((v.sqltype & 1) && v.sqlind && *v.sqlind < 0) || type == SQL_NULL) return {};
    if (!v.sqldata) return {};
    switch (type) {
    case SQL_TEXT: case SQL_VARYING: {
        const char* p = v.sqldata;
        qsizetype len = v.sqllen < 0 ? 0 : v.sqllen;
        if (type == SQL_VARYING) {
            const short stored = Get<short>(v);
            // A length beyond the described one would read past the buffer.
            len = stored < 0 ? 0 : (stored > len ? len : stored);
            p += 2;
        }
        // Character set OCTETS (id 1, in the low byte of the subtype) holds bytes, not text: they come as
        // they are, blanks and all.
        if ((v.sqlsubtype & 0xFF) == 1) return QByteArray(p, len);
        if (trimChar)
            while (len > 0 && p[len - 1] == ' ') --len;
        return FromWin1251(p, len);
    }
    case SQL_SHORT:
        if (v.sqlscale == 0) return int(Get<short>(v));
        return Scaled(Get<short>(v), v.sqlscale);
    case SQL_LONG:
        if (v.sqlscale == 0) return int(Get<ISC_LONG>(v));
        return Scaled(Get<ISC_LONG>(v), v.sqlscale);
    case SQL_INT64:
        if (v.sqlscale == 0) return qlonglong(Get<ISC_INT64>(v));
        return Scaled(Get<ISC_INT64>(v), v.sqlscale);
    case SQL_FLOAT: return double(Get<float>(v));
    case SQL_DOUBLE: case SQL_D_FLOAT: return Get<double>(v);
    case SQL_TIMESTAMP: return DecodeISCTimestamp(Get<ISC_TIMESTAMP>(v));
    case SQL_TYPE_DATE: return QDateTime(DecodeISCDate(Get<ISC_DATE>(v)), QTime(0, 0), Qt::UTC);
    case SQL_TYPE_TIME: return QDateTime(ZeroDate(), DecodeISCTime(Get<ISC_TIME>(v)), Qt::UTC);
    case SQL_BOOLEAN: return Get<unsigned char>(v) != 0;
    case SQL_ARRAY: return u"(Array)"_s;
    case SQL_BLOB:
        if (!readBlob) RaiseClientError(33);
        return FromWin1251(readBlob(Get<ISC_QUAD>(v)));
    default:
        RaiseClientError(33);
    }
}
