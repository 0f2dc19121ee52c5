#pragma once
#include <vector>

#include "data/DBTypes.h"

// Where each field value lives in a cached row.
//
// A packed row is one block: [update status: 1 byte][null bitmap][fixed-width slots in slot order]
// [one uint32 end offset per variable-length slot][variable-length bytes]. Strings are kept as their
// Windows-1251 bytes, so a Cyrillic letter costs one byte.
class TRecordLayout {
public:
    TRecordLayout() = default;
    explicit TRecordLayout(std::vector<TStorageKind> kinds);

    int Count() const { return int(m_kinds.size()); }
    TStorageKind Kind(int slot) const { return m_kinds[size_t(slot)]; }
    // Offset of a fixed slot's value, or of a variable slot's end offset, from the row start.
    int Offset(int slot) const { return m_offsets[size_t(slot)]; }
    // Index among the variable-length slots, -1 for a fixed one.
    int VarIndex(int slot) const { return m_varIndex[size_t(slot)]; }
    int VarCount() const { return m_varCount; }
    int BitmapOffset() const { return 1; }
    // Bytes before the variable-length data.
    int FixedSize() const { return m_fixedSize; }

    static int Width(TStorageKind kind);

private:
    std::vector<TStorageKind> m_kinds;
    std::vector<int> m_offsets;
    std::vector<int> m_varIndex;
    int m_varCount = 0;
    int m_fixedSize = 1;
};

// The integer stored at p in a fixed slot of the given kind (a double is truncated; bytes give 0).
qint64 ReadStoredInteger(const char* p, TStorageKind kind);
