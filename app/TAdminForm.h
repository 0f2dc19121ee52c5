#pragma once
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

#include "fib/ErrorClassification.h"

namespace Ui {
class TAdminForm;
}
class EFIBError;
class IUserPrompts;
class QPushButton;
class TFormStorage;
class TFormStorageHooks;
class TpFIBDatabase;
class TpFIBTransaction;
class TpFibErrorHandler;
class TUsersForm;

// The administrator window: the program's main window. Owns the one database connection, the
// transactions and the error handler; its show handler runs the login.
class TAdminForm : public QWidget {
    Q_OBJECT
public:
    using TLoginDialogRunner = std::function<bool(QString& server, QString& database, QString& userName,
                                                  QString& libraryName, QString& password)>;

    // prompts must outlive the window; loginDialog defaults to the program's login dialog.
    explicit TAdminForm(IUserPrompts& prompts, TLoginDialogRunner loginDialog = {}, QWidget* parent = nullptr);
    ~TAdminForm() override;

    // The client library offered when the settings file names none.
    static QString DefaultClientLibrary();

    TpFIBDatabase* db() const { return m_db; }
    TFormStorage* FormStorage() const { return m_formStorage; }
    TpFibErrorHandler* FibErrorHandler() const { return m_fibErrorHandler; }
    // Reading and updating transactions of the datasets; one-off reads and writes; two spare ones.
    TpFIBTransaction* tr() const { return m_tr; }
    TpFIBTransaction* tw() const { return m_tw; }
    TpFIBTransaction* trq() const { return m_trq; }
    TpFIBTransaction* twq() const { return m_twq; }
    TpFIBTransaction* trReadQ() const { return m_trReadQ; }
    TpFIBTransaction* trWriteQ() const { return m_trWriteQ; }
    QPushButton* btnUsers() const;

    QString LoginUser() const { return m_loginUser; }
    QString LoginPassword() const { return m_loginPassword; }
    QString LoginServer() const { return m_loginServer; }
    QString LoginLibrary() const { return m_loginLibrary; }

    // Opens the groups-and-users window, or brings the open one to the front.
    void btnUsersClick();
    TUsersForm* UsersForm() const;

    // The login sequence; a login that did not succeed closes the window once it is shown.
    void FormShow();
    // The window has closed (and Closed was sent).
    bool HasClosed() const { return m_closed; }
    void FibErrorHandlerFIBErrorEvent(QObject* Sender, EFIBError& ErrorValue, TKindIBError KindIBError,
                                      bool& DoRaise);

signals:
    // The window has closed: the program ends.
    void Closed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QString StoredText(const QString& name) const;
    void SetStoredText(const QString& name, const QString& value);
    // Closes the window from the event loop (after the login when it runs now).
    void CloseLater();
    void Login();
    TpFIBTransaction* MakeTransaction(const QString& name, bool writing);

    IUserPrompts& m_prompts;
    TLoginDialogRunner m_loginDialog;
    std::unique_ptr<Ui::TAdminForm> m_ui;
    TpFIBDatabase* m_db;
    TFormStorage* m_formStorage;
    TpFibErrorHandler* m_fibErrorHandler;
    TpFIBTransaction *m_tr, *m_tw, *m_trq, *m_twq, *m_trReadQ, *m_trWriteQ;
    std::unique_ptr<TFormStorageHooks> m_storageHooks;
    QString m_loginUser, m_loginPassword, m_loginServer, m_loginLibrary;
    QPointer<TUsersForm> m_usersForm;  // cleared when the window is freed at its closing
    bool m_inFormShow = false;
    bool m_closeWanted = false;
    bool m_closeQueued = false;
    bool m_closed = false;
};
