#pragma once
#include "fib/TFIBCustomDataSet.h"

// The Firebird dataset with its properties published.
class TFIBDataSet : public TFIBCustomDataSet {
    Q_OBJECT
public:
    explicit TFIBDataSet(QObject* owner = nullptr) : TFIBCustomDataSet(owner) {}
};
