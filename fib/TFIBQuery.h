#pragma once
#include <ibase.h>

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <functional>

#include "core/TComponent.h"
#include "fib/SQLInfo.h"
#include "fib/SQLScanner.h"
#include "fib/TFIBStatementBinding.h"
#include "fib/TFIBStatementHandle.h"
#include "fib/TFIBXSQLDA.h"
#include "fib/TSQLDA.h"

class TFIBDatabase;
class TFIBTransaction;

enum TpFIBQueryOption {
    qoStartTransaction = 1,
    qoAutoCommit = 2,
    qoTrimCharFields = 4,
    qoNoForceIsNull = 8,
    qoFreeHandleAfterExecute = 16
};
using TpFIBQueryOptions = int;

// One SQL text run on a database in a transaction: named parameters found in the text and replaced by
// markers, NULL comparisons in WHERE rewritten, prepare, execute, and the rows of a query one at a time.
class TFIBQuery : public TComponent {
    Q_OBJECT
public:
    // An owner that is a database sets Database, one that is a transaction sets Transaction.
    explicit TFIBQuery(QObject* owner = nullptr);
    ~TFIBQuery() override;

    TFIBDatabase* Database() const { return m_binding.Database(); }
    // A different database drops the prepared statement first.
    void SetDatabase(TFIBDatabase* database);
    TFIBTransaction* Transaction() const { return m_binding.Transaction(); }
    void SetTransaction(TFIBTransaction* transaction);
    TFIBStatementBinding& Binding() { return m_binding; }

    const QStringList& SQL() const { return m_sql; }
    // Throws client error 28 while a cursor is open and 51 when the parameter scan fails.
    void SetSQL(const QStringList& lines);
    // The text split at line breaks.
    void SetSQLText(const QString& text);
    // The lines joined, each followed by CR LF.
    const QString& Text() const { return m_text; }
    TSQLTextKind TextKind() const { return m_kind; }
    bool ParamCheck() const { return m_paramCheck; }
    void SetParamCheck(bool on);
    bool GoToFirstRecordOnExecute() const { return m_goToFirst; }
    void SetGoToFirstRecordOnExecute(bool on) { m_goToFirst = on; }
    TpFIBQueryOptions Options() const { return m_options; }
    // A change of qoNoForceIsNull has the text processed again at the next prepare.
    void SetOptions(TpFIBQueryOptions options);

    // User parameters, one per occurrence in the text.
    int ParamCount() const { return m_params.Count(); }
    TFIBXSQLVAR& Params(int index) { return m_params.At(index); }
    // Throws Exception "Parameter "%s" does not exist in %s"; an EXECUTE text falls back to the result columns.
    TFIBXSQLVAR& ParamNamed(const QString& name);
    int FieldCount() const { return m_fields.Count(); }
    // Client error 41 for an index out of range or an unknown name.
    TFIBXSQLVAR& FieldAt(int index);
    TFIBXSQLVAR& FieldNamed(const QString& name);
    TFIBXSQLVAR* FindField(const QString& name) { return m_fields.Find(name); }

    // Throws client errors 21, 12, 22, 15, 37, 0, 2 and server errors; a suppressed server error leaves it
    // unprepared.
    void Prepare();
    // Throws client errors and server errors; a suppressed server error returns with no cursor open.
    virtual void ExecQuery();
    // Client error 29 without an open cursor.
    void Next();
    bool Eof() const { return m_eof || !m_open; }
    void Close();
    void FreeHandle();

    bool Prepared() const { return m_prepared; }
    bool Open() const { return m_open; }
    TFIBSQLTypes SQLType() const { return m_sqlType; }
    int RecordCount() const { return m_recordCount; }
    // The text last sent to prepare, and how many markers it holds.
    const QString& ProcessedSQL() const { return m_processed; }
    int StatementParamCount() const { return m_in.Count(); }
    isc_stmt_handle* Handle() { return m_handle.Get(); }
    // The cursor name of a select for update, set at its first prepare.
    const QByteArray& CursorName() const { return m_cursorName; }

    // Notes the activity on the transaction and the database and, with raiseOnError and a failure,
    // reports the thread's status vector with this statement as raiser. Returns status.
    [[nodiscard]] ISC_STATUS CheckStatus(ISC_STATUS status, bool raiseOnError);

    std::function<void(TFIBQuery* sender)> BeforeExecute;
    std::function<void(TFIBQuery* sender)> AfterExecute;
    std::function<void(TFIBQuery* sender)> OnSQLChanging;

private:
    friend class TFIBXSQLVAR;
    void TextChanged();
    // The scan of the text stopped while the owner was loading: scan it now, raising its error.
    void ScanIfDeferred();
    QList<bool> ParamNulls() const;
    bool NeedsProcessing() const;
    void BuildProcessed();
    void PrepareNow();
    bool DescribeParams();
    bool DescribeColumns(int count);
    void BindParams();
    void ExecuteImmediate();
    void AfterExecuteSteps();
    void ForgetHandle() noexcept;
    IIBClientLibrary& Library() const;
    QByteArray ReadBlob(const ISC_QUAD& id);
    ISC_QUAD WriteBlob(const QByteArray& content);
    bool TrimChar() const { return (m_options & qoTrimCharFields) != 0; }

    TFIBStatementBinding m_binding;
    QStringList m_sql;
    QString m_text;
    TSQLTextKind m_kind = TSQLTextKind::Other;
    bool m_paramCheck = true;
    bool m_goToFirst = true;
    TpFIBQueryOptions m_options = 0;

    TFIBXSQLDA m_params;
    TFIBXSQLDA m_fields;
    QList<TSQLParamRef> m_refs;
    QString m_processed;
    bool m_processedValid = false;
    bool m_scanDeferred = false;
    QList<int> m_kept;  // user parameter of each marker of the processed text
    TSQLDA m_in;

    TFIBStatementHandle m_handle;
    bool m_prepared = false;
    bool m_open = false;
    bool m_eof = false;
    int m_recordCount = 0;
    TFIBSQLTypes m_sqlType = SQLUnknown;
    QByteArray m_cursorName;
};
