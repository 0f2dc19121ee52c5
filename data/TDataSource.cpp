#include "data/TDataSource.h"

#include <algorithm>

#include "data/DBErrors.h"
#include "data/TDataLink.h"
#include "data/TDataSet.h"

TDataSource::TDataSource(QObject* owner) : TComponent(owner) {}

TDataSource::~TDataSource() {
    std::vector<TDataLink*> links = m_links;
    m_links.clear();
    for (TDataLink* link : links) {
        link->m_dataSource = nullptr;
        link->UpdateState();
    }
    if (m_dataSet) m_dataSet->DetachSource(this);
}

void TDataSource::SetDataSet(TDataSet* dataSet) {
    if (dataSet == m_dataSet) return;
    for (TDataSource* s = dataSet ? dataSet->DataSource() : nullptr; s;
         s = s->DataSet() ? s->DataSet()->DataSource() : nullptr)
        if (s == this) DatabaseError(DBText::CircularDataLink, this);
    if (m_dataSet) m_dataSet->DetachSource(this);
    m_dataSet = dataSet;
    if (dataSet) dataSet->AttachSource(this);
    UpdateState();
}

void TDataSource::SetEnabled(bool enabled) {
    if (enabled == m_enabled) return;
    m_enabled = enabled;
    UpdateState();
}

void TDataSource::Edit() {
    if (m_autoEdit && m_dataSet && m_dataSet->State() == dsBrowse) m_dataSet->Edit();
}

bool TDataSource::IsLinkedTo(const TDataSet* dataSet) const {
    for (const TDataSource* s = this; s && s->DataSet(); s = s->DataSet()->DataSource())
        if (s->DataSet() == dataSet) return true;
    return false;
}

void TDataSource::RemoveLink(TDataLink* link) {
    m_links.erase(std::remove(m_links.begin(), m_links.end(), link), m_links.end());
}

void TDataSource::UpdateState() {
    TDataSetState state = m_enabled && m_dataSet ? m_dataSet->State() : dsInactive;
    std::vector<TDataLink*> links = m_links;
    for (TDataLink* link : links)
        if (std::find(m_links.begin(), m_links.end(), link) != m_links.end()) link->UpdateState();
    if (state != m_state) {
        m_state = state;
        if (OnStateChange) OnStateChange(*this);
    }
}

void TDataSource::DataEvent(TDataEvent event, const void* info) {
    if (event == deUpdateState) return UpdateState();
    if (!m_enabled) return;
    std::vector<TDataLink*> links = m_links;
    for (TDataLink* link : links)
        if (std::find(m_links.begin(), m_links.end(), link) != m_links.end()) link->DataEvent(event, info);
    switch (event) {
        case deFieldChange:
            if (OnDataChange) OnDataChange(*this, const_cast<TField*>(static_cast<const TField*>(info)));
            break;
        case deRecordChange:
        case deDataSetChange:
        case deDataSetScroll:
        case deLayoutChange:
            if (OnDataChange) OnDataChange(*this, nullptr);
            break;
        case deUpdateRecord:
            if (OnUpdateData) OnUpdateData(*this);
            break;
        default:
            break;
    }
}
