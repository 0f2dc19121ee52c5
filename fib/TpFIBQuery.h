#pragma once
#include "data/DBTypes.h"
#include "fib/FIBErrors.h"
#include "fib/TFIBQuery.h"

// The statement component the program uses: an execution that fails with a database error is offered
// to OnExecuteError, which may let it fail, abort silently or retry.
class TpFIBQuery : public TFIBQuery {
    Q_OBJECT
public:
    explicit TpFIBQuery(QObject* owner = nullptr) : TFIBQuery(owner) {}

    // Throws EAbort when OnExecuteError answers daAbort.
    void ExecQuery() override;

    std::function<void(TpFIBQuery* sender, EFIBError& error, TDataAction& action)> OnExecuteError;
};
