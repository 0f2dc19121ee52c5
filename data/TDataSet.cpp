#include "data/TDataSet.h"

#include <algorithm>

#include "core/Format.h"
#include "data/DBErrors.h"
#include "data/TBCDField.h"
#include "data/TBlobField.h"
#include "data/TBooleanField.h"
#include "data/TDataSource.h"
#include "data/TDateField.h"
#include "data/TDateTimeField.h"
#include "data/TField.h"
#include "data/TFloatField.h"
#include "data/TIntegerField.h"
#include "data/TLargeintField.h"
#include "data/TMasterDataLink.h"
#include "data/TMemoField.h"
#include "data/TSmallintField.h"
#include "data/TStringField.h"
#include "data/TTimeField.h"

using namespace Qt::StringLiterals;

TDataSet::TDataSet(QObject* owner) : TComponent(owner), m_masterLink(std::make_unique<TMasterDataLink>()) {
    m_masterLink->OnMasterOpen = [this] { MasterOpened(); };
    m_masterLink->OnMasterClose = [this] { MasterClosed(); };
    m_masterLink->OnMasterChange = [this] { MasterChanged(); };
    m_masterLink->OnMasterCheckBrowseMode = [this] { MasterCheckBrowseMode(); };
}

void TDataSet::MasterCheckBrowseMode() {
    if (Active()) CheckBrowseMode();
}

TDataSet::~TDataSet() {
    MarkDestroying();
    m_masterLink.reset();
    m_state = dsInactive;
    for (TDataSource* s : std::vector<TDataSource*>(m_sources)) {
        s->m_dataSet = nullptr;
        s->UpdateState();
    }
    m_sources.clear();
    DestroyDefaultFields();
    for (TField* f : m_fields.m_fields) {
        f->m_dataSet = nullptr;
        f->m_slot = -1;
    }
    m_fields.m_fields.clear();
}

// ---- fields

void TDataSet::AddField(TField* field) {
    if (Active()) DatabaseError(DBText::DataSetClosed, this);
    field->m_dataSet = this;
    m_fields.m_fields.push_back(field);
}

void TDataSet::RemoveField(TField* field) {
    auto& v = m_fields.m_fields;
    v.erase(std::remove(v.begin(), v.end(), field), v.end());
    field->m_dataSet = nullptr;
    field->m_slot = -1;
}

TField* TDataSet::FieldByName(const QString& name) const {
    TField* f = FindField(name);
    if (!f) DatabaseError(FormatMessage(DBText::FieldNotFound, {name}), this);
    return f;
}

QVariant TDataSet::FieldValue(const QString& name) const { return FieldByName(name)->Value(); }

void TDataSet::SetFieldValue(const QString& name, const QVariant& value) {
    FieldByName(name)->SetValue(value);
}

TField* TDataSet::CreateField(const TFieldDef& def) {
    TField* f = nullptr;
    switch (def.DataType) {
        case ftString:
            f = new TStringField(this);
            break;
        case ftSmallint:
            f = new TSmallintField(this);
            break;
        case ftInteger:
            f = new TIntegerField(this);
            break;
        case ftLargeint:
            f = new TLargeintField(this);
            break;
        case ftBoolean:
            f = new TBooleanField(this);
            break;
        case ftFloat:
            f = new TFloatField(this);
            break;
        case ftBCD:
            f = new TBCDField(this);
            break;
        case ftDate:
            f = new TDateField(this);
            break;
        case ftTime:
            f = new TTimeField(this);
            break;
        case ftDateTime:
            f = new TDateTimeField(this);
            break;
        case ftMemo:
            f = new TMemoField(this);
            break;
        case ftBlob:
            f = new TBlobField(this);
            break;
        case ftUnknown:
            f = new TStringField(this);
            break;
    }
    f->SetFieldName(def.Name);
    f->SetSize(def.Size);
    f->SetRequired(def.Required);
    return f;
}

void TDataSet::CreateDefaultFields() {
    for (const TFieldDef& def : m_fieldDefs) {
        TField* f = CreateField(def);
        f->SetFieldNo(def.FieldNo);
        f->m_dataSet = this;
        m_fields.m_fields.push_back(f);
    }
    m_defaultFields = true;
}

