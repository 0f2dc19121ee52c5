#pragma once
#include <QString>
#include <QVariant>
#include <memory>
#include <vector>

#include "settings/TStoredValue.h"

// The ordered stored values of one settings component.
class TStoredValues {
public:
    TStoredValues() = default;
    TStoredValues(const TStoredValues&) = delete;
    TStoredValues& operator=(const TStoredValues&) = delete;

    // Appends an item; throws EStringListError when the name is taken (the list stays as it was).
    TStoredValue& Add(const QString& name, const QVariant& value = QVariant());
    // The item whose name equals name without regard to case, or null.
    TStoredValue* FindStoredValue(const QString& name) const;

    int Count() const { return int(m_items.size()); }
    TStoredValue& Item(int index) const { return *m_items.at(size_t(index)); }
    void Delete(int index) { m_items.erase(m_items.begin() + index); }
    void Clear() { m_items.clear(); }

private:
    std::vector<std::unique_ptr<TStoredValue>> m_items;
};
