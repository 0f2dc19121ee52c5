#include "data/TFloatField.h"

#include <cmath>

#include "data/TFormatSettings.h"
#include "data/TRecordBuffer.h"

QVariant TFloatField::GetValue(const TRowView& row) const {
    if (IsNullOf(row)) return {};
    return QVariant(row.Double(Slot()));
}

QString TFloatField::GetAsString(const TRowView& row) const {
    if (IsNullOf(row)) return {};
    return QString::number(row.Double(Slot()), 'g', 15)
        .replace(u'.', TFormatSettings::Current().DecimalSeparator);
}

QString TFloatField::GetDisplayText(const TRowView& row) const {
    if (IsNullOf(row) || DisplayFormat().isEmpty()) return GetAsString(row);
    return TFormatSettings::Current().FormatFloat(DisplayFormat(), row.Double(Slot()));
}

qint64 TFloatField::GetAsLargeInt(const TRowView& row) const {
    double v = GetAsFloat(row);
    if (!std::isfinite(v) || std::fabs(v) > 9.2e18) ValueError(QString::number(v));
    return std::llround(v);
}

void TFloatField::AssignString(const QString& text) {
    if (text.trimmed().isEmpty()) return StoreNull();
    double v = 0;
    if (!TFormatSettings::Current().ParseFloat(text, v)) ValueError(text);
    AssignFloat(v);
}

void TFloatField::AssignFloat(double value) {
    if (!std::isfinite(value)) ValueError(QString::number(value));
    BeginWrite().SetDouble(Slot(), value);
    EndWrite();
}
