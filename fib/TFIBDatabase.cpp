#include "fib/TFIBDatabase.h"

#include <QDateTime>

#include <algorithm>
#include <mutex>

#include "core/Win1251.h"
#include "fib/DpbBuilder.h"
#include "fib/FIBErrors.h"
#include "fib/StatusCheck.h"
#include "fib/StatusVector.h"
#include "fib/TFIBDatabaseClient.h"
#include "fib/TFIBQuery.h"
#include "fib/TFIBTransaction.h"

using namespace Qt::StringLiterals;

namespace {
// Set once the registry below is gone at process end; a database destroyed later leaves it alone.
bool g_registryGone = false;

// Every database component; at process end those still here are closed, before the libraries unload.
struct TDatabaseRegistry {
    std::mutex lock;
    std::vector<TFIBDatabase*> databases;
    TFIBDatabase* defaultDatabase = nullptr;
    TDatabaseRegistry() { EnsureClientLibraryRegistry(); }
    ~TDatabaseRegistry() {
        std::vector<TFIBDatabase*> left;
        {
            std::lock_guard guard(lock);
            left = databases;
        }
        for (TFIBDatabase* db : left) {
            try {
                db->Close();
            } catch (...) {
            }
        }
        g_registryGone = true;
    }
};

TDatabaseRegistry& Databases() {
    static TDatabaseRegistry registry;
    return registry;
}

// Held from the not-connected check to the return of the attach, so two databases never attach at once.
std::mutex g_connectLock;
}  // namespace

TFIBDatabase* DefaultDatabase() {
    std::lock_guard guard(Databases().lock);
    return Databases().defaultDatabase;
}

std::vector<TFIBDatabase*> DatabaseList() {
    std::lock_guard guard(Databases().lock);
    return Databases().databases;
}

TFIBDatabase::TFIBDatabase(QObject* owner)
    : TComponent(owner), m_libraryName(u"gds32.dll"_s), m_params(this), m_connectParams(m_params),
      m_internalTransaction(std::make_unique<TFIBTransaction>()) {
    m_internalTransaction->TRParams().SetLines(
        {u"write"_s, u"isc_tpb_nowait"_s, u"read_committed"_s, u"rec_version"_s});
    m_internalTransaction->SetTimeoutAction(TACommit);
    m_internalTransaction->SetDefaultDatabase(this);
    std::lock_guard guard(Databases().lock);
    Databases().databases.push_back(this);
}

TFIBDatabase::~TFIBDatabase() {
    MarkDestroying();
    try {
        Close();
    } catch (...) {
    }
    // Ended (committed) and freed before the database lets go of anything else.
    m_internalTransaction.reset();
    if (!g_registryGone) {
        std::lock_guard guard(Databases().lock);
        auto& list = Databases().databases;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        if (Databases().defaultDatabase == this) Databases().defaultDatabase = nullptr;
    }
    auto transactions = std::move(m_transactions);
    m_transactions.clear();
    for (IFIBTransaction* t : transactions) t->DatabaseFreed(this);
    auto clients = std::move(m_clients);
    m_clients.clear();
    for (TFIBDatabaseClient* c : clients) c->DatabaseFreed();
}

void TFIBDatabase::SetName(const QString& name) {
    TComponent::SetName(name);
    m_internalTransaction->SetName(name + u"_InternalTransaction"_s);
}

void TFIBDatabase::Loaded() {
    TComponent::Loaded();
    m_internalTransaction->SetName(Name() + u"_InternalTransaction"_s);
    if (m_designOptions & ddoIsDefaultDatabase) {
        std::lock_guard guard(Databases().lock);
        Databases().defaultDatabase = this;
    }
}

void TFIBDatabase::SetDBName(const QString& name) {
    if (name == m_dbName) return;
    CheckNotConnected();
    m_dbName = name;
}

void TFIBDatabase::SetLibraryName(const QString& name) {
    CheckNotConnected();
    if (name == m_libraryName) return;
    m_libraryName = name;
    m_library.reset();
    m_libraryResolved = false;
}

void TFIBDatabase::SetSQLDialect(int dialect) {
    if (dialect < 1 || (Connected() && dialect > DatabaseDialect())) RaiseClientError(61);
    m_sqlDialect = dialect;
}

