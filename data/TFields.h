#pragma once
#include <QString>
#include <vector>

class TField;

// The field list of a dataset, in order. Holds the fields, does not own them.
class TFields {
public:
    int Count() const { return int(m_fields.size()); }
    TField* Field(int index) const { return m_fields[size_t(index)]; }
    TField* operator[](int index) const { return Field(index); }
    // By name without regard to case; null when absent.
    TField* FindField(const QString& name) const;
    // By column position (FieldNo); null when absent.
    TField* FieldByNumber(int fieldNo) const;
    int IndexOf(const TField* field) const;

    auto begin() const { return m_fields.begin(); }
    auto end() const { return m_fields.end(); }

private:
    friend class TDataSet;
    std::vector<TField*> m_fields;
};
