#pragma once
#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class TDBGridEh;

// What a search looks for and how; kept between uses of the search dialog.
struct TGridSearch {
    enum TMatch { Anywhere, WholeField, FieldStart };
    enum TDirection { Up, Down, All };

    QString Pattern;
    int Column = -1;  // the grid's column (model index), -1 for "<All>"
    TMatch Match = Anywhere;
    TDirection Direction = All;
    bool CaseSensitive = false;
    bool Formatted = true;
    // A fresh search: "All" starts at the first row; any other search goes on from the current position.
    bool Fresh = true;

    // Searches the grid once; reverse (Ctrl held) turns up into down and down and "All" into up. On a
    // match the grid's current row (and, comparing without case, its current column) moves there and the
    // search is no longer fresh; without one the grid stays as it was. The grid is not repainted meanwhile.
    bool FindNext(TDBGridEh& grid, bool reverse);
};

// The search dialog of the data grids: one for the whole run, opened with Ctrl+F in a grid.
class TDBGridEhFindDlg : public QDialog {
    Q_OBJECT
public:
    // Made at the first use, kept until the program ends.
    static TDBGridEhFindDlg& Instance();
    // True once Instance() has made the dialog.
    static bool Exists();

    // Empties the pattern, lists the grid's visible columns (its current one chosen) and runs the
    // dialog modally for that grid.
    void Execute(TDBGridEh& grid);
    // "Найти далее": the search with the dialog's choices; Ctrl held reverses the direction.
    bool FindNext(bool reverse);

    QComboBox* PatternBox() const { return m_pattern; }
    QComboBox* ColumnBox() const { return m_column; }
    QComboBox* MatchBox() const { return m_match; }
    QComboBox* DirectionBox() const { return m_direction; }
    QCheckBox* CaseBox() const { return m_case; }
    QCheckBox* FormatBox() const { return m_format; }
    QPushButton* FindButton() const { return m_find; }
    QPushButton* CloseButton() const { return m_close; }
    const TGridSearch& Search() const { return m_search; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    TDBGridEhFindDlg();
    void Choose();

    TGridSearch m_search;
    TDBGridEh* m_grid = nullptr;
    std::vector<int> m_columns;  // the grid's columns behind the entries of the column box
    QComboBox *m_pattern, *m_column, *m_match, *m_direction, *m_tree;
    QLabel* m_treeLabel;
    QCheckBox *m_case, *m_format;
    QPushButton *m_find, *m_close;
};