void TFIBDatabase::SetDefaultTransaction(IFIBTransaction* transaction) {
    JoinTransaction(transaction);
    m_defaultTransaction = transaction;
}

void TFIBDatabase::SetDefaultUpdateTransaction(IFIBTransaction* transaction) {
    JoinTransaction(transaction);
    m_defaultUpdateTransaction = transaction;
}

void TFIBDatabase::JoinTransaction(IFIBTransaction* transaction) {
    if (!transaction) return;
    // The transaction may refuse this database (another client library): then nothing is stored.
    transaction->AddDatabase(this);
    AddTransaction(transaction);
    if (!transaction->DefaultDatabase()) transaction->SetDefaultDatabase(this);
}

void TFIBDatabase::SetConnected(bool on) {
    if (on) Open(true);
    else Close();
}

void TFIBDatabase::CheckConnected() const {
    if (!Connected()) RaiseClientError(12, {FullName()});
}

void TFIBDatabase::CheckNotConnected() const {
    if (Connected()) RaiseClientError(13);
}

void TFIBDatabase::AddClient(TFIBDatabaseClient* client) {
    if (std::find(m_clients.begin(), m_clients.end(), client) == m_clients.end()) m_clients.push_back(client);
}

void TFIBDatabase::RemoveClient(TFIBDatabaseClient* client) {
    m_clients.erase(std::remove(m_clients.begin(), m_clients.end(), client), m_clients.end());
}

void TFIBDatabase::AddTransaction(IFIBTransaction* transaction) {
    if (std::find(m_transactions.begin(), m_transactions.end(), transaction) == m_transactions.end())
        m_transactions.push_back(transaction);
}

void TFIBDatabase::RemoveTransaction(IFIBTransaction* transaction) {
    m_transactions.erase(std::remove(m_transactions.begin(), m_transactions.end(), transaction),
                         m_transactions.end());
    if (m_defaultTransaction == transaction) m_defaultTransaction = nullptr;
    if (m_defaultUpdateTransaction == transaction) m_defaultUpdateTransaction = nullptr;
}

ISC_STATUS TFIBDatabase::CheckStatus(ISC_STATUS status, bool raiseOnError) {
    m_lastActivity = std::chrono::steady_clock::now();
    if (raiseOnError && status > 0) ReportStatusError(*m_library, this);
    return status;
}

void TFIBDatabase::ResolveLibrary() {
    if (!m_libraryResolved) {
        m_library = GetClientLibrary(m_libraryName);
        m_libraryResolved = true;
    }
    if (!m_library->IsLoaded()) m_library->Load();
}

void TFIBDatabase::BuildDPBNow() {
    QStringList lines = m_params.Lines();
    try {
        m_dpb = BuildDPB(lines, m_connectParams.IsFirebird());
    } catch (...) {
        m_params.SetLines(lines);
        throw;
    }
    // Writing the trimmed lines back is a change, so the next Open builds the DPB again.
    m_params.SetLines(lines);
}

void TFIBDatabase::RunLoginPrompt() {
    QString user = m_connectParams.UserName();
    QString password = m_connectParams.Password();
    QString role = m_connectParams.RoleName();
    if (!OnLoginPrompt || !OnLoginPrompt(this, user, password, role)) RaiseClientError(7);
    m_connectParams.SetUserName(user);
    m_connectParams.SetPassword(password);
    m_connectParams.SetRoleName(role);
}

void TFIBDatabase::Open(bool raiseOnError) {
    for (int& v : m_serverVersion) v = -1;
    ISC_STATUS status = 0;
    {
        std::unique_lock guard(g_connectLock);
        CheckNotConnected();
        if (m_dbName.isEmpty()) RaiseClientError(14);
        ResolveLibrary();
        for (std::size_t i = 0; i < m_clients.size(); ++i) m_clients[i]->DatabaseConnecting();
        if (m_useLoginPrompt) RunLoginPrompt();
        if (m_dpbOutOfDate) BuildDPBNow();
        const QByteArray name = ToWin1251(m_dbName);
        status = m_library->Call<EP::isc_attach_database>(ThreadStatusVector(), short(name.size()),
                                                          name.constData(), &m_handle, short(m_dpb.size()),
                                                          m_dpb.constData());
        (void)CheckStatus(status, false);
    }
    if (status > 0) {
        m_handle = 0;
        if (!raiseOnError) return;
        ReportStatusError(*m_library, this);
        return;
    }
    try {
        AfterAttach();
    } catch (...) {
        // A failed Open never leaves the database connected.
        if (Connected()) {
            try {
                Disconnect(true);
            } catch (...) {
            }
            if (m_handle) DetachQuietly();
        }
        m_attachmentId = -1;
        throw;
    }
}

