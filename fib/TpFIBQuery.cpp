#include "fib/TpFIBQuery.h"

void TpFIBQuery::ExecQuery() {
    for (;;) {
        try {
            TFIBQuery::ExecQuery();
            return;
        } catch (EFIBError& error) {
            if (!OnExecuteError) throw;
            TDataAction action = daFail;
            OnExecuteError(this, error, action);
            if (action == daRetry) continue;
            if (action == daAbort) throw EAbort();
            throw;
        }
    }
}
