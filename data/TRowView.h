#pragma once
#include <QByteArrayView>

#include "data/DBTypes.h"

class TRecordBuffer;
class TRecordLayout;

// Read access to one row, either a packed row of the cache or a row buffer; a default view is
// "no row", in which every slot reads as null.
class TRowView {
public:
    TRowView() = default;
    TRowView(const TRecordLayout* layout, const char* packed) : m_layout(layout), m_packed(packed) {}
    explicit TRowView(const TRecordBuffer* buffer) : m_buffer(buffer) {}

    bool IsValid() const { return m_packed || m_buffer; }
    TUpdateStatus Status() const;
    bool IsNull(int slot) const;
    qint64 Integer(int slot) const;
    double Double(int slot) const;
    QByteArrayView Bytes(int slot) const;

private:
    const TRecordLayout* m_layout = nullptr;
    const char* m_packed = nullptr;
    const TRecordBuffer* m_buffer = nullptr;
};