void TFIBDatabase::DetachQuietly() noexcept {
    // Also for a dead attachment: the call returns at once, and the client library forgets it, which it
    // must before it shuts down at the end of the process.
    ISC_STATUS local[ISC_STATUS_LENGTH] = {};
    if (m_handle && !m_handleShared && m_library) (void)m_library->Call<EP::isc_detach_database>(local, &m_handle);
    m_handle = 0;
    m_handleShared = false;
}

void TFIBDatabase::AfterAttach() {
    m_internalTransaction->SetTimeout(1000);
    (void)AttachmentId();
    m_differenceTime = 0;
    const int dialect = DatabaseDialect();
    if (dialect < m_sqlDialect) m_sqlDialect = dialect;
    if (m_synchronizeTime && !IsDesigning()) SynchronizeServerTime();
    ReadServerFlags();
    if (AfterConnect) AfterConnect(this);
    for (std::size_t i = 0; i < m_clients.size() && Connected(); ++i) m_clients[i]->DatabaseConnected();
}

bool TFIBDatabase::InfoInteger(char item, int& value) {
    char items[1] = {item};
    char reply[512] = {};
    const ISC_STATUS status =
        m_library->Call<EP::isc_database_info>(ThreadStatusVector(), &m_handle, short(1), items, short(512), reply);
    if (CheckStatus(status, true) > 0) return false;
    if (reply[0] != item) return false;
    const int length = m_library->Call<EP::isc_vax_integer>(reply + 1, short(2));
    if (length < 0 || length > 4) return false;
    value = m_library->Call<EP::isc_vax_integer>(reply + 3, short(length));
    return true;
}

QString TFIBDatabase::InfoText(char item) {
    char items[1] = {item};
    char reply[512] = {};
    const ISC_STATUS status =
        m_library->Call<EP::isc_database_info>(ThreadStatusVector(), &m_handle, short(1), items, short(512), reply);
    if (CheckStatus(status, true) > 0) return {};
    if (reply[0] != item) return {};
    // item, 2-byte length, count of texts, then the first text's length byte and its bytes.
    const int length = (unsigned char)reply[4];
    if (5 + length > int(sizeof reply)) return {};
    return FromWin1251(reply + 5, length);
}

int TFIBDatabase::DatabaseDialect() {
    CheckConnected();
    int value = 0;
    return InfoInteger(char(isc_info_db_sql_dialect), value) ? value : 1;
}

int TFIBDatabase::AttachmentId() {
    if (!Connected()) return -1;
    if (m_attachmentId < 0) {
        int value = -1;
        if (InfoInteger(char(isc_info_attachment_id), value)) m_attachmentId = value;
    }
    return m_attachmentId;
}

void TFIBDatabase::ReadServerFlags() {
    QString version = InfoText(char(isc_info_firebird_version));
    m_isFirebirdServer = !version.isEmpty();
    if (!m_isFirebirdServer) version = InfoText(char(isc_info_version));
    int n = 0;
    for (qsizetype i = 4; i < version.size() && n < 4;) {
        if (!version[i].isDigit()) {
            ++i;
            continue;
        }
        qsizetype j = i;
        while (j < version.size() && version[j] >= u'0' && version[j] <= u'9') ++j;
        m_serverVersion[n++] = version.mid(i, j - i).toInt();
        i = j;
    }
    m_unicodeConnect = m_noneCharSetConnect = m_koi8Connect = false;
    int charset = -1;
    if (m_isFirebirdServer && m_serverVersion[0] >= 2 && InfoInteger(char(frb_info_att_charset), charset)) {
        m_unicodeConnect = charset == 3 || charset == 4;
        m_noneCharSetConnect = charset == 0;
        m_koi8Connect = charset == 63 || charset == 64;
    } else {
        const QString cs = m_connectParams.CharSet();
        m_unicodeConnect = cs == u"UNICODE_FSS" || cs == u"UTF8";
        m_noneCharSetConnect = cs == u"NONE" || cs.isEmpty();
    }
}

