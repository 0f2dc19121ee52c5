#pragma once
#include "data/TField.h"

// An exact decimal column: a 64-bit integer scaled by 10^Size, Size being 0 to 4 digits after
// the point. Size 0 holds whole numbers (read as a 64-bit integer), others read as double.
class TBCDField : public TField {
public:
    explicit TBCDField(QObject* owner = nullptr) : TField(ftBCD, owner) {}
    TStorageKind StorageKind() const override { return TStorageKind::Int64; }
    // The stored integer, i.e. the value times 10^Size.
    qint64 AsScaled() const { return IsNull() ? 0 : ActiveRow().Integer(Slot()); }
    void SetAsScaled(qint64 value);

protected:
    QVariant GetValue(const TRowView& row) const override;
    QString GetAsString(const TRowView& row) const override;
    QString GetDisplayText(const TRowView& row) const override;
    qint64 GetAsLargeInt(const TRowView& row) const override;
    double GetAsFloat(const TRowView& row) const override;
    // Exact: "12.345" in a field of Size 2 is rounded half away from zero to 12.35.
    void AssignString(const QString& text) override;
    void AssignLargeInt(qint64 value) override;
    void AssignFloat(double value) override;
    int DefaultDisplayWidth() const override { return 20; }

private:
    qint64 Scale() const;
};
