#pragma once
#include <ibase.h>

#include <cstddef>
#include <memory>
#include <vector>

// Owner of an XSQLDA and of the data and null-indicator buffers its variables point at.
class TSQLDA {
public:
    explicit TSQLDA(int count = 0);
    ~TSQLDA() noexcept = default;
    TSQLDA(TSQLDA&& other) noexcept;
    TSQLDA& operator=(TSQLDA&& other) noexcept;
    TSQLDA(const TSQLDA&) = delete;
    TSQLDA& operator=(const TSQLDA&) = delete;

    // Fresh zeroed variables (sqln = sqld = count, at most 32767), each with its null indicator in place and no data buffer.
    void Resize(int count);
    int Count() const { return m_count; }
    // What describe, execute and fetch are given; null only in a moved-from descriptor.
    XSQLDA* Data() { return m_da; }
    XSQLVAR& Var(int i) { return m_da->sqlvar[i]; }
    const XSQLVAR& Var(int i) const { return m_da->sqlvar[i]; }

    // After a describe: gives every variable a data buffer for its type and length (VARYING with its length word).
    void AllocateDescribed();
    // Makes variable i of sqltype (nullable, not NULL) and returns its data buffer of at least bytes bytes.
    char* SetType(int i, short sqltype, short sqllen, int bytes, short scale = 0, short subtype = 0);
    void SetNull(int i, bool null);
    // The indicator counts only for a nullable variable: the server writes none for the others.
    bool IsNull(int i) const;

private:
    char* Buffer(int i, int bytes);

    std::unique_ptr<std::max_align_t[]> m_raw;
    XSQLDA* m_da = nullptr;
    int m_count = 0;
    std::vector<std::vector<char>> m_data;
    std::vector<short> m_ind;
};
