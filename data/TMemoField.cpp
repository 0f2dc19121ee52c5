#include "data/TMemoField.h"

#include "core/Exception.h"
#include "core/Win1251.h"
#include "data/TRecordBuffer.h"

QVariant TMemoField::GetValue(const TRowView& row) const {
    if (IsNullOf(row)) return {};
    return GetAsString(row);
}

QString TMemoField::GetAsString(const TRowView& row) const {
    if (IsNullOf(row)) return {};
    QByteArrayView b = row.Bytes(Slot());
    return FromWin1251(b.data(), b.size());
}

void TMemoField::AssignString(const QString& text) {
    if (const QString outside = OutsideWin1251(text); !outside.isEmpty()) throw EConvertError(OutsideWin1251Message(outside));
    SetAsBytes(ToWin1251(text));
}

void TMemoField::AssignVariant(const QVariant& value) { TField::AssignVariant(value); }
