#pragma once
#include "data/TField.h"

// A floating-point column (double precision).
class TFloatField : public TField {
public:
    explicit TFloatField(QObject* owner = nullptr) : TField(ftFloat, owner) {}
    TStorageKind StorageKind() const override { return TStorageKind::Double; }

protected:
    QVariant GetValue(const TRowView& row) const override;
    QString GetAsString(const TRowView& row) const override;
    QString GetDisplayText(const TRowView& row) const override;
    qint64 GetAsLargeInt(const TRowView& row) const override;
    double GetAsFloat(const TRowView& row) const override { return IsNullOf(row) ? 0 : row.Double(Slot()); }
    void AssignString(const QString& text) override;
    void AssignLargeInt(qint64 value) override { AssignFloat(double(value)); }
    void AssignFloat(double value) override;
};
