#include "data/TRecordLayout.h"

#include <cstring>

#include <cstdint>

TRecordLayout::TRecordLayout(std::vector<TStorageKind> kinds) : m_kinds(std::move(kinds)) {
    const int n = Count();
    int offset = 1 + (n + 7) / 8;
    m_offsets.resize(size_t(n));
    m_varIndex.assign(size_t(n), -1);
    for (int i = 0; i < n; ++i) {
        if (m_kinds[size_t(i)] == TStorageKind::Bytes) continue;
        m_offsets[size_t(i)] = offset;
        offset += Width(m_kinds[size_t(i)]);
    }
    for (int i = 0; i < n; ++i) {
        if (m_kinds[size_t(i)] != TStorageKind::Bytes) continue;
        m_varIndex[size_t(i)] = m_varCount++;
        m_offsets[size_t(i)] = offset;
        offset += int(sizeof(std::uint32_t));
    }
    m_fixedSize = offset;
}

int TRecordLayout::Width(TStorageKind kind) {
    switch (kind) {
        case TStorageKind::Int16:
            return 2;
        case TStorageKind::Int32:
        case TStorageKind::Date:
        case TStorageKind::Time:
            return 4;
        case TStorageKind::Int64:
        case TStorageKind::Double:
        case TStorageKind::DateTime:
            return 8;
        case TStorageKind::Bytes:
            return 4;
    }
    return 0;
}

qint64 ReadStoredInteger(const char* p, TStorageKind kind) {
    switch (kind) {
        case TStorageKind::Int16: {
            qint16 v;
            std::memcpy(&v, p, 2);
            return v;
        }
        case TStorageKind::Int32:
        case TStorageKind::Date:
        case TStorageKind::Time: {
            qint32 v;
            std::memcpy(&v, p, 4);
            return v;
        }
        case TStorageKind::Int64:
        case TStorageKind::DateTime: {
            qint64 v;
            std::memcpy(&v, p, 8);
            return v;
        }
        case TStorageKind::Double: {
            double d;
            std::memcpy(&d, p, 8);
            return qint64(d);
        }
        case TStorageKind::Bytes:
            break;
    }
    return 0;
}