void TDataSet::BindFields() {
    for (TField* f : m_fields.m_fields) {
        if (m_fieldDefs.empty()) continue;
        auto def = std::find_if(m_fieldDefs.begin(), m_fieldDefs.end(), [&](const TFieldDef& d) {
            return QString::compare(d.Name, f->FieldName(), Qt::CaseInsensitive) == 0;
        });
        if (def == m_fieldDefs.end())
            DatabaseError(FormatMessage(DBText::FieldNotFound, {f->FieldName()}), this);
        f->SetFieldNo(def->FieldNo);
    }
}

void TDataSet::DestroyDefaultFields() {
    if (!m_defaultFields) return;
    std::vector<TField*> fields = std::move(m_fields.m_fields);
    m_fields.m_fields.clear();
    for (TField* f : fields) {
        f->m_dataSet = nullptr;
        delete f;
    }
    m_defaultFields = false;
}

// ---- opening and closing

void TDataSet::ResetRows() {
    ++m_rowsGeneration;
    m_cache.Reset();
    m_order.clear();
    m_order.shrink_to_fit();
    m_cur = -1;
    m_bof = m_eof = true;
    m_allFetched = false;
    m_modified = false;
    m_insertPos = m_insertPrev = -1;
}

void TDataSet::Open() {
    if (Active()) return;
    CallEvent(BeforeOpen);
    bool madeFields = false;
    try {
        InternalOpen();
        if (m_fields.Count() == 0) {
            CreateDefaultFields();
            madeFields = true;
        } else {
            BindFields();
        }
        std::vector<TStorageKind> kinds;
        for (int i = 0; i < m_fields.Count(); ++i) {
            m_fields[i]->m_slot = i;
            kinds.push_back(m_fields[i]->StorageKind());
        }
        m_layout = TRecordLayout(std::move(kinds));
        m_fetch.Reset(&m_layout);
        m_edit.Reset(&m_layout);
        ResetRows();
        InternalFieldsBound();
        m_state = dsBrowse;
        EnsureFetched(std::max(1, BufferWindow()));
        m_cur = m_order.empty() ? -1 : 0;
        m_eof = m_order.empty();
    } catch (...) {
        m_state = dsInactive;
        ResetRows();
        try {
            InternalClose();
        } catch (...) {
        }
        for (TField* f : m_fields.m_fields) f->m_slot = -1;
        if (madeFields) DestroyDefaultFields();
        if (m_openAbandoned) {
            m_openAbandoned = false;
            return;
        }
        throw;
    }
    m_state = dsInactive;
    SetState(dsBrowse);
    CallEvent(AfterOpen);
}

void TDataSet::Close() {
    if (!Active()) return;
    CallEvent(BeforeClose);
    DropPendingChange();
    try {
        InternalClose();
    } catch (...) {
        ResetRows();
        for (TField* f : m_fields.m_fields) f->m_slot = -1;
        DestroyDefaultFields();
        SetState(dsInactive);
        throw;
    }
    ResetRows();
    for (TField* f : m_fields.m_fields) f->m_slot = -1;
    DestroyDefaultFields();
    SetState(dsInactive);
    CallEvent(AfterClose);
}

void TDataSet::Reopen(bool fetchAll) {
    const bool made = m_defaultFields;
    m_defaultFields = false;
    try {
        Close();
        Open();
    } catch (...) {
        m_defaultFields = made;
        if (!Active()) DestroyDefaultFields();
        throw;
    }
    m_defaultFields = made;
    // A suppressed failure leaves the dataset closed and Reopen returns normally like Open.
    if (fetchAll && Active()) {
        FetchAll();
        First();
    }
}

void TDataSet::AbandonOpen() {
    m_openAbandoned = true;
    throw EAbort();
}

void TDataSet::CheckActive() const {
    if (!Active()) DatabaseError(DBText::DataSetClosed, this);
}

// ---- fetching

bool TDataSet::FetchNextRow() {
    if (m_allFetched || !Active()) return false;
    m_fetch.ClearValues();
    if (!FetchRecord(m_fetch)) {
        m_allFetched = true;
        return false;
    }
    m_fetch.SetStatus(usUnmodified);
    m_order.push_back(m_cache.Append(m_fetch));
    return true;
}

void TDataSet::EnsureFetched(int count) {
    while (int(m_order.size()) < count && FetchNextRow()) {
    }
}

