#pragma once
#include "data/TBooleanField.h"

// A Boolean field of an integer column of a Boolean domain, or of a BOOLEAN column; stored as 1 or 0.
class TFIBBooleanField : public TBooleanField {
public:
    explicit TFIBBooleanField(QObject* owner = nullptr) : TBooleanField(owner) {}
};
