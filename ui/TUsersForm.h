#pragma once
#include <QAction>
#include <QIcon>
#include <QList>
#include <QMenu>
#include <QWidget>
#include <functional>
#include <memory>

#include "admin/AdminOperations.h"

class IUserPrompts;
class QProgressDialog;
class TDataSet;
class TDataSource;
class TFormStorage;
class TFormStorageHooks;
class TpFIBDataSet;
class TpFIBDatabase;
class TpFIBTransaction;
class TUIBSecurity;

namespace Ui {
class TUsersForm;
}

// What the groups-and-users window uses of the administrator window: its connection, its transactions
// and the values of the login.
struct TAdminConnection {
    TpFIBDatabase* db = nullptr;
    TpFIBTransaction* tr = nullptr;
    TpFIBTransaction* tw = nullptr;
    TpFIBTransaction* trReadQ = nullptr;
    TpFIBTransaction* trWriteQ = nullptr;
    QString LoginUser, LoginPassword, LoginServer, LoginLibrary;
};

// The groups-and-users window: the page "Группы" with the groups and their rights, the page
// "Пользователи" with the users and their groups. Only the datasets of the active page are open. It
// frees itself when it closes.
class TUsersForm : public QWidget, private IAdminDialogs, private IGrantProgress {
    Q_OBJECT
public:
    TUsersForm(IUserPrompts& prompts, const TAdminConnection& admin, QWidget* parent = nullptr);
    ~TUsersForm() override;

    Ui::TUsersForm& Controls() { return *m_ui; }
    TFormStorage* FormStorage() const { return m_formStorage; }
    TUIBSecurity* Security() const { return m_security; }
    const TAdminConnection& Admin() const { return m_admin; }
    IUserPrompts& Prompts() const { return m_prompts; }

    TpFIBDataSet *dsGroups, *dsGR, *dsR, *dsUsers, *dsGU, *dsG, *dsUR;
    TDataSource *srcGroups, *srcGR, *srcR, *srcUsers, *srcGU, *srcG, *srcUR;
    QObject* ActionList1;
    QAction *actAddGroup, *actEditGroup, *actDelGroup, *AddRights, *actRemoveRight;
    QAction *actAddUSer, *actEditUser, *actCloneUser, *actDelUser, *actGrant;
    QList<QIcon> ICONS_ACTIVE;
    QMenu* PopupMenu1;
    QAction *N1, *N2, *N3, *N4, *N5;
    // The rights grids' menu: "Кто имеет это разрешение…" for the group's rights and for the others.
    QMenu *pmGroupRights, *pmOtherRights;

    void FormShow();
    void pcChange();
    void pcUserRAChange();
    void dsUsersAfterOpen(TDataSet& dataSet);

    // The commands (Parts of the administration): each runs its operation; an exception that leaves
    // it is shown in the application's error box.
    void actAddGroupExecute();
    void actEditGroupExecute();
    void actDelGroupExecute();
    void AddRightsExecute();
    void actRemoveRightExecute();
    void actAddUSerExecute();
    void actCloneUserExecute();
    void actEditUserExecute();
    void actDelUserExecute();
    void actGrantExecute();
    void N2Click();
    // "Выдать недостающие права всем пользователям": only the privileges that are missing.
    void N3Click();
    // "Сверка пользователей…": the check's window.
    void N4Click();
    // "Отчёт о правах…": the rights report as PDF, to a file the user names.
    void N5Click();
    // Who holds the current right of the rights list of source.
    void WhoHoldsClick(TDataSource* rights);
    void sbUGAddClick();
    void sbUGremoveClick();
    // What the operations work on.
    TAdminContext Context();
    // Commands that need a current row are enabled only while their list has one.
    void UpdateCommands();

signals:
    // The window has closed and is about to be freed.
    void Closed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void MakeDataSets();
    void MakeActions();
    void SetUpGrids();
    TpFIBDataSet* MakeDataSet(const QString& name, const QStringList& select, TDataSource* master = nullptr);
    TDataSource* MakeSource(const QString& name, TDataSet* dataSet, bool autoEdit);
    QAction* MakeAction(const QString& name, const QString& caption, const QString& hint, int image);
    // Runs a command: one at a time, its failure reported, the commands updated, a close asked for
    // meanwhile done afterwards.
    void Run(const std::function<void(const TAdminContext&)>& operation);
    void ConnectCommands();
    // The editor dialogs and the grant progress, as the operations see them.
    bool EditGroup(const TGroupDialogCheck& check) override;
    TUserDialogResult EditUser(TUserDialogUse use, const QStringList& accounts, const TUserDialogCheck& check) override;
    void Show(int step, int steps, const QString& what, bool cancellable) override;
    bool Cancelled() override;
    void Done() override;

    IUserPrompts& m_prompts;
    TAdminConnection m_admin;
    std::unique_ptr<Ui::TUsersForm> m_ui;
    TFormStorage* m_formStorage;
    TUIBSecurity* m_security;
    std::unique_ptr<TFormStorageHooks> m_storageHooks;
    QProgressDialog* m_progress = nullptr;
    bool m_progressCancellable = false;
    int m_running = 0;          // commands under way (a grant lets events through while it runs)
    bool m_closeWanted = false;  // the window was asked to close while a command ran
};
