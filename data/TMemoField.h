#pragma once
#include "data/TBlobField.h"

// A text blob, kept as Windows-1251 bytes like a string field but without a length limit.
class TMemoField : public TBlobField {
public:
    explicit TMemoField(QObject* owner = nullptr) : TBlobField(ftMemo, owner) {}

protected:
    QVariant GetValue(const TRowView& row) const override;
    QString GetAsString(const TRowView& row) const override;
    QString GetDisplayText(const TRowView& row) const override { return GetAsString(row); }
    void AssignString(const QString& text) override;
    void AssignVariant(const QVariant& value) override;
};
