#include "ui/TDBGridEh.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QScrollBar>
#include <QStyle>
#include <QToolTip>

#include "core/Csv.h"
#include "core/Exception.h"
#include "data/TDataSet.h"
#include "data/TDataSource.h"
#include "data/TField.h"
#include "ui/CommandGuard.h"
#include "ui/SaveFileDialog.h"
#include "ui/TDBGridEhFindDlg.h"
#include "ui/TMessageBoxPrompts.h"

using namespace Qt::StringLiterals;

namespace {
bool AskDeleteRecord(QWidget* parent, const QString& text) {
    return QMessageBox::question(parent, u"Confirm"_s, text, QMessageBox::Ok | QMessageBox::Cancel,
                                 QMessageBox::Cancel) == QMessageBox::Ok;
}
}  // namespace

TDBGridEh::TDBGridEh(QWidget* parent) : QTableView(parent), m_model(new TDataSetModel(this)) {
    setModel(m_model);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(false);
    setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    verticalHeader()->setFixedWidth(14);
    verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    horizontalHeader()->setHighlightSections(false);
    ConfirmDelete = [this](const QString& text) { return AskDeleteRecord(this, text); };
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, &TDBGridEh::ViewRowChanged);
    connect(m_model, &TDataSetModel::CurrentRowChanged, this, &TDBGridEh::DataSetRowChanged);
    connect(m_model, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        if (currentIndex().isValid()) m_keptColumn = currentIndex().column();
    });
    connect(m_model, &QAbstractItemModel::modelReset, this, &TDBGridEh::ModelReset);
    m_model->Guard = [this](const std::function<void()>& operation) { return Guarded(operation); };
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, &TDBGridEh::SectionResized);
    ApplyOptions();
    m_saveCsv = new QAction(u"Сохранить в CSV…"_s, this);
    m_saveCsv->setObjectName(u"actSaveCsv"_s);
    connect(m_saveCsv, &QAction::triggered, this, [this] { SaveCsv(); });
    SetPopupMenu(new QMenu(this));
}

void TDBGridEh::SetPopupMenu(QMenu* menu) {
    if (m_popup) m_popup->removeAction(m_saveCsv);
    m_popup = menu;
    if (!m_popup) return;
    if (!m_popup->isEmpty()) m_popup->addSeparator();
    m_popup->addAction(m_saveCsv);
}

QString TDBGridEh::CsvText() {
    Guarded([&] {
        while (m_model->canFetchMore({})) m_model->fetchMore({});
    });
    const std::vector<int> columns = VisibleColumnsInOrder();
    QStringList fields;
    for (int c : columns) fields << m_model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    QString out = Csv::Line(fields);
    for (int row = 0; row < m_model->rowCount(); ++row) {
        fields.clear();
        for (int c : columns) fields << CellText(row, c, true);
        out += Csv::Line(fields);
    }
    return out;
}

bool TDBGridEh::SaveCsv() {
    const QString path = AskSaveFileName(window(), u"SaveCsvDialog"_s, u"Сохранить в CSV"_s, u"CSV (*.csv)"_s, u"csv"_s,
                                         m_csvName.isEmpty() ? u"таблица.csv"_s : m_csvName);
    if (path.isEmpty()) return false;
    QString error;
    if (Csv::Save(path, CsvText(), &error)) return true;
    const QString text = u"Не удалось записать файл «%1»: %2"_s.arg(path, error);
    if (m_prompts) m_prompts->ShowError(text);
    else QMessageBox::critical(this, u"Error"_s, text);
    return false;
}

TDBGridEh::~TDBGridEh() = default;

void TDBGridEh::SetDataSource(TDataSource* source) {
    m_model->SetVisibleRows(VisibleRows());
    m_model->SetDataSource(source);
}

void TDBGridEh::SetColumns(std::vector<TColumnEh> columns) {
    m_shares.clear();
    m_dragged.clear();
    m_keptColumn = -1;
    m_model->SetColumns(std::move(columns));
}

