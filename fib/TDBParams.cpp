#include "fib/TDBParams.h"

#include "fib/TFIBDatabase.h"

void TDBParams::BeforeChange() {
    if (m_database && !m_database->IsDesigning()) m_database->CheckNotConnected();
}

void TDBParams::AfterChange() {
    if (m_database) m_database->MarkDPBOutOfDate();
}
