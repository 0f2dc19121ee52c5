#pragma once
#include "fib/TFIBDataSet.h"

// The dataset component the windows use.
class TpFIBDataSet : public TFIBDataSet {
    Q_OBJECT
public:
    explicit TpFIBDataSet(QObject* owner = nullptr) : TFIBDataSet(owner) {}
};
