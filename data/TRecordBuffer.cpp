#include "data/TRecordBuffer.h"

#include <cstdint>
#include <cstring>

#include "data/TRecordLayout.h"


void TRecordBuffer::Reset(const TRecordLayout* layout) {
    m_layout = layout;
    m_fixed.assign(size_t(layout ? layout->FixedSize() : 1), char(0));
    m_var.resize(size_t(layout ? layout->VarCount() : 0));
    ClearValues();
}

void TRecordBuffer::ClearValues() {
    std::fill(m_fixed.begin(), m_fixed.end(), char(0));
    if (m_layout)
        for (int i = 0; i < m_layout->Count(); ++i) m_fixed[size_t(1 + i / 8)] |= char(1 << (i % 8));
    for (std::string& s : m_var) s.clear();
}

bool TRecordBuffer::IsNull(int slot) const { return (m_fixed[size_t(1 + slot / 8)] >> (slot % 8)) & 1; }

void TRecordBuffer::SetNull(int slot) {
    m_fixed[size_t(1 + slot / 8)] |= char(1 << (slot % 8));
    int v = m_layout->VarIndex(slot);
    if (v >= 0) m_var[size_t(v)].clear();
}

void TRecordBuffer::MarkNotNull(int slot) { m_fixed[size_t(1 + slot / 8)] &= char(~(1 << (slot % 8))); }

qint64 TRecordBuffer::Integer(int slot) const {
    if (IsNull(slot)) return 0;
    return ReadStoredInteger(m_fixed.data() + m_layout->Offset(slot), m_layout->Kind(slot));
}

void TRecordBuffer::SetInteger(int slot, qint64 value) {
    char* p = m_fixed.data() + m_layout->Offset(slot);
    switch (m_layout->Kind(slot)) {
        case TStorageKind::Int16: {
            auto v = qint16(value);
            std::memcpy(p, &v, 2);
            break;
        }
        case TStorageKind::Int32:
        case TStorageKind::Date:
        case TStorageKind::Time: {
            auto v = qint32(value);
            std::memcpy(p, &v, 4);
            break;
        }
        case TStorageKind::Int64:
        case TStorageKind::DateTime:
            std::memcpy(p, &value, 8);
            break;
        case TStorageKind::Double: {
            auto d = double(value);
            std::memcpy(p, &d, 8);
            break;
        }
        case TStorageKind::Bytes:
            return;
    }
    MarkNotNull(slot);
}

double TRecordBuffer::Double(int slot) const {
    if (IsNull(slot)) return 0;
    if (m_layout->Kind(slot) != TStorageKind::Double) return double(Integer(slot));
    double d;
    std::memcpy(&d, m_fixed.data() + m_layout->Offset(slot), 8);
    return d;
}

void TRecordBuffer::SetDouble(int slot, double value) {
    if (m_layout->Kind(slot) != TStorageKind::Double) return SetInteger(slot, qint64(value));
    std::memcpy(m_fixed.data() + m_layout->Offset(slot), &value, 8);
    MarkNotNull(slot);
}

QByteArrayView TRecordBuffer::Bytes(int slot) const {
    int v = m_layout->VarIndex(slot);
    if (v < 0 || IsNull(slot)) return {};
    const std::string& s = m_var[size_t(v)];
    return QByteArrayView(s.data(), qsizetype(s.size()));
}

void TRecordBuffer::SetBytes(int slot, const char* data, qsizetype length) {
    int v = m_layout->VarIndex(slot);
    if (v < 0) return;
    m_var[size_t(v)].assign(data, size_t(length));
    MarkNotNull(slot);
}

void TRecordBuffer::Load(const char* packed) {
    const size_t fixed = m_fixed.size();
    std::memcpy(m_fixed.data(), packed, fixed);
    std::uint32_t start = 0;
    for (int slot = 0; slot < m_layout->Count(); ++slot) {
        int v = m_layout->VarIndex(slot);
        if (v < 0) continue;
        std::uint32_t end;
        std::memcpy(&end, packed + m_layout->Offset(slot), 4);
        m_var[size_t(v)].assign(packed + fixed + start, end - start);
        start = end;
    }
}

qsizetype TRecordBuffer::PackedSize() const {
    qsizetype size = qsizetype(m_fixed.size());
    for (const std::string& s : m_var) size += qsizetype(s.size());
    return size;
}

void TRecordBuffer::PackInto(char* dest) const {
    const size_t fixed = m_fixed.size();
    std::memcpy(dest, m_fixed.data(), fixed);
    std::uint32_t end = 0;
    for (int slot = 0; slot < m_layout->Count(); ++slot) {
        int v = m_layout->VarIndex(slot);
        if (v < 0) continue;
        const std::string& s = m_var[size_t(v)];
        std::memcpy(dest + fixed + end, s.data(), s.size());
        end += std::uint32_t(s.size());
        std::memcpy(dest + m_layout->Offset(slot), &end, 4);
    }
}
