#include "fib/TSQLDA.h"

#include <cstring>
#include <utility>

TSQLDA::TSQLDA(int count) { Resize(count); }

TSQLDA::TSQLDA(TSQLDA&& other) noexcept
    : m_raw(std::move(other.m_raw)),
      m_da(std::exchange(other.m_da, nullptr)),
      m_count(std::exchange(other.m_count, 0)),
      m_data(std::move(other.m_data)),
      m_ind(std::move(other.m_ind)) {}

TSQLDA& TSQLDA::operator=(TSQLDA&& other) noexcept {
    if (this != &other) {
        m_raw = std::move(other.m_raw);
        m_da = std::exchange(other.m_da, nullptr);
        m_count = std::exchange(other.m_count, 0);
        m_data = std::move(other.m_data);
        m_ind = std::move(other.m_ind);
    }
    return *this;
}

void TSQLDA::Resize(int count) {
    if (count < 0) count = 0;
    if (count > 32767) count = 32767;  // sqln and sqld are 16-bit
    const size_t bytes = XSQLDA_LENGTH(size_t(count < 1 ? 1 : count));
    const size_t cells = (bytes + sizeof(std::max_align_t) - 1) / sizeof(std::max_align_t);
    m_raw = std::make_unique<std::max_align_t[]>(cells);
    std::memset(m_raw.get(), 0, cells * sizeof(std::max_align_t));
    m_da = reinterpret_cast<XSQLDA*>(m_raw.get());
    m_da->version = SQLDA_VERSION1;
    m_da->sqln = short(count);
    m_da->sqld = short(count);
    m_count = count;
    m_data.assign(size_t(count), {});
    m_ind.assign(size_t(count), 0);
    for (int i = 0; i < count; ++i) m_da->sqlvar[i].sqlind = &m_ind[size_t(i)];
}

char* TSQLDA::Buffer(int i, int bytes) {
    std::vector<char>& b = m_data[size_t(i)];
    b.assign(size_t(bytes < 1 ? 1 : bytes), 0);  // never a null pointer, also for an empty text
    m_da->sqlvar[i].sqldata = b.data();
    return b.data();
}

void TSQLDA::AllocateDescribed() {
    for (int i = 0; i < m_count; ++i) {
        XSQLVAR& v = m_da->sqlvar[i];
        const int len = v.sqllen < 0 ? 0 : v.sqllen;
        Buffer(i, (v.sqltype & ~1) == SQL_VARYING ? len + 2 : len);
        v.sqlind = &m_ind[size_t(i)];
        m_ind[size_t(i)] = 0;
    }
}

char* TSQLDA::SetType(int i, short sqltype, short sqllen, int bytes, short scale, short subtype) {
    XSQLVAR& v = m_da->sqlvar[i];
    v.sqltype = short(sqltype | 1);
    v.sqllen = sqllen;
    v.sqlscale = scale;
    v.sqlsubtype = subtype;
    m_ind[size_t(i)] = 0;
    return Buffer(i, bytes);
}

void TSQLDA::SetNull(int i, bool null) {
    XSQLVAR& v = m_da->sqlvar[i];
    if (null) v.sqltype = short(v.sqltype | 1);
    m_ind[size_t(i)] = null ? -1 : 0;
}

bool TSQLDA::IsNull(int i) const { return (m_da->sqlvar[i].sqltype & 1) != 0 && m_ind[size_t(i)] < 0; }
