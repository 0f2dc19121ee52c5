#pragma once
#include <QString>

#include "fib/TFIBTransaction.h"
#include "fib/TPB.h"

// Only matters with a multi-database transaction manager, which this program has none of.
enum TFIBMDTTransactionRole { mtrAutoDefine, mtrUpdateTransaction, mtrReadTransaction };

// The transaction component the program uses: a start of an active one does nothing, TPBMode may replace
// TRParams at every start, and the start and end are surrounded by its own and the database's events.
class TpFIBTransaction : public TFIBTransaction {
    Q_OBJECT
public:
    explicit TpFIBTransaction(QObject* owner = nullptr) : TFIBTransaction(owner) {}
    ~TpFIBTransaction() override;

    TTPBMode TPBMode() const { return m_tpbMode; }
    void SetTPBMode(TTPBMode mode) { m_tpbMode = mode; }
    TFIBMDTTransactionRole MDTTransactionRole() const { return m_mdtRole; }
    // Throws client error 16 while active.
    void SetMDTTransactionRole(TFIBMDTTransactionRole role);
    QString UserKindTransaction() const { return m_userKind; }
    void SetUserKindTransaction(const QString& kind) { m_userKind = kind; }

    void StartTransaction() override;
    void EndTransaction(TTransactionAction action, bool force) override;

    std::function<void(TpFIBTransaction* sender)> BeforeStart;
    std::function<void(TpFIBTransaction* sender)> AfterStart;
    std::function<void(TpFIBTransaction* endingTR, TTransactionAction action, bool force)> BeforeEnd;
    std::function<void(TpFIBTransaction* endingTR, TTransactionAction action, bool force)> AfterEnd;

private:
    TTPBMode m_tpbMode = tpbReadCommitted;
    TFIBMDTTransactionRole m_mdtRole = mtrAutoDefine;
    QString m_userKind = QStringLiteral("NoUserKind");
};
