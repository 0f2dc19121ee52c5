#pragma once
#include <functional>

#include "core/IUserPrompts.h"

// Runs one command. An exception leaving it ends the command: EAbort and a lost connection (whose box the
// error handler showed) silently, any other one is shown in the application's error box with its message (a full stop appended when it lacks one). Never throws.
void RunCommand(IUserPrompts& prompts, const std::function<void()>& command);

// The text the application's error box shows for an exception message.
QString ApplicationErrorText(const QString& message);
