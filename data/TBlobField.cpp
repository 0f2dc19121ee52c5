#include "data/TBlobField.h"

#include "data/TRecordBuffer.h"

using namespace Qt::StringLiterals;

QByteArray TBlobField::AsBytes() const {
    TRowView row = ActiveRow();
    return IsNullOf(row) ? QByteArray() : row.Bytes(Slot()).toByteArray();
}

void TBlobField::SetAsBytes(const QByteArray& bytes) {
    BeginWrite().SetBytes(Slot(), bytes);
    EndWrite();
}

QVariant TBlobField::GetValue(const TRowView& row) const {
    if (IsNullOf(row)) return {};
    return QVariant(row.Bytes(Slot()).toByteArray());
}

QString TBlobField::GetAsString(const TRowView& row) const {
    if (IsNullOf(row)) return {};
    QByteArrayView b = row.Bytes(Slot());
    return QString::fromLatin1(b.data(), b.size());
}

QString TBlobField::GetDisplayText(const TRowView&) const { return u"(BLOB)"_s; }

void TBlobField::AssignString(const QString& text) { SetAsBytes(text.toLatin1()); }

void TBlobField::AssignVariant(const QVariant& value) {
    if (value.typeId() == QMetaType::QByteArray) return SetAsBytes(value.toByteArray());
    TField::AssignVariant(value);
}
