#pragma once
#include "fib/FIBErrors.h"
#include "fib/FibErrorHandlerHook.h"

// Suppresses every server error and counts them, as the program's handler does for its own kinds.
class SuppressingHandler : public IFibErrorHandler {
public:
    void HandleError(QObject*, EFIBError&, bool& doRaise) override {
        ++Count;
        doRaise = false;
    }
    int Count = 0;
};
