#pragma once
#include <QString>
#include <QVariant>

class TStoredValues;

// One named value a settings component keeps in its section; the key is the name exactly.
class TStoredValue {
public:
    TStoredValue(TStoredValues& collection, QVariant value) : m_collection(&collection), m_value(std::move(value)) {}

    const QString& Name() const { return m_name; }
    // Throws EStringListError "String list does not allow duplicates" when another item of the
    // collection has the name already (without regard to case).
    void SetName(const QString& name);

    const QVariant& Value() const { return m_value; }
    void SetValue(QVariant value) { m_value = std::move(value); }
    QString AsString() const { return m_value.toString(); }
    void SetAsString(const QString& text) { m_value = text; }

private:
    TStoredValues* m_collection;
    QString m_name;
    QVariant m_value;
};
