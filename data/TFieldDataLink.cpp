#include "data/TFieldDataLink.h"

#include "data/TDataSet.h"
#include "data/TField.h"

void TFieldDataLink::SetFieldName(const QString& name) {
    if (name == m_fieldName) return;
    m_fieldName = name;
    UpdateField();
}

bool TFieldDataLink::CanModify() const { return !ReadOnly() && m_field && m_field->CanModify(); }

void TFieldDataLink::Reset() {
    m_modified = false;
    if (OnDataChange) OnDataChange();
}

void TFieldDataLink::UpdateField() {
    TField* field = Active() && !m_fieldName.isEmpty() ? DataSet()->FindField(m_fieldName) : nullptr;
    if (field == m_field) return;
    m_field = field;
    m_modified = false;
    if (OnDataChange) OnDataChange();
}

void TFieldDataLink::ActiveChanged() {
    UpdateField();
    if (OnActiveChange) OnActiveChange();
}

void TFieldDataLink::EditingChanged() {
    if (OnEditingChange) OnEditingChange();
}

void TFieldDataLink::LayoutChanged() {
    UpdateField();
    TDataLink::LayoutChanged();
}

void TFieldDataLink::RecordChanged(TField* field) {
    if (field && field != m_field) return;
    m_modified = false;
    if (OnDataChange) OnDataChange();
}

void TFieldDataLink::UpdateData() {
    if (!m_modified || !m_field) return;
    if (OnUpdateData) OnUpdateData();
    m_modified = false;
}
