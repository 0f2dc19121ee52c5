#include "ui/TDBGridEhFindDlg.h"

#include <QApplication>
#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScrollBar>
#include <QKeyEvent>
#include <QVBoxLayout>
#include <optional>

#include "data/TDataSet.h"
#include "ui/TDBGridEh.h"

using namespace Qt::StringLiterals;

namespace {
TDBGridEhFindDlg* g_dialog = nullptr;

void DestroyDialog() {
    delete g_dialog;
    g_dialog = nullptr;
}

// Whether text matches the pattern; both already in the case the comparison wants.
bool Matches(const QString& text, const QString& pattern, TGridSearch::TMatch match) {
    switch (match) {
        case TGridSearch::Anywhere: return !pattern.isEmpty() && text.contains(pattern);
        case TGridSearch::WholeField: return text == pattern;
        case TGridSearch::FieldStart: return text.startsWith(pattern);
    }
    return false;
}
}  // namespace

bool TGridSearch::FindNext(TDBGridEh& grid, bool reverse) {
    TDataSet* ds = grid.DataSet();
    if (!ds || !ds->Active()) return false;
    const std::vector<int> order = Column < 0 ? grid.VisibleColumnsInOrder() : std::vector<int>{Column};
    if (order.empty()) return false;
    bool down = Direction != Up;  // "All" goes down
    if (reverse) down = !down;
    const bool fromTop = Direction == All && Fresh && !reverse;

    // Every search starts at the current column: of the first row for a fresh "All", else one step on.
    const auto at = std::find(order.begin(), order.end(), grid.CurrentColumn());
    int row = fromTop ? 0 : ds->RecNo() - 1;
    int pos = at == order.end() ? 0 : int(at - order.begin());
    const auto step = [&] {
        if (down && ++pos >= int(order.size())) pos = 0, ++row;
        else if (!down && --pos < 0) pos = int(order.size()) - 1, --row;
    };
    if (!fromTop) step();
    const QLocale locale;
    const QString pattern = CaseSensitive ? Pattern : locale.toUpper(Pattern);
    const int scroll = grid.verticalScrollBar()->value();
    // The grid comes back to life whatever happens while it is frozen (a fetch may fail).
    struct TFrozen {
        TDBGridEh& grid;
        TDataSet* ds;
        TFrozen(TDBGridEh& g, TDataSet* d) : grid(g), ds(d) {
            grid.setUpdatesEnabled(false);
            ds->DisableControls();
        }
        ~TFrozen() {
            ds->EnableControls();
            grid.Model()->RowsFetched();
            grid.setUpdatesEnabled(true);
        }
    };
    std::optional<TFrozen> frozen(std::in_place, grid, ds);
    bool found = false;
    while (row >= 0) {
        if (row >= ds->RecordCount()) {
            if (!down || ds->FetchMore(TDataSetModel::kFetchStep) == 0) break;
            continue;
        }
        const QString text = grid.CellText(row, order[size_t(pos)], Formatted);
        if (Matches(CaseSensitive ? text : locale.toUpper(text), pattern, Match)) {
            found = true;
            break;
        }
        step();
    }
    frozen.reset();
    if (found) {
        ds->SetRecNo(row + 1);
        // Without case the matching cell's column becomes current too.
        if (!CaseSensitive) grid.SetCurrentColumn(order[size_t(pos)]);
        Fresh = false;
    } else {
        grid.verticalScrollBar()->setValue(scroll);
    }
    return found;
}

bool TDBGridEhFindDlg::Exists() { return g_dialog != nullptr; }

TDBGridEhFindDlg& TDBGridEhFindDlg::Instance() {
    if (!g_dialog) {
        g_dialog = new TDBGridEhFindDlg();
        qAddPostRoutine(DestroyDialog);
    }
    return *g_dialog;
}

