#include "ui/TUsersForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QScopeGuard>
#include <QProgressDialog>
#include <QShowEvent>

#include "admin/AdminSql.h"
#include "admin/Rights.h"
#include "admin/UserCheck.h"
#include "core/Exception.h"
#include "data/TDataSource.h"
#include "fib/TpFIBDataSet.h"
#include "fib/TpFIBDatabase.h"
#include "fib/TpFIBTransaction.h"
#include "security/TUIBSecurity.h"
#include "settings/TFormStorage.h"
#include "ui/CommandGuard.h"
#include "ui/SaveFileDialog.h"
#include "ui/TCheckForm.h"
#include "ui/THoldersForm.h"
#include "ui/EditorDialogs.h"
#include "ui/TDBGridEh.h"
#include "ui/TFormStorageHooks.h"
#include "ui/UsersIcons.h"
#include "ui_TUF.h"
#include "ui_TUsersForm.h"

using namespace Qt::StringLiterals;

namespace {
TColumnEh Column(const char16_t* field, const char16_t* title, int width = -1, bool fits = true) {
    return TColumnEh{QString::fromUtf16(field), QString::fromUtf16(title), width, fits};
}
}  // namespace

TUsersForm::TUsersForm(IUserPrompts& prompts, const TAdminConnection& admin, QWidget* parent)
    : QWidget(parent), m_prompts(prompts), m_admin(admin), m_ui(std::make_unique<Ui::TUsersForm>()) {
    m_ui->setupUi(this);
    setObjectName(u"UsersForm"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setWindowState(Qt::WindowMaximized);

    ICONS_ACTIVE = DrawActiveIcons();
    MakeDataSets();
    MakeActions();
    SetUpGrids();

    m_formStorage = new TFormStorage(this);
    m_formStorage->Loading();
    m_formStorage->SetName(u"FormStorage"_s);
    m_formStorage->SetIniSection(u"USER"_s);
    m_formStorage->SetOptions({});
    m_formStorage->SetStoredProps({u"Panel1.Width"_s, u"Panel3.Top"_s, u"Panel8.Top"_s});
    m_formStorage->Loaded();
    m_storageHooks = std::make_unique<TFormStorageHooks>(*this, *m_formStorage, TFormStorageHooks::ReportTo(m_prompts));

    m_security = new TUIBSecurity(this);
    m_security->setObjectName(u"Security"_s);

    // The design sizes of the docked panels; the panels beside them take the rest.
    m_ui->Splitter1->setStretchFactor(0, 0);
    m_ui->Splitter1->setStretchFactor(1, 1);
    m_ui->Splitter1->setSizes({209, 508});
    m_ui->Splitter5->setStretchFactor(0, 0);
    m_ui->Splitter5->setStretchFactor(1, 1);
    m_ui->Splitter5->setSizes({129, 300});
    m_ui->Splitter4->setStretchFactor(0, 0);
    m_ui->Splitter4->setStretchFactor(1, 1);
    m_ui->Splitter4->setSizes({137, 300});
    m_ui->Splitter3->setStretchFactor(0, 0);
    m_ui->Splitter3->setStretchFactor(1, 1);
    m_ui->Splitter3->setSizes({337, 380});

    ConnectCommands();
    connect(m_ui->pc, &QTabWidget::currentChanged, this, [this] { pcChange(); });
    connect(m_ui->pcUserRA, &QTabWidget::currentChanged, this, [this] { pcUserRAChange(); });
}

TUsersForm::~TUsersForm() {
    // The destruction save runs while the components still exist.
    m_storageHooks.reset();
    // The datasets close as the children go: the window must hear nothing of it any more.
    for (TDataSource* s : {srcGroups, srcGR, srcR, srcUsers, srcGU, srcG, srcUR}) {
        s->OnDataChange = nullptr;
        s->OnStateChange = nullptr;
    }
    dsUsers->AfterOpen = nullptr;
}

TDataSource* TUsersForm::MakeSource(const QString& name, TDataSet* dataSet, bool autoEdit) {
    auto* s = new TDataSource(this);
    s->SetName(name);
    s->SetDataSet(dataSet);
    s->SetAutoEdit(autoEdit);
    return s;
}

TpFIBDataSet* TUsersForm::MakeDataSet(const QString& name, const QStringList& select, TDataSource* master) {
    auto* ds = new TpFIBDataSet(this);
    ds->SetName(name);
    ds->SetDatabase(m_admin.db);
    ds->SetTransaction(m_admin.tr);
    ds->SetUpdateTransaction(m_admin.tw);
    ds->SetSelectSQL(select);
    if (master) ds->SetDataSource(master);
    return ds;
}

void TUsersForm::MakeDataSets() {
    dsGroups = MakeDataSet(u"dsGroups"_s, AdminSql::GroupsSelect());
    dsGroups->SetInsertSQL(AdminSql::GroupsInsert());
    dsGroups->SetUpdateSQL(AdminSql::GroupsUpdate());
    dsGroups->SetDeleteSQL(AdminSql::GroupsDelete());
    dsGroups->SetRefreshSQL(AdminSql::GroupsRefresh());
    dsGroups->SetAutoCommit(true);
    srcGroups = MakeSource(u"srcGroups"_s, dsGroups, false);
    dsGR = MakeDataSet(u"dsGR"_s, AdminSql::GroupRightsSelect(), srcGroups);
    dsGR->SetDetailConditions(dcForceOpen);
    srcGR = MakeSource(u"srcGR"_s, dsGR, false);
    dsR = MakeDataSet(u"dsR"_s, AdminSql::MissingRightsSelect(), srcGroups);
    dsR->SetDetailConditions(dcForceOpen | dcForceMasterRefresh);
    srcR = MakeSource(u"srcR"_s, dsR, false);

    dsUsers = MakeDataSet(u"dsUsers"_s, AdminSql::UsersSelect());
    dsUsers->SetInsertSQL(AdminSql::CombinedUser());
    dsUsers->SetUpdateSQL(AdminSql::CombinedUser());
    dsUsers->SetDeleteSQL(AdminSql::CombinedUser());
    dsUsers->SetRefreshSQL(AdminSql::UsersRefresh());
    dsUsers->SetAutoCommit(true);
    dsUsers->AfterOpen = [this](TDataSet& ds) { dsUsersAfterOpen(ds); };
    srcUsers = MakeSource(u"srcUsers"_s, dsUsers, true);
    dsGU = MakeDataSet(u"dsGU"_s, AdminSql::UserGroupsSelect(), srcUsers);
    dsGU->SetDetailConditions(dcForceOpen);
    srcGU = MakeSource(u"srcGU"_s, dsGU, false);
    dsG = MakeDataSet(u"dsG"_s, AdminSql::MissingGroupsSelect(), srcUsers);
    dsG->SetDetailConditions(dcForceOpen | dcForceMasterRefresh);
    srcG = MakeSource(u"srcG"_s, dsG, false);
    // The second page: what the user may do through its groups.
    // Opened by the page, not by its master: only while the page is active.
    dsUR = MakeDataSet(u"dsUR"_s, Rights::UserRightsSelect(), srcUsers);
    srcUR = MakeSource(u"srcUR"_s, dsUR, false);
}

QAction* TUsersForm::MakeAction(const QString& name, const QString& caption, const QString& hint, int image) {
    auto* a = new QAction(caption, ActionList1);
    a->setObjectName(name);
    a->setToolTip(hint);
    a->setStatusTip(hint);
    if (image >= 0 && image < ICONS_ACTIVE.size()) a->setIcon(ICONS_ACTIVE[image]);
    return a;
}

void TUsersForm::MakeActions() {
    ActionList1 = new QObject(this);
    ActionList1->setObjectName(u"ActionList1"_s);
    actAddGroup = MakeAction(u"actAddGroup"_s, u"actAddGroup"_s, u"Создать новую группу"_s, 0);
    actEditGroup = MakeAction(u"actEditGroup"_s, u"actEditGroup"_s, u"Изменить группу"_s, 2);
    actDelGroup = MakeAction(u"actDelGroup"_s, u"actDelGroup"_s, u"Удалить группу"_s, 1);
    AddRights = MakeAction(u"AddRights"_s, u"Добавить разрешение"_s, u"Добавить группе разрешение (право)"_s, 15);
    actRemoveRight = MakeAction(u"actRemoveRight"_s, u"Удалить разрешение"_s, u"Удалить группе разрешение (право)"_s, 16);
    actAddUSer = MakeAction(u"actAddUSer"_s, u"actAddUSer"_s, u"Добавить нового пользователя"_s, 6);
    actEditUser = MakeAction(u"actEditUser"_s, u"actEditUser"_s, u"Изменить пользователя"_s, 7);
    actCloneUser = MakeAction(u"actCloneUser"_s, u"Добавить пользователя Firebird"_s,
                              u"Зарегестрировать в системе существующего пользователя Firebird"_s, 4);
    actDelUser = MakeAction(u"actDelUser"_s, u"actDelUser"_s, u"Удалить пользователя"_s, 8);
    actGrant = MakeAction(u"actGrant"_s, u"Раздать права на объекты"_s, u"Раздать права на объекты"_s, -1);

    Ui::TUsersForm& u = *m_ui;
    u.tbHAdd->setDefaultAction(actAddGroup);
    u.tbHEdit->setDefaultAction(actEditGroup);
    u.tbHDelete->setDefaultAction(actDelGroup);
    // The text buttons show their command's caption only.
    u.sbAddRtoG->setDefaultAction(AddRights);
    u.sbDelRfromG->setDefaultAction(actRemoveRight);
    u.ToolButton2->setDefaultAction(actAddUSer);
    u.ToolButton4->setDefaultAction(actEditUser);
    u.ToolButton1->setDefaultAction(actCloneUser);
    u.ToolButton5->setEnabled(false);  // an empty place: no command, no picture
    u.ToolButton6->setDefaultAction(actDelUser);
    for (QToolButton* b : {u.tbHAdd, u.tbHEdit, u.tbHDelete, u.ToolButton2, u.ToolButton4, u.ToolButton1, u.ToolButton6}) {
        b->setToolButtonStyle(Qt::ToolButtonIconOnly);
        b->setIconSize({16, 16});
    }
    u.sbUGAdd->setIcon(DrawMoveIcon(true));
    u.sbUGAdd->setToolTip(u"Добавить пользователя в группу"_s);
    u.sbUGremove->setIcon(DrawMoveIcon(false));
    u.sbUGremove->setToolTip(u"Удалить пользователя из группы"_s);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(u"PopupMenu1"_s);
    N1 = PopupMenu1->addAction(actGrant->text());
    N1->setObjectName(u"N1"_s);
    N1->setToolTip(actGrant->toolTip());
    connect(N1, &QAction::triggered, actGrant, &QAction::trigger);
    connect(actGrant, &QAction::changed, N1, [this] { N1->setEnabled(actGrant->isEnabled()); });
    N2 = PopupMenu1->addAction(u"Раздать права на объекты всем пользователям"_s);
    N2->setObjectName(u"N2"_s);
    N2->setToolTip(u"Раздать права на объекты всем пользователям"_s);
    N3 = PopupMenu1->addAction(u"Выдать недостающие права всем пользователям"_s);
    N3->setObjectName(u"N3"_s);
    N3->setToolTip(u"Выдать каждому пользователю только те права на объекты, которых у него ещё нет"_s);
    N4 = PopupMenu1->addAction(u"Сверка пользователей…"_s);
    N4->setObjectName(u"N4"_s);
    N4->setToolTip(u"Проверить, согласованы ли пользователи, учётные записи Firebird и права"_s);
    N5 = PopupMenu1->addAction(u"Отчёт о правах…"_s);
    N5->setObjectName(u"N5"_s);
    N5->setToolTip(u"Сохранить отчёт о правах всех пользователей в PDF"_s);

    for (QMenu** menu : {&pmGroupRights, &pmOtherRights}) {
        *menu = new QMenu(this);
        QAction* who = (*menu)->addAction(u"Кто имеет это разрешение…"_s);
        who->setObjectName(u"actWhoHolds"_s);
        who->setToolTip(u"Пользователи, которым это разрешение дают их группы"_s);
    }
    pmGroupRights->setObjectName(u"pmGroupRights"_s);
    pmOtherRights->setObjectName(u"pmOtherRights"_s);
}

void TUsersForm::SetUpGrids() {
    Ui::TUsersForm& u = *m_ui;
    u.DBGridEh1->SetColumns({Column(u"GROUP_NAME", u"Группа", 72), Column(u"LOCKEDOUT", u"Блокирована", 42),
                             Column(u"NOTICE", u"Примечание")});
    u.DBGridEh2->SetColumns({Column(u"CATEGORY", u"Категория"), Column(u"RIGHTS", u"Разрешение"),
                             Column(u"NOTICE", u"Описание", 158)});
    u.DBGridEh3->SetColumns({Column(u"CATEGORY", u"Категория"), Column(u"RIGHTS", u"Разрешение"),
                             Column(u"NOTICE", u"Описание", 148)});
    u.DBGridEh4->SetColumns({Column(u"IBNAME", u"LOGIN", -1, false), Column(u"LOCKEDOUT", u"Блок", 32, false),
                             Column(u"SURNAME", u"Фамилия", 94, false), Column(u"FIRSTNAME", u"Имя", 74, false),
                             Column(u"MIDLENAME", u"Отчество", 86, false), Column(u"PHONE_NO", u"Телефон"),
                             Column(u"NOTICE", u"Примечание", 149)});
    u.DBGridEh5->SetColumns({Column(u"GROUP_NAME", u"Группа"), Column(u"LOCKEDOUT", u"Блок", 29, false),
                             Column(u"NOTICE", u"Примечание", 89)});
    u.DBGridEh6->SetColumns({Column(u"GROUP_NAME", u"Группа"), Column(u"LOCKEDOUT", u"Блок", 29, false),
                             Column(u"NOTICE", u"Примечание")});
    u.DBGridEh7->SetColumns({Column(u"CATEGORY", u"Категория"), Column(u"RIGHTS", u"Разрешение"),
                             Column(u"VIA_GROUPS", u"Через группы", 160), Column(u"LOCKEDOUT", u"Блок", 32, false)});
    for (TDBGridEh* g : {u.DBGridEh2, u.DBGridEh3, u.DBGridEh5, u.DBGridEh6, u.DBGridEh7}) g->UseReadOnlyProfile();
    u.DBGridEh2->SetPopupMenu(pmGroupRights);
    u.DBGridEh3->SetPopupMenu(pmOtherRights);
    u.DBGridEh4->SetAllowedOperations(0);
    u.DBGridEh4->SetAutoFitColWidths(true);
    u.DBGridEh4->SetPopupMenu(PopupMenu1);
    const std::pair<TDBGridEh*, TDataSource*> bindings[] = {{u.DBGridEh1, srcGroups}, {u.DBGridEh2, srcGR},
                                                            {u.DBGridEh3, srcR},      {u.DBGridEh4, srcUsers},
                                                            {u.DBGridEh5, srcGU},     {u.DBGridEh6, srcG},
                                                            {u.DBGridEh7, srcUR}};
    for (const auto& [grid, source] : bindings) {
        grid->SetPrompts(&m_prompts);
        grid->SetDataSource(source);
    }
    const std::pair<TDBGridEh*, const char16_t*> csvNames[] = {
        {u.DBGridEh1, u"группы.csv"}, {u.DBGridEh2, u"разрешения группы.csv"}, {u.DBGridEh3, u"остальные разрешения.csv"},
        {u.DBGridEh4, u"пользователи.csv"}, {u.DBGridEh5, u"группы пользователя.csv"},
        {u.DBGridEh6, u"остальные группы.csv"}, {u.DBGridEh7, u"права пользователя.csv"}};
    for (const auto& [grid, name] : csvNames) grid->SetCsvFileName(QString::fromUtf16(name));
}

void TUsersForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TUsersForm::closeEvent(QCloseEvent* event) {
    if (m_running > 0) {
        // The command's datasets must outlive it: the window closes when it has ended, a grant to every
        // user is cancelled first.
        event->ignore();
        m_closeWanted = true;
        if (m_progress && m_progressCancellable) m_progress->cancel();
        return;
    }
    QWidget::closeEvent(event);
    if (event->isAccepted()) emit Closed();
}

void TUsersForm::FormShow() {
    RunCommand(m_prompts, [this] {
        if (m_admin.db && !m_admin.db->Connected()) m_admin.db->Open(true);
    });
    if (m_ui->pc->currentIndex() != 0) m_ui->pc->setCurrentIndex(0);  // runs pcChange
    else pcChange();
    m_security->SetLibraryName(m_admin.LoginLibrary);
    m_security->SetUserName(m_admin.LoginUser);
    m_security->SetPassWord(m_admin.LoginPassword);
    m_security->SetProtocol(proTCPIP);
    m_security->SetHost(m_admin.LoginServer);
}

void TUsersForm::pcChange() {
    const int page = m_ui->pc->currentIndex();
    // Closing first: only the datasets of the active page are open.
    RunCommand(m_prompts, [&] {
        if (page != 0) dsGroups->Close();
        if (page != 1) dsUsers->Close();
        if (page == 0) dsGroups->Open();
        if (page == 1) dsUsers->Open();
    });
    // The users' details opened with their master: only the active page's stay.
    if (page == 1) pcUserRAChange();
}

void TUsersForm::pcUserRAChange() {
    // Only the active page's datasets are open; opening again reads what changed meanwhile.
    const bool first = m_ui->pcUserRA->currentIndex() == 0;
    RunCommand(m_prompts, [&] {
        if (first) dsUR->Close();
        else {
            dsGU->Close();
            dsG->Close();
        }
        if (!dsUsers->Active()) return;
        dsGU->SetActive(first);
        dsG->SetActive(first);
        dsUR->SetActive(!first);
    });
}

void TUsersForm::dsUsersAfterOpen(TDataSet& dataSet) { actGrant->setEnabled(!dataSet.IsEmpty()); }

// ---- commands

TAdminContext TUsersForm::Context() {
    TAdminContext c;
    c.db = m_admin.db;
    c.trReadQ = m_admin.trReadQ;
    c.trWriteQ = m_admin.trWriteQ;
    c.tw = m_admin.tw;
    c.dsGroups = dsGroups, c.dsGR = dsGR, c.dsR = dsR;
    c.dsUsers = dsUsers, c.dsGU = dsGU, c.dsG = dsG;
    c.Security = m_security;
    c.Prompts = &m_prompts;
    c.Dialogs = this;
    c.Progress = this;
    return c;
}

void TUsersForm::Run(const std::function<void(const TAdminContext&)>& operation) {
    if (m_running > 0) return;
    const TAdminContext c = Context();
    ++m_running;
    RunCommand(m_prompts, [&] { operation(c); });
    --m_running;
    Done();
    UpdateCommands();
    if (m_closeWanted) {
        m_closeWanted = false;
        close();
    }
}

void TUsersForm::actAddGroupExecute() { Run(AdminOps::AddGroup); }
void TUsersForm::actEditGroupExecute() { Run(AdminOps::EditGroup); }
void TUsersForm::actDelGroupExecute() { Run(AdminOps::DeleteGroup); }
void TUsersForm::AddRightsExecute() { Run(AdminOps::GiveRight); }
void TUsersForm::actRemoveRightExecute() { Run(AdminOps::TakeRight); }
void TUsersForm::actAddUSerExecute() { Run(AdminOps::AddUser); }
void TUsersForm::actCloneUserExecute() { Run(AdminOps::CloneUser); }
void TUsersForm::actEditUserExecute() { Run(AdminOps::EditUser); }
void TUsersForm::actDelUserExecute() { Run(AdminOps::DeleteUser); }
void TUsersForm::actGrantExecute() { Run(AdminOps::GrantToCurrentUser); }
void TUsersForm::sbUGAddClick() { Run(AdminOps::AddMembership); }
void TUsersForm::sbUGremoveClick() { Run(AdminOps::RemoveMembership); }

void TUsersForm::N2Click() {
    const bool enabled = actGrant->isEnabled();
    Run([enabled](const TAdminContext& c) { AdminOps::GrantToAllUsers(c, enabled); });
}

void TUsersForm::N3Click() {
    Run([this](const TAdminContext& c) {
        const TCheckContext check{c.db, c.trReadQ, c.trWriteQ, m_security, m_admin.LoginUser};
        UserCheck::GrantMissingToAll(check, m_prompts, this);
    });
}

void TUsersForm::N4Click() {
    const TCheckContext check{m_admin.db, m_admin.trReadQ, m_admin.trWriteQ, m_security, m_admin.LoginUser};
    auto* form = new TCheckForm(m_prompts, check, this);
    form->setObjectName(u"CheckForm"_s);
    form->show();
    form->btnCheckClick();
}

void TUsersForm::N5Click() {
    const QString path = AskSaveFileName(this, u"ReportDialog"_s, u"Отчёт о правах"_s, u"PDF (*.pdf)"_s, u"pdf"_s,
                                         u"права пользователей.pdf"_s);
    if (path.isEmpty()) return;
    Run([&](const TAdminContext& c) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
        const QString database = m_admin.db ? m_admin.db->DBName().section(u':', 1) : QString();
        Rights::WriteReportPdf(Rights::ReadReport(c.db, c.trReadQ, m_admin.LoginServer, database), path);
    });
}

