#include "data/TBooleanField.h"

#include "core/TextCompare.h"
#include "data/TRecordBuffer.h"

using namespace Qt::StringLiterals;

TBooleanField::TBooleanField(QObject* owner)
    : TField(ftBoolean, owner), m_trueText(u"True"_s), m_falseText(u"False"_s) {}

void TBooleanField::SetDisplayValues(const QString& values) {
    m_trueText = values.section(u';', 0, 0);
    m_falseText = values.section(u';', 1);
}

QVariant TBooleanField::GetValue(const TRowView& row) const {
    if (IsNullOf(row)) return {};
    return QVariant(row.Integer(Slot()) != 0);
}

QString TBooleanField::GetAsString(const TRowView& row) const {
    if (IsNullOf(row)) return {};
    return row.Integer(Slot()) != 0 ? m_trueText : m_falseText;
}

qint64 TBooleanField::GetAsLargeInt(const TRowView& row) const {
    return IsNullOf(row) ? 0 : row.Integer(Slot());
}

bool TBooleanField::GetAsBoolean(const TRowView& row) const {
    return !IsNullOf(row) && row.Integer(Slot()) != 0;
}

void TBooleanField::AssignString(const QString& text) {
    QString t = text.trimmed();
    if (t.isEmpty()) return StoreNull();
    if (AnsiSameText(t, m_trueText)) return AssignBoolean(true);
    if (AnsiSameText(t, m_falseText)) return AssignBoolean(false);
    ValueError(text);
}

void TBooleanField::AssignBoolean(bool value) {
    BeginWrite().SetInteger(Slot(), value ? 1 : 0);
    EndWrite();
}

int TBooleanField::DefaultDisplayWidth() const { return int(qMax(m_trueText.size(), m_falseText.size())); }
