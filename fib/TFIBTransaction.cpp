#include "fib/TFIBTransaction.h"

#include <QAbstractEventDispatcher>
#include <QTimer>

#include <algorithm>

#include "core/Format.h"
#include "fib/FIBErrors.h"
#include "fib/LoadingState.h"
#include "fib/StatusCheck.h"
#include "fib/StatusVector.h"
#include "fib/TFIBDatabase.h"
#include "fib/TFIBStatementBinding.h"
#include "fib/TPB.h"

using namespace Qt::StringLiterals;

namespace {
// Sets the run state from the handle when an end leaves, also by an exception.
class TRunStateGuard {
public:
    TRunStateGuard(int& state, const isc_tr_handle& handle) : m_state(state), m_handle(handle) {}
    ~TRunStateGuard() { m_state = m_handle ? TFIBTransaction::rsActive : TFIBTransaction::rsInactive; }
    TRunStateGuard(const TRunStateGuard&) = delete;
    TRunStateGuard& operator=(const TRunStateGuard&) = delete;

private:
    int& m_state;
    const isc_tr_handle& m_handle;
};

// One entry of isc_start_multiple's vector, laid out as the client library reads it.
// A timer needs the thread's event loop; a thread without one has no timeout.
void StartTimer(QTimer* timer) {
    if (timer && QAbstractEventDispatcher::instance(timer->thread())) timer->start();
}

struct TTransactionEntry {
    isc_db_handle* database;
    int tpbLength;
    const char* tpb;
};
}  // namespace

TFIBTransaction::TFIBTransaction(QObject* owner) : TComponent(owner), m_params(this) {}

TFIBTransaction::~TFIBTransaction() {
    MarkDestroying();
    EndOnDestroy();
    if (m_timer) m_timer->stop();
    auto subscribers = std::move(m_subscribers);
    m_subscribers.clear();
    for (auto it = subscribers.rbegin(); it != subscribers.rend(); ++it)
        if (it->second.Destroyed) {
            try {
                it->second.Destroyed(this);
            } catch (...) {
            }
        }
    auto bindings = std::move(m_bindings);
    m_bindings.clear();
    for (TFIBStatementBinding* b : bindings) b->TransactionFreed();
    auto databases = std::move(m_databases);
    m_databases.clear();
    m_defaultDatabase = nullptr;
    for (TFIBDatabase* db : databases) db->RemoveTransaction(this);
}

void TFIBTransaction::EndOnDestroy() noexcept {
    if (!Active()) return;
    TTransactionAction action = m_timeoutAction;
    if (action == TACommitRetaining) action = TACommit;
    if (action == TARollbackRetaining) action = TARollback;
    try {
        EndTransaction(action, true);
    } catch (...) {
        m_handle = 0;
    }
}

void TFIBTransaction::SetActive(bool on) {
    if (on && !Active()) StartTransaction();
    else if (!on && Active()) Rollback();
}

void TFIBTransaction::SetDefaultDatabase(TFIBDatabase* database) {
    if (database == m_defaultDatabase) return;
    CheckInactive();
    TFIBDatabase* old = m_defaultDatabase;
    if (database && !IncludesDatabase(database)) {
        AddDatabase(database);  // refuses another client library
        if (!IncludesDatabase(database)) return;  // ignored while loading
        // The new database takes the old one's place in the list.
        if (old && IncludesDatabase(old)) {
            m_databases.pop_back();
            *std::find(m_databases.begin(), m_databases.end(), old) = database;
        }
    } else if (!database && old) {
        m_databases.erase(std::remove(m_databases.begin(), m_databases.end(), old), m_databases.end());
    }
    m_defaultDatabase = database;
    if (old && !IncludesDatabase(old)) old->RemoveTransaction(this);
    if (database) database->AddTransaction(this);
}

void TFIBTransaction::AddDatabase(TFIBDatabase* database) {
    if (!database || IncludesDatabase(database)) return;
    if (!m_databases.empty() && m_databases.front()->LibraryName() != database->LibraryName()) {
        if (IsLoadingChain(this)) return;
        throw Exception(FormatMessage(u"%s.\r\nTransaction can't work with different client library."_s, {FullName()}));
    }
    m_databases.push_back(database);
}

