#pragma once
#include "data/TDateTimeField.h"

// A date column.
class TDateField : public TDateTimeField {
public:
    explicit TDateField(QObject* owner = nullptr) : TDateTimeField(ftDate, owner) {}
    TStorageKind StorageKind() const override { return TStorageKind::Date; }

protected:
    int DefaultDisplayWidth() const override { return 10; }
};
