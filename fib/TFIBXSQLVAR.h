#pragma once
#include <ibase.h>

#include <QString>
#include <QVariant>

class TFIBXSQLDA;

// One parameter or result column of a statement. A parameter keeps the value set by the caller until an
// execution binds it; a result column reads the fetched row from its descriptor variable.
class TFIBXSQLVAR {
public:
    TFIBXSQLVAR(TFIBXSQLDA* owner, int index) : m_owner(owner), m_index(index) {}

    QString Name() const { return m_name; }
    int Index() const { return m_index; }
    bool IsQuoted() const { return m_quoted; }
    // May be rewritten into IS [NOT] NULL when NULL (parameters only).
    bool Eligible() const { return m_eligible; }
    qsizetype StartPos() const { return m_start; }
    qsizetype EndPos() const { return m_end; }

    // Parameter: the value set; result column: the fetched value (NULL before the first row).
    // Reading a column of a type that cannot be read throws client error 33.
    QVariant Value() const;
    // Parameter: sets this and every other occurrence of the name, marking them modified.
    void SetValue(const QVariant& value);
    bool IsNull() const;
    void SetIsNull(bool null);
    bool Modified() const { return m_modified; }
    void SetModified(bool modified) { m_modified = modified; }

    QString AsString() const { return Value().toString(); }
    int AsInteger() const { return Value().toInt(); }

    // The described type (the nullable bit included), scale, length and subtype: a parameter's from the
    // last prepare, 0 before it; a column's from the describe.
    short SQLType() const;
    short SQLScale() const;
    short SQLLen() const;
    short SQLSubtype() const;
    // A result column's origin as the server described it.
    QString RelationName() const;
    QString SQLName() const;
    QString OwnerName() const;
    QString AliasName() const;
    // A result column's descriptor variable, for readers that convert the fetched row themselves.
    const XSQLVAR* SQLVar() const { return Var(); }

private:
    friend class TFIBXSQLDA;
    friend class TFIBQuery;
    const XSQLVAR* Var() const;

    TFIBXSQLDA* m_owner;
    int m_index;
    QString m_name;
    bool m_quoted = false;
    bool m_eligible = false;
    qsizetype m_start = 0;
    qsizetype m_end = 0;
    QVariant m_value;
    bool m_modified = false;
    bool m_nullAtProcessing = true;
    // What prepare described for a parameter.
    short m_sqltype = 0, m_scale = 0, m_len = 0, m_subtype = 0;
};
