#include "app/TAdminForm.h"

#include <QCloseEvent>
#include <QPushButton>
#include <QShowEvent>

#include "app/DatabaseErrorMessages.h"
#include "app/TUserLoginDialog.h"
#include "core/Exception.h"
#include "core/IUserPrompts.h"
#include "fib/FIBErrors.h"
#include "fib/TpFIBDatabase.h"
#include "fib/TpFIBTransaction.h"
#include "fib/TpFibErrorHandler.h"
#include "settings/TFormStorage.h"
#include "ui/TFormStorageHooks.h"
#include "ui/TUsersForm.h"
#include "ui_TAdminForm.h"

using namespace Qt::StringLiterals;

QString TAdminForm::DefaultClientLibrary() {
#ifdef Q_OS_WIN
    return u"gds32.dll"_s;
#else
    return u"libfbclient.so.2"_s;  // the Firebird client as Debian installs it
#endif
}

TAdminForm::TAdminForm(IUserPrompts& prompts, TLoginDialogRunner loginDialog, QWidget* parent)
    : QWidget(parent),
      m_prompts(prompts),
      m_loginDialog(loginDialog ? std::move(loginDialog) : TLoginDialogRunner(RunLoginDialog)),
      m_ui(std::make_unique<Ui::TAdminForm>()) {
    m_ui->setupUi(this);
    setObjectName(u"AdminForm"_s);
    // Fixed single border with the system menu and minimizing only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(360, 312);

    m_db = new TpFIBDatabase(this);
    m_db->Loading();
    m_db->SetName(u"db"_s);
    m_db->DBParams().SetLines({u"lc_ctype=WIN1251"_s, u"user_name=SYSDBA"_s});
    m_db->SetSQLDialect(3);
    m_db->SetTimeout(0);
    m_db->SetWaitForRestoreConnect(0);
    m_db->SetDesignDBOptions(ddoIsDefaultDatabase | ddoNotSavePassword);

    m_tr = MakeTransaction(u"tr"_s, false);
    m_tw = MakeTransaction(u"tw"_s, true);
    m_trq = MakeTransaction(u"trq"_s, false);
    m_twq = MakeTransaction(u"twq"_s, true);
    m_trReadQ = MakeTransaction(u"trReadQ"_s, false);
    m_trWriteQ = MakeTransaction(u"trWriteQ"_s, true);
    m_db->SetDefaultTransaction(m_tr);
    m_db->SetDefaultUpdateTransaction(m_tw);

    m_formStorage = new TFormStorage(this);
    m_formStorage->Loading();
    m_formStorage->SetName(u"FormStorage"_s);
    m_formStorage->SetIniSection(u"Main"_s);
    m_formStorage->StoredValues().Add(u"DATABASE"_s, QString());
    m_formStorage->StoredValues().Add(u"SERVER"_s, QString());
    m_formStorage->StoredValues().Add(u"USERNAME"_s, QString());
    m_formStorage->StoredValues().Add(u"CONNECTDLL"_s, DefaultClientLibrary());

    m_fibErrorHandler = new TpFibErrorHandler(this);
    m_fibErrorHandler->SetName(u"FibErrorHandler"_s);
    m_fibErrorHandler->OnFIBErrorEvent = [this](QObject* sender, EFIBError& error, TKindIBError kind, bool& doRaise) {
        FibErrorHandlerFIBErrorEvent(sender, error, kind, doRaise);
    };

    m_db->Loaded();
    for (TpFIBTransaction* t : {m_tr, m_tw, m_trq, m_twq, m_trReadQ, m_trWriteQ}) t->Loaded();
    m_formStorage->Loaded();
    m_storageHooks = std::make_unique<TFormStorageHooks>(*this, *m_formStorage, TFormStorageHooks::ReportTo(m_prompts));
    m_storageHooks->Window().SetMainWindow(true);
    m_storageHooks->Window().SetPosition(TWidgetWindow::TPosition::poScreenCenter);
    connect(m_ui->btnUsers, &QPushButton::clicked, this, &TAdminForm::btnUsersClick);
}

TUsersForm* TAdminForm::UsersForm() const { return m_usersForm; }

