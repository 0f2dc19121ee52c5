#include "ui/EditorDialogs.h"

#include "ui_TGF.h"
#include "ui_TUF.h"

using namespace Qt::StringLiterals;

namespace {
// A dialog of fixed size: no resizing, no maximize or minimize box.
void FixSize(QDialog& dialog) {
    dialog.setFixedSize(dialog.size());
    dialog.setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint);
}
}  // namespace

TUF::TUF(TDataSource* srcUsers, QWidget* parent) : QDialog(parent), m_ui(std::make_unique<Ui::TUF>()) {
    m_ui->setupUi(this);
    FixSize(*this);
    Ui::TUF& u = *m_ui;
    u.edU->SetUpperCase(true);
    const std::pair<TDBEdit*, const char16_t*> edits[] = {
        {u.edU, u"IBNAME"}, {u.edF, u"SURNAME"}, {u.edI, u"FIRSTNAME"}, {u.edO, u"MIDLENAME"}, {u.dbePhone, u"PHONE_NO"}};
    for (const auto& [edit, field] : edits) {
        edit->SetDataSource(srcUsers);
        edit->SetDataField(QString::fromUtf16(field));
    }
    u.cbUsers->SetDataSource(srcUsers);
    u.cbUsers->SetDataField(u"IBNAME"_s);
    u.DBCheckBox2->SetValues(u"1"_s, u"0"_s);
    u.DBCheckBox2->SetDataSource(srcUsers);
    u.DBCheckBox2->SetDataField(u"working"_s);
    u.dmN->SetDataSource(srcUsers);
    u.dmN->SetDataField(u"NOTICE"_s);
    u.DBCheckBox1->SetDataSource(srcUsers);
    u.DBCheckBox1->SetDataField(u"LOCKEDOUT"_s);
}

TUF::~TUF() = default;

void TUF::accept() {
    if (!CanClose || CanClose()) QDialog::accept();
}

TGF::TGF(TDataSource* srcGroups, QWidget* parent) : QDialog(parent), m_ui(std::make_unique<Ui::TGF>()) {
    m_ui->setupUi(this);
    FixSize(*this);
    m_ui->DBEdit1->SetDataSource(srcGroups);
    m_ui->DBEdit1->SetDataField(u"GROUP_NAME"_s);
    m_ui->DBCheckBox1->SetDataSource(srcGroups);
    m_ui->DBCheckBox1->SetDataField(u"LOCKEDOUT"_s);
    m_ui->DBMemo1->SetDataSource(srcGroups);
    m_ui->DBMemo1->SetDataField(u"NOTICE"_s);
}

TGF::~TGF() = default;

void TGF::accept() {
    if (!CanClose || CanClose()) QDialog::accept();
}
