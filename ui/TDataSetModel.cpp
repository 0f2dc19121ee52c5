#include "ui/TDataSetModel.h"

#include "data/TDataLink.h"
#include "data/TDataSet.h"
#include "data/TDataSource.h"
#include "data/TBooleanField.h"
#include "data/TField.h"
#include "core/Exception.h"

using namespace Qt::StringLiterals;

// The model's connection to the data source.
class TGridDataLink : public TDataLink {
public:
    explicit TGridDataLink(TDataSetModel& model) : m_model(model) {}

protected:
    void ActiveChanged() override { m_model.Resync(true); }
    void DataSetChanged() override { m_model.Resync(true); }
    void LayoutChanged() override { m_model.Resync(true); }
    void DataSetScrolled(int) override {
        // A move may have fetched rows; the rows already shown stay as they are.
        m_model.Resync(false);
        TDataSet* ds = DataSet();
        if (m_model.m_rows > 0) emit m_model.headerDataChanged(Qt::Vertical, 0, m_model.m_rows - 1);
        emit m_model.CurrentRowChanged(ds ? ds->RecNo() - 1 : -1);
    }
    void RecordChanged(TField*) override {
        TDataSet* ds = DataSet();
        if (ds) m_model.RowChanged(ds->RecNo() - 1);
    }
    void EditingChanged() override { m_model.Resync(true); }

private:
    TDataSetModel& m_model;
};

TDataSetModel::TDataSetModel(QObject* parent) : QAbstractTableModel(parent), m_link(std::make_unique<TGridDataLink>(*this)) {}

TDataSetModel::~TDataSetModel() = default;

TDataSource* TDataSetModel::DataSource() const { return m_link->DataSource(); }

void TDataSetModel::SetDataSource(TDataSource* source) {
    m_link->SetDataSource(source);
    Resync(true);
}

TDataSet* TDataSetModel::DataSet() const { return m_link->Active() ? m_link->DataSet() : nullptr; }

void TDataSetModel::SetVisibleRows(int rows) { m_link->SetBufferCount(rows); }

void TDataSetModel::SetColumns(std::vector<TColumnEh> columns) {
    beginResetModel();
    m_columns = std::move(columns);
    endResetModel();
    Resync(true);
}

TField* TDataSetModel::FieldOf(int column) const {
    return column >= 0 && column < int(m_fields.size()) ? m_fields[size_t(column)] : nullptr;
}

void TDataSetModel::Resync(bool rowsReplaced) {
    TDataSet* ds = DataSet();
    const int rows = ds ? ds->RecordCount() : 0;
    std::vector<TField*> fields;
    for (const TColumnEh& c : m_columns) fields.push_back(ds ? ds->FindField(c.FieldName) : nullptr);
    if (!rowsReplaced && fields == m_fields && rows >= m_rows) {
        if (rows > m_rows) {
            beginInsertRows({}, m_rows, rows - 1);
            m_rows = rows;
            endInsertRows();
        }
        return;
    }
    beginResetModel();
    m_fields = std::move(fields);
    m_rows = rows;
    endResetModel();
}

void TDataSetModel::RowChanged(int row) {
    if (row < 0 || row >= m_rows || m_columns.empty()) return;
    emit dataChanged(index(row, 0), index(row, int(m_columns.size()) - 1));
}

int TDataSetModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_rows; }

int TDataSetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant TDataSetModel::data(const QModelIndex& index, int role) const {
    TDataSet* ds = DataSet();
    TField* f = ds ? FieldOf(index.column()) : nullptr;
    if (!f || index.row() >= m_rows) return {};
    switch (role) {
        case Qt::DisplayRole:
            return f->DisplayTextOf(ds->RowAt(index.row() + 1));
        case Qt::EditRole:
            return f->AsStringOf(ds->RowAt(index.row() + 1));
        case Qt::TextAlignmentRole:
            switch (f->DataType()) {
                case ftSmallint: case ftInteger: case ftFloat: case ftBCD: case ftLargeint:
                    return int(Qt::AlignRight | Qt::AlignVCenter);
                default:
                    return int(Qt::AlignLeft | Qt::AlignVCenter);
            }
        default:
            return {};
    }
}

QVariant TDataSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) {
        // The indicator column: the current row's mark, by the dataset's state.
        TDataSet* ds = DataSet();
        if (!ds || section != ds->RecNo() - 1) return QString();
        switch (ds->State()) {
            case dsInsert: return QStringLiteral("*");
            case dsEdit: return QStringLiteral("I");
            default: return QStringLiteral("\u25B6");
        }
    }
    if (section < 0 || section >= int(m_columns.size())) return {};
    const TColumnEh& c = m_columns[size_t(section)];
    if (!c.Title.isEmpty()) return c.Title;
    TField* f = FieldOf(section);
    return f ? f->DisplayLabel() : c.FieldName;
}

Qt::ItemFlags TDataSetModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    TDataSet* ds = DataSet();
    TField* f = ds ? FieldOf(index.column()) : nullptr;
    if (m_allowEditing && f && ds->State() == dsInsert && ds->RecNo() == index.row() + 1 && !f->ReadOnly())
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool TDataSetModel::Guarded(const std::function<void()>& step) {
    if (Guard) return Guard(step);
    try {
        step();
        return true;
    } catch (...) {
        return false;
    }
}

bool TDataSetModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable)) return false;
    TField* f = FieldOf(index.column());
    const QString text = value.toString();
    const QString title = headerData(index.column(), Qt::Horizontal).toString();
    // A value the field cannot take is refused with a message; the row stays as it was, still editable.
    return Guarded([&] {
        try {
            f->SetAsString(text);
        } catch (const EConvertError& e) {
            QString message = u"Значение \"%1\" не подходит для столбца \"%2\"."_s.arg(text, title);
            if (auto* b = dynamic_cast<TBooleanField*>(f))
                message += u" Введите %1 или %2 либо оставьте ячейку пустой."_s.arg(b->DisplayValues().section(u';', 0, 0),
                                                                                   b->DisplayValues().section(u';', 1));
            else
                message += u' ' + e.Message();
            throw Exception(message);
        }
    });
}

bool TDataSetModel::canFetchMore(const QModelIndex& parent) const {
    TDataSet* ds = DataSet();
    return !parent.isValid() && ds && !ds->AllFetched() && ds->State() == dsBrowse;
}

void TDataSetModel::fetchMore(const QModelIndex& parent) {
    TDataSet* ds = DataSet();
    if (parent.isValid() || !ds) return;
    Guarded([&] {
        if (ds->FetchMore(kFetchStep) > 0) Resync(false);
    });
}
