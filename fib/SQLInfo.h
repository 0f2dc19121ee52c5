#pragma once
#include <QByteArray>
#include <optional>

// The statement types the server reports (the Firebird isc_info_sql_stmt_* codes).
enum TFIBSQLTypes {
    SQLUnknown = 0, SQLSelect = 1, SQLInsert = 2, SQLUpdate = 3, SQLDelete = 4, SQLDDL = 5, SQLGetSegment = 6,
    SQLPutSegment = 7, SQLExecProcedure = 8, SQLStartTransaction = 9, SQLCommit = 10, SQLRollback = 11,
    SQLSelectForUpdate = 12, SQLSetGenerator = 13, SQLSavePointOperation = 14
};

// The value of isc_info_sql_stmt_type in a reply of isc_dsql_sql_info; nothing when the reply lacks the item
// (the caller raises client error 0) or its length runs past the reply.
std::optional<int> ParseStatementType(const QByteArray& reply);