void TFIBTransaction::DatabaseFreed(TFIBDatabase* database) {
    m_databases.erase(std::remove(m_databases.begin(), m_databases.end(), database), m_databases.end());
    if (m_defaultDatabase == database) m_defaultDatabase = nullptr;
}

bool TFIBTransaction::IncludesDatabase(const TFIBDatabase* database) const {
    return std::find(m_databases.begin(), m_databases.end(), database) != m_databases.end();
}

void TFIBTransaction::AddBinding(TFIBStatementBinding* binding) {
    if (!HasBinding(binding)) m_bindings.push_back(binding);
}

void TFIBTransaction::RemoveBinding(TFIBStatementBinding* binding) {
    m_bindings.erase(std::remove(m_bindings.begin(), m_bindings.end(), binding), m_bindings.end());
}

bool TFIBTransaction::HasBinding(TFIBStatementBinding* binding) const {
    return std::find(m_bindings.begin(), m_bindings.end(), binding) != m_bindings.end();
}

void TFIBTransaction::Subscribe(const void* key, TTransactionSubscriber subscriber) {
    Unsubscribe(key);
    m_subscribers.emplace_back(key, std::move(subscriber));
}

void TFIBTransaction::Unsubscribe(const void* key) {
    m_subscribers.erase(std::remove_if(m_subscribers.begin(), m_subscribers.end(),
                                       [key](const auto& s) { return s.first == key; }),
                        m_subscribers.end());
}

void TFIBTransaction::SetTimeout(unsigned ms) {
    m_timeout = ms;
    if (ms == 0) {
        delete m_timer;
        m_timer = nullptr;
        return;
    }
    if (!m_timer) {
        m_timer = new QTimer(this);
        connect(m_timer, &QTimer::timeout, this, &TFIBTransaction::TimerTick);
    }
    m_timer->setInterval(int(std::min<unsigned>(ms, unsigned(INT_MAX))));
    if (Active()) StartTimer(m_timer);
}

void TFIBTransaction::TimerTick() {
    if (!Active()) return;
    if (!m_idle) {
        m_idle = true;
        return;
    }
    // A slot lets no exception out; a failing end has already been offered to the error handler.
    try {
        EndTransaction(m_timeoutAction, true);
        if (OnTimeout) OnTimeout(this);
    } catch (...) {
    }
}

IIBClientLibrary* TFIBTransaction::ClientLibrary() const {
    TFIBDatabase* db = m_defaultDatabase ? m_defaultDatabase : (m_databases.empty() ? nullptr : m_databases.front());
    return db ? db->ClientLibrary() : nullptr;
}

void TFIBTransaction::CheckActive() const {
    if (!Active()) RaiseClientError(15, {FullName()});
}

void TFIBTransaction::CheckInactive() const {
    if (Active()) RaiseClientError(16, {FullName()});
}

ISC_STATUS TFIBTransaction::CheckStatus(ISC_STATUS status, bool raiseOnError) {
    m_idle = false;
    for (TFIBDatabase* db : m_databases) (void)db->CheckStatus(status, false);
    if (raiseOnError && status > 0) {
        IIBClientLibrary* library = ClientLibrary();
        if (library) ReportStatusError(*library, this);
    }
    return status;
}

