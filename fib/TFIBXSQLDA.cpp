#include "fib/TFIBXSQLDA.h"

#include "fib/SQLNames.h"

TFIBXSQLVAR* TFIBXSQLDA::Find(const QString& name) {
    const qsizetype i = FindSQLName(m_names, name);
    return i < 0 ? nullptr : m_vars[std::size_t(i)].get();
}

void TFIBXSQLDA::Reset(const QStringList& names) {
    m_vars.clear();
    m_vars.reserve(std::size_t(names.size()));
    for (qsizetype i = 0; i < names.size(); ++i) {
        auto var = std::make_unique<TFIBXSQLVAR>(this, int(i));
        var->m_name = names[i];
        m_vars.push_back(std::move(var));
    }
    m_names = names;
    m_hasRow = false;
}
