#include "ui/SaveFileDialog.h"

#include <QFileDialog>

QString AskSaveFileName(QWidget* parent, const QString& objectName, const QString& title, const QString& filter,
                        const QString& suffix, const QString& offeredName) {
    QFileDialog dialog(parent, title, QString(), filter);
    dialog.setObjectName(objectName);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setDefaultSuffix(suffix);
    dialog.selectFile(offeredName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}
