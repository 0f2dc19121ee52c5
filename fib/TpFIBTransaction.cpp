#include "fib/TpFIBTransaction.h"

#include "fib/TpFIBDatabase.h"

TpFIBTransaction::~TpFIBTransaction() {
    // Ended here, while the events of this class can still run.
    MarkDestroying();
    EndOnDestroy();
}

void TpFIBTransaction::SetMDTTransactionRole(TFIBMDTTransactionRole role) {
    if (role == m_mdtRole) return;
    CheckInactive();
    m_mdtRole = role;
}

void TpFIBTransaction::StartTransaction() {
    if (Active()) return;
    if (const auto words = TPBModeParams(m_tpbMode)) TRParams().SetLines(*words);
    auto* db = qobject_cast<TpFIBDatabase*>(DefaultDatabase());
    if (db && db->BeforeStartTransaction) db->BeforeStartTransaction(db, this);
    if (BeforeStart) BeforeStart(this);
    TFIBTransaction::StartTransaction();
    if (AfterStart) AfterStart(this);
    if (db && db->AfterStartTransaction) db->AfterStartTransaction(db, this);
}

void TpFIBTransaction::EndTransaction(TTransactionAction action, bool force) {
    auto* db = qobject_cast<TpFIBDatabase*>(DefaultDatabase());
    if (db && db->BeforeEndTransaction) db->BeforeEndTransaction(this, action, force);
    if (BeforeEnd) BeforeEnd(this, action, force);
    TFIBTransaction::EndTransaction(action, force);
    if (AfterEnd) AfterEnd(this, action, force);
    if (db && db->AfterEndTransaction) db->AfterEndTransaction(this, action, force);
}
