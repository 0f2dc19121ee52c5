#pragma once
#include <ibase.h>

#include <QByteArray>

#include <functional>
#include <vector>

#include "core/TComponent.h"
#include "fib/IFIBTransaction.h"
#include "fib/IIBClientLibrary.h"
#include "fib/TTRParams.h"

class QTimer;
class TFIBDatabase;
class TFIBStatementBinding;
class TFIBTransaction;

// Callbacks another component registers with a transaction (TFIBTransaction::Subscribe); any may be empty.
struct TTransactionSubscriber {
    std::function<void(TFIBTransaction* transaction)> BeforeStart;
    std::function<void(TFIBTransaction* transaction)> AfterStart;
    std::function<void(TFIBTransaction* transaction, TTransactionAction action, bool force)> BeforeEnd;
    std::function<void(TFIBTransaction* transaction, TTransactionAction action, bool force)> AfterEnd;
    std::function<void(TFIBTransaction* transaction)> Destroyed;
};

// A Firebird transaction over the databases it includes, started from the TRParams words.
class TFIBTransaction : public TComponent, public IFIBTransaction {
    Q_OBJECT
public:
    // Run states.
    enum { rsActive = 0, rsInactive = 1, rsRollingBack = 2, rsRollingBackRetaining = 3, rsCommitting = 4,
           rsCommittingRetaining = 5 };

    explicit TFIBTransaction(QObject* owner = nullptr);
    ~TFIBTransaction() override;

    // Properties.
    bool Active() const override { return m_handle != 0; }
    // true starts when inactive, false rolls back when active.
    void SetActive(bool on);
    TFIBDatabase* DefaultDatabase() const override { return m_defaultDatabase; }
    // Throws client error 16 while active.
    void SetDefaultDatabase(TFIBDatabase* database) override;
    TTRParams& TRParams() { return m_params; }
    const TTRParams& TRParams() const { return m_params; }
    unsigned Timeout() const { return m_timeout; }
    // 0 removes the timer.
    void SetTimeout(unsigned ms);
    TTransactionAction TimeoutAction() const override { return m_timeoutAction; }
    void SetTimeoutAction(TTransactionAction action) { m_timeoutAction = action; }

    // Starts (the base start). Throws client errors 16, 18, 12, 10, 11 and server errors.
    virtual void StartTransaction();
    void Commit() { EndTransaction(TACommit, false); }
    void CommitRetaining() { EndTransaction(TACommitRetaining, false); }
    void Rollback() { EndTransaction(TARollback, false); }
    void RollbackRetaining() { EndTransaction(TARollbackRetaining, false); }
    // Ends with action (the base end). A plain commit or rollback that fails raises unless force is set, in
    // which case it is followed by a rollback and the handle is dropped; a suppressed failure leaves it active.
    void EndTransaction(TTransactionAction action, bool force) override;

    void CheckActive() const;    // client error 15 with the full name
    void CheckInactive() const;  // client error 16 with the full name

    // Clears the idle mark, notes the activity on every database and, with raiseOnError and a failure,
    // reports the thread's status vector with this transaction as raiser. Returns status.
    [[nodiscard]] ISC_STATUS CheckStatus(ISC_STATUS status, bool raiseOnError);
    // A client call was made for this transaction: the timeout starts counting again.
    void MarkActivity() { m_idle = false; }
    bool IdleMark() const { return m_idle; }

    int RunState() const { return m_runState; }
    isc_tr_handle* Handle() { return &m_handle; }
    bool HandleIsShared() const { return m_handleShared; }
    void SetHandleShared(bool shared) override { m_handleShared = shared; }
    // The client library of the default database (else of the first); null when there is none yet.
    IIBClientLibrary* ClientLibrary() const;
    // The TPB of the last start.
    const QByteArray& TPB() const { return m_tpb; }
    void MarkTPBOutOfDate() { m_tpbOutOfDate = true; }

    // Databases. AddDatabase refuses one of another client library file with a plain exception.
    void AddDatabase(TFIBDatabase* database) override;
    void DatabaseFreed(TFIBDatabase* database) override;
    int DatabaseCount() const override { return int(m_databases.size()); }
    TFIBDatabase* Database(int index) const override { return m_databases.at(std::size_t(index)); }
    bool IncludesDatabase(const TFIBDatabase* database) const;

    // Statement bindings, told in the orders of start and end.
    void AddBinding(TFIBStatementBinding* binding);
    void RemoveBinding(TFIBStatementBinding* binding);
    int BindingCount() const { return int(m_bindings.size()); }

    // Subscribers are called last registered first; key identifies the registration.
    void Subscribe(const void* key, TTransactionSubscriber subscriber);
    void Unsubscribe(const void* key);

    // Called after the timeout ended the transaction.
    std::function<void(TFIBTransaction* transaction)> OnTimeout;

protected:
    // Ends an active transaction with its TimeoutAction counted as the plain form, forced; for destructors.
    void EndOnDestroy() noexcept;

private:
    void TimerTick();
    void BeforeEndCalls(TTransactionAction action, bool force);
    void AfterEndCalls(TTransactionAction action, bool force);
    std::vector<TFIBStatementBinding*> BindingsSnapshot() const { return m_bindings; }
    bool HasBinding(TFIBStatementBinding* binding) const;

    TTRParams m_params;
    TFIBDatabase* m_defaultDatabase = nullptr;
    std::vector<TFIBDatabase*> m_databases;
    std::vector<TFIBStatementBinding*> m_bindings;
    std::vector<std::pair<const void*, TTransactionSubscriber>> m_subscribers;
    isc_tr_handle m_handle = 0;
    bool m_handleShared = false;
    QByteArray m_tpb;
    bool m_tpbOutOfDate = true;
    unsigned m_timeout = 0;
    QTimer* m_timer = nullptr;
    bool m_idle = false;
    int m_runState = rsInactive;
    TTransactionAction m_timeoutAction = TARollback;
};