void TDBGridEh::SetOptions(TDBGridOptions options) {
    m_options = options;
    ApplyOptions();
}

void TDBGridEh::SetOptionsEh(TDBGridEhOptions options) {
    m_optionsEh = options;
    ApplyOptions();
}

void TDBGridEh::SetAllowedOperations(TDBGridEhAllowedOperations operations) {
    m_allowed = operations;
    ApplyOptions();
}

void TDBGridEh::SetReadOnly(bool readOnly) {
    m_readOnly = readOnly;
    ApplyOptions();
}

void TDBGridEh::SetAutoFitColWidths(bool on) {
    m_autoFit = on;
    setHorizontalScrollBarPolicy(on ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    FitColumnWidths();
}

void TDBGridEh::UseReadOnlyProfile() {
    SetOptions(dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgTabs | dgConfirmDelete | dgCancelOnExit);
    SetOptionsEh(dghFixed3D | dghHighlightFocus | dghClearSelection | dghRowHighlight | dghDialogFind | dghColumnResize |
                 dghColumnMove);
    SetReadOnly(true);
    SetAllowedOperations(0);
    SetAutoFitColWidths(true);
}

void TDBGridEh::ApplyOptions() {
    horizontalHeader()->setVisible(m_options & dgTitles);
    verticalHeader()->setVisible(m_options & dgIndicator);
    const bool resizable = (m_options & dgColumnResize) || (m_optionsEh & dghColumnResize);
    horizontalHeader()->setSectionResizeMode(resizable ? QHeaderView::Interactive : QHeaderView::Fixed);
    horizontalHeader()->setSectionsMovable(m_optionsEh & dghColumnMove);
    setShowGrid((m_options & dgColLines) || (m_options & dgRowLines));
    setTabKeyNavigation(m_options & dgTabs);
    setSelectionBehavior((m_optionsEh & dghRowHighlight) ? QAbstractItemView::SelectRows
                                                          : QAbstractItemView::SelectItems);
    // Typing reaches only a row the grid is inserting.
    m_model->SetAllowEditing((m_options & dgEditing) && !m_readOnly && (m_allowed & (alopInsertEh | alopAppendEh)));
}

bool TDBGridEh::CanChange(TDBGridEhAllowedOperation operation) const {
    TDataSet* ds = DataSet();
    return ds && (m_options & dgEditing) && !m_readOnly && (m_allowed & operation) && ds->CanModify();
}

bool TDBGridEh::Guarded(const std::function<void()>& operation) {
    bool done = false;
    const auto run = [&] {
        operation();
        done = true;
    };
    if (m_prompts) {
        RunCommand(*m_prompts, run);
    } else {
        TMessageBoxPrompts boxes;
        RunCommand(boxes, run);
    }
    return done;
}

int TDBGridEh::VisibleRows() const {
    return std::max(1, viewport()->height() / std::max(1, verticalHeader()->defaultSectionSize()));
}

int TDBGridEh::DefaultColumnWidth(int column) const {
    TField* f = m_model->FieldOf(column);
    const int chars = f ? f->DisplayWidth() : 10;
    return fontMetrics().horizontalAdvance(u'0') * chars + 4;
}

void TDBGridEh::ModelReset() {
    const auto& columns = m_model->Columns();
    if (m_shares.size() != columns.size()) {
        m_shares.assign(columns.size(), 1);
        m_dragged.assign(columns.size(), false);
    }
    // A column without a width takes it from its field, which exists only while the dataset is open.
    for (int i = 0; i < int(columns.size()); ++i) {
        if (m_dragged[size_t(i)]) continue;
        const int w = columns[size_t(i)].Width >= 0 ? columns[size_t(i)].Width : DefaultColumnWidth(i);
        m_shares[size_t(i)] = std::max(1, w);
    }
    m_fitting = true;
    for (int i = 0; i < int(m_shares.size()); ++i) setColumnWidth(i, m_shares[size_t(i)]);
    m_fitting = false;
    FitColumnWidths();
    if (TDataSet* ds = DataSet()) DataSetRowChanged(ds->RecNo() - 1);
}

void TDBGridEh::FitColumnWidths() {
    const auto& columns = m_model->Columns();
    if (!m_autoFit || m_shares.size() != columns.size()) return;
    int fixed = 0, shares = 0;
    for (int i = 0; i < int(columns.size()); ++i) {
        if (isColumnHidden(i)) continue;
        if (columns[size_t(i)].AutoFitColWidth) shares += m_shares[size_t(i)];
        else fixed += m_shares[size_t(i)];
    }
    const int room = viewport()->width() - fixed;
    if (shares <= 0 || room <= 0) return;
    m_fitting = true;
    int used = 0, last = -1;
    for (int i = 0; i < int(columns.size()); ++i) {
        if (isColumnHidden(i)) continue;
        int w = m_shares[size_t(i)];
        if (columns[size_t(i)].AutoFitColWidth) {
            w = std::max(8, int(qint64(m_shares[size_t(i)]) * room / shares));
            used += w;
            last = i;
        }
        setColumnWidth(i, w);
    }
    // The rounding remainder goes to the last fitted column, so that the columns fill the width exactly.
    if (last >= 0 && used < room) setColumnWidth(last, columnWidth(last) + room - used);
    m_fitting = false;
}

void TDBGridEh::SectionResized(int logical, int, int newSize) {
    if (m_fitting || logical < 0 || logical >= int(m_shares.size())) return;
    // The user dragged a border: the new width is that column's new share.
    m_shares[size_t(logical)] = std::max(1, newSize);
    m_dragged[size_t(logical)] = true;
    FitColumnWidths();
}

// A cell whose text its column cuts shows the whole text as its tooltip; a cell that shows all of it
// shows none.
bool TDBGridEh::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QTableView::viewportEvent(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex index = indexAt(help->pos());
    const QString text = index.isValid() ? index.data(Qt::DisplayRole).toString() : QString();
    const QRect cell = visualRect(index);
    // The delegate leaves a margin on each side of the text.
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    if (!text.isEmpty() && fontMetrics().horizontalAdvance(text) > cell.width() - 2 * margin)
        QToolTip::showText(help->globalPos(), text, viewport(), cell);
    else
        QToolTip::hideText();
    return true;
}

void TDBGridEh::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    m_model->SetVisibleRows(VisibleRows());
    FitColumnWidths();
}

