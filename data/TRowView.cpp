#include "data/TRowView.h"

#include <cstdint>
#include <cstring>

#include "data/TRecordBuffer.h"
#include "data/TRecordLayout.h"

TUpdateStatus TRowView::Status() const {
    if (m_buffer) return m_buffer->Status();
    return m_packed ? TUpdateStatus(m_packed[0]) : usUnmodified;
}

bool TRowView::IsNull(int slot) const {
    if (m_buffer) return m_buffer->IsNull(slot);
    if (!m_packed) return true;
    return (m_packed[1 + slot / 8] >> (slot % 8)) & 1;
}

qint64 TRowView::Integer(int slot) const {
    if (m_buffer) return m_buffer->Integer(slot);
    if (IsNull(slot)) return 0;
    const char* p = m_packed + m_layout->Offset(slot);
    return ReadStoredInteger(p, m_layout->Kind(slot));
}

double TRowView::Double(int slot) const {
    if (m_buffer) return m_buffer->Double(slot);
    if (IsNull(slot)) return 0;
    if (m_layout->Kind(slot) != TStorageKind::Double) return double(Integer(slot));
    double d;
    std::memcpy(&d, m_packed + m_layout->Offset(slot), 8);
    return d;
}

QByteArrayView TRowView::Bytes(int slot) const {
    if (m_buffer) return m_buffer->Bytes(slot);
    if (IsNull(slot)) return {};
    int v = m_layout->VarIndex(slot);
    if (v < 0) return {};
    std::uint32_t end, start = 0;
    const int off = m_layout->Offset(slot);
    std::memcpy(&end, m_packed + off, 4);
    if (v > 0) std::memcpy(&start, m_packed + off - 4, 4);
    return QByteArrayView(m_packed + m_layout->FixedSize() + start, qsizetype(end - start));
}
