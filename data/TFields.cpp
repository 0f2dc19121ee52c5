#include "data/TFields.h"

#include "core/TextCompare.h"
#include "data/TField.h"

TField* TFields::FindField(const QString& name) const {
    for (TField* f : m_fields)
        if (AnsiSameText(f->FieldName(), name)) return f;
    return nullptr;
}

TField* TFields::FieldByNumber(int fieldNo) const {
    for (TField* f : m_fields)
        if (f->FieldNo() == fieldNo) return f;
    return nullptr;
}

int TFields::IndexOf(const TField* field) const {
    for (size_t i = 0; i < m_fields.size(); ++i)
        if (m_fields[i] == field) return int(i);
    return -1;
}
