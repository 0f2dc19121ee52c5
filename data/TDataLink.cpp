#include "data/TDataLink.h"

#include "data/TDataSet.h"
#include "data/TDataSource.h"

TDataLink::~TDataLink() {
    if (m_dataSource) m_dataSource->RemoveLink(this);
}

void TDataLink::SetDataSource(TDataSource* source) {
    if (source == m_dataSource) return;
    if (m_dataSource) m_dataSource->RemoveLink(this);
    m_dataSource = source;
    if (source) source->AddLink(this);
    UpdateState();
}

TDataSet* TDataLink::DataSet() const { return m_dataSource ? m_dataSource->DataSet() : nullptr; }

void TDataLink::SetReadOnly(bool readOnly) {
    m_readOnly = readOnly;
    UpdateState();
}

bool TDataLink::Edit() {
    if (!m_readOnly && m_dataSource) m_dataSource->Edit();
    return m_editing;
}

void TDataLink::UpdateRecord() {
    if (m_updating) return;
    m_updating = true;
    try {
        UpdateData();
    } catch (...) {
        m_updating = false;
        throw;
    }
    m_updating = false;
}

void TDataLink::DataSetScrolled(int distance) {
    (void)distance;
    DataSetChanged();
}

void TDataLink::UpdateState() {
    TDataSet* ds = DataSet();
    bool active = m_dataSource && m_dataSource->Enabled() && ds && ds->Active();
    if (active != m_active) {
        m_active = active;
        if (!active && m_editing) m_editing = false;
        ActiveChanged();
    }
    bool editing = m_active && !m_readOnly && (ds->State() == dsEdit || ds->State() == dsInsert);
    if (editing != m_editing) {
        m_editing = editing;
        EditingChanged();
    }
}

void TDataLink::DataEvent(TDataEvent event, const void* info) {
    if (event == deUpdateState) return UpdateState();
    if (!m_active) return;
    switch (event) {
        case deFieldChange:
            RecordChanged(const_cast<TField*>(static_cast<const TField*>(info)));
            break;
        case deRecordChange:
            RecordChanged(nullptr);
            break;
        case deDataSetChange:
            DataSetChanged();
            break;
        case deDataSetScroll:
            DataSetScrolled(info ? *static_cast<const int*>(info) : 0);
            break;
        case deLayoutChange:
            LayoutChanged();
            break;
        case deUpdateRecord:
            UpdateRecord();
            break;
        case deCheckBrowseMode:
            CheckBrowseMode();
            break;
        case deFocusControl:
            FocusControl(const_cast<TField*>(static_cast<const TField*>(info)));
            break;
        case deUpdateState:
            break;
    }
}
