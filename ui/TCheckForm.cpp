#include "ui/TCheckForm.h"

#include <algorithm>
#include <QFileDialog>
#include <QInputDialog>
#include <QItemSelectionModel>

#include "core/Csv.h"
#include "core/Exception.h"
#include "core/IUserPrompts.h"
#include "data/TDataSource.h"
#include "data/TMemoryDataSet.h"
#include "ui/CommandGuard.h"
#include "ui/TDBGridEh.h"
#include "ui_TCheckForm.h"

using namespace Qt::StringLiterals;

TCheckForm::TCheckForm(IUserPrompts& prompts, const TCheckContext& context, QWidget* parent)
    : QWidget(parent, Qt::Window), m_prompts(prompts), m_context(context), m_ui(std::make_unique<Ui::TCheckForm>()) {
    m_ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    dsFindings = new TMemoryDataSet(this);
    dsFindings->SetName(u"dsFindings"_s);
    dsFindings->AddFieldDef(u"KIND"_s, ftString, 40);
    dsFindings->AddFieldDef(u"LOGIN"_s, ftString, 31);
    dsFindings->AddFieldDef(u"TEXT"_s, ftString, 250);
    srcFindings = new TDataSource(this);
    srcFindings->SetName(u"srcFindings"_s);
    srcFindings->SetDataSet(dsFindings);
    srcFindings->SetAutoEdit(false);

    TDBGridEh* grid = m_ui->DBGridEh1;
    grid->UseReadOnlyProfile();
    grid->SetColumns({TColumnEh{u"KIND"_s, u"Вид"_s, 190, false}, TColumnEh{u"LOGIN"_s, u"Логин"_s, 120, false},
                      TColumnEh{u"TEXT"_s, u"Описание"_s, 400, true}});
    grid->SetPrompts(&m_prompts);
    grid->SetDataSource(srcFindings);
    // Several findings are repaired at once: rows are chosen with Ctrl and Shift.
    grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    connect(grid->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { UpdateButtons(); });

    Ui::TCheckForm& u = *m_ui;
    m_buttons = {{TRepair::Register, u.btnRegister},         {TRepair::RemoveAccount, u.btnRemoveAccount},
                 {TRepair::CreateAccount, u.btnCreateAccount}, {TRepair::RemoveRows, u.btnRemoveRows},
                 {TRepair::CompleteRows, u.btnCompleteRows},   {TRepair::GrantMissing, u.btnGrantMissing},
                 {TRepair::Deactivate, u.btnDeactivate},       {TRepair::Activate, u.btnActivate}};
    for (const auto& [repair, button] : m_buttons)
        connect(button, &QPushButton::clicked, this, [this, r = repair] { RepairClick(r); });
    connect(u.btnCheck, &QPushButton::clicked, this, &TCheckForm::btnCheckClick);
    connect(u.btnSaveReport, &QPushButton::clicked, this, &TCheckForm::btnSaveReportClick);
    connect(u.btnClose, &QPushButton::clicked, this, &QWidget::close);
    AskPassword = [this](const QString& login) {
        return QInputDialog::getText(this, windowTitle(), u"Пароль новой учётной записи %1:"_s.arg(login), QLineEdit::Password);
    };
    UpdateButtons();
}

TCheckForm::~TCheckForm() { srcFindings->OnDataChange = nullptr; }

void TCheckForm::btnCheckClick() {
    RunCommand(m_prompts, [this] {
        m_findings.clear();
        m_findings = UserCheck::Check(m_context);
    });
    dsFindings->Close();
    dsFindings->ClearSource();
    for (const TFinding& f : m_findings) dsFindings->AddSourceRow({UserCheck::KindCaption(f.Kind), f.Login, f.Text});
    RunCommand(m_prompts, [this] { dsFindings->Open(); });
    m_ui->lblSummary->setText(m_findings.empty() ? u"Пользователи, учётные записи и права согласованы."_s
                                                 : u"Найдено расхождений: %1."_s.arg(m_findings.size()));
    UpdateButtons();
}

std::vector<size_t> TCheckForm::SelectedFindings() const {
    std::vector<size_t> rows;
    for (const QModelIndex& i : m_ui->DBGridEh1->selectionModel()->selectedRows())
        if (i.row() >= 0 && size_t(i.row()) < m_findings.size()) rows.push_back(size_t(i.row()));
    std::sort(rows.begin(), rows.end());
    if (rows.empty() && dsFindings->Active() && !dsFindings->IsEmpty()) rows.push_back(size_t(dsFindings->RecNo() - 1));
    return rows;
}

void TCheckForm::UpdateButtons() {
    const std::vector<size_t> rows = SelectedFindings();
    for (const auto& [repair, button] : m_buttons) {
        bool offered = false;
        for (size_t r : rows) offered = offered || std::count(m_findings[r].Repairs.begin(), m_findings[r].Repairs.end(), repair);
        button->setEnabled(offered);
    }
}

void TCheckForm::RepairClick(TRepair repair) {
    std::vector<TFinding> chosen;
    for (size_t r : SelectedFindings())
        if (std::count(m_findings[r].Repairs.begin(), m_findings[r].Repairs.end(), repair)) chosen.push_back(m_findings[r]);
    if (chosen.empty()) return;
    if (repair == TRepair::RemoveAccount || repair == TRepair::RemoveRows) {
        QStringList logins;
        for (const TFinding& f : chosen) logins << f.Login;
        const QString what = repair == TRepair::RemoveAccount ? u"Удалить учётные записи Firebird"_s
                                                              : u"Удалить строки SYS$USER и WORKER пользователей"_s;
        if (!m_prompts.Confirm(u"%1: %2?"_s.arg(what, logins.join(u", "_s)))) return;
    }
    QStringList done;
    RunCommand(m_prompts, [&] {
        for (const TFinding& f : chosen) {
            QString password;
            if (repair == TRepair::CreateAccount && (password = AskPassword(f.Login)).isEmpty()) continue;
            done << UserCheck::Repair(m_context, f, repair, password);
        }
    });
    if (!done.isEmpty()) m_prompts.ShowMessage(done.join(u"\r\n"_s));
    btnCheckClick();
}

void TCheckForm::btnSaveReportClick() {
    const QString path = QFileDialog::getSaveFileName(this, u"Сохранить отчёт"_s, u"сверка.csv"_s, u"CSV (*.csv)"_s);
    if (path.isEmpty()) return;
    QString error;
    if (!Csv::Save(path, UserCheck::Report(m_findings, u"csv"_s), &error))
        m_prompts.ShowError(u"Отчёт не записан в %1: %2"_s.arg(path, error));
}
