#pragma once
#include "data/TDateTimeField.h"

// A time-of-day column.
class TTimeField : public TDateTimeField {
public:
    explicit TTimeField(QObject* owner = nullptr) : TDateTimeField(ftTime, owner) {}
    TStorageKind StorageKind() const override { return TStorageKind::Time; }

protected:
    int DefaultDisplayWidth() const override { return 8; }
};
