#pragma once
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

#include "core/Exception.h"
#include "core/TComponent.h"
#include "data/DBTypes.h"
#include "data/TBookmark.h"
#include "data/TFieldDef.h"
#include "data/TFields.h"
#include "data/TRecordBuffer.h"
#include "data/TRecordLayout.h"
#include "data/TRowCache.h"
#include "data/TRowView.h"

class TDataSource;
class TField;
class TMasterDataLink;

// A scrollable, editable list of rows with a current row, field objects, states and data
// sources. This class keeps the row cache, the current row and the state machine; a concrete
// dataset supplies the rows and writes changes through the protected Internal* protocol.
//
// A concrete dataset must call Close() in its own destructor: the base cannot reach the
// overrides any more once it is being destroyed.
class TDataSet : public TComponent {
    Q_OBJECT
public:
    using TDataSetNotifyEvent = std::function<void(TDataSet&)>;
    using TDataSetErrorEvent = std::function<void(TDataSet&, const Exception&, TDataAction&)>;

    explicit TDataSet(QObject* owner = nullptr);
    ~TDataSet() override;

    TDataSetState State() const { return m_state; }
    bool Active() const { return m_state != dsInactive; }
    void SetActive(bool active) { active ? Open() : Close(); }
    // Opens: Internal open, fields made (or bound by name), first rows fetched. A failure leaves
    // the dataset closed and goes on to the caller.
    void Open();
    // Ends a pending change without saving it, then closes and drops the row cache and the
    // fields made at opening.
    void Close();
    // Closes and opens again, keeping the field objects; with fetchAll every row is fetched and
    // the first row is current.
    void Reopen(bool fetchAll);

    bool IsEmpty() const;
    // A field was written since Edit, Append or Insert.
    bool Modified() const { return m_modified; }

    // Moves. In edit or insert state a move first ends the pending change (CheckBrowseMode).
    void First();
    void Last();
    void Next() { MoveBy(1); }
    void Prior() { MoveBy(-1); }
    // Returns the distance actually moved; Eof or Bof is set when the move stopped short.
    int MoveBy(int distance);
    bool Bof() const { return m_bof; }
    bool Eof() const { return m_eof; }
    // Position of the current row from 1; 0 for none.
    int RecNo() const;
    void SetRecNo(int recNo);
    // Rows fetched so far (plus a row being inserted).
    int RecordCount() const;
    // Fetches every remaining row; the current row stays.
    void FetchAll();
    // Fetches up to count further rows and returns how many came. Sends no notification: for a
    // grid that asks for more rows itself.
    int FetchMore(int count);
    bool AllFetched() const { return m_allFetched; }

    // A new row after the last row (all rows are fetched first), in insert state.
    void Append();
    // A new row before the current one.
    void Insert();
    // On an empty dataset starts a new row instead.
    void Edit();
    void Post();
    void Cancel();
    // In insert state the same as Cancel.
    void Delete();
    // Saves the pending change if a field was written, cancels it otherwise.
    void CheckBrowseMode();
    // Lets bound controls write their pending values.
    void UpdateRecord();
    // Reads the current row again from the source (outside edit and insert state).
    void Refresh();

    // Null for an empty dataset or a row being inserted.
    TBookmark GetBookmark() const;
    // Does nothing for a null bookmark or a row no longer there.
    void GotoBookmark(const TBookmark& bookmark);
    bool BookmarkValid(const TBookmark& bookmark) const;

    // While disabled, bound controls and details are not told of changes; the last
    // EnableControls tells them once that everything changed.
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return m_disableCount > 0; }

    const TFields& Fields() const { return m_fields; }
    TField* FindField(const QString& name) const { return m_fields.FindField(name); }
    // Raises EDatabaseError "Name: Field '...' not found".
    TField* FieldByName(const QString& name) const;
    TField* FieldByNumber(int fieldNo) const { return m_fields.FieldByNumber(fieldNo); }
    QVariant FieldValue(const QString& name) const;
    void SetFieldValue(const QString& name, const QVariant& value);
    std::vector<TFieldDef>& FieldDefs() { return m_fieldDefs; }
    const std::vector<TFieldDef>& FieldDefs() const { return m_fieldDefs; }
    // True when the fields were made at opening and go when the dataset closes.
    bool DefaultFields() const { return m_defaultFields; }

    // The master's data source: the dataset follows the master's current row.
    TDataSource* DataSource() const;
    void SetDataSource(TDataSource* source);

    // The dataset takes changes of some kind (Edit raises "Cannot modify a read-only dataset" otherwise).
    virtual bool CanModify() const { return AllowsInsert() || AllowsUpdate() || AllowsDelete(); }

    // The row a field reads: the row being edited or inserted, else the current cached row.
    TRowView ActiveRow() const;
    // The current row as stored in the cache; no row for a row being inserted.
    TRowView StoredRow() const;
    // Any visible row by position from 1, for grids; the row being inserted included.
    TRowView RowAt(int recNo) const;

    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
    TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
    TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
    TDataSetNotifyEvent BeforeRefresh, AfterRefresh, OnNewRecord;
    TDataSetErrorEvent OnPostError, OnDeleteError;