int TDataSet::BufferWindow() const {
    int window = 1;
    for (TDataSource* s : m_sources)
        for (TDataLink* l : s->DataLinks()) window = std::max(window, l->BufferCount());
    return window;
}

void TDataSet::FetchAll() {
    CheckActive();
    const size_t before = m_order.size();
    while (FetchNextRow()) {
    }
    if (m_order.size() != before) DataEvent(deDataSetChange);
}

int TDataSet::FetchMore(int count) {
    CheckActive();
    int fetched = 0;
    while (fetched < count && FetchNextRow()) ++fetched;
    return fetched;
}

// ---- rows

bool TDataSet::IsEmpty() const { return !Active() || (m_order.empty() && m_state != dsInsert); }

int TDataSet::CurrentCacheRow() const {
    return m_cur >= 0 && m_cur < int(m_order.size()) ? m_order[size_t(m_cur)] : -1;
}

TRowView TDataSet::ActiveRow() const {
    if (m_state == dsEdit || m_state == dsInsert) return TRowView(&m_edit);
    return StoredRow();
}

TRowView TDataSet::StoredRow() const {
    if (m_state == dsInsert || m_state == dsInactive) return {};
    int row = CurrentCacheRow();
    return row < 0 ? TRowView() : TRowView(&m_layout, m_cache.Row(row));
}

TRowView TDataSet::RowAt(int recNo) const {
    int i = recNo - 1;
    if (!Active() || i < 0) return {};
    if (m_state == dsInsert) {
        if (i == m_insertPos) return TRowView(&m_edit);
        if (i > m_insertPos) --i;
    } else if (m_state == dsEdit && i == m_cur) {
        return TRowView(&m_edit);
    }
    if (i >= int(m_order.size())) return {};
    return TRowView(&m_layout, m_cache.Row(m_order[size_t(i)]));
}

void TDataSet::ReadCurrentRow(TRecordBuffer& row) const {
    row.Reset(&m_layout);
    int r = CurrentCacheRow();
    if (r >= 0 && (m_state != dsInsert || m_afterPost)) row.Load(m_cache.Row(r));
}

void TDataSet::WriteCurrentRow(const TRecordBuffer& row) {
    int r = CurrentCacheRow();
    if (r < 0 || (m_state == dsInsert && !m_afterPost)) return;
    m_cache.Replace(r, row);
    // The row of edit or insert state is what fields read until the state returns to browse.
    if (m_afterPost) m_edit.Load(m_cache.Row(r));
}

int TDataSet::RecNo() const {
    if (m_state == dsInsert) return m_insertPos + 1;
    return m_cur + 1;
}

int TDataSet::RecordCount() const { return int(m_order.size()) + (m_state == dsInsert ? 1 : 0); }

// ---- moving

void TDataSet::Scrolled(int oldCur) {
    if (m_cur != oldCur) {
        int distance = m_cur - oldCur;
        DataEvent(deDataSetScroll, &distance);
    }
    CallEvent(AfterScroll);
}

void TDataSet::First() {
    CheckBrowseMode();
    CallEvent(BeforeScroll);
    int old = m_cur;
    EnsureFetched(1);
    m_cur = m_order.empty() ? -1 : 0;
    m_bof = true;
    m_eof = m_order.empty();
    Scrolled(old);
}

void TDataSet::Last() {
    CheckBrowseMode();
    CallEvent(BeforeScroll);
    int old = m_cur;
    const size_t before = m_order.size();
    while (FetchNextRow()) {
    }
    m_cur = int(m_order.size()) - 1;
    m_eof = true;
    m_bof = m_order.empty();
    if (m_order.size() != before) DataEvent(deDataSetChange);
    Scrolled(old);
}

int TDataSet::MoveBy(int distance) {
    CheckBrowseMode();
    CallEvent(BeforeScroll);
    int old = m_cur;
    if (m_order.empty()) {
        EnsureFetched(1);
        if (!m_order.empty()) m_cur = 0;
    }
    if (distance > 0 && m_cur >= 0) {
        int target = m_cur + distance;
        EnsureFetched(target + 1);
        m_cur = std::min(target, int(m_order.size()) - 1);
        m_eof = m_cur < target;
        if (m_cur != old) m_bof = false;
    } else if (distance < 0 && m_cur >= 0) {
        int target = m_cur + distance;
        m_cur = std::max(target, 0);
        m_bof = m_cur > target;
        if (m_cur != old) m_eof = false;
    }
    if (m_order.empty()) m_bof = m_eof = true;
    Scrolled(old);
    return old < 0 ? 0 : m_cur - old;
}