TDBGridEhFindDlg::TDBGridEhFindDlg() {
    setObjectName(u"DBGridEhFindDlg"_s);
    setWindowTitle(u"Поиск"_s);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    auto* grid = new QGridLayout;
    const auto addRow = [&](int r, const QString& label, QComboBox* box) {
        auto* l = new QLabel(label);
        l->setBuddy(box);
        grid->addWidget(l, r, 0);
        grid->addWidget(box, r, 1);
        return l;
    };
    m_pattern = new QComboBox;
    m_pattern->setEditable(true);
    m_pattern->setInsertPolicy(QComboBox::NoInsert);
    m_pattern->setMinimumWidth(220);
    m_column = new QComboBox;
    m_match = new QComboBox;
    m_match->addItems({u"С любой части поля"_s, u"Поля целиком"_s, u"С начала поля"_s});
    m_direction = new QComboBox;
    m_direction->addItems({u"Вверх"_s, u"Вниз"_s, u"Все"_s});
    m_direction->setCurrentIndex(TGridSearch::All);
    m_tree = new QComboBox;
    m_tree->addItems({u"Во всех ветвях"_s, u"В раскрытых ветвях"_s, u"В текущем уровне"_s, u"В текущей ветке"_s});
    addRow(0, u"&Образец:"_s, m_pattern);
    addRow(1, u"&Поиск в:"_s, m_column);
    addRow(2, u"&Совпадение:"_s, m_match);
    addRow(3, u"Прос&мотр:"_s, m_direction);
    // Only for tree-shaped data, which no grid of the program shows.
    m_treeLabel = addRow(4, u"Искать в дереве:"_s, m_tree);
    m_treeLabel->hide();
    m_tree->hide();
    m_case = new QCheckBox(u"С учетом ре&гистра"_s);
    m_format = new QCheckBox(u"С у&четом формата"_s);
    m_format->setChecked(true);
    grid->addWidget(m_case, 5, 1);
    grid->addWidget(m_format, 6, 1);

    m_find = new QPushButton(u"На&йти далее"_s);
    m_find->setDefault(true);
    m_close = new QPushButton(u"Закрыть"_s);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_find);
    buttons->addWidget(m_close);
    auto* top = new QVBoxLayout(this);
    top->addLayout(grid);
    top->addLayout(buttons);
    top->setSizeConstraint(QLayout::SetFixedSize);

    const auto fresh = [this] { m_search.Fresh = true; };
    connect(m_pattern, &QComboBox::editTextChanged, this, fresh);
    connect(m_column, &QComboBox::currentIndexChanged, this, fresh);
    connect(m_direction, &QComboBox::currentIndexChanged, this, fresh);
    connect(m_find, &QPushButton::clicked, this,
            [this] { FindNext(QApplication::keyboardModifiers() & Qt::ControlModifier); });
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
}

void TDBGridEhFindDlg::Execute(TDBGridEh& grid) {
    m_grid = &grid;
    m_pattern->setEditText(QString());
    m_columns = grid.VisibleColumnsInOrder();
    m_column->blockSignals(true);
    m_column->clear();
    for (int c : m_columns) m_column->addItem(grid.model()->headerData(c, Qt::Horizontal).toString());
    m_column->addItem(u"<All>"_s);
    const auto at = std::find(m_columns.begin(), m_columns.end(), grid.CurrentColumn());
    m_column->setCurrentIndex(at == m_columns.end() ? int(m_columns.size()) : int(at - m_columns.begin()));
    m_column->blockSignals(false);
    m_search.Fresh = true;
    m_pattern->setFocus();
    exec();
    m_grid = nullptr;
}

void TDBGridEhFindDlg::keyPressEvent(QKeyEvent* event) {
    // Enter with Ctrl held searches the other way; the dialog's own Enter handling takes no modifiers.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & Qt::ControlModifier) && !m_pattern->view()->isVisible()) {
        FindNext(true);
        return;
    }
    QDialog::keyPressEvent(event);
}

void TDBGridEhFindDlg::Choose() {
    m_search.Pattern = m_pattern->currentText();
    const int c = m_column->currentIndex();
    m_search.Column = c >= 0 && c < int(m_columns.size()) ? m_columns[size_t(c)] : -1;
    m_search.Match = TGridSearch::TMatch(std::max(0, m_match->currentIndex()));
    m_search.Direction = TGridSearch::TDirection(std::max(0, m_direction->currentIndex()));
    m_search.CaseSensitive = m_case->isChecked();
    m_search.Formatted = m_format->isChecked();
}

bool TDBGridEhFindDlg::FindNext(bool reverse) {
    const QString pattern = m_pattern->currentText();
    if (m_pattern->findText(pattern, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0) {
        // Adding the entry must not count as a change of the pattern.
        const bool fresh = m_search.Fresh;
        m_pattern->blockSignals(true);
        m_pattern->addItem(pattern);
        m_pattern->setEditText(pattern);
        m_pattern->blockSignals(false);
        m_search.Fresh = fresh;
    }
    if (!m_grid) return false;
    Choose();
    bool found = false;
    m_grid->Guarded([&] { found = m_search.FindNext(*m_grid, reverse); });
    return found;
}