int TDBGridEh::CurrentColumn() const {
    const int c = currentIndex().column();
    if (c >= 0) return c;
    if (m_keptColumn >= 0 && m_keptColumn < m_model->columnCount() && !isColumnHidden(m_keptColumn)) return m_keptColumn;
    const std::vector<int> visible = VisibleColumnsInOrder();
    return visible.empty() ? -1 : visible.front();
}

void TDBGridEh::SetCurrentColumn(int column) {
    TDataSet* ds = DataSet();
    const int row = ds ? ds->RecNo() - 1 : -1;
    if (row < 0 || column < 0 || column >= m_model->columnCount()) return;
    m_syncing = true;
    setCurrentIndex(m_model->index(row, column));
    m_syncing = false;
}

std::vector<int> TDBGridEh::VisibleColumnsInOrder() const {
    std::vector<int> out;
    const QHeaderView* h = horizontalHeader();
    for (int visual = 0; visual < h->count(); ++visual) {
        const int logical = h->logicalIndex(visual);
        if (!isColumnHidden(logical)) out.push_back(logical);
    }
    return out;
}

QString TDBGridEh::CellText(int row, int column, bool formatted) const {
    TDataSet* ds = DataSet();
    TField* f = m_model->FieldOf(column);
    if (!ds || !f) return {};
    const TRowView r = ds->RowAt(row + 1);
    return formatted ? f->DisplayTextOf(r) : f->AsStringOf(r);
}

