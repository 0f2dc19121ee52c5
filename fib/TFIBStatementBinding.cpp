#include "fib/TFIBStatementBinding.h"

#include "fib/FIBErrors.h"
#include "fib/LoadingState.h"
#include "fib/TFIBDatabase.h"
#include "fib/TFIBTransaction.h"

TFIBStatementBinding::~TFIBStatementBinding() {
    if (m_database) m_database->RemoveClient(this);
    if (m_transaction) m_transaction->RemoveBinding(this);
}

void TFIBStatementBinding::SetDatabase(TFIBDatabase* database) {
    if (database == m_database) return;
    if (m_database) m_database->RemoveClient(this);
    m_database = database;
    if (!database) return;
    database->AddClient(this);
    if (!m_transaction && !IsLoadingChain(m_owner))
        SetTransaction(dynamic_cast<TFIBTransaction*>(database->DefaultTransaction()));
}

void TFIBStatementBinding::SetTransaction(TFIBTransaction* transaction) {
    if (transaction == m_transaction) return;
    if (m_transaction) m_transaction->RemoveBinding(this);
    m_transaction = transaction;
    if (!transaction) return;
    transaction->AddBinding(this);
    if ((!m_database || !transaction->IncludesDatabase(m_database)) && transaction->DatabaseCount() > 0) {
        TFIBDatabase* db = transaction->DefaultDatabase() ? transaction->DefaultDatabase() : transaction->Database(0);
        SetDatabase(db);
    }
}

void TFIBStatementBinding::CheckDatabase() const {
    if (!m_database) RaiseClientError(21, {RaiserPathOf(m_owner)});
    m_database->CheckConnected();
}

void TFIBStatementBinding::CheckTransaction() const {
    if (!m_transaction) RaiseClientError(22, {RaiserPathOf(m_owner)});
    m_transaction->CheckActive();
}

isc_db_handle* TFIBStatementBinding::DBHandle() const {
    CheckDatabase();
    return m_database->Handle();
}

isc_tr_handle* TFIBStatementBinding::TRHandle() const {
    CheckTransaction();
    return m_transaction->Handle();
}

void TFIBStatementBinding::DatabaseFreed() {
    Run(OnDatabaseFree);
    m_database = nullptr;
}

void TFIBStatementBinding::TransactionFreed() {
    Run(OnTransactionFree);
    m_transaction = nullptr;
}
