#include "fib/TFIBStatementHandle.h"

#include <iberror.h>

#include "fib/StatusVector.h"

ISC_STATUS TFIBStatementHandle::Free(ISC_STATUS* status) {
    if (!m_handle || !m_library) {
        Release();
        return 0;
    }
    ISC_STATUS result = m_library->Call<EP::isc_dsql_free_statement>(status, &m_handle, (unsigned short)DSQL_drop);
    if (result > 0 && status[1] == isc_bad_stmt_handle) result = 0;
    if (result == 0) Release();
    return result;
}

void TFIBStatementHandle::Drop() noexcept {
    if (!m_handle || !m_library) return;
    try {
        ISC_STATUS local[ISC_STATUS_LENGTH] = {};
        (void)m_library->Call<EP::isc_dsql_free_statement>(local, &m_handle, (unsigned short)DSQL_drop);
    } catch (...) {
    }
    Release();
}
