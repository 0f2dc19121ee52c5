#pragma once
#include <ibase.h>

#include <utility>

#include "fib/IIBClientLibrary.h"

// Owner of one DSQL statement handle: the destructor drops it on the server, ignoring failures.
class TFIBStatementHandle {
public:
    TFIBStatementHandle() = default;
    ~TFIBStatementHandle() noexcept { Drop(); }
    TFIBStatementHandle(TFIBStatementHandle&& other) noexcept
        : m_library(std::exchange(other.m_library, nullptr)), m_handle(std::exchange(other.m_handle, 0)) {}
    TFIBStatementHandle& operator=(TFIBStatementHandle&& other) noexcept {
        if (this != &other) {
            Drop();
            m_library = std::exchange(other.m_library, nullptr);
            m_handle = std::exchange(other.m_handle, 0);
        }
        return *this;
    }
    TFIBStatementHandle(const TFIBStatementHandle&) = delete;
    TFIBStatementHandle& operator=(const TFIBStatementHandle&) = delete;

    // The handle to fill by isc_dsql_alloc_statement2, for library.
    isc_stmt_handle* Reset(IIBClientLibrary* library) {
        Drop();
        m_library = library;
        return &m_handle;
    }
    isc_stmt_handle* Get() { return &m_handle; }
    bool IsSet() const { return m_handle != 0; }
    // Frees it with DSQL_drop; returns the status (isc_bad_stmt_handle counts as done).
    ISC_STATUS Free(ISC_STATUS* status);
    // Forgets it without a server call (the connection is gone).
    void Release() noexcept {
        m_handle = 0;
        m_library = nullptr;
    }

private:
    void Drop() noexcept;

    IIBClientLibrary* m_library = nullptr;
    isc_stmt_handle m_handle = 0;
};
