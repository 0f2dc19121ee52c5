#pragma once
#include <QList>
#include <QStringList>

#include <memory>
#include <vector>

#include "fib/TFIBXSQLVAR.h"
#include "fib/TSQLDA.h"

class TFIBQuery;

// The parameters or the result columns of a statement, in order, with their names. For result columns
// it owns the descriptor that describe and fetch fill.
class TFIBXSQLDA {
public:
    enum Kind { Params, Columns };
    TFIBXSQLDA(TFIBQuery* query, Kind kind) : m_query(query), m_kind(kind) {}
    TFIBXSQLDA(const TFIBXSQLDA&) = delete;
    TFIBXSQLDA& operator=(const TFIBXSQLDA&) = delete;

    Kind ListKind() const { return m_kind; }
    TFIBQuery* Query() const { return m_query; }
    int Count() const { return int(m_vars.size()); }
    TFIBXSQLVAR& At(int i) { return *m_vars[std::size_t(i)]; }
    const TFIBXSQLVAR& At(int i) const { return *m_vars[std::size_t(i)]; }
    const QStringList& Names() const { return m_names; }
    // The variable of name (exact, then a-z in capitals; quoted names exactly), or null.
    TFIBXSQLVAR* Find(const QString& name);

    // Fresh variables with these names; the descriptor is sized for result columns.
    void Reset(const QStringList& names);
    void Clear() { Reset({}); }
    TSQLDA& Descriptor() { return m_da; }

    // Result columns: whether the descriptor holds a row (cleared at every execute).
    bool HasRow() const { return m_hasRow; }
    void SetHasRow(bool on) { m_hasRow = on; }

private:
    TFIBQuery* m_query;
    Kind m_kind;
    std::vector<std::unique_ptr<TFIBXSQLVAR>> m_vars;
    QStringList m_names;
    TSQLDA m_da;
    bool m_hasRow = false;
};
