#include "data/TMemoryDataSet.h"

#include <cmath>

#include "core/Win1251.h"
#include "data/TDataSource.h"
#include "data/TDateTimeField.h"
#include "data/TField.h"

TMemoryDataSet::TMemoryDataSet(QObject* owner) : TDataSet(owner) {}

TMemoryDataSet::~TMemoryDataSet() {
    try {
        Close();
    } catch (...) {
    }
}

void TMemoryDataSet::AddFieldDef(const QString& name, TFieldType type, int size, bool required) {
    TFieldDef def;
    def.Name = name;
    def.DataType = type;
    def.Size = size;
    def.Required = required;
    def.FieldNo = int(FieldDefs().size()) + 1;
    FieldDefs().push_back(def);
}

void TMemoryDataSet::AddSourceRow(const QVariantList& values) {
    m_source.push_back(values);
    m_deleted.push_back(false);
    m_inCache.push_back(false);
}

void TMemoryDataSet::ClearSource() {
    m_source.clear();
    m_deleted.clear();
    m_inCache.clear();
}

std::vector<QVariantList> TMemoryDataSet::SourceRows() const {
    std::vector<QVariantList> rows;
    for (size_t i = 0; i < m_source.size(); ++i)
        if (!m_deleted[i]) rows.push_back(m_source[i]);
    return rows;
}

void TMemoryDataSet::SetMasterFields(const QString& detailField, const QString& masterField) {
    m_detailField = detailField;
    m_masterField = masterField;
}

QVariant TMemoryDataSet::MasterValue() const {
    TDataSet* master = DataSource() ? DataSource()->DataSet() : nullptr;
    TField* f = master && !m_masterField.isEmpty() ? master->FindField(m_masterField) : nullptr;
    return f ? f->Value() : QVariant();
}

bool TMemoryDataSet::Matches(const QVariantList& row) const {
    if (m_detailField.isEmpty() || !DataSource()) return true;
    for (const TFieldDef& d : FieldDefs()) {
        if (d.Name.compare(m_detailField, Qt::CaseInsensitive) != 0) continue;
        const QVariant& v = row.value(d.FieldNo - 1);
        if (m_masterValue.isNull() || v.isNull()) return m_masterValue.isNull() && v.isNull();
        return v.toString() == m_masterValue.toString();
    }
    return false;
}

void TMemoryDataSet::InternalOpen() {
    m_next = 0;
    m_rowSource.clear();
    m_inCache.assign(m_source.size(), false);
    m_masterValue = MasterValue();
    ++m_openCount;
}

void TMemoryDataSet::Store(TRecordBuffer& row, const QVariantList& values) const {
    for (TField* f : Fields()) {
        const QVariant v = values.value(f->FieldNo() - 1);
        const int slot = f->Slot();
        if (v.isNull()) {
            row.SetNull(slot);
            continue;
        }
        switch (f->DataType()) {
            case ftString:
            case ftMemo:
                row.SetBytes(slot, ToWin1251(v.toString()));
                break;
            case ftBlob:
                row.SetBytes(slot, v.toByteArray());
                break;
            case ftFloat:
                row.SetDouble(slot, v.toDouble());
                break;
            case ftBCD:
                row.SetInteger(slot, std::llround(v.toDouble() * std::pow(10.0, f->Size())));
                break;
            case ftBoolean:
                row.SetInteger(slot, v.toBool() ? 1 : 0);
                break;
            case ftDate:
                row.SetInteger(slot, v.toDate().toJulianDay());
                break;
            case ftTime:
                row.SetInteger(slot, TDateTimeField::ToTicks(QDate(), v.toTime()));
                break;
            case ftDateTime: {
                QDateTime dt = v.toDateTime();
                row.SetInteger(slot, TDateTimeField::ToTicks(dt.date(), dt.time()));
                break;
            }
            default:
                row.SetInteger(slot, v.toLongLong());
                break;
        }
    }
}

bool TMemoryDataSet::FetchRecord(TRecordBuffer& row) {
    while (m_next < m_source.size() && (m_deleted[m_next] || m_inCache[m_next] || !Matches(m_source[m_next])))
        ++m_next;
    if (m_next >= m_source.size()) return false;
    Store(row, m_source[m_next]);
    m_rowSource.resize(size_t(CacheRowCount()) + 1);
    m_rowSource.back() = int(m_next);
    m_inCache[m_next] = true;
    ++m_next;
    ++m_fetchCount;
    return true;
}

bool TMemoryDataSet::InternalPost(TRecordBuffer& row, bool inserting) {
    if (OnWrite && !OnWrite(*this, inserting)) return false;
    QVariantList values;
    for (int i = 0; i < int(FieldDefs().size()); ++i) values.append(QVariant());
    TRowView view(&row);
    for (TField* f : Fields())
        if (f->FieldNo() > 0 && f->FieldNo() <= values.size()) values[f->FieldNo() - 1] = f->ValueOf(view);
    if (inserting) {
        AddSourceRow(values);
        m_inCache.back() = true;  // later fetches must not bring it a second time
        m_rowSource.resize(size_t(CacheRowCount()));
        m_rowSource.back() = int(m_source.size()) - 1;
    } else {
        m_source[size_t(m_rowSource[size_t(GetBookmark().Row())])] = values;
    }
    return true;
}

bool TMemoryDataSet::InternalDelete() {
    if (OnRemove && !OnRemove(*this)) return false;
    m_deleted[size_t(m_rowSource[size_t(GetBookmark().Row())])] = true;
    return true;
}

void TMemoryDataSet::InternalRefresh() {
    TRecordBuffer row;
    ReadCurrentRow(row);
    Store(row, m_source[size_t(m_rowSource[size_t(GetBookmark().Row())])]);
    WriteCurrentRow(row);
}

void TMemoryDataSet::MasterOpened() {
    if (Active())
        Reopen(false);
    else if (m_forceOpen)
        Open();
}

void TMemoryDataSet::MasterClosed() {
    if (!m_ignoreMasterClose) Close();
}

void TMemoryDataSet::MasterChanged() {
    if (!Active()) return;
    QVariant v = MasterValue();
    if (v.isNull() == m_masterValue.isNull() && (v.isNull() || v.toString() == m_masterValue.toString()))
        return;
    Reopen(false);
}
