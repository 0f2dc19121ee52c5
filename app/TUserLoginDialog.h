#pragma once
#include <QAction>
#include <QDialog>
#include <memory>

namespace Ui {
class TUserLoginDialog;
}
class QLineEdit;
class QPushButton;
class QLabel;

// The login dialog: server, database, user, password and client library.
class TUserLoginDialog : public QDialog {
    Q_OBJECT
public:
    explicit TUserLoginDialog(QWidget* parent = nullptr);
    ~TUserLoginDialog() override;

    QLineEdit* edtServer() const;
    QLineEdit* edDataBase() const;
    QLineEdit* edUser() const;
    QLineEdit* edPassword() const;
    QLineEdit* edtClientLib() const;
    QPushButton* mbbOk() const;
    QPushButton* mbbCancel() const;
    QLabel* AppIcon() const;
    QLabel* Image1() const;
    QAction* actLogin() const { return m_actLogin; }

    void FormCreate();
    void actLoginUpdate();
    void actLoginExecute();
    void mbbCancelClick();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::TUserLoginDialog> m_ui;
    QAction* m_actLogin;
};

// Shows the login dialog with the given values; on "Ok" writes the typed values back and returns true,
// otherwise leaves all five unchanged and returns false.
bool RunLoginDialog(QString& server, QString& database, QString& userName, QString& libraryName,
                    QString& password);