void TAdminForm::btnUsersClick() {
    if (!m_usersForm) {
        TAdminConnection admin;
        admin.db = m_db;
        admin.tr = m_tr;
        admin.tw = m_tw;
        admin.trReadQ = m_trReadQ;
        admin.trWriteQ = m_trWriteQ;
        admin.LoginUser = m_loginUser;
        admin.LoginPassword = m_loginPassword;
        admin.LoginServer = m_loginServer;
        admin.LoginLibrary = m_loginLibrary;
        // A window of its own (no parent): it frees itself when it closes.
        m_usersForm = new TUsersForm(m_prompts, admin);
        // One settings file for the program's windows.
        m_usersForm->FormStorage()->SetIniFileName(m_formStorage->IniFileName());
    }
    m_usersForm->show();
    m_usersForm->raise();
    m_usersForm->activateWindow();
}

TAdminForm::~TAdminForm() {
    // The destruction save runs while the components still exist.
    m_storageHooks.reset();
}

TpFIBTransaction* TAdminForm::MakeTransaction(const QString& name, bool writing) {
    auto* t = new TpFIBTransaction(this);
    t->Loading();
    t->SetName(name);
    t->SetDefaultDatabase(m_db);
    t->SetTimeoutAction(TACommit);
    t->SetTPBMode(tpbDefault);
    t->SetMDTTransactionRole(mtrAutoDefine);
    t->TRParams().SetLines({writing ? u"write"_s : u"read"_s, u"nowait"_s, u"rec_version"_s, u"read_committed"_s});
    return t;
}

QPushButton* TAdminForm::btnUsers() const { return m_ui->btnUsers; }

QString TAdminForm::StoredText(const QString& name) const {
    TStoredValue* v = m_formStorage->StoredValues().FindStoredValue(name);
    return v ? v->AsString() : QString();
}

void TAdminForm::SetStoredText(const QString& name, const QString& value) {
    if (TStoredValue* v = m_formStorage->StoredValues().FindStoredValue(name)) v->SetAsString(value);
}

void TAdminForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TAdminForm::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (!event->isAccepted()) return;
    m_closed = true;
    emit Closed();
}

void TAdminForm::CloseLater() {
    m_closeWanted = true;
    // During the login the window is still being shown: a close run now, from the loop of a message
    // box, would be undone when the showing ends. The login queues it when it is over.
    if (m_inFormShow || m_closeQueued) return;
    m_closeQueued = true;
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void TAdminForm::FormShow() {
    m_inFormShow = true;
    Login();
    m_inFormShow = false;
    if (m_closeWanted) CloseLater();
}

void TAdminForm::Login() {
    QString database = StoredText(u"DATABASE"_s);
    QString userName = StoredText(u"USERNAME"_s);
    QString server = StoredText(u"SERVER"_s);
    QString library = StoredText(u"CONNECTDLL"_s);
    QString password;
    if (m_loginDialog(server, database, userName, library, password)) {
        try {
            m_db->ConnectParams().SetUserName(userName);
            m_db->ConnectParams().SetPassword(password);
            m_db->SetLibraryName(library);
            m_db->SetDBName(server + u':' + database);
            m_db->SetConnected(true);
            // Also reached when the server refused and the error handler reported it.
            SetStoredText(u"DATABASE"_s, database);
            SetStoredText(u"USERNAME"_s, userName);
            SetStoredText(u"SERVER"_s, server);
            SetStoredText(u"CONNECTDLL"_s, library);
            m_loginUser = userName;
            m_loginPassword = password;
            m_loginServer = server;
            m_loginLibrary = library;
        } catch (const EAbort&) {
        } catch (const Exception& e) {
            m_prompts.ShowMessage(u"Ошибка!\r\n"_s + e.Message());
        } catch (const std::exception& e) {
            m_prompts.ShowMessage(u"Ошибка!\r\n"_s + QString::fromUtf8(e.what()));
        }
    }
    if (m_db->Connected())
        m_db->Close();
    else
        m_closeWanted = true;
}

void TAdminForm::FibErrorHandlerFIBErrorEvent(QObject* /*Sender*/, EFIBError& ErrorValue, TKindIBError KindIBError,
                                              bool& DoRaise) {
    if (KindIBError == keLostConnect) {
        m_prompts.ShowMessage(LostConnectionMessage());
        CloseLater();
    } else if (KindIBError == keOther) {
        m_prompts.ShowError(OtherErrorMessage(ErrorValue.GDSCode(), ErrorValue.StatusText()));
        DoRaise = false;
    }
}