void TDataSet::SetRecNo(int recNo) {
    CheckBrowseMode();
    if (recNo < 1 || m_cur < 0) return;
    MoveBy(recNo - RecNo());
}

// ---- bookmarks

TBookmark TDataSet::GetBookmark() const {
    if (!Active() || m_state == dsInsert) return {};
    int row = CurrentCacheRow();
    return row < 0 ? TBookmark() : TBookmark(row, m_cur);
}

bool TDataSet::BookmarkValid(const TBookmark& bookmark) const {
    return Active() && !bookmark.IsNull() && bookmark.Row() < m_cache.Count() &&
           m_cache.Status(bookmark.Row()) != usDeleted;
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
    if (bookmark.IsNull()) return;
    CheckBrowseMode();
    if (m_state != dsBrowse) throw Exception(DBText::BookmarkNotBrowse);
    // A row not fetched yet (a reopen without fetching everything) is fetched first.
    while (bookmark.Row() >= m_cache.Count() && FetchNextRow()) {
    }
    if (!BookmarkValid(bookmark)) return;
    int pos = bookmark.Position();
    if (pos < 0 || pos >= int(m_order.size()) || m_order[size_t(pos)] != bookmark.Row()) {
        auto it = std::find(m_order.begin(), m_order.end(), bookmark.Row());
        if (it == m_order.end()) return;
        pos = int(it - m_order.begin());
    }
    CallEvent(BeforeScroll);
    int old = m_cur;
    m_cur = pos;
    m_bof = m_eof = false;
    Scrolled(old);
}

// ---- editing

void TDataSet::SetState(TDataSetState state) {
    if (state == m_state) return;
    m_state = state;
    DataEvent(deUpdateState);
}

void TDataSet::CheckFieldWrite(TField& field) {
    if (m_state != dsEdit && m_state != dsInsert) DatabaseError(DBText::NotEditing, this);
    if (field.ReadOnly() && !m_initializing)
        DatabaseError(FormatMessage(DBText::FieldReadOnly, {field.DisplayName()}), this);
}

void TDataSet::FieldWritten(TField& field) {
    m_modified = true;
    if (m_state == dsEdit && m_edit.Status() == usUnmodified) m_edit.SetStatus(usModified);
    DataEvent(deFieldChange, &field);
    if (field.OnChange) field.OnChange(field);
}

void TDataSet::UpdateRecord() {
    if (m_state != dsEdit && m_state != dsInsert) DatabaseError(DBText::NotEditing, this);
    DataEvent(deUpdateRecord);
}

void TDataSet::CheckBrowseMode() {
    CheckActive();
    DataEvent(deCheckBrowseMode);
    if (m_state != dsEdit && m_state != dsInsert) return;
    UpdateRecord();
    if (m_modified)
        Post();
    else
        Cancel();
}

void TDataSet::InitNewRecord() {
    for (TField* f : m_fields) {
        QString e = f->DefaultExpression().trimmed();
        if (e.isEmpty() || e.compare(u"NULL"_s, Qt::CaseInsensitive) == 0) continue;
        if (e.size() >= 2 && e.startsWith(u'\'') && e.endsWith(u'\''))
            e = e.mid(1, e.size() - 2).replace(u"''"_s, u"'"_s);
        f->SetAsString(e);
    }
}

void TDataSet::BeginInsert(bool append) {
    CheckBrowseMode();
    InternalBeforeInsert();
    CheckActive();
    if (!AllowsInsert()) throw EAbort();
    CallEvent(BeforeInsert);
    CallEvent(BeforeScroll);
    if (append) {
        // A new row goes after the last row of the dataset, not after the last row fetched.
        const size_t before = m_order.size();
        while (FetchNextRow()) {
        }
        if (m_order.size() != before) DataEvent(deDataSetChange);
    }
    m_insertPrev = m_cur;
    m_insertPos = append || m_cur < 0 ? int(m_order.size()) : m_cur;
    m_edit.ClearValues();
    m_edit.SetStatus(usInserted);
    SetState(dsInsert);
    try {
        m_initializing = true;
        InitNewRecord();
        CallEvent(OnNewRecord);
        m_initializing = false;
    } catch (...) {
        m_initializing = false;
        DropPendingChange();
        SetState(dsBrowse);
        DataEvent(deDataSetChange);
        throw;
    }
    // Default values and the new-row event are not the user's input.
    m_modified = false;
    DataEvent(deDataSetChange);
    CallEvent(AfterInsert);
    CallEvent(AfterScroll);
}

