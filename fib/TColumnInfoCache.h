#pragma once
#include <QHash>
#include <QString>
#include <mutex>
#include <optional>
#include <vector>

class TFIBDatabase;

// What the catalogue says about one table column.
struct TColumnInfo {
    QString Name;
    QString Domain;
    bool Computed = false;
    bool HasDefault = false;
    QString Default;  // without "DEFAULT", trimmed, a quoted text without its quotes
    bool EmptyTextDefault = false;
    bool QuotedDefault = false;  // the default was a quoted text, not a keyword or a number
};

// The process-wide cache of column information, read once per table and database name and then reused.
class TColumnInfoCache {
public:
    static TColumnInfoCache& Instance();

    // The columns of table (without double quotes), read through database's internal transaction when not
    // known yet. Throws the errors of the catalogue query (nothing is cached then).
    std::vector<TColumnInfo> Columns(TFIBDatabase& database, const QString& table);
    // How often the catalogue was read, for tests and diagnostics.
    int ReadCount() const;
    void Clear();

    // The catalogue query, as sent to the server.
    static QString CatalogueQuery();
    // A default source such as "DEFAULT 'x'" as kept in TColumnInfo::Default; emptyText tells an empty
    // quoted text.
    static QString ParseDefault(const QString& source, bool& emptyText, bool* quoted = nullptr);

private:
    std::vector<TColumnInfo> Read(TFIBDatabase& database, const QString& table, bool& complete);

    mutable std::mutex m_lock;
    QHash<QString, std::vector<TColumnInfo>> m_tables;  // key: database name, LF, table name
    int m_reads = 0;
};
