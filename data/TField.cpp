#include "data/TField.h"

#include <limits>

#include "core/Format.h"
#include "data/DBErrors.h"
#include "data/TDataSet.h"
#include "data/TFormatSettings.h"
#include "data/TRecordBuffer.h"

using namespace Qt::StringLiterals;

TField::TField(TFieldType dataType, QObject* owner) : TComponent(owner), m_dataType(dataType) {}

TField::~TField() {
    if (m_dataSet) m_dataSet->RemoveField(this);
}

void TField::SetDataSet(TDataSet* dataSet) {
    if (dataSet == m_dataSet) return;
    if (m_dataSet) m_dataSet->RemoveField(this);
    if (dataSet) dataSet->AddField(this);
}

TRowView TField::ActiveRow() const { return m_dataSet ? m_dataSet->ActiveRow() : TRowView(); }

int TField::AsInteger() const {
    qint64 v = AsLargeInt();
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        ValueError(QString::number(v));
    return int(v);
}

QVariant TField::OldValue() const { return m_dataSet ? GetValue(m_dataSet->StoredRow()) : QVariant(); }

QString TField::GetAsString(const TRowView& row) const { return GetValue(row).toString(); }

qint64 TField::GetAsLargeInt(const TRowView& row) const {
    if (IsNullOf(row)) return 0;
    QString text = GetAsString(row).trimmed();
    bool ok = false;
    qint64 v = text.toLongLong(&ok);
    if (!ok) throw EConvertError(FormatMessage(u"'%s' is not a valid integer value"_s, {text}));
    return v;
}

double TField::GetAsFloat(const TRowView& row) const {
    if (IsNullOf(row)) return 0;
    QString text = GetAsString(row);
    double v = 0;
    if (!TFormatSettings::Current().ParseFloat(text, v))
        throw EConvertError(FormatMessage(u"'%s' is not a valid floating point value"_s, {text}));
    return v;
}

bool TField::GetAsBoolean(const TRowView&) const { AccessError(u"Boolean"_s); }
QDateTime TField::GetAsDateTime(const TRowView&) const { AccessError(u"DateTime"_s); }

void TField::AssignLargeInt(qint64 value) { AssignString(QString::number(value)); }
void TField::AssignFloat(double value) {
    AssignString(QString::number(value, 'g', 15).replace(u'.', TFormatSettings::Current().DecimalSeparator));
}
void TField::AssignBoolean(bool) { AccessError(u"Boolean"_s); }
void TField::AssignDateTime(const QDateTime&) { AccessError(u"DateTime"_s); }

void TField::AssignVariant(const QVariant& value) {
    if (value.isNull()) return Clear();
    switch (value.typeId()) {
        case QMetaType::Bool:
            return AssignBoolean(value.toBool());
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UChar:
        case QMetaType::Long:
        case QMetaType::LongLong:
            return AssignLargeInt(value.toLongLong());
        case QMetaType::ULong:
        case QMetaType::ULongLong: {
            if (value.toULongLong() > quint64(std::numeric_limits<qint64>::max()))
                ValueError(value.toString());
            return AssignLargeInt(value.toLongLong());
        }
        case QMetaType::Float:
        case QMetaType::Double:
            return AssignFloat(value.toDouble());
        case QMetaType::QDateTime:
            return AssignDateTime(value.toDateTime());
        case QMetaType::QDate:
            return AssignDateTime(QDateTime(value.toDate(), QTime(0, 0)));
        case QMetaType::QTime:
            return AssignDateTime(QDateTime(QDate(1899, 12, 30), value.toTime()));
        default:
            return AssignString(value.toString());
    }
}

void TField::SetValue(const QVariant& value) { AssignVariant(value); }

void TField::Clear() { StoreNull(); }

void TField::StoreNull() {
    BeginWrite().SetNull(m_slot);
    EndWrite();
}

bool TField::CanModify() const {
    if (m_readOnly || !m_dataSet) return false;
    TDataSetState s = m_dataSet->State();
    return s == dsEdit || s == dsInsert || (s == dsBrowse && m_dataSet->CanModify());
}

TRecordBuffer& TField::BeginWrite() {
    if (!m_dataSet) DatabaseError(FormatMessage(DBText::FieldNoDataSet, {DisplayName()}), this);
    m_dataSet->CheckFieldWrite(*this);
    return m_dataSet->WriteBuffer();
}

void TField::EndWrite() { m_dataSet->FieldWritten(*this); }

void TField::AccessError(const QString& typeName) const {
    DatabaseError(FormatMessage(DBText::BadFieldAccess, {DisplayName(), typeName}));
}

void TField::ValueError(const QString& text) const {
    throw EConvertError(FormatMessage(DBText::InvalidValue, {text, DisplayName()}));
}