void TUsersForm::WhoHoldsClick(TDataSource* rights) {
    if (!rights->DataSet() || !rights->DataSet()->Active() || rights->DataSet()->IsEmpty()) return;
    auto* form = new THoldersForm(m_prompts, m_admin, rights, this);
    form->setWindowFlag(Qt::Window);
    form->show();
}

void TUsersForm::ConnectCommands() {
    const std::pair<QAction*, void (TUsersForm::*)()> commands[] = {
        {actAddGroup, &TUsersForm::actAddGroupExecute},   {actEditGroup, &TUsersForm::actEditGroupExecute},
        {actDelGroup, &TUsersForm::actDelGroupExecute},   {AddRights, &TUsersForm::AddRightsExecute},
        {actRemoveRight, &TUsersForm::actRemoveRightExecute}, {actAddUSer, &TUsersForm::actAddUSerExecute},
        {actCloneUser, &TUsersForm::actCloneUserExecute}, {actEditUser, &TUsersForm::actEditUserExecute},
        {actDelUser, &TUsersForm::actDelUserExecute},     {actGrant, &TUsersForm::actGrantExecute},
        {N2, &TUsersForm::N2Click},                       {N3, &TUsersForm::N3Click},
        {N4, &TUsersForm::N4Click},                       {N5, &TUsersForm::N5Click}};
    for (const auto& [action, handler] : commands) connect(action, &QAction::triggered, this, handler);
    connect(pmGroupRights->actions().constFirst(), &QAction::triggered, this, [this] { WhoHoldsClick(srcGR); });
    connect(pmOtherRights->actions().constFirst(), &QAction::triggered, this, [this] { WhoHoldsClick(srcR); });
    Ui::TUsersForm& u = *m_ui;
    connect(u.sbUGAdd, &QToolButton::clicked, this, &TUsersForm::sbUGAddClick);
    connect(u.sbUGremove, &QToolButton::clicked, this, &TUsersForm::sbUGremoveClick);
    // A double-click does what the button or command does, and nothing while it is disabled.
    u.DBGridEh2->OnDblClick = [this] { actRemoveRight->trigger(); };
    u.DBGridEh3->OnDblClick = [this] { AddRights->trigger(); };
    u.DBGridEh5->OnDblClick = [this] {
        if (m_ui->sbUGremove->isEnabled()) sbUGremoveClick();
    };
    u.DBGridEh6->OnDblClick = [this] {
        if (m_ui->sbUGAdd->isEnabled()) sbUGAddClick();
    };
    for (TDataSource* s : {srcGroups, srcGR, srcR, srcUsers, srcGU, srcG, srcUR}) {
        s->OnDataChange = [this](TDataSource&, TField*) { UpdateCommands(); };
        s->OnStateChange = [this](TDataSource&) { UpdateCommands(); };
    }
    UpdateCommands();
}

