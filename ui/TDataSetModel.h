#pragma once
#include <QAbstractTableModel>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class TDataSet;
class TDataSource;
class TField;
class TGridDataLink;

// One column of a data grid: the field it shows, its title, its width (-1: from the field) and whether
// it takes part in fitting the widths to the grid.
struct TColumnEh {
    QString FieldName;
    QString Title;
    int Width = -1;
    bool AutoFitColWidth = true;
};

// The rows of a dataset as a table model, one column per configured column. Rows are the dataset's
// fetched rows (with a row being inserted); more are fetched only as the view asks for them.
class TDataSetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TDataSetModel(QObject* parent = nullptr);
    ~TDataSetModel() override;

    TDataSource* DataSource() const;
    void SetDataSource(TDataSource* source);
    TDataSet* DataSet() const;
    // Rows the view shows at once: the dataset fetches that many when it opens.
    void SetVisibleRows(int rows);

    const std::vector<TColumnEh>& Columns() const { return m_columns; }
    void SetColumns(std::vector<TColumnEh> columns);
    // The field of a column in the open dataset, or null.
    TField* FieldOf(int column) const;
    // Typing goes into the cells of a row being inserted only.
    bool AllowEditing() const { return m_allowEditing; }
    void SetAllowEditing(bool allow) { m_allowEditing = allow; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    // The dataset fetched rows without telling its links (a search did): show them.
    void RowsFetched() { Resync(false); }

    // Runs what the view asks of the dataset (a typed value, more rows) and reports a failure as the
    // program does; false when it failed. Without one a failure is dropped: nothing may leave the model.
    std::function<bool(const std::function<void()>&)> Guard;

    // How many rows fetchMore asks the dataset for at a time.
    static constexpr int kFetchStep = 64;

signals:
    // The dataset's current row moved (0-based row, -1 for none).
    void CurrentRowChanged(int row);

private:
    friend class TGridDataLink;
    // Brings the row count in step with the dataset: new rows at the end are inserted, any other change
    // resets the model.
    void Resync(bool rowsReplaced);
    void RowChanged(int row);
    bool Guarded(const std::function<void()>& step);

    std::unique_ptr<TGridDataLink> m_link;
    std::vector<TColumnEh> m_columns;
    std::vector<TField*> m_fields;  // resolved per column while the dataset is open
    int m_rows = 0;
    bool m_allowEditing = false;
};
