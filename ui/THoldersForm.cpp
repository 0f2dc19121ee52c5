#include "ui/THoldersForm.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "admin/Rights.h"
#include "data/TDataSource.h"
#include "data/TField.h"
#include "fib/TpFIBDataSet.h"
#include "fib/TpFIBDatabase.h"
#include "fib/TpFIBTransaction.h"
#include "ui/CommandGuard.h"
#include "ui/TDBGridEh.h"
#include "ui/TUsersForm.h"

using namespace Qt::StringLiterals;

THoldersForm::THoldersForm(IUserPrompts& prompts, const TAdminConnection& admin, TDataSource* rights, QWidget* parent)
    : QDialog(parent), m_prompts(prompts), m_rights(rights) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(u"HoldersForm"_s);
    setWindowTitle(u"Кто имеет это разрешение"_s);
    resize(640, 420);

    dsHolders = new TpFIBDataSet(this);
    dsHolders->SetName(u"dsHolders"_s);
    dsHolders->SetDatabase(admin.db);
    dsHolders->SetTransaction(admin.tr);
    dsHolders->SetSelectSQL(Rights::HoldersSelect());
    dsHolders->SetDataSource(rights);
    dsHolders->SetDetailConditions(dcForceOpen);
    srcHolders = new TDataSource(this);
    srcHolders->SetName(u"srcHolders"_s);
    srcHolders->SetDataSet(dsHolders);

    m_caption = new QLabel(this);
    m_caption->setObjectName(u"lblRight"_s);
    m_grid = new TDBGridEh(this);
    m_grid->setObjectName(u"gridHolders"_s);
    m_grid->UseReadOnlyProfile();
    m_grid->SetPrompts(&m_prompts);
    m_grid->SetCsvFileName(u"кто имеет разрешение.csv"_s);
    m_grid->SetColumns({TColumnEh{u"IBNAME"_s, u"Логин"_s, 100, false}, TColumnEh{u"SURNAME"_s, u"Фамилия"_s, 110, false},
                        TColumnEh{u"FIRSTNAME"_s, u"Имя"_s, 90, false}, TColumnEh{u"VIA_GROUPS"_s, u"Через группы"_s, -1, true},
                        TColumnEh{u"LOCKEDOUT"_s, u"Блок"_s, 40, false}});
    m_grid->SetDataSource(srcHolders);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* save = buttons->addButton(u"Сохранить в CSV…"_s, QDialogButtonBox::ActionRole);
    save->setObjectName(u"btnSaveCsv"_s);
    QPushButton* close = buttons->addButton(u"Закрыть"_s, QDialogButtonBox::RejectRole);
    close->setObjectName(u"btnClose"_s);
    connect(save, &QPushButton::clicked, m_grid, [this] { m_grid->SaveCsv(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_caption);
    layout->addWidget(m_grid);
    layout->addWidget(buttons);

    srcHolders->OnDataChange = [this](TDataSource&, TField*) { UpdateCaption(); };
    srcHolders->OnStateChange = [this](TDataSource&) { UpdateCaption(); };
    RunCommand(m_prompts, [this] { dsHolders->Open(); });
    UpdateCaption();
}

THoldersForm::~THoldersForm() {
    srcHolders->OnDataChange = nullptr;
    srcHolders->OnStateChange = nullptr;
}

void THoldersForm::UpdateCaption() {
    TDataSet* rights = m_rights->DataSet();
    if (!rights || !rights->Active() || rights->IsEmpty()) {
        m_caption->setText(u"Разрешение не выбрано."_s);
        return;
    }
    const auto text = [rights](const QString& name) {
        TField* f = rights->FindField(name);
        return f ? f->AsString().trimmed() : QString();
    };
    m_caption->setText(u"Разрешение «%1» (категория «%2»): пользователи, которым его дают их группы."_s.arg(
        text(u"RIGHTS"_s), text(u"CATEGORY"_s)));
}
