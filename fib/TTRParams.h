#pragma once
#include "fib/TParamLines.h"

class TFIBTransaction;

// The parameter words of a transaction, one per line. Every change is refused with client error 16 while
// the transaction is active and marks its TPB out of date.
class TTRParams : public TParamLines {
public:
    explicit TTRParams(TFIBTransaction* transaction) : m_transaction(transaction) {}

protected:
    void BeforeChange() override;
    void AfterChange() override;

private:
    friend class TFIBTransaction;
    TFIBTransaction* m_transaction;
};
