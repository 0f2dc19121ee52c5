#include "app/AdminProgram.h"

#include <QApplication>

#include "ui/TUsersForm.h"

int RunAdministrator(IUserPrompts& prompts, TAdminForm::TLoginDialogRunner loginDialog,
                     const std::function<void(TAdminForm&)>& setUp) {
    TAdminForm form(prompts, std::move(loginDialog));
    if (setUp) setUp(form);
    QObject::connect(&form, &TAdminForm::Closed, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    form.show();
    // A quit sent from the loop of a message box before the main loop ran would be lost.
    if (form.HasClosed()) return 0;
    const int status = QApplication::exec();
    // The groups-and-users window goes before the connection it works on.
    delete form.UsersForm();
    return status;
}
