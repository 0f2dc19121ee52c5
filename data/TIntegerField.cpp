#include "data/TIntegerField.h"

#include <cmath>
#include <limits>

#include "core/Format.h"
#include "data/DBErrors.h"
#include "data/TFormatSettings.h"
#include "data/TRecordBuffer.h"

TIntegerField::TIntegerField(QObject* owner)
    : TIntegerField(ftInteger, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max(),
                    owner) {}

TIntegerField::TIntegerField(TFieldType dataType, qint64 min, qint64 max, QObject* owner)
    : TField(dataType, owner), m_min(min), m_max(max) {}

QVariant TIntegerField::GetValue(const TRowView& row) const {
    if (IsNullOf(row)) return {};
    if (DataType() == ftLargeint) return QVariant(row.Integer(Slot()));
    return QVariant(int(row.Integer(Slot())));
}

QString TIntegerField::GetAsString(const TRowView& row) const {
    return IsNullOf(row) ? QString() : QString::number(row.Integer(Slot()));
}

QString TIntegerField::GetDisplayText(const TRowView& row) const {
    if (IsNullOf(row) || DisplayFormat().isEmpty()) return GetAsString(row);
    return TFormatSettings::Current().FormatFloat(DisplayFormat(), double(row.Integer(Slot())));
}

qint64 TIntegerField::GetAsLargeInt(const TRowView& row) const {
    return IsNullOf(row) ? 0 : row.Integer(Slot());
}
double TIntegerField::GetAsFloat(const TRowView& row) const { return double(GetAsLargeInt(row)); }

void TIntegerField::AssignString(const QString& text) {
    QString t = text.trimmed();
    if (t.isEmpty()) return StoreNull();
    bool ok = false;
    qint64 v = t.toLongLong(&ok);
    if (!ok) ValueError(text);
    AssignLargeInt(v);
}

void TIntegerField::AssignLargeInt(qint64 value) {
    if (value < m_min || value > m_max)
        throw EConvertError(FormatMessage(
            DBText::OutOfRange,
            {QString::number(value), DisplayName(), QString::number(m_min), QString::number(m_max)}));
    BeginWrite().SetInteger(Slot(), value);
    EndWrite();
}

void TIntegerField::AssignFloat(double value) {
    if (!std::isfinite(value) || std::fabs(value) > 9.2e18) ValueError(QString::number(value));
    AssignLargeInt(std::llround(value));
}
