#pragma once
#include <QObject>

class EFIBError;

// The process-wide error handler as the status check sees it: offered every server error before it is
// raised; setting doRaise to false suppresses the error (the failing call then returns normally).
class IFibErrorHandler {
public:
    virtual ~IFibErrorHandler() = default;
    virtual void HandleError(QObject* raiser, EFIBError& error, bool& doRaise) = 0;
};

// The registered handler that is active (not at design time), or null: then every server error is raised.
IFibErrorHandler* ActiveErrorHandler();
// Registers (or, with null, removes) the one handler of the process.
void SetActiveErrorHandler(IFibErrorHandler* handler);
