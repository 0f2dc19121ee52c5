#include "fib/TFIBRowReader.h"

#include <QDate>
#include <cmath>
#include <cstring>

#include "core/Win1251.h"
#include "data/TDateTimeField.h"
#include "data/TField.h"
#include "data/TFields.h"
#include "data/TRecordBuffer.h"
#include "fib/TFIBXSQLVAR.h"

namespace {
// ISC_DATE counts days from 1858-11-17; the row cache counts Julian days.
const qint64 kJulianOfIscZero = QDate(1858, 11, 17).toJulianDay();

qint64 Pow10(int n) {
    qint64 p = 1;
    while (n-- > 0) p *= 10;
    return p;
}

bool IsIntegral(const QVariant& v) {
    switch (v.metaType().id()) {
        case QMetaType::Bool:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            return true;
        default:
            return false;
    }
}
}  // namespace

void TFIBRowReader::Reset(int count) { m_map.assign(size_t(count), TColumnMap()); }

void TFIBRowReader::Bind(int slot, TStorageKind kind, TFIBXSQLVAR* column, bool trim) {
    TColumnMap& m = m_map[size_t(slot)];
    m.Kind = kind;
    m.Column = column;
    m.Var = column ? column->SQLVar() : nullptr;
    m.SQLType = column ? column->SQLType() & ~1 : 0;
    m.Scale = column ? column->SQLScale() : 0;
    m.Trim = trim;
}

int TFIBRowReader::ScaleOf(int slot) const {
    return slot >= 0 && slot < int(m_map.size()) && m_map[size_t(slot)].Column ? m_map[size_t(slot)].Scale
                                                                               : 0;
}

void TFIBRowReader::Read(TRecordBuffer& row, const TFields& fields) const {
    const int n = int(m_map.size());
    for (int slot = 0; slot < n; ++slot) {
        const TColumnMap& m = m_map[size_t(slot)];
        const XSQLVAR* v = m.Var;
        if (!v || ((v->sqltype & 1) && *v->sqlind == -1)) continue;
        const char* data = v->sqldata;
        switch (m.Kind) {
            case TStorageKind::Bytes: {
                if (m.SQLType == SQL_TEXT || m.SQLType == SQL_VARYING) {
                    qsizetype len = v->sqllen;
                    if (m.SQLType == SQL_VARYING) {
                        short l;
                        std::memcpy(&l, data, sizeof l);
                        len = l;
                        data += sizeof(short);
                    }
                    if (m.Trim)
                        while (len > 0 && data[len - 1] == ' ') --len;
                    row.SetBytes(slot, data, len);
                } else {
                    const QVariant value = m.Column->Value();
                    if (value.metaType().id() == QMetaType::QByteArray)
                        row.SetBytes(slot, value.toByteArray());
                    else
                        row.SetBytes(slot, ToWin1251(value.toString()));
                }
                break;
            }
            case TStorageKind::Int16:
            case TStorageKind::Int32:
            case TStorageKind::Int64: {
                qint64 value = 0;
                switch (m.SQLType) {
                    case SQL_SHORT: {
                        short s;
                        std::memcpy(&s, data, sizeof s);
                        value = s;
                        break;
                    }
                    case SQL_LONG: {
                        ISC_LONG l;
                        std::memcpy(&l, data, sizeof l);
                        value = l;
                        break;
                    }
                    case SQL_INT64: {
                        ISC_INT64 l;
                        std::memcpy(&l, data, sizeof l);
                        value = l;
                        break;
                    }
                    case SQL_BOOLEAN:
                        value = *reinterpret_cast<const unsigned char*>(data) != 0;
                        break;
                    default:
                        StoreValue(*fields[slot], m.Column->Value(), row, m.Trim);
                        continue;
                }
                row.SetInteger(slot, value);
                break;
            }
            case TStorageKind::Double: {
                double value = 0;
                switch (m.SQLType) {
                    case SQL_FLOAT: {
                        float f;
                        std::memcpy(&f, data, sizeof f);
                        value = f;
                        break;
                    }
                    case SQL_DOUBLE:
                    case SQL_D_FLOAT:
                        std::memcpy(&value, data, sizeof value);
                        break;
                    case SQL_SHORT: {
                        short s;
                        std::memcpy(&s, data, sizeof s);
                        value = double(s) / double(Pow10(-m.Scale));
                        break;
                    }
                    case SQL_LONG: {
                        ISC_LONG l;
                        std::memcpy(&l, data, sizeof l);
                        value = double(l) / double(Pow10(-m.Scale));
                        break;
                    }
                    case SQL_INT64: {
                        ISC_INT64 l;
                        std::memcpy(&l, data, sizeof l);
                        value = double(l) / std::pow(10.0, -m.Scale);
                        break;
                    }
                    default:
                        value = m.Column->Value().toDouble();
                        break;
                }
                row.SetDouble(slot, value);
                break;
            }
            case TStorageKind::Date: {
                ISC_DATE d;
                std::memcpy(&d, data, sizeof d);
                row.SetInteger(slot, qint64(d) + kJulianOfIscZero);  // a Date slot holds the Julian day
                break;
            }
            case TStorageKind::Time: {
                ISC_TIME t;
                std::memcpy(&t, data, sizeof t);
                row.SetInteger(slot, qint64(t));
                break;
            }
            case TStorageKind::DateTime: {
                ISC_TIMESTAMP ts;
                std::memcpy(&ts, data, sizeof ts);
                row.SetInteger(slot, (qint64(ts.timestamp_date) + kJulianOfIscZero) * kTicksPerDay +
                                         qint64(ts.timestamp_time));
                break;
            }
        }
    }
}

void TFIBRowReader::StoreValue(const TField& field, const QVariant& value, TRecordBuffer& row,
                               bool trimChar) {
    const int slot = field.Slot();
    if (slot < 0) return;
    if (!value.isValid() || value.isNull()) {
        row.SetNull(slot);
        return;
    }
    switch (field.StorageKind()) {
        case TStorageKind::Bytes:
            if (value.metaType().id() == QMetaType::QByteArray) {
                row.SetBytes(slot, value.toByteArray());
            } else {
                QString s = value.toString();
                if (field.DataType() == ftString && trimChar) {
                    qsizetype n = s.size();
                    while (n > 0 && s[n - 1] == u' ') --n;
                    s.truncate(n);
                }
                row.SetBytes(slot, ToWin1251(s));
            }
            break;
        case TStorageKind::Int16:
        case TStorageKind::Int32:
            row.SetInteger(slot, IsIntegral(value) ? value.toLongLong() : std::llround(value.toDouble()));
            break;
        case TStorageKind::Int64:
            if (field.DataType() == ftBCD && field.Size() > 0)
                row.SetInteger(slot, std::llround(value.toDouble() * double(Pow10(field.Size()))));
            else
                row.SetInteger(slot, IsIntegral(value) ? value.toLongLong() : std::llround(value.toDouble()));
            break;
        case TStorageKind::Double:
            row.SetDouble(slot, value.toDouble());
            break;
        case TStorageKind::Date:
            row.SetInteger(slot, value.toDate().toJulianDay());
            break;
        case TStorageKind::Time:
            row.SetInteger(slot, TDateTimeField::ToTicks(QDate(), value.toTime()));
            break;
        case TStorageKind::DateTime: {
            const QDateTime dt = value.toDateTime();
            row.SetInteger(slot, TDateTimeField::ToTicks(dt.date(), dt.time()));
            break;
        }
    }
}
