#pragma once
#include <QDialog>

class IUserPrompts;
class QLabel;
class TDataSource;
class TDBGridEh;
class TpFIBDataSet;
struct TAdminConnection;

// Who holds a right: the users holding the right of the rights list's current row through their groups
// (login, names, the groups, blocked or not), following that row; read-only, with search and CSV. It
// frees itself when it closes.
class THoldersForm : public QDialog {
    Q_OBJECT
public:
    // rights: the source of a rights list whose rows have ID, CATEGORY and RIGHTS.
    THoldersForm(IUserPrompts& prompts, const TAdminConnection& admin, TDataSource* rights, QWidget* parent = nullptr);
    ~THoldersForm() override;

    TDBGridEh* Grid() const { return m_grid; }
    TpFIBDataSet* DataSet() const { return dsHolders; }

private:
    void UpdateCaption();

    IUserPrompts& m_prompts;
    TDataSource* m_rights;
    TpFIBDataSet* dsHolders;
    TDataSource* srcHolders;
    TDBGridEh* m_grid;
    QLabel* m_caption;
};
