#pragma once
#include <ibase.h>

#include <functional>

#include "fib/IFIBTransaction.h"
#include "fib/TFIBDatabaseClient.h"

class QObject;
class TFIBDatabase;
class TFIBTransaction;

// Ties one statement or dataset (its owner) to its database and transaction: the registrations in both
// lists, the checks for a missing or closed database or transaction, and the notifications, which reach
// the owner through the hooks it fills. Not copyable: the lists hold its address.
class TFIBStatementBinding : public TFIBDatabaseClient {
public:
    explicit TFIBStatementBinding(QObject* owner) : m_owner(owner) {}
    ~TFIBStatementBinding() override;
    TFIBStatementBinding(const TFIBStatementBinding&) = delete;
    TFIBStatementBinding& operator=(const TFIBStatementBinding&) = delete;

    QObject* Owner() const { return m_owner; }
    TFIBDatabase* Database() const { return m_database; }
    // Leaves the old database's list, joins the new one's; without a transaction, and unless an owner is
    // being loaded, takes the database's DefaultTransaction.
    void SetDatabase(TFIBDatabase* database);
    TFIBTransaction* Transaction() const { return m_transaction; }
    // Leaves the old transaction's list, joins the new one's; takes the transaction's default (or first)
    // database when it has none or the transaction does not include it.
    void SetTransaction(TFIBTransaction* transaction);

    // Client error 21 with the owner's full name, then the database's CheckConnected (12).
    void CheckDatabase() const;
    // Client error 22 with the owner's full name, then the transaction's CheckActive (15).
    void CheckTransaction() const;
    isc_db_handle* DBHandle() const;  // after CheckDatabase
    isc_tr_handle* TRHandle() const;  // after CheckTransaction

    // Hooks the owner fills; any may be empty. Database ones come from TFIBDatabaseClient.
    std::function<void()> OnDatabaseConnecting, OnDatabaseConnected, OnDatabaseDisconnecting,
        OnDatabaseDisconnected, OnConnectionDropped, OnDatabaseFree;
    std::function<void()> OnTransactionStarting, OnTransactionStarted, OnTransactionFree;
    std::function<void(TTransactionAction action)> OnTransactionEnding, OnTransactionEnded;

    // Called by the database.
    void DatabaseConnecting() override { Run(OnDatabaseConnecting); }
    void DatabaseConnected() override { Run(OnDatabaseConnected); }
    void DatabaseDisconnecting() override { Run(OnDatabaseDisconnecting); }
    void DatabaseDisconnected() override { Run(OnDatabaseDisconnected); }
    void DatabaseConnectionDropped() override { Run(OnConnectionDropped); }
    void DatabaseFreed() override;
    // Called by the transaction.
    void TransactionStarting() { Run(OnTransactionStarting); }
    void TransactionStarted() { Run(OnTransactionStarted); }
    void TransactionEnding(TTransactionAction action) {
        if (OnTransactionEnding) OnTransactionEnding(action);
    }
    void TransactionEnded(TTransactionAction action) {
        if (OnTransactionEnded) OnTransactionEnded(action);
    }
    void TransactionFreed();

private:
    static void Run(const std::function<void()>& hook) {
        if (hook) hook();
    }

    QObject* m_owner;
    TFIBDatabase* m_database = nullptr;
    TFIBTransaction* m_transaction = nullptr;
};