void TUsersForm::UpdateCommands() {
    const auto hasRow = [](TDataSet* ds) { return ds->Active() && !ds->IsEmpty(); };
    const bool group = hasRow(dsGroups), user = hasRow(dsUsers);
    actEditGroup->setEnabled(group);
    actDelGroup->setEnabled(group);
    AddRights->setEnabled(group && hasRow(dsR));
    actRemoveRight->setEnabled(group && hasRow(dsGR));
    actEditUser->setEnabled(user);
    actDelUser->setEnabled(user);
    m_ui->sbUGAdd->setEnabled(user && hasRow(dsG));
    m_ui->sbUGremove->setEnabled(user && hasRow(dsGU));
    if (dsUsers->Active()) actGrant->setEnabled(user);
}

namespace {
// Whether the dialog may close with OK: what its controls still hold written into the row, then the
// command's check; a refusal is shown and keeps the dialog open.
bool MayClose(IUserPrompts& prompts, TDataSet* ds, const std::function<QString()>& check) {
    QString message;
    try {
        ds->UpdateRecord();
        message = check ? check() : QString();
    } catch (const Exception& e) {
        message = e.Message();
    }
    if (message.isEmpty()) return true;
    prompts.ShowError(message);
    return false;
}
}  // namespace

bool TUsersForm::EditGroup(const TGroupDialogCheck& check) {
    TGF dlg(srcGroups);
    dlg.CanClose = [&] { return MayClose(m_prompts, dsGroups, check); };
    const bool ok = dlg.exec() == mrOk;
    // The controls write what they still hold while they exist.
    if (ok) dsGroups->UpdateRecord();
    return ok;
}

