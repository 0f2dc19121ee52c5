#pragma once
#include "data/DBTypes.h"

class TDataSet;
class TDataSource;
class TField;

// A control's or a detail's connection to a data source: receives the dataset's notifications
// through the virtual methods below. Not copyable; detaches itself when destroyed.
class TDataLink {
public:
    TDataLink() = default;
    TDataLink(const TDataLink&) = delete;
    TDataLink& operator=(const TDataLink&) = delete;
    virtual ~TDataLink();

    TDataSource* DataSource() const { return m_dataSource; }
    void SetDataSource(TDataSource* source);
    TDataSet* DataSet() const;
    // The source is enabled and its dataset open.
    bool Active() const { return m_active; }
    // Active, not read-only, and the dataset in edit or insert state.
    bool Editing() const { return m_editing; }
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool readOnly);
    // Rows the control shows; the dataset fetches at least that many when it opens.
    int BufferCount() const { return m_bufferCount; }
    void SetBufferCount(int count) { m_bufferCount = count < 1 ? 1 : count; }
    // Puts the dataset into edit state when the source allows it (AutoEdit); returns Editing().
    bool Edit();
    // Asks this link to write its pending value now.
    void UpdateRecord();

protected:
    virtual void ActiveChanged() {}
    virtual void CheckBrowseMode() {}
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    virtual void DataSetScrolled(int distance);
    virtual void EditingChanged() {}
    virtual void FocusControl(TField* field) { (void)field; }
    virtual void LayoutChanged() { DataSetChanged(); }
    // field: the one written, or null when the whole row changed.
    virtual void RecordChanged(TField* field) { (void)field; }
    // Write the pending value into the field.
    virtual void UpdateData() {}

private:
    friend class TDataSource;
    void DataEvent(TDataEvent event, const void* info);
    void UpdateState();

    TDataSource* m_dataSource = nullptr;
    bool m_active = false;
    bool m_editing = false;
    bool m_readOnly = false;
    bool m_updating = false;
    int m_bufferCount = 1;
};
