#include "app/TUserLoginDialog.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QKeyEvent>
#include <QScreen>

#include "app/AppIcons.h"
#include "app/TStarPasswordStyle.h"
#include "ui_TUserLoginDialog.h"

using namespace Qt::StringLiterals;

namespace {
// Keeps a line edit's text in upper case, typed or set, without moving the cursor.
void KeepUpperCase(QLineEdit* edit) {
    QObject::connect(edit, &QLineEdit::textChanged, edit, [edit](const QString& text) {
        QString upper = text.toUpper();
        if (upper == text) return;
        int pos = edit->cursorPosition();
        edit->setText(upper);
        edit->setCursorPosition(pos);
    });
}
}  // namespace

TUserLoginDialog::TUserLoginDialog(QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TUserLoginDialog>()), m_actLogin(new QAction(u"Ok"_s, this)) {
    m_ui->setupUi(this);
    setObjectName(u"UserLoginDialog"_s);
    m_actLogin->setObjectName(u"actLogin"_s);
    setFixedSize(322, 220);
    // Dialog border with the close box only.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    m_ui->edPassword->setStyle(TStarPasswordStyle::Instance());
    KeepUpperCase(m_ui->edtServer);
    KeepUpperCase(m_ui->edUser);

    // The "Ok" button shows and runs the command.
    connect(m_ui->mbbOk, &QPushButton::clicked, m_actLogin, &QAction::trigger);
    connect(m_actLogin, &QAction::changed, this, [this] { m_ui->mbbOk->setEnabled(m_actLogin->isEnabled()); });
    connect(m_actLogin, &QAction::triggered, this, &TUserLoginDialog::actLoginExecute);
    connect(m_ui->mbbCancel, &QPushButton::clicked, this, &TUserLoginDialog::mbbCancelClick);

    // Commands are updated whenever the message loop goes idle, and at once on every edit.
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &TUserLoginDialog::actLoginUpdate);
    connect(m_ui->edUser, &QLineEdit::textChanged, this, &TUserLoginDialog::actLoginUpdate);
    connect(m_ui->edDataBase, &QLineEdit::textChanged, this, &TUserLoginDialog::actLoginUpdate);
    FormCreate();
    actLoginUpdate();
}

TUserLoginDialog::~TUserLoginDialog() = default;

QLineEdit* TUserLoginDialog::edtServer() const { return m_ui->edtServer; }
QLineEdit* TUserLoginDialog::edDataBase() const { return m_ui->edDataBase; }
QLineEdit* TUserLoginDialog::edUser() const { return m_ui->edUser; }
QLineEdit* TUserLoginDialog::edPassword() const { return m_ui->edPassword; }
QLineEdit* TUserLoginDialog::edtClientLib() const { return m_ui->edtClientLib; }
QPushButton* TUserLoginDialog::mbbOk() const { return m_ui->mbbOk; }
QPushButton* TUserLoginDialog::mbbCancel() const { return m_ui->mbbCancel; }
QLabel* TUserLoginDialog::AppIcon() const { return m_ui->AppIcon; }
QLabel* TUserLoginDialog::Image1() const { return m_ui->Image1; }

void TUserLoginDialog::FormCreate() {
    m_ui->AppIcon->setPixmap(QApplication::windowIcon().pixmap(32, 32));
    m_ui->Image1->setPixmap(PadlockKeyPixmap());
}

void TUserLoginDialog::actLoginUpdate() {
    m_actLogin->setEnabled(!m_ui->edUser->text().isEmpty() && !m_ui->edDataBase->text().isEmpty());
}

void TUserLoginDialog::actLoginExecute() {
    if (m_actLogin->isEnabled()) done(QDialog::Accepted);
}

void TUserLoginDialog::mbbCancelClick() { done(QDialog::Rejected); }

void TUserLoginDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {  // Escape does not close this dialog
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TUserLoginDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r = frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
    m_ui->edPassword->setFocus(Qt::OtherFocusReason);
}

bool RunLoginDialog(QString& server, QString& database, QString& userName, QString& libraryName,
                    QString& password) {
    auto dialog = std::make_unique<TUserLoginDialog>();
    dialog->edDataBase()->setText(database);
    dialog->edUser()->setText(userName);
    dialog->edtClientLib()->setText(libraryName);
    dialog->edtServer()->setText(server);
    if (dialog->exec() != QDialog::Accepted) return false;
    server = dialog->edtServer()->text();
    database = dialog->edDataBase()->text();
    userName = dialog->edUser()->text();
    password = dialog->edPassword()->text();
    libraryName = dialog->edtClientLib()->text();
    return true;
}
