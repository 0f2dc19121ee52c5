#pragma once
#include "data/TField.h"

// A 32-bit integer column; the base of the other integer kinds, which differ in width and range.
class TIntegerField : public TField {
public:
    explicit TIntegerField(QObject* owner = nullptr);
    TStorageKind StorageKind() const override { return TStorageKind::Int32; }
    qint64 MinValue() const { return m_min; }
    qint64 MaxValue() const { return m_max; }

protected:
    TIntegerField(TFieldType dataType, qint64 min, qint64 max, QObject* owner);

    QVariant GetValue(const TRowView& row) const override;
    QString GetAsString(const TRowView& row) const override;
    QString GetDisplayText(const TRowView& row) const override;
    qint64 GetAsLargeInt(const TRowView& row) const override;
    double GetAsFloat(const TRowView& row) const override;
    void AssignString(const QString& text) override;
    void AssignLargeInt(qint64 value) override;
    void AssignFloat(double value) override;
    int DefaultDisplayWidth() const override { return 11; }

private:
    qint64 m_min;
    qint64 m_max;
};
