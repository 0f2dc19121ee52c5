#include "data/TBCDField.h"

#include <cmath>

#include "data/TFormatSettings.h"
#include "data/TRecordBuffer.h"

qint64 TBCDField::Scale() const {
    qint64 s = 1;
    for (int i = 0; i < Size(); ++i) s *= 10;
    return s;
}

void TBCDField::SetAsScaled(qint64 value) {
    BeginWrite().SetInteger(Slot(), value);
    EndWrite();
}

QVariant TBCDField::GetValue(const TRowView& row) const {
    if (IsNullOf(row)) return {};
    if (Size() == 0) return QVariant(row.Integer(Slot()));
    return QVariant(GetAsFloat(row));
}

QString TBCDField::GetAsString(const TRowView& row) const {
    if (IsNullOf(row)) return {};
    qint64 v = row.Integer(Slot());
    QString digits = QString::number(v < 0 ? quint64(0) - quint64(v) : quint64(v));
    if (Size() > 0) {
        while (digits.size() <= Size()) digits.prepend(u'0');
        QString frac = digits.right(Size());
        digits.chop(Size());
        while (frac.endsWith(u'0')) frac.chop(1);
        if (!frac.isEmpty()) digits += TFormatSettings::Current().DecimalSeparator + frac;
    }
    return v < 0 ? u'-' + digits : digits;
}

QString TBCDField::GetDisplayText(const TRowView& row) const {
    if (IsNullOf(row) || DisplayFormat().isEmpty()) return GetAsString(row);
    return TFormatSettings::Current().FormatFloat(DisplayFormat(), GetAsFloat(row));
}

qint64 TBCDField::GetAsLargeInt(const TRowView& row) const {
    return IsNullOf(row) ? 0 : row.Integer(Slot()) / Scale();
}

double TBCDField::GetAsFloat(const TRowView& row) const {
    return IsNullOf(row) ? 0 : double(row.Integer(Slot())) / double(Scale());
}

void TBCDField::AssignString(const QString& text) {
    QString t = text.trimmed();
    t.remove(u' ');
    if (t.isEmpty()) return StoreNull();
    bool negative = t.startsWith(u'-');
    if (negative || t.startsWith(u'+')) t.remove(0, 1);
    t.replace(TFormatSettings::Current().DecimalSeparator, u'.');
    t.replace(u',', u'.');
    QString intPart = t.section(u'.', 0, 0), frac = t.section(u'.', 1);
    bool ok = !t.isEmpty() && t.count(u'.') <= 1 && (intPart.size() + frac.size()) > 0;
    for (QChar c : intPart + frac) ok = ok && c.isDigit() && c.unicode() < 128;
    if (!ok || intPart.size() > 19) ValueError(text);
    bool roundUp = frac.size() > Size() && frac[Size()] >= u'5';
    frac = frac.left(Size()).leftJustified(Size(), u'0');
    qint64 v = (intPart + frac).toLongLong(&ok);
    if (!ok || (roundUp && v == INT64_MAX)) ValueError(text);
    if (roundUp) ++v;
    SetAsScaled(negative ? -v : v);
}

void TBCDField::AssignLargeInt(qint64 value) {
    qint64 s = Scale();
    if (value > 0 ? value > INT64_MAX / s : value < INT64_MIN / s) ValueError(QString::number(value));
    SetAsScaled(value * s);
}

void TBCDField::AssignFloat(double value) {
    double scaled = value * double(Scale());
    if (!std::isfinite(scaled) || std::fabs(scaled) > 9.2e18) ValueError(QString::number(value));
    SetAsScaled(std::llround(scaled));
}
