#pragma once
#include "data/TIntegerField.h"

// A 16-bit integer column.
class TSmallintField : public TIntegerField {
public:
    explicit TSmallintField(QObject* owner = nullptr) : TIntegerField(ftSmallint, -32768, 32767, owner) {}
    TStorageKind StorageKind() const override { return TStorageKind::Int16; }

protected:
    int DefaultDisplayWidth() const override { return 6; }
};
