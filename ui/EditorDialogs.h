#pragma once
#include <QDialog>
#include <functional>
#include <memory>

class TDataSource;

namespace Ui {
class TUF;
class TGF;
}

// The results of the editor dialogs, as the commands read them.
enum TModalResult { mrOk = QDialog::Accepted, mrCancel = QDialog::Rejected };

// The user dialog: its controls bound to the users' data source, whose dataset the caller has put into
// insert or edit state. Enter (outside the memo) and "Сохранить" give mrOk; Esc, "Отменить" and the close
// box give mrCancel.
class TUF : public QDialog {
    Q_OBJECT
public:
    explicit TUF(TDataSource* srcUsers, QWidget* parent = nullptr);
    ~TUF() override;
    Ui::TUF& Controls() { return *m_ui; }
    // Asked when the dialog would close with OK; false keeps it open (the caller said why).
    std::function<bool()> CanClose;
    void accept() override;

private:
    std::unique_ptr<Ui::TUF> m_ui;
};

// The group dialog, bound to the groups' data source.
class TGF : public QDialog {
    Q_OBJECT
public:
    explicit TGF(TDataSource* srcGroups, QWidget* parent = nullptr);
    ~TGF() override;
    Ui::TGF& Controls() { return *m_ui; }
    // As the user dialog's.
    std::function<bool()> CanClose;
    void accept() override;

private:
    std::unique_ptr<Ui::TGF> m_ui;
};