void TFIBDatabase::SynchronizeServerTime() {
    TFIBTransaction& tr = *m_internalTransaction;
    TFIBQuery query;
    query.SetTransaction(&tr);
    query.SetDatabase(this);
    query.SetSQL({m_sqlDialect > 1 ? u"SELECT CAST('NOW' AS TIMESTAMP) from RDB$DATABASE"_s
                                   : u"SELECT CAST('NOW' AS DATE) from RDB$DATABASE"_s});
    if (!tr.Active()) tr.StartTransaction();
    if (!tr.Active()) return;  // the start failed and the error handler suppressed it
    QDateTime server;
    try {
        query.ExecQuery();
        if (!query.Eof() && query.FieldCount() > 0) server = query.FieldAt(0).Value().toDateTime();
        query.Close();
    } catch (...) {
        try {
            if (tr.Active()) tr.Rollback();
        } catch (...) {
        }
        throw;
    }
    if (tr.Active()) tr.Commit();
    if (!server.isValid()) return;
    // Both sides as wall-clock times: the server's value carries no zone.
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime local(now.date(), now.time(), Qt::UTC);
    m_differenceTime = double(server.msecsTo(local)) / 86400000.0;
}

void TFIBDatabase::Close() {
    if (Connected()) Disconnect(false);
    m_attachmentId = -1;
    m_internalTransaction->SetTimeout(0);
}

void TFIBDatabase::Disconnect(bool force) {
    CheckConnected();
    if (BeforeDisconnect) BeforeDisconnect(this);
    for (std::size_t i = 0; i < m_transactions.size(); ++i) {
        IFIBTransaction* t = m_transactions[i];
        if (!t->Active()) continue;
        TTransactionAction action = t->TimeoutAction();
        if (action == TACommitRetaining) action = TACommit;
        if (action == TARollbackRetaining) action = TARollback;
        try {
            t->EndTransaction(action, true);
        } catch (...) {
            if (!force) throw;
        }
    }
    for (std::size_t i = 0; i < m_clients.size(); ++i) {
        try {
            m_clients[i]->DatabaseDisconnecting();
        } catch (...) {
            if (!force) throw;
        }
    }
    if (!m_handleShared) {
        const ISC_STATUS status = m_library->Call<EP::isc_detach_database>(ThreadStatusVector(), &m_handle);
        if (CheckStatus(status, false) > 0 && !force) {
            try {
                ReportStatusError(*m_library, this);
                // Suppressed by the error handler: the attachment stays.
                return;
            } catch (const EFIBError&) {
                m_handle = 0;
            }
        }
    }
    m_handle = 0;
    m_handleShared = false;
    for (std::size_t i = 0; i < m_clients.size(); ++i) m_clients[i]->DatabaseDisconnected();
    if (AfterDisconnect) AfterDisconnect(this);
}

void TFIBDatabase::DropConnection() noexcept {
    // Statements forget their handles; transactions are rolled back without a report (over a dead link
    // the call fails at once, and the client library lets go of the handle); then the attachment is
    // detached the same way. A handle only forgotten stays half alive in the client library, which then
    // fails when it shuts down at the end of the process.
    const isc_db_handle dead = m_handle;
    m_handle = 0;
    for (std::size_t i = 0; i < m_clients.size(); ++i) {
        try {
            m_clients[i]->DatabaseConnectionDropped();
        } catch (...) {
        }
    }
    for (std::size_t i = 0; i < m_transactions.size(); ++i) {
        IFIBTransaction* t = m_transactions[i];
        try {
            if (t->Active()) t->EndTransaction(TARollback, true);
        } catch (...) {
        }
    }
    m_handle = dead;
    DetachQuietly();
}
