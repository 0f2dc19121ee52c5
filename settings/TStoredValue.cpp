#include "settings/TStoredValue.h"

#include "core/TextCompare.h"
#include "settings/EStringListError.h"
#include "settings/TStoredValues.h"

using namespace Qt::StringLiterals;

void TStoredValue::SetName(const QString& name) {
    if (!name.isEmpty() && !AnsiSameText(name, m_name)) {
        const TStoredValue* other = m_collection->FindStoredValue(name);
        if (other && other != this) throw EStringListError(u"String list does not allow duplicates"_s);
    }
    m_name = name;
}
