#include "settings/TStoredValues.h"

#include "core/TextCompare.h"

TStoredValue& TStoredValues::Add(const QString& name, const QVariant& value) {
    auto item = std::make_unique<TStoredValue>(*this, value);
    item->SetName(name);
    m_items.push_back(std::move(item));
    return *m_items.back();
}

TStoredValue* TStoredValues::FindStoredValue(const QString& name) const {
    for (const auto& item : m_items)
        if (AnsiSameText(item->Name(), name)) return item.get();
    return nullptr;
}
