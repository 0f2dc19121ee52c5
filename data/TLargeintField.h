#pragma once
#include <limits>

#include "data/TIntegerField.h"

// A 64-bit integer column.
class TLargeintField : public TIntegerField {
public:
    explicit TLargeintField(QObject* owner = nullptr)
        : TIntegerField(ftLargeint, std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max(),
                        owner) {}
    TStorageKind StorageKind() const override { return TStorageKind::Int64; }

protected:
    int DefaultDisplayWidth() const override { return 15; }
};
