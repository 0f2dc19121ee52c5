#pragma once
#include <QByteArray>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "core/TComponent.h"
#include "fib/IFIBTransaction.h"
#include "fib/IIBClientLibrary.h"
#include "fib/TConnectParams.h"
#include "fib/TDBParams.h"

class EFIBError;
class TFIBDatabaseClient;
class TFIBTransaction;

enum TDesignDBOption { ddoIsDefaultDatabase = 1, ddoStoreConnected = 2, ddoNotSavePassword = 4 };
using TDesignDBOptions = int;

// What the layer does after a lost connection.
enum TFIBLostConnectActions { laTerminateApp, laCloseConnect, laIgnore, laWaitRestore };

// A connection to one Firebird database through the client library named by LibraryName.
class TFIBDatabase : public TComponent {
    Q_OBJECT
public:
    explicit TFIBDatabase(QObject* owner = nullptr);
    ~TFIBDatabase() override;

    // Properties.
    QString DBName() const { return m_dbName; }
    void SetDBName(const QString& name);
    QString LibraryName() const { return m_libraryName; }
    void SetLibraryName(const QString& name);
    int SQLDialect() const { return m_sqlDialect; }
    void SetSQLDialect(int dialect);
    TDBParams& DBParams() { return m_params; }
    const TDBParams& DBParams() const { return m_params; }
    TConnectParams& ConnectParams() { return m_connectParams; }
    unsigned Timeout() const { return m_timeout; }
    void SetTimeout(unsigned ms) { m_timeout = ms; }
    bool SynchronizeTime() const { return m_synchronizeTime; }
    void SetSynchronizeTime(bool on) { m_synchronizeTime = on; }
    bool UseLoginPrompt() const { return m_useLoginPrompt; }
    void SetUseLoginPrompt(bool on) { m_useLoginPrompt = on; }
    bool AutoReconnect() const { return m_autoReconnect; }
    void SetAutoReconnect(bool on) { m_autoReconnect = on; }
    bool UpperOldNames() const { return m_upperOldNames; }
    void SetUpperOldNames(bool on) { m_upperOldNames = on; }
    TDesignDBOptions DesignDBOptions() const { return m_designOptions; }
    void SetDesignDBOptions(TDesignDBOptions options) { m_designOptions = options; }
    unsigned WaitForRestoreConnect() const { return m_waitForRestore; }
    void SetWaitForRestoreConnect(unsigned ms) { m_waitForRestore = ms; }
    IFIBTransaction* DefaultTransaction() const { return m_defaultTransaction; }
    void SetDefaultTransaction(IFIBTransaction* transaction);
    IFIBTransaction* DefaultUpdateTransaction() const { return m_defaultUpdateTransaction; }
    void SetDefaultUpdateTransaction(IFIBTransaction* transaction);

    bool Connected() const { return m_handle != 0; }
    void SetConnected(bool on);
    // Connects (the base connect). Throws on failure with raiseOnError; returns not connected when the
    // error handler suppressed the error or raiseOnError is false.
    virtual void Open(bool raiseOnError = true);
    // Disconnects when connected; then resets the attachment id cache.
    void Close();
    // Ends the attachment. Throws client error 12 when not connected.
    virtual void Disconnect(bool force);
    // Ends a lost attachment without any report: bindings forget their handles, transactions are rolled
    // back quietly, the attachment is detached quietly.
    void DropConnection() noexcept;

    void CheckConnected() const;
    void CheckNotConnected() const;

    // Database info: the database's own dialect (1 when not reported) and the attachment id
    // (read once while connected, -1 otherwise).
    int DatabaseDialect();
    int AttachmentId();
    // Local time minus server time in days; stays 0 until the server clock is read.
    double DifferenceTime() const { return m_differenceTime; }

    bool IsFirebirdServer() const { return m_isFirebirdServer; }
    int ServerMajorVersion() const { return m_serverVersion[0]; }
    int ServerMinorVersion() const { return m_serverVersion[1]; }
    int ServerRelease() const { return m_serverVersion[2]; }
    int ServerBuild() const { return m_serverVersion[3]; }
    bool IsUnicodeConnect() const { return m_unicodeConnect; }
    bool IsNoneCharSetConnect() const { return m_noneCharSetConnect; }
    bool IsKOI8Connect() const { return m_koi8Connect; }

