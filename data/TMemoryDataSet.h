#pragma once
#include <QVariantList>
#include <functional>
#include <vector>

#include "data/TDataSet.h"

// A dataset over rows kept in memory: the source rows are a list of value lists, one value per
// field definition. Saves and deletes change the source rows. As a detail it shows the source
// rows whose detail field equals the master's field (null matching null) and reopens only when
// the master's value changed. Used where no server is at hand.
class TMemoryDataSet : public TDataSet {
public:
    explicit TMemoryDataSet(QObject* owner = nullptr);
    ~TMemoryDataSet() override;

    void AddFieldDef(const QString& name, TFieldType type, int size = 0, bool required = false);
    void AddSourceRow(const QVariantList& values);
    // The source rows that are not deleted.
    std::vector<QVariantList> SourceRows() const;
    void ClearSource();

    void SetAllowInsert(bool on) { m_allowInsert = on; }
    void SetAllowUpdate(bool on) { m_allowUpdate = on; }
    void SetAllowDelete(bool on) { m_allowDelete = on; }

    void SetMasterFields(const QString& detailField, const QString& masterField);
    // Open together with the master even when closed before.
    void SetForceOpen(bool on) { m_forceOpen = on; }
    void SetIgnoreMasterClose(bool on) { m_ignoreMasterClose = on; }

    // Called before a row is written or deleted: a throw makes the write fail, false makes it
    // fail as a suppressed error does (no exception).
    std::function<bool(TMemoryDataSet&, bool inserting)> OnWrite;
    std::function<bool(TMemoryDataSet&)> OnRemove;

    int OpenCount() const { return m_openCount; }
    int FetchCount() const { return m_fetchCount; }

protected:
    void InternalOpen() override;
    bool FetchRecord(TRecordBuffer& row) override;
    void InternalClose() override {}
    bool InternalPost(TRecordBuffer& row, bool inserting) override;
    bool InternalDelete() override;
    void InternalRefresh() override;
    bool AllowsInsert() const override { return m_allowInsert; }
    bool AllowsUpdate() const override { return m_allowUpdate; }
    bool AllowsDelete() const override { return m_allowDelete; }
    void MasterOpened() override;
    void MasterClosed() override;
    void MasterChanged() override;

private:
    QVariant MasterValue() const;
    bool Matches(const QVariantList& row) const;
    void Store(TRecordBuffer& row, const QVariantList& values) const;

    std::vector<QVariantList> m_source;
    std::vector<bool> m_deleted;
    std::vector<bool> m_inCache;   // fetched or inserted since the last opening
    std::vector<int> m_rowSource;  // source row of each cache row
    size_t m_next = 0;
    bool m_allowInsert = true;
    bool m_allowUpdate = true;
    bool m_allowDelete = true;
    QString m_detailField;
    QString m_masterField;
    QVariant m_masterValue;
    bool m_forceOpen = false;
    bool m_ignoreMasterClose = false;
    int m_openCount = 0;
    int m_fetchCount = 0;
};