void TDBGridEh::ViewRowChanged(const QModelIndex& current, const QModelIndex& previous) {
    if (m_syncing || !current.isValid() || current.row() == previous.row()) return;
    TDataSet* ds = DataSet();
    if (!ds || ds->RecNo() == current.row() + 1) return;
    Guarded([&] { ds->SetRecNo(current.row() + 1); });
    // The dataset may not have gone there (a pending change that failed): follow it.
    if (DataSet() && DataSet()->RecNo() != current.row() + 1) DataSetRowChanged(DataSet()->RecNo() - 1);
}

void TDBGridEh::DataSetRowChanged(int row) {
    if (row < 0 || row >= m_model->rowCount()) return;
    // Already there (the user's click moved the dataset): setting the current index again would make the
    // click's selection (Ctrl or Shift with several rows) a single row.
    if (currentIndex().isValid() && currentIndex().row() == row) return;
    const int column = CurrentColumn();
    if (column < 0) return;
    m_syncing = true;
    setCurrentIndex(m_model->index(row, column));
    m_syncing = false;
}

void TDBGridEh::keyPressEvent(QKeyEvent* event) {
    Guarded([&] { KeyPress(event); });
}

void TDBGridEh::KeyPress(QKeyEvent* event) {
    TDataSet* ds = DataSet();
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    if (event->key() == Qt::Key_F && ctrl && (m_optionsEh & dghDialogFind)) {
        TDBGridEhFindDlg::Instance().Execute(*this);
        return;
    }
    if (ds && event->key() == Qt::Key_Insert && event->modifiers() == Qt::NoModifier) {
        if (CanChange(alopInsertEh)) Guarded([&] { ds->Insert(); });
        return;
    }
    if (ds && event->key() == Qt::Key_Delete && ctrl) {
        if (CanChange(alopDeleteEh) && !ds->IsEmpty() &&
            (!(m_options & dgConfirmDelete) || ConfirmDelete(u"Delete record?"_s)))
            Guarded([&] { ds->Delete(); });
        return;
    }
    if (ds && event->key() == Qt::Key_Escape && (ds->State() == dsInsert || ds->State() == dsEdit)) {
        ds->Cancel();
        return;
    }
    if (ds && event->key() == Qt::Key_Down && event->modifiers() == Qt::NoModifier && ds->State() == dsBrowse) {
        if (ds->RecNo() >= ds->RecordCount() && ds->AllFetched()) {
            if (CanChange(alopAppendEh)) Guarded([&] { ds->Append(); });
            return;
        }
        // Rows not fetched yet come one step at a time.
        if (ds->RecNo() >= ds->RecordCount()) {
            Guarded([&] { ds->Next(); });
            if (ds->Eof() && ds->RecNo() >= ds->RecordCount() && CanChange(alopAppendEh))
                Guarded([&] { ds->Append(); });
            return;
        }
    }
    if (ds && (event->key() == Qt::Key_Home || event->key() == Qt::Key_End) && ctrl) {
        Guarded([&] { event->key() == Qt::Key_Home ? ds->First() : ds->Last(); });
        return;
    }
    QTableView::keyPressEvent(event);
}

void TDBGridEh::focusOutEvent(QFocusEvent* event) {
    QTableView::focusOutEvent(event);
    // An inserted row nothing was typed into goes when the user moves to another control of this window.
    // A dialog or another window taking the focus (a command's own dialog on that row) leaves it alone.
    if (!(m_options & dgCancelOnExit) || event->reason() == Qt::ActiveWindowFocusReason ||
        event->reason() == Qt::PopupFocusReason)
        return;
    QWidget* to = QApplication::focusWidget();
    if (!to || to->window() != window() || isAncestorOf(to)) return;
    TDataSet* ds = DataSet();
    if (ds && ds->State() == dsInsert && !ds->Modified()) Guarded([&] { ds->Cancel(); });
}

void TDBGridEh::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    if (indexAt(event->position().toPoint()).isValid() && OnDblClick) OnDblClick();
}

void TDBGridEh::contextMenuEvent(QContextMenuEvent* event) {
    if (m_popup) m_popup->exec(event->globalPos());
}