void TFIBTransaction::StartTransaction() {
    CheckInactive();
    if (m_databases.empty()) RaiseClientError(18, {FullName()});
    for (TFIBDatabase* db : m_databases) db->CheckConnected();
    if (m_tpbOutOfDate) {
        QStringList lines = m_params.m_lines;
        try {
            m_tpb = BuildTPB(lines);
        } catch (...) {
            m_params.m_lines = lines;
            throw;
        }
        // The trimmed lines are written back: a change, so the next start builds the TPB again.
        m_params.m_lines = lines;
        m_tpbOutOfDate = true;
    }
    std::vector<TTransactionEntry> entries;
    entries.reserve(m_databases.size());
    for (TFIBDatabase* db : m_databases) entries.push_back({db->Handle(), int(m_tpb.size()), m_tpb.constData()});
    for (TFIBStatementBinding* b : BindingsSnapshot())
        if (HasBinding(b)) b->TransactionStarting();
    if (!Active()) {
        for (auto it = m_subscribers.rbegin(); it != m_subscribers.rend(); ++it)
            if (it->second.BeforeStart) it->second.BeforeStart(this);
        IIBClientLibrary& library = *ClientLibrary();
        const ISC_STATUS status = library.Call<EP::isc_start_multiple>(ThreadStatusVector(), &m_handle,
                                                                       short(entries.size()), entries.data());
        if (CheckStatus(status, false) > 0) {
            m_handle = 0;
            ReportStatusError(library, this);
            return;  // suppressed by the error handler: the transaction stays inactive
        }
        for (auto it = m_subscribers.rbegin(); it != m_subscribers.rend(); ++it)
            if (it->second.AfterStart) it->second.AfterStart(this);
    }
    for (TFIBStatementBinding* b : BindingsSnapshot())
        if (HasBinding(b)) b->TransactionStarted();
    m_runState = rsActive;
    m_idle = false;
    if (m_timeout > 0) StartTimer(m_timer);
}

void TFIBTransaction::BeforeEndCalls(TTransactionAction action, bool force) {
    const auto bindings = BindingsSnapshot();
    for (auto it = bindings.rbegin(); it != bindings.rend(); ++it)
        if (HasBinding(*it)) (*it)->TransactionEnding(action);
    for (auto it = m_subscribers.rbegin(); it != m_subscribers.rend(); ++it)
        if (it->second.BeforeEnd) it->second.BeforeEnd(this, action, force);
}

void TFIBTransaction::AfterEndCalls(TTransactionAction action, bool force) {
    const auto bindings = BindingsSnapshot();
    for (auto it = bindings.rbegin(); it != bindings.rend(); ++it)
        if (HasBinding(*it)) (*it)->TransactionEnded(action);
    for (auto it = m_subscribers.rbegin(); it != m_subscribers.rend(); ++it)
        if (it->second.AfterEnd) it->second.AfterEnd(this, action, force);
}

void TFIBTransaction::EndTransaction(TTransactionAction action, bool force) {
    CheckActive();
    {
        TRunStateGuard guard(m_runState, m_handle);
        IIBClientLibrary* library = ClientLibrary();
        if (action == TARollbackRetaining || action == TACommitRetaining) {
            m_runState = action == TARollbackRetaining ? rsRollingBackRetaining : rsCommittingRetaining;
            BeforeEndCalls(action, force);
            if (!m_handleShared) {
                // A forgotten handle has nothing left to retain on the server.
                const ISC_STATUS status =
                    action == TARollbackRetaining
                        ? library->Call<EP::isc_rollback_retaining>(ThreadStatusVector(), &m_handle)
                        : library->Call<EP::isc_commit_retaining>(ThreadStatusVector(), &m_handle);
                (void)CheckStatus(status, true);
            }
            AfterEndCalls(action, force);
        } else {
            m_runState = action == TARollback ? rsRollingBack : rsCommitting;
            BeforeEndCalls(action, force);
            ISC_STATUS status = 0;
            if (m_handleShared) {
                m_handle = 0;
                m_handleShared = false;
            } else {
                status = action == TACommit ? library->Call<EP::isc_commit_transaction>(ThreadStatusVector(), &m_handle)
                                            : library->Call<EP::isc_rollback_transaction>(ThreadStatusVector(), &m_handle);
                (void)CheckStatus(status, false);
                if (force && status > 0)
                    (void)CheckStatus(library->Call<EP::isc_rollback_transaction>(ThreadStatusVector(), &m_handle), false);
            }
            if (force) m_handle = 0;
            else if (status > 0) ReportStatusError(*library, this);
            AfterEndCalls(action, force);
        }
    }
    if (!Active() && m_timer) m_timer->stop();
}
