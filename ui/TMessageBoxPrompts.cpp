#include "ui/TMessageBoxPrompts.h"

#include <QMessageBox>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {
// The boxes break lines at a lone carriage return too, as the program's messages do.
QString BoxText(const QString& text) {
    QString t = text;
    t.replace(u"\r\n"_s, u"\n"_s);
    t.replace(u'\r', u'\n');
    return t;
}

void ShowOk(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text) {
    QMessageBox box(icon, caption, BoxText(text), QMessageBox::NoButton, parent);
    QPushButton* ok = box.addButton(u"OK"_s, QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
}
}  // namespace

void TMessageBoxPrompts::ShowError(const QString& text) {
    ShowOk(m_parent, QMessageBox::Critical, u"Error"_s, text);
}

bool TMessageBoxPrompts::Confirm(const QString& text) {
    QMessageBox box(QMessageBox::Question, u"Confirm"_s, BoxText(text), QMessageBox::NoButton, m_parent);
    QPushButton* yes = box.addButton(u"&Yes"_s, QMessageBox::YesRole);
    QPushButton* no = box.addButton(u"&No"_s, QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

void TMessageBoxPrompts::ShowMessage(const QString& text) {
    ShowOk(m_parent, QMessageBox::NoIcon, u"Администратор"_s, text);
}

void TMessageBoxPrompts::ShowApplicationError(const QString& text) {
    ShowOk(m_parent, QMessageBox::Critical, u"Администратор"_s, text);
}
