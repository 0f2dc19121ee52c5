#pragma once
#include "data/TIntegerField.h"

// An integer field of an INTEGER column.
class TFIBIntegerField : public TIntegerField {
public:
    explicit TFIBIntegerField(QObject* owner = nullptr) : TIntegerField(owner) {}
};
