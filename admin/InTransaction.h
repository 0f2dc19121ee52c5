#pragma once
#include "fib/TpFIBTransaction.h"

// Runs body in the transaction (started unless active) and commits; a failure rolls it back and goes on.
template <class TBody>
void InTransaction(TpFIBTransaction* tr, TBody body) {
    if (!tr->Active()) tr->StartTransaction();
    try {
        body();
        tr->Commit();
    } catch (...) {
        try {
            if (tr->Active()) tr->Rollback();
        } catch (...) {
        }
        throw;
    }
}
