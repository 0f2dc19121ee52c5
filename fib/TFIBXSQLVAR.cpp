#include "fib/TFIBXSQLVAR.h"

#include "core/Win1251.h"
#include "fib/SQLValues.h"
#include "fib/TFIBQuery.h"
#include "fib/TFIBXSQLDA.h"

const XSQLVAR* TFIBXSQLVAR::Var() const {
    if (m_owner->ListKind() != TFIBXSQLDA::Columns || m_index >= m_owner->Descriptor().Count()) return nullptr;
    return &m_owner->Descriptor().Var(m_index);
}

QVariant TFIBXSQLVAR::Value() const {
    if (m_owner->ListKind() == TFIBXSQLDA::Params) return m_value;
    const XSQLVAR* v = Var();
    if (!v || !m_owner->HasRow()) return {};
    TFIBQuery* query = m_owner->Query();
    if ((v->sqltype & ~1) == SQL_BLOB)
        return ReadVariant(*v, query->TrimChar(), [query](const ISC_QUAD& id) { return query->ReadBlob(id); });
    return ReadVariant(*v, query->TrimChar());
}

void TFIBXSQLVAR::SetValue(const QVariant& value) {
    if (m_owner->ListKind() != TFIBXSQLDA::Params) {
        m_value = value;
        return;
    }
    // Every occurrence of the name takes the value.
    for (int i = 0; i < m_owner->Count(); ++i) {
        TFIBXSQLVAR& p = m_owner->At(i);
        if (&p != this && p.m_name != m_name) continue;
        p.m_value = value;
        p.m_modified = true;
    }
}

bool TFIBXSQLVAR::IsNull() const {
    const QVariant v = Value();
    return !v.isValid() || v.isNull();
}

void TFIBXSQLVAR::SetIsNull(bool null) {
    if (null) SetValue(QVariant());
}

short TFIBXSQLVAR::SQLType() const {
    const XSQLVAR* v = Var();
    return v ? v->sqltype : m_sqltype;
}
short TFIBXSQLVAR::SQLScale() const {
    const XSQLVAR* v = Var();
    return v ? v->sqlscale : m_scale;
}
short TFIBXSQLVAR::SQLLen() const {
    const XSQLVAR* v = Var();
    return v ? v->sqllen : m_len;
}
short TFIBXSQLVAR::SQLSubtype() const {
    const XSQLVAR* v = Var();
    return v ? v->sqlsubtype : m_subtype;
}

QString TFIBXSQLVAR::RelationName() const {
    const XSQLVAR* v = Var();
    return v ? FromWin1251(v->relname, v->relname_length) : QString();
}
QString TFIBXSQLVAR::SQLName() const {
    const XSQLVAR* v = Var();
    return v ? FromWin1251(v->sqlname, v->sqlname_length) : QString();
}
QString TFIBXSQLVAR::OwnerName() const {
    const XSQLVAR* v = Var();
    return v ? FromWin1251(v->ownname, v->ownname_length) : QString();
}
QString TFIBXSQLVAR::AliasName() const {
    const XSQLVAR* v = Var();
    return v ? FromWin1251(v->aliasname, v->aliasname_length) : QString();
}
