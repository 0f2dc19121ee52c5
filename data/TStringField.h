#pragma once
#include "data/TField.h"

// A text column of at most Size characters, kept as Windows-1251 bytes.
class TStringField : public TField {
public:
    explicit TStringField(QObject* owner = nullptr);
    TStorageKind StorageKind() const override { return TStorageKind::Bytes; }

    // Trailing blanks are dropped when read, trailing characters 0 to 32 when written.
    bool TrimTrailing() const { return m_trim; }
    void SetTrimTrailing(bool on) { m_trim = on; }
    // An empty text is stored as null.
    bool EmptyAsNull() const { return m_emptyAsNull; }
    void SetEmptyAsNull(bool on) { m_emptyAsNull = on; }

protected:
    QVariant GetValue(const TRowView& row) const override;
    QString GetAsString(const TRowView& row) const override;
    void AssignString(const QString& text) override;
    int DefaultDisplayWidth() const override { return Size() > 0 ? Size() : 10; }

private:
    bool m_trim = false;
    bool m_emptyAsNull = false;
};