void TDataSet::Append() {
    CheckActive();
    BeginInsert(true);
}

void TDataSet::Insert() {
    CheckActive();
    BeginInsert(false);
}

void TDataSet::Edit() {
    if (m_state == dsEdit || m_state == dsInsert) return;
    CheckActive();
    if (IsEmpty()) return Append();
    if (!CanModify()) DatabaseError(DBText::DataSetReadOnly, this);
    if (!AllowsUpdate()) throw EAbort();
    CallEvent(BeforeEdit);
    m_edit.Load(m_cache.Row(CurrentCacheRow()));
    m_modified = false;
    SetState(dsEdit);
    DataEvent(deRecordChange);
    CallEvent(AfterEdit);
}

void TDataSet::DropPendingChange() {
    if (m_state == dsInsert) {
        m_cur = m_insertPrev >= int(m_order.size()) ? int(m_order.size()) - 1 : m_insertPrev;
        if (m_cur < 0 && !m_order.empty()) m_cur = 0;
    }
    m_edit.ClearValues();
    m_modified = false;
    m_insertPos = m_insertPrev = -1;
}

void TDataSet::Cancel() {
    if (m_state != dsEdit && m_state != dsInsert) return;
    CallEvent(BeforeCancel);
    const bool inserting = m_state == dsInsert;
    DropPendingChange();
    m_eof = m_order.empty();
    SetState(dsBrowse);
    DataEvent(deDataSetChange);
    CallEvent(AfterCancel);
    if (inserting) CallEvent(AfterScroll);
}

void TDataSet::Post() {
    if (m_state != dsEdit && m_state != dsInsert) DatabaseError(DBText::NotEditing, this);
    UpdateRecord();
    CallEvent(BeforePost);
    for (TField* f : m_fields)
        if (f->Required() && f->IsNull())
            DatabaseError(FormatMessage(DBText::FieldRequired, {f->DisplayName()}), this);
    const bool inserting = m_state == dsInsert;
    // A lost connection may end the reading transaction and so close the dataset while the row is
    // written; what Post set up in the row cache is gone then and must not be undone.
    const quint64 generation = m_rowsGeneration;
    const auto closedMeanwhile = [&] { return ClosedSince(generation); };
    int row = -1;
    bool written = false;
    for (;;) {
        try {
            if (inserting) {
                // The new row takes its place in the cache before it is written; until it is
                // saved the cache holds it with every column null (its old values).
                TRecordBuffer placeholder(&m_layout);
                placeholder.SetStatus(usInserted);
                row = m_cache.Append(placeholder);
                m_order.insert(m_order.begin() + m_insertPos, row);
            }
            written = InternalPost(m_edit, inserting);
            break;
        } catch (...) {
            if (closedMeanwhile()) throw;
            if (inserting && row >= 0) {
                m_order.erase(m_order.begin() + m_insertPos);
                m_cache.RemoveLast();
                row = -1;
            }
            TDataAction action = daFail;
            try {
                throw;
            } catch (const Exception& e) {
                if (OnPostError) OnPostError(*this, e, action);
            } catch (...) {
            }
            if (action == daRetry) continue;
            if (action == daAbort) throw EAbort();
            throw;
        }
    }
    if (closedMeanwhile()) return;
    if (!written) {
        if (inserting && row >= 0) {
            m_order.erase(m_order.begin() + m_insertPos);
            m_cache.RemoveLast();
        }
        return;
    }
    if (inserting) {
        m_cur = m_insertPos;
        m_insertPos = m_insertPrev = -1;
    } else {
        row = CurrentCacheRow();
    }
    m_edit.SetStatus(usUnmodified);
    m_cache.Replace(row, m_edit);
    m_modified = false;
    m_bof = m_eof = false;
    try {
        m_afterPost = true;
        InternalAfterPost();
        m_afterPost = false;
    } catch (...) {
        m_afterPost = false;
        if (closedMeanwhile()) throw;
        // The row is written and stored; staying in edit or insert state would write it twice.
        SetState(dsBrowse);
        DataEvent(deDataSetChange);
        throw;
    }
    if (closedMeanwhile()) return;
    SetState(dsBrowse);
    DataEvent(deDataSetChange);
    CallEvent(AfterPost);
}