protected:
    // The protocol of a concrete dataset.
    // Prepares and executes; fills FieldDefs (afresh at every opening) with the source columns.
    virtual void InternalOpen() = 0;
    // Ends InternalOpen for a failure already reported and suppressed: Open returns normally with the
    // dataset closed.
    [[noreturn]] void AbandonOpen();
    // Called once the fields are bound and the row layout is set, before the first fetch.
    virtual void InternalFieldsBound() {}
    // Fills row (already reset: every slot null) with the next source row; false at the end.
    virtual bool FetchRecord(TRecordBuffer& row) = 0;
    virtual void InternalClose() = 0;
    // Writes the row of edit or insert state to the source. May change row (values the source
    // returns). A throw, or false for a failure already reported and suppressed, leaves the
    // dataset in its state with the values entered (a throw goes on to Post's caller).
    virtual bool InternalPost(TRecordBuffer& row, bool inserting) = 0;
    // After the row is stored in the cache: commit, refresh (ReadCurrentRow and WriteCurrentRow reach the
    // saved row here, a new one included). A throw still ends in browse state.
    virtual void InternalAfterPost() {}
    // Deletes the current row in the source (ActiveRow: values, StoredRow: old values). A throw,
    // or false for a suppressed failure, leaves the row and the state.
    virtual bool InternalDelete() = 0;
    // After the deleted row has left the cache.
    virtual void InternalAfterDelete() {}
    // Re-reads the current row: ReadCurrentRow, change, WriteCurrentRow.
    virtual void InternalRefresh() {}
    // Before a new row is made; may reopen the dataset.
    virtual void InternalBeforeInsert() {}
    // Gives the new row its default values. Default: each field's DefaultExpression, "NULL"
    // leaving it null, a text in single quotes without its quotes, anything else as text.
    virtual void InitNewRecord();
    // Before a field write: the base checks edit or insert state and the field's ReadOnly
    // (default values and OnNewRecord may write read-only fields: InitializingRecord()).
    virtual void CheckFieldWrite(TField& field);
    bool InitializingRecord() const { return m_initializing; }
    // Permissions; a missing one ends Append, Edit or Delete silently (EAbort).
    virtual bool AllowsInsert() const { return true; }
    virtual bool AllowsUpdate() const { return true; }
    virtual bool AllowsDelete() const { return true; }
    // Field factory for the fields made from FieldDefs.
    virtual TField* CreateField(const TFieldDef& def);
    // The master opened, closed, or moved to another row (or its rows changed).
    virtual void MasterOpened() {}
    virtual void MasterClosed() {}
    virtual void MasterChanged() {}
    // Before the master moves: ends this dataset's pending change (saved when modified).
    virtual void MasterCheckBrowseMode();

    void SetDefaultFields(bool on) { m_defaultFields = on; }
    // Rows in the cache, deleted ones included; during InternalPost of a new row, the new row
    // is the last of them.
    int CacheRowCount() const { return m_cache.Count(); }
    const TRecordLayout& Layout() const { return m_layout; }
    void ReadCurrentRow(TRecordBuffer& row) const;
    void WriteCurrentRow(const TRecordBuffer& row);
    // The row buffer of edit or insert state.
    TRecordBuffer& EditBuffer() { return m_edit; }
    void CheckActive() const;
    // Sends a notification to the data sources (and through them to the data links).
    void DataEvent(TDataEvent event, const void* info = nullptr);

private:
    friend class TField;
    friend class TDataSource;

    void AddField(TField* field);
    void RemoveField(TField* field);
    TRecordBuffer& WriteBuffer() { return m_edit; }
    void FieldWritten(TField& field);
    void CreateDefaultFields();
    void BindFields();
    void DestroyDefaultFields();
    void ResetRows();
    bool FetchNextRow();
    void EnsureFetched(int count);
    int BufferWindow() const;
    void BeginInsert(bool append);
    void DropPendingChange();
    void SetState(TDataSetState state);
    void Scrolled(int oldCur);
    void CallEvent(const TDataSetNotifyEvent& event) {
        if (event) event(*this);
    }
    int CurrentCacheRow() const;
    // The dataset closed (or its rows were reset) since the row-cache generation was taken.
    bool ClosedSince(quint64 generation) const { return m_rowsGeneration != generation || !Active(); }
    void AttachSource(TDataSource* source);
    void DetachSource(TDataSource* source);

    TDataSetState m_state = dsInactive;
    TFields m_fields;
    std::vector<TFieldDef> m_fieldDefs;
    bool m_defaultFields = false;
    TRecordLayout m_layout;
    TRowCache m_cache;
    std::vector<int> m_order;  // cache rows in display order, deleted ones left out
    int m_cur = -1;            // index into m_order
    bool m_bof = true;
    bool m_eof = true;
    bool m_allFetched = false;
    TRecordBuffer m_fetch;
    TRecordBuffer m_edit;
    bool m_modified = false;
    int m_insertPos = -1;
    int m_insertPrev = -1;
    int m_disableCount = 0;
    bool m_disabledActive = false;
    TDataSetState m_disabledState = dsInactive;
    bool m_disabledEvent = false;
    bool m_disabledClosed = false;
    bool m_initializing = false;
    bool m_afterPost = false;
    bool m_openAbandoned = false;
    quint64 m_rowsGeneration = 0;  // counts row-cache resets: a close during Post or Delete shows here
    std::vector<TDataSource*> m_sources;
    std::unique_ptr<TMasterDataLink> m_masterLink;
};
