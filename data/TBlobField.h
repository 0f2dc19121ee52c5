#pragma once
#include <QByteArray>

#include "data/TField.h"

// A binary column; its value is the bytes (QByteArray).
class TBlobField : public TField {
public:
    explicit TBlobField(QObject* owner = nullptr) : TField(ftBlob, owner) {}
    TStorageKind StorageKind() const override { return TStorageKind::Bytes; }
    QByteArray AsBytes() const;
    void SetAsBytes(const QByteArray& bytes);

protected:
    explicit TBlobField(TFieldType dataType, QObject* owner) : TField(dataType, owner) {}

    QVariant GetValue(const TRowView& row) const override;
    // Each byte as the character of the same code.
    QString GetAsString(const TRowView& row) const override;
    QString GetDisplayText(const TRowView& row) const override;
    void AssignString(const QString& text) override;
    void AssignVariant(const QVariant& value) override;
};
