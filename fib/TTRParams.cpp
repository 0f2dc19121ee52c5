#include "fib/TTRParams.h"

#include "fib/TFIBTransaction.h"

void TTRParams::BeforeChange() {
    if (m_transaction) m_transaction->CheckInactive();
}

void TTRParams::AfterChange() {
    if (m_transaction) m_transaction->MarkTPBOutOfDate();
}
