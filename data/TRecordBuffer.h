#pragma once
#include <QByteArrayView>
#include <string>
#include <vector>

#include "data/DBTypes.h"

class TRecordLayout;

// One row being built or edited: the fixed part of a packed row plus one byte string per
// variable-length slot. Reused between rows, so filling it allocates nothing once warm.
class TRecordBuffer {
public:
    TRecordBuffer() = default;
    explicit TRecordBuffer(const TRecordLayout* layout) { Reset(layout); }

    // Takes the layout and makes every slot null.
    void Reset(const TRecordLayout* layout);
    void ClearValues();
    const TRecordLayout* Layout() const { return m_layout; }
    bool IsValid() const { return m_layout != nullptr; }

    TUpdateStatus Status() const { return TUpdateStatus(m_fixed[0]); }
    void SetStatus(TUpdateStatus status) { m_fixed[0] = char(status); }

    bool IsNull(int slot) const;
    void SetNull(int slot);
    // Any integer-like slot (Int16/32/64, Date, Time, DateTime); values are cut to the slot's width.
    qint64 Integer(int slot) const;
    void SetInteger(int slot, qint64 value);
    double Double(int slot) const;
    void SetDouble(int slot, double value);
    QByteArrayView Bytes(int slot) const;
    void SetBytes(int slot, const char* data, qsizetype length);
    void SetBytes(int slot, QByteArrayView bytes) { SetBytes(slot, bytes.data(), bytes.size()); }

    // Copies a packed row of the same layout into the buffer.
    void Load(const char* packed);
    qsizetype PackedSize() const;
    void PackInto(char* dest) const;

private:
    void MarkNotNull(int slot);

    const TRecordLayout* m_layout = nullptr;
    std::vector<char> m_fixed{char(0)};
    std::vector<std::string> m_var;
};
