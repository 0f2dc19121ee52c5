#pragma once
#include <ibase.h>

#include <QPointer>
#include <QStringList>
#include <optional>
#include <vector>

#include "data/TDataSet.h"
#include "fib/FIBDataSetOptions.h"
#include "fib/IFIBTransaction.h"
#include "fib/TColumnInfoCache.h"
#include "fib/TFIBDatabase.h"
#include "fib/TFIBRowReader.h"
#include "fib/TFIBTransaction.h"

class QTimer;
class TFIBQuery;
class TFIBXSQLVAR;
class TpFIBQuery;

// A dataset over one SELECT of a Firebird database, written back through four statements of its own:
// insert, update, delete and refresh. Reads in Transaction, writes in UpdateTransaction; as a detail its
// SELECT parameters come from the master's current row.
class TFIBCustomDataSet : public TDataSet {
    Q_OBJECT
public:
    explicit TFIBCustomDataSet(QObject* owner = nullptr);
    ~TFIBCustomDataSet() override;

    TFIBDatabase* Database() const { return m_database; }
    void SetDatabase(TFIBDatabase* database);
    TFIBTransaction* Transaction() const { return m_transaction; }
    void SetTransaction(TFIBTransaction* transaction);
    TFIBTransaction* UpdateTransaction() const { return m_updateTransaction; }
    void SetUpdateTransaction(TFIBTransaction* transaction);
    TTransactionKind RefreshTransactionKind() const { return m_refreshKind; }
    void SetRefreshTransactionKind(TTransactionKind kind);

    QStringList SelectSQL() const;
    void SetSelectSQL(const QStringList& lines);
    QStringList InsertSQL() const;
    void SetInsertSQL(const QStringList& lines);
    QStringList UpdateSQL() const;
    void SetUpdateSQL(const QStringList& lines);
    QStringList DeleteSQL() const;
    void SetDeleteSQL(const QStringList& lines);
    QStringList RefreshSQL() const;
    void SetRefreshSQL(const QStringList& lines);

    bool AutoCommit() const { return m_autoCommit; }
    void SetAutoCommit(bool on) { m_autoCommit = on; }
    TpFIBDsOptions Options() const { return m_options.Options; }
    void SetOptions(TpFIBDsOptions options) { m_options.Options = options; }
    TpPrepareOptions PrepareOptions() const { return m_options.PrepareOptions; }
    void SetPrepareOptions(TpPrepareOptions options) { m_options.PrepareOptions = options; }
    TDetailConditions DetailConditions() const { return m_options.DetailConditions; }
    void SetDetailConditions(TDetailConditions conditions) { m_options.DetailConditions = conditions; }
    // The per-option entries of a window description (see TDataSetOptionSets).
    bool ReadOptionEntry(const QString& entry, bool value) { return m_options.ReadEntry(entry, value); }
    QList<QPair<QString, bool>> StoredOptionEntries() const { return m_options.StoredEntries(); }
    TDataSetDefaultFormats& DefaultFormats() { return m_defaultFormats; }
    TUpdateKinds AllowedUpdateKinds() const { return m_allowedUpdateKinds; }
    void SetAllowedUpdateKinds(TUpdateKinds kinds) { m_allowedUpdateKinds = kinds; }

    // The five statements, named "SelectQuery", "InsertQuery", "UpdateQuery", "DeleteQuery", "RefreshQuery".
    TpFIBQuery& QSelect() const { return *m_select; }
    TpFIBQuery& QInsert() const { return *m_insert; }
    TpFIBQuery& QUpdate() const { return *m_update; }
    TpFIBQuery& QDelete() const { return *m_delete; }
    TpFIBQuery& QRefresh() const { return *m_refresh; }

    // Checks, takes the missing database or transaction, starts the transaction (poStartTransaction) and
    // prepares the SELECT unless it is prepared. Runs at every opening, so a dataset opened again after its
    // transaction ended starts the transaction again. Throws client errors 21, 12, 22, 15, 37 and the
    // statement's errors.
    void Prepare();
    bool Prepared() const;
    // The master dataset (behind DataSource), or null.
    TDataSet* Master() const;
    // True when a SELECT parameter differs from the master field it comes from.
    bool MasterParamsChanged();

    bool CanModify() const override { return AllowsInsert() || AllowsUpdate() || AllowsDelete(); }

protected:
    void InternalOpen() override;
    void InternalFieldsBound() override;
    bool FetchRecord(TRecordBuffer& row) override;
    void InternalClose() override;
    bool InternalPost(TRecordBuffer& row, bool inserting) override;
    void InternalAfterPost() override;
    bool InternalDelete() override;
    void InternalAfterDelete() override;
    void InternalRefresh() override;
    void InternalBeforeInsert() override;
    void InitNewRecord() override;
    void CheckFieldWrite(TField& field) override;
    bool AllowsInsert() const override;
    bool AllowsUpdate() const override;
    bool AllowsDelete() const override;
    TField* CreateField(const TFieldDef& def) override;
    void MasterOpened() override;
    void MasterClosed() override;
    void MasterChanged() override;

private:
    void FollowMaster();

    static bool HasText(const QStringList& lines);
    static bool IsNoAction(const QStringList& lines);
    void SubscribeTransaction(TFIBTransaction* transaction);
    void UnsubscribeTransaction();
    void ReadTransactionEnded(TTransactionAction action);
    void AssignStatementTransactions();
    void ReadColumnInfo();
    const TColumnInfo* ColumnInfoOf(int column) const;
    void ApplyDefaults();
    void ApplyFormats();
    // Fills the statement's parameters from row (OLD_ from stored, MAS_ from the master).
    void FillParams(TFIBQuery& query, const TRowView& row, const TRowView& stored, bool refreshOfDetail);
    void FillFromMaster();
    QVariant MasterValueFor(const QString& paramName, bool& found) const;
    QVariant ParamValueOf(const TField& field, const TRowView& row) const;
    // Copies the statement's returned columns into the row's columns of the same names.
    void CopyReturned(TFIBQuery& query, TRecordBuffer& row);
    // Stores a value read from a statement into the slot of field.
    void StoreValue(const TField& field, const QVariant& value, TRecordBuffer& row) const;
    void ApplyQueryOptions(TFIBQuery& query) const;
    // Options, then the statement's transaction started when inactive (poStartTransaction).
    void StartForWrite(TFIBQuery& query);
    // Runs the refresh statement for row; true when a row came back (then row holds it).
    bool RefreshRow(TRecordBuffer& row);
    void DoAutoCommit();
    TFIBTransaction* ReadTransaction() const;

    // Guarded: a database or transaction may be destroyed before the dataset.
    QPointer<TFIBDatabase> m_database;
    QPointer<TFIBTransaction> m_transaction;
    QPointer<TFIBTransaction> m_updateTransaction;
    QPointer<TFIBTransaction> m_subscribed;
    TTransactionKind m_refreshKind = tkReadTransaction;
    TpFIBQuery* m_select;
    TpFIBQuery* m_insert;
    TpFIBQuery* m_update;
    TpFIBQuery* m_delete;
    TpFIBQuery* m_refresh;
    bool m_autoCommit = false;
    TDataSetOptionSets m_options;
    TUpdateKinds m_allowedUpdateKinds = kAllUpdateKinds;
    TDataSetDefaultFormats m_defaultFormats;
    QTimer* m_scrollTimer = nullptr;                       // dcWaitEndMasterScroll
    std::vector<std::optional<TColumnInfo>> m_columnInfo;  // per SELECT column
    TFIBRowReader m_reader;
};
