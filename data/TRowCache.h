#pragma once
#include <memory>
#include <vector>

#include "data/DBTypes.h"

class TRecordBuffer;

// Every row a dataset has fetched, in fetch order, packed into large shared blocks. A row's
// number in the cache never changes while the cache lives; a replaced row is packed anew and
// its old bytes stay unused until the cache is reset.
class TRowCache {
public:
    TRowCache() = default;
    TRowCache(const TRowCache&) = delete;
    TRowCache& operator=(const TRowCache&) = delete;

    void Reset();
    int Count() const { return int(m_rows.size()); }
    const char* Row(int index) const { return m_rows[size_t(index)]; }
    TUpdateStatus Status(int index) const { return TUpdateStatus(m_rows[size_t(index)][0]); }
    void SetStatus(int index, TUpdateStatus status) { m_rows[size_t(index)][0] = char(status); }

    // Packs the buffer as a new row at the end; returns its number.
    int Append(const TRecordBuffer& row);
    void Replace(int index, const TRecordBuffer& row);
    // Takes the last appended row out again.
    void RemoveLast() { m_rows.pop_back(); }

    // Bytes held: the blocks and the row index.
    qsizetype MemoryUsage() const;

private:
    char* Allocate(qsizetype size);

    static constexpr qsizetype kBlockSize = 256 * 1024;
    std::vector<std::unique_ptr<char[]>> m_blocks;
    std::vector<qsizetype> m_blockSizes;
    qsizetype m_used = 0;  // bytes used in the last normal-sized block
    char* m_current = nullptr;
    std::vector<char*> m_rows;
};
