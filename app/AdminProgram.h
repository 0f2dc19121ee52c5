#pragma once
#include "app/TAdminForm.h"

class IUserPrompts;

// Shows the administrator window, which runs the login, and runs the event loop until the window has
// closed. Returns the program's exit status. A QApplication must exist. setUp runs on the window before
// it is shown.
int RunAdministrator(IUserPrompts& prompts, TAdminForm::TLoginDialogRunner loginDialog = {},
                     const std::function<void(TAdminForm&)>& setUp = {});
