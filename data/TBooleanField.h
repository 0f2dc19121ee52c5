#pragma once
#include "data/TField.h"

// A yes/no column shown as "True" or "False" (DisplayValues "True;False"), stored as 1 or 0.
class TBooleanField : public TField {
public:
    explicit TBooleanField(QObject* owner = nullptr);
    TStorageKind StorageKind() const override { return TStorageKind::Int32; }

    QString DisplayValues() const { return m_trueText + u';' + m_falseText; }
    // "true text;false text".
    void SetDisplayValues(const QString& values);
    QString TrueText() const { return m_trueText; }
    QString FalseText() const { return m_falseText; }

protected:
    QVariant GetValue(const TRowView& row) const override;
    QString GetAsString(const TRowView& row) const override;
    qint64 GetAsLargeInt(const TRowView& row) const override;
    double GetAsFloat(const TRowView& row) const override { return double(GetAsLargeInt(row)); }
    bool GetAsBoolean(const TRowView& row) const override;
    // Accepts the true or false text without regard to case; an empty text clears the field.
    void AssignString(const QString& text) override;
    void AssignLargeInt(qint64 value) override { AssignBoolean(value != 0); }
    void AssignFloat(double value) override { AssignBoolean(value != 0); }
    void AssignBoolean(bool value) override;
    int DefaultDisplayWidth() const override;

private:
    QString m_trueText;
    QString m_falseText;
};
