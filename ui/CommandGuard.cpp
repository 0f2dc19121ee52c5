#include "ui/CommandGuard.h"

#include "core/Exception.h"
#include "fib/FIBErrors.h"

using namespace Qt::StringLiterals;

QString ApplicationErrorText(const QString& message) {
    if (message.isEmpty() || message.endsWith(u'.')) return message;
    return message + u'.';
}

void RunCommand(IUserPrompts& prompts, const std::function<void()>& command) {
    try {
        command();
    } catch (const EAbort&) {
    } catch (const EFIBError& e) {
        // A lost connection was shown by the error handler, which ends the program: no second box.
        if (!IsLostConnectionError(e)) prompts.ShowApplicationError(ApplicationErrorText(e.Message()));
    } catch (const Exception& e) {
        prompts.ShowApplicationError(ApplicationErrorText(e.Message()));
    } catch (const std::exception& e) {
        prompts.ShowApplicationError(ApplicationErrorText(QString::fromUtf8(e.what())));
    }
}
