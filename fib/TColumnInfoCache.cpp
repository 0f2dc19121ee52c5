#include "fib/TColumnInfoCache.h"

#include <memory>

#include "fib/StatusVector.h"
#include "fib/TFIBDatabase.h"
#include "fib/TFIBTransaction.h"
#include "fib/TpFIBQuery.h"

using namespace Qt::StringLiterals;

TColumnInfoCache& TColumnInfoCache::Instance() {
    static TColumnInfoCache cache;
    return cache;
}

QString TColumnInfoCache::CatalogueQuery() {
    return u"Select R.RDB$FIELD_NAME,R.RDB$FIELD_SOURCE,F.RDB$COMPUTED_BLR, \r\n"
           u"R.RDB$DEFAULT_SOURCE DS,F.RDB$DEFAULT_SOURCE DS1, \r\n"
           u"F.RDB$FIELD_TYPE, \r\n"
           u"F.RDB$CHARACTER_SET_ID \r\n"
           u"from  RDB$RELATION_FIELDS R \r\n"
           u"JOIN RDB$FIELDS F ON (R.RDB$FIELD_SOURCE = F.RDB$FIELD_NAME) \r\n"
           u"where  R.RDB$RELATION_NAME=:TN \r\n"
           u"order by R.RDB$FIELD_POSITION"_s;
}

QString TColumnInfoCache::ParseDefault(const QString& source, bool& emptyText, bool* quoted) {
    emptyText = false;
    if (quoted) *quoted = false;
    QString d = source.mid(7).trimmed();
    const qsizetype quote = d.indexOf(u'\'');
    if (quote >= 0) {
        if (quoted) *quoted = true;
        d = d.mid(quote);
        emptyText = d == u"''"_s;
        d.remove(u'\'');
    }
    return d;
}

int TColumnInfoCache::ReadCount() const {
    std::lock_guard guard(m_lock);
    return m_reads;
}

void TColumnInfoCache::Clear() {
    std::lock_guard guard(m_lock);
    m_tables.clear();
}

std::vector<TColumnInfo> TColumnInfoCache::Columns(TFIBDatabase& database, const QString& table) {
    QString name = table;
    if (name.size() >= 2 && name.startsWith(u'"') && name.endsWith(u'"')) name = name.mid(1, name.size() - 2);
    const QString key = database.DBName() + u'\n' + name;
    std::lock_guard guard(m_lock);
    auto it = m_tables.constFind(key);
    if (it != m_tables.constEnd()) return *it;
    bool complete = false;
    std::vector<TColumnInfo> columns = Read(database, name, complete);
    ++m_reads;
    // A read that failed (and was suppressed) is tried again next time rather than kept as "no columns".
    if (complete) m_tables.insert(key, columns);
    return columns;
}

std::vector<TColumnInfo> TColumnInfoCache::Read(TFIBDatabase& database, const QString& table, bool& complete) {
    complete = false;
    TFIBTransaction* tr = database.InternalTransaction();
    const bool started = !tr->Active();
    if (started) tr->StartTransaction();
    std::vector<TColumnInfo> columns;
    if (!tr->Active()) return columns;
    ClearThreadStatus();
    try {
        auto q = std::make_unique<TpFIBQuery>();
        q->SetDatabase(&database);
        q->SetTransaction(tr);
        q->SetSQLText(CatalogueQuery());
        q->ParamNamed(u"TN"_s).SetValue(table);
        q->ExecQuery();
        while (!q->Eof()) {
            TColumnInfo c;
            c.Name = q->FieldAt(0).AsString().trimmed();
            c.Domain = q->FieldAt(1).AsString().trimmed();
            c.Computed = !q->FieldAt(2).IsNull();
            QVariant src = q->FieldAt(3).Value();
            if (src.isNull() || src.toString().trimmed().isEmpty()) src = q->FieldAt(4).Value();
            if (!src.isNull() && !src.toString().trimmed().isEmpty()) {
                c.HasDefault = true;
                c.Default = ParseDefault(src.toString(), c.EmptyTextDefault, &c.QuotedDefault);
            }
            columns.push_back(std::move(c));
            q->Next();
        }
        complete = !ThreadStatusFailed();
        q->Close();
    } catch (...) {
        if (started && tr->Active()) tr->EndTransaction(TARollback, true);
        throw;
    }
    if (started && tr->Active()) tr->Commit();
    return columns;
}
