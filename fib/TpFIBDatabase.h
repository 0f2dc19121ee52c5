#pragma once
#include "fib/TFIBDatabase.h"

// The database component the program uses: Open does nothing when connected, Disconnect only runs
// when connected, and a lost connection is handled here.
class TpFIBDatabase : public TFIBDatabase {
    Q_OBJECT
public:
    explicit TpFIBDatabase(QObject* owner = nullptr) : TFIBDatabase(owner) {}

    void Open(bool raiseOnError = true) override;
    void Disconnect(bool force) override;

    // Run by the error handler when the connection is lost: OnLostConnect, then the chosen action.
    void HandleLostConnect(EFIBError& error, TFIBLostConnectActions& actions, bool& doRaise);

    std::function<void(TFIBDatabase* database, EFIBError& error, TFIBLostConnectActions& actions,
                       bool& doRaise)>
        OnLostConnect;
    // Called around every start and end of a transaction on this database.
    std::function<void(TFIBDatabase* database, IFIBTransaction* transaction)> BeforeStartTransaction;
    std::function<void(TFIBDatabase* database, IFIBTransaction* transaction)> AfterStartTransaction;
    std::function<void(IFIBTransaction* endingTransaction, TTransactionAction action, bool force)>
        BeforeEndTransaction;
    std::function<void(IFIBTransaction* endingTransaction, TTransactionAction action, bool force)>
        AfterEndTransaction;

    // Not used by this program: alias parameters are never stored.
    QString AliasName() const { return m_aliasName; }
    void SetAliasName(const QString& name) { m_aliasName = name; }

private:
    QString m_aliasName;
};