    // The resolved library (null before the first Open).
    IIBClientLibrary* ClientLibrary() const { return m_library.get(); }
    isc_db_handle* Handle() { return &m_handle; }
    bool HandleIsShared() const { return m_handleShared; }
    // The DPB of the last build.
    const QByteArray& DPB() const { return m_dpb; }
    bool DPBOutOfDate() const { return m_dpbOutOfDate; }
    void MarkDPBOutOfDate() { m_dpbOutOfDate = true; }

    // Notes the activity and, with raiseOnError and a failure, reports the thread's status vector with
    // this database as raiser. Returns status, also when the handler suppressed the error.
    [[nodiscard]] ISC_STATUS CheckStatus(ISC_STATUS status, bool raiseOnError);

    // Statement bindings and transactions that include this database.
    void AddClient(TFIBDatabaseClient* client);
    void RemoveClient(TFIBDatabaseClient* client);
    int ClientCount() const { return int(m_clients.size()); }
    void AddTransaction(IFIBTransaction* transaction);
    // Also clears DefaultTransaction and DefaultUpdateTransaction when they point to it.
    void RemoveTransaction(IFIBTransaction* transaction);
    int TransactionCount() const { return int(m_transactions.size()); }
    IFIBTransaction* Transaction(int index) const { return m_transactions.at(std::size_t(index)); }

    void Loaded() override;
    // Also names the internal transaction after the database.
    void SetName(const QString& name) override;

    // The transaction of the layer's own queries, "<name>_InternalTransaction"; owned by the database.
    TFIBTransaction* InternalTransaction() const { return m_internalTransaction.get(); }

    // Events.
    std::function<void(TFIBDatabase* database, TDBParams& loginParams, bool& doConnect)> BeforeConnect;
    std::function<void(TFIBDatabase* database)> AfterConnect;
    std::function<void(TFIBDatabase* database)> BeforeDisconnect;
    std::function<void(TFIBDatabase* database)> AfterDisconnect;
    // The login dialog with UseLoginPrompt: returns false when refused.
    std::function<bool(TFIBDatabase* database, QString& userName, QString& password, QString& roleName)>
        OnLoginPrompt;

protected:
    void ResolveLibrary();

private:
    void BuildDPBNow();
    void AfterAttach();
    // Detaches without reporting anything and forgets the handle.
    void DetachQuietly() noexcept;
    void JoinTransaction(IFIBTransaction* transaction);
    void ReadServerFlags();
    // The numeric reply of a one-item information request; false when not reported.
    bool InfoInteger(char item, int& value);
    QString InfoText(char item);
    void RunLoginPrompt();
    void SynchronizeServerTime();

    QString m_dbName;
    QString m_libraryName;
    int m_sqlDialect = 1;
    TDBParams m_params;
    TConnectParams m_connectParams;
    unsigned m_timeout = 0;
    bool m_synchronizeTime = true;
    bool m_useLoginPrompt = false;
    bool m_autoReconnect = false;
    bool m_upperOldNames = false;
    TDesignDBOptions m_designOptions = ddoStoreConnected;
    unsigned m_waitForRestore = 30000;
    IFIBTransaction* m_defaultTransaction = nullptr;
    IFIBTransaction* m_defaultUpdateTransaction = nullptr;

    IIBClientLibraryPtr m_library;
    bool m_libraryResolved = false;
    std::vector<TFIBDatabaseClient*> m_clients;
    std::vector<IFIBTransaction*> m_transactions;
    QByteArray m_dpb;
    bool m_dpbOutOfDate = true;
    isc_db_handle m_handle = 0;
    bool m_handleShared = false;
    double m_differenceTime = 0;
    int m_attachmentId = -1;
    int m_serverVersion[4] = {-1, -1, -1, -1};
    bool m_isFirebirdServer = false;
    bool m_unicodeConnect = false;
    bool m_noneCharSetConnect = false;
    bool m_koi8Connect = false;
    std::chrono::steady_clock::time_point m_lastActivity{};
    std::unique_ptr<TFIBTransaction> m_internalTransaction;
};

// The database last loaded with ddoIsDefaultDatabase, or null.
TFIBDatabase* DefaultDatabase();
// Every database component of the process, in creation order.
std::vector<TFIBDatabase*> DatabaseList();
