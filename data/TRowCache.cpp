#include "data/TRowCache.h"

#include "data/TRecordBuffer.h"

void TRowCache::Reset() {
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_blocks.clear();
    m_blockSizes.clear();
    m_current = nullptr;
    m_used = 0;
}

char* TRowCache::Allocate(qsizetype size) {
    if (size > kBlockSize / 4) {
        // A large row (a long memo or blob) gets a block of its own.
        m_blocks.push_back(std::make_unique<char[]>(size_t(size)));
        m_blockSizes.push_back(size);
        return m_blocks.back().get();
    }
    if (!m_current || m_used + size > kBlockSize) {
        m_blocks.push_back(std::make_unique_for_overwrite<char[]>(size_t(kBlockSize)));
        m_blockSizes.push_back(kBlockSize);
        m_current = m_blocks.back().get();
        m_used = 0;
    }
    char* p = m_current + m_used;
    m_used += size;
    return p;
}

int TRowCache::Append(const TRecordBuffer& row) {
    char* p = Allocate(row.PackedSize());
    row.PackInto(p);
    m_rows.push_back(p);
    return int(m_rows.size()) - 1;
}

void TRowCache::Replace(int index, const TRecordBuffer& row) {
    char* p = Allocate(row.PackedSize());
    row.PackInto(p);
    m_rows[size_t(index)] = p;
}

qsizetype TRowCache::MemoryUsage() const {
    qsizetype total = qsizetype(m_rows.capacity() * sizeof(char*));
    for (qsizetype s : m_blockSizes) total += s;
    return total;
}