TUserDialogResult TUsersForm::EditUser(TUserDialogUse use, const QStringList& accounts, const TUserDialogCheck& check) {
    TUF dlg(srcUsers, this);
    Ui::TUF& u = dlg.Controls();
    u.pnlNewUser->setVisible(use != TUserDialogUse::ExistingAccount);
    u.pnlExistUser->setVisible(use == TUserDialogUse::ExistingAccount);
    u.edU->setEnabled(use != TUserDialogUse::ChangeUser);
    u.cbUsers->addItems(accounts);
    const auto texts = [&u](bool ok) {
        return TUserDialogResult{ok, u.edU->text(), u.edPWD->text(), u.edF->text(), u.edI->text(), u.edO->text()};
    };
    dlg.CanClose = [&] { return MayClose(m_prompts, dsUsers, [&] { return check ? check(texts(true)) : QString(); }); };
    const bool ok = dlg.exec() == mrOk;
    if (ok) dsUsers->UpdateRecord();
    return texts(ok);
}

void TUsersForm::Show(int step, int steps, const QString& what, bool cancellable) {
    if (!m_progress) {
        m_progress = new QProgressDialog(this);
        m_progress->setWindowTitle(windowTitle());
        // Modal from the first moment: while it runs, nothing in the program but its button takes input.
        m_progress->setWindowModality(Qt::ApplicationModal);
        m_progress->setMinimumDuration(0);
        m_progress->setAutoClose(false);
        m_progress->setAutoReset(false);
        m_progressCancellable = !cancellable;
    }
    if (m_progressCancellable != cancellable) {
        if (cancellable) m_progress->setCancelButtonText(u"Отменить"_s);
        else m_progress->setCancelButton(nullptr);
        m_progressCancellable = cancellable;
    }
    m_progress->setMaximum(steps);
    m_progress->setLabelText(u"Раздача прав на объекты: %1 из %2 (%3)"_s.arg(step).arg(steps).arg(what));
    m_progress->setValue(step - 1);
    if (!m_progress->isVisible()) m_progress->show();
    QApplication::processEvents();
}

bool TUsersForm::Cancelled() { return m_progress && m_progressCancellable && m_progress->wasCanceled(); }

void TUsersForm::Done() {
    if (!m_progress) return;
    m_progress->deleteLater();
    m_progress = nullptr;
}
