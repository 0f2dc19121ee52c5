#pragma once
#include <QTableView>
#include <functional>
#include <vector>

#include "ui/TDataSetModel.h"

class IUserPrompts;
class QMenu;
class TDataSet;
class TDataSource;
class TField;

enum TDBGridOption {
    dgEditing = 1 << 0,
    dgTitles = 1 << 1,
    dgIndicator = 1 << 2,
    dgColumnResize = 1 << 3,
    dgColLines = 1 << 4,
    dgRowLines = 1 << 5,
    dgTabs = 1 << 6,
    dgConfirmDelete = 1 << 7,
    dgCancelOnExit = 1 << 8,
};
using TDBGridOptions = int;
constexpr TDBGridOptions kDefaultGridOptions = dgEditing | dgTitles | dgIndicator | dgColumnResize | dgColLines |
                                               dgRowLines | dgTabs | dgConfirmDelete | dgCancelOnExit;

enum TDBGridEhOption {
    dghFixed3D = 1 << 0,
    dghHighlightFocus = 1 << 1,
    dghClearSelection = 1 << 2,
    dghRowHighlight = 1 << 3,
    dghDialogFind = 1 << 4,
    dghColumnResize = 1 << 5,
    dghColumnMove = 1 << 6,
    dghExtendVertLines = 1 << 7,
};
using TDBGridEhOptions = int;
constexpr TDBGridEhOptions kDefaultGridOptionsEh = dghFixed3D | dghHighlightFocus | dghClearSelection | dghDialogFind |
                                                   dghColumnResize | dghColumnMove | dghExtendVertLines;

enum TDBGridEhAllowedOperation { alopInsertEh = 1, alopUpdateEh = 2, alopDeleteEh = 4, alopAppendEh = 8 };
using TDBGridEhAllowedOperations = int;
constexpr TDBGridEhAllowedOperations kAllGridOperations = alopInsertEh | alopUpdateEh | alopDeleteEh | alopAppendEh;

// A data grid: the rows of a dataset through a data source, the dataset's current row as the grid's
// current row, the search dialog on Ctrl+F, and the row operations its options allow.
class TDBGridEh : public QTableView {
    Q_OBJECT
public:
    explicit TDBGridEh(QWidget* parent = nullptr);
    ~TDBGridEh() override;

    TDataSource* DataSource() const { return m_model->DataSource(); }
    void SetDataSource(TDataSource* source);
    TDataSet* DataSet() const { return m_model->DataSet(); }
    TDataSetModel* Model() const { return m_model; }

    void SetColumns(std::vector<TColumnEh> columns);
    const std::vector<TColumnEh>& Columns() const { return m_model->Columns(); }

    TDBGridOptions Options() const { return m_options; }
    void SetOptions(TDBGridOptions options);
    TDBGridEhOptions OptionsEh() const { return m_optionsEh; }
    void SetOptionsEh(TDBGridEhOptions options);
    TDBGridEhAllowedOperations AllowedOperations() const { return m_allowed; }
    void SetAllowedOperations(TDBGridEhAllowedOperations operations);
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool readOnly);
    bool AutoFitColWidths() const { return m_autoFit; }
    void SetAutoFitColWidths(bool on);
    // The context menu: the given menu's entries, then "Сохранить в CSV…", which every grid has.
    void SetPopupMenu(QMenu* menu);
    QMenu* PopupMenu() const { return m_popup; }
    QAction* SaveCsvAction() const { return m_saveCsv; }
    // The file name the save offers first.
    void SetCsvFileName(const QString& name) { m_csvName = name; }
    // Where a failed row operation is reported (the application's error box); the grid's own boxes when null.
    void SetPrompts(IUserPrompts* prompts) { m_prompts = prompts; }

    // The profile of the read-only lists: no editing, whole rows highlighted, no operations, columns fitted.
    void UseReadOnlyProfile();

    // The width a column takes when it has none configured: from its field's display width.
    int DefaultColumnWidth(int column) const;
    // Fits the participating columns to the client width, keeping their proportions.
    void FitColumnWidths();
    // Current column (model index) and visible columns in display order, for the search.
    int CurrentColumn() const;
    void SetCurrentColumn(int column);
    std::vector<int> VisibleColumnsInOrder() const;
    // The text a cell shows (formatted) or the field's value as text; empty for a column without a field.
    QString CellText(int row, int column, bool formatted) const;

    // Every row (all fetched) with the visible columns in display order, their titles first, as the cells
    // show them: CSV text.
    QString CsvText();
    // Asks for a file and writes CsvText() to it as UTF-8; a failure is reported. False when not written.
    bool SaveCsv();

    // Runs an operation on the dataset from the event loop: a failure is reported as the program reports
    // it (a lost connection silently, its box came already) and never leaves the event handler. False
    // when it failed.
    bool Guarded(const std::function<void()>& operation);

    // Double-click on a data cell.
    std::function<void()> OnDblClick;
    // "Delete record?" with OK and Cancel; true for OK. Replaceable for tests.
    std::function<bool(const QString&)> ConfirmDelete;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    bool CanChange(TDBGridEhAllowedOperation operation) const;
    // Rows that fit the view: what the dataset fetches when it opens.
    int VisibleRows() const;
    void KeyPress(QKeyEvent* event);
    void ApplyOptions();
    void ModelReset();
    void ViewRowChanged(const QModelIndex& current, const QModelIndex& previous);
    void DataSetRowChanged(int row);
    void SectionResized(int logical, int oldSize, int newSize);

    TDataSetModel* m_model;
    TDBGridOptions m_options = kDefaultGridOptions;
    TDBGridEhOptions m_optionsEh = kDefaultGridOptionsEh;
    TDBGridEhAllowedOperations m_allowed = kAllGridOperations;
    bool m_readOnly = false;
    bool m_autoFit = false;
    QMenu* m_popup = nullptr;
    QAction* m_saveCsv = nullptr;
    QString m_csvName;
    IUserPrompts* m_prompts = nullptr;
    std::vector<int> m_shares;   // widths the fitting keeps in proportion
    std::vector<bool> m_dragged;  // shares the user set by dragging a border
    int m_keptColumn = -1;        // the current column across a model reset
    bool m_syncing = false;
    bool m_fitting = false;
};
