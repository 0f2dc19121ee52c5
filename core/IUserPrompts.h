#pragma once
#include <QString>

// The user prompts of the program, passed to whoever needs them; tests pass a scripted fake.
class IUserPrompts {
public:
    virtual ~IUserPrompts() = default;
    // Error box: error icon, caption "Error", button "OK".
    virtual void ShowError(const QString& text) = 0;
    // Confirmation box: question icon, caption "Confirm", "&Yes" (default) and "&No" (Escape). True for Yes.
    virtual bool Confirm(const QString& text) = 0;
    // Plain box: no icon, caption "Администратор", button "OK".
    virtual void ShowMessage(const QString& text) = 0;
    // The application's box for an exception that leaves a command: error icon, caption "Администратор".
    virtual void ShowApplicationError(const QString& text) = 0;
};