void TDataSet::Delete() {
    CheckActive();
    if (m_state == dsInsert) return Cancel();
    if (IsEmpty()) DatabaseError(DBText::DataSetEmpty, this);
    if (m_state == dsEdit) UpdateRecord();
    if (!AllowsDelete()) throw EAbort();
    CallEvent(BeforeDelete);
    CallEvent(BeforeScroll);
    const quint64 generation = m_rowsGeneration;
    const auto closedMeanwhile = [&] { return ClosedSince(generation); };
    bool deleted = false;
    for (;;) {
        try {
            deleted = InternalDelete();
            break;
        } catch (...) {
            if (closedMeanwhile()) throw;
            TDataAction action = daFail;
            try {
                throw;
            } catch (const Exception& e) {
                if (OnDeleteError) OnDeleteError(*this, e, action);
            } catch (...) {
            }
            if (action == daRetry) continue;
            if (action == daAbort) throw EAbort();
            throw;
        }
    }
    if (!deleted || closedMeanwhile()) return;
    m_cache.SetStatus(CurrentCacheRow(), usDeleted);
    m_order.erase(m_order.begin() + m_cur);
    if (m_cur >= int(m_order.size())) {
        EnsureFetched(m_cur + 1);
        if (m_cur >= int(m_order.size())) m_cur = int(m_order.size()) - 1;
    }
    m_edit.ClearValues();
    m_modified = false;
    m_bof = m_cur <= 0;
    m_eof = m_order.empty();
    try {
        InternalAfterDelete();
    } catch (...) {
        if (closedMeanwhile()) throw;
        SetState(dsBrowse);
        DataEvent(deDataSetChange);
        throw;
    }
    if (closedMeanwhile()) return;
    SetState(dsBrowse);
    DataEvent(deDataSetChange);
    CallEvent(AfterDelete);
    CallEvent(AfterScroll);
}

void TDataSet::Refresh() {
    CheckBrowseMode();
    CallEvent(BeforeRefresh);
    if (CurrentCacheRow() >= 0) InternalRefresh();
    DataEvent(deRecordChange);
    CallEvent(AfterRefresh);
}

// ---- controls and data sources

void TDataSet::DisableControls() {
    if (m_disableCount++ == 0) {
        m_disabledActive = Active();
        m_disabledState = m_state;
        m_disabledEvent = false;
        m_disabledClosed = false;
    }
}

void TDataSet::EnableControls() {
    if (m_disableCount == 0 || --m_disableCount > 0) return;
    const bool missed = m_disabledEvent, closed = m_disabledClosed;
    m_disabledEvent = m_disabledClosed = false;
    if (m_disabledActive != Active() || m_disabledState != m_state) DataEvent(deUpdateState);
    // Closed and opened again meanwhile: the fields may be new objects.
    if (Active() && closed)
        DataEvent(deLayoutChange);
    else if (Active() && missed)
        DataEvent(deDataSetChange);
}

void TDataSet::DataEvent(TDataEvent event, const void* info) {
    if (m_disableCount > 0 && event != deUpdateRecord && event != deCheckBrowseMode) {
        m_disabledEvent = true;
        if (event == deUpdateState && !Active()) m_disabledClosed = true;
        return;
    }
    for (TDataSource* s : std::vector<TDataSource*>(m_sources))
        if (std::find(m_sources.begin(), m_sources.end(), s) != m_sources.end()) s->DataEvent(event, info);
}

void TDataSet::AttachSource(TDataSource* source) { m_sources.push_back(source); }

void TDataSet::DetachSource(TDataSource* source) {
    m_sources.erase(std::remove(m_sources.begin(), m_sources.end(), source), m_sources.end());
}

TDataSource* TDataSet::DataSource() const { return m_masterLink ? m_masterLink->DataSource() : nullptr; }

void TDataSet::SetDataSource(TDataSource* source) {
    if (source && source->IsLinkedTo(this)) DatabaseError(DBText::CircularDataLink, this);
    m_masterLink->SetDataSource(source);
}
