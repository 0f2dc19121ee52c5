#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>

// What a statement's text is, by its first keyword(s).
enum class TSQLTextKind { Select, UpdateOrInsert, Update, Delete, Insert, ExecProcedure, ExecBlock, Definition, Other };

// One occurrence of a named parameter in the user's text.
struct TSQLParamRef {
    QString Name;         // unquoted: a-z upper-cased; quoted: as written, without the quotes
    bool Quoted = false;
    qsizetype Start = 0;  // position of the ":" or "?"
    qsizetype End = 0;    // one past the parameter's last character (the closing quote of a quoted name)
    bool Eligible = false;  // may be turned into IS [NOT] NULL when its value is NULL
};

enum class TSQLScanError { None, ParamNameExpected, EofInString, EofInComment };

struct TSQLScan {
    TSQLTextKind Kind = TSQLTextKind::Other;
    QList<TSQLParamRef> Params;
    TSQLScanError Error = TSQLScanError::None;
    qsizetype ErrorPos = -1;  // where the failing parameter, literal or comment starts
};

// The statement's text: the lines joined, each followed by CR LF.
QString JoinSQLLines(const QStringList& lines);

// True when the text, leading blanks removed and in capitals, begins with "EXECUTE ": ParamNamed then falls
// back to the result columns.
bool IsExecuteText(QStringView sql);

// The text kind: the first keyword after leading blanks, "(", ";", "^" and comments.
TSQLTextKind SQLTextKind(QStringView sql);

// The quick scan: true when a ":" or "?" stands outside literals and comments, from the second character on.
bool SQLHasMarker(QStringView sql);

// The full parameter scan; never throws, a failure is reported in Error (Params then holds what came before it).
TSQLScan ScanSQL(QStringView sql);

// "Parameter name expected", "EOF in string detected", "EOF in comment detected"; empty for None.
QString SQLScanErrorText(TSQLScanError error);

// The statement's scan: a failure raises client error 51 naming fullName, except "Parameter name expected"
// while an owner is being loaded, which gives nothing (the caller keeps its lists as they were).
std::optional<TSQLScan> ParseSQLParams(QStringView sql, const QString& fullName, bool ownerLoading);

// The text sent to the server: each marker becomes "?", the rest of its parameter blanks; same length as sql.
QString ProcessedSQL(QStringView sql, const QList<TSQLParamRef>& params);

struct TSQLNullRewrite {
    QString Text;        // the processed text with the rewritten comparisons
    QList<int> Kept;     // indices into params of the markers left in Text, in order
    bool Rewritten = false;
};

// The processed text for an execution in which isNull[i] tells whether params[i] is NULL: an eligible NULL
// parameter after "=" becomes " IS NULL ", after "!=", "^=", "~=" or "<>" " IS NOT NULL "; others keep their marker.
TSQLNullRewrite RewriteNullParams(QStringView sql, const QList<TSQLParamRef>& params, const QList<bool>& isNull);

// True when some eligible parameter changed between NULL and not NULL since the text was last processed.
bool NullChangeNeedsReprocess(const QList<TSQLParamRef>& params, const QList<bool>& nullAtLastProcessing,
                              const QList<bool>& nullNow);
