#include "data/TStringField.h"

#include "core/Exception.h"
#include "core/Win1251.h"
#include "data/TRecordBuffer.h"

TStringField::TStringField(QObject* owner) : TField(ftString, owner) { SetSize(20); }

QVariant TStringField::GetValue(const TRowView& row) const {
    if (IsNullOf(row)) return {};
    return GetAsString(row);
}

QString TStringField::GetAsString(const TRowView& row) const {
    if (IsNullOf(row)) return {};
    QByteArrayView bytes = row.Bytes(Slot());
    qsizetype n = bytes.size();
    if (m_trim)
        while (n > 0 && bytes[n - 1] == ' ') --n;
    return FromWin1251(bytes.data(), n);
}

void TStringField::AssignString(const QString& text) {
    // The row holds Windows-1251 bytes: a character without one would be stored as "?".
    if (const QString outside = OutsideWin1251(text); !outside.isEmpty()) throw EConvertError(OutsideWin1251Message(outside));
    QString value = Size() > 0 && text.size() > Size() ? text.left(Size()) : text;
    if (m_trim) {
        qsizetype n = value.size();
        while (n > 0 && value[n - 1].unicode() <= 32) --n;
        value.truncate(n);
    }
    if (value.isEmpty() && m_emptyAsNull) return StoreNull();
    QByteArray bytes = ToWin1251(value);
    BeginWrite().SetBytes(Slot(), bytes);
    EndWrite();
}
