#include "fib/TFIBQuery.h"

#include <iberror.h>

#include <QRegularExpression>

#include <algorithm>
#include <atomic>

#include "core/Format.h"
#include "core/Win1251.h"
#include "fib/FIBErrors.h"
#include "fib/LoadingState.h"
#include "fib/SQLNames.h"
#include "fib/SQLValues.h"
#include "fib/StatusCheck.h"
#include "fib/StatusVector.h"
#include "fib/TFIBDatabase.h"
#include "fib/TFIBTransaction.h"

using namespace Qt::StringLiterals;

namespace {
std::atomic<unsigned> g_cursorCounter{0};

bool HasTextAboveBlank(const QString& s) {
    return std::any_of(s.begin(), s.end(), [](QChar c) { return c.unicode() > 32; });
}

// Closes a blob handle when the read or write leaves early.
class TBlobHandle {
public:
    explicit TBlobHandle(IIBClientLibrary& library) : m_library(library) {}
    ~TBlobHandle() noexcept {
        if (!m_handle) return;
        try {
            ISC_STATUS local[ISC_STATUS_LENGTH] = {};
            (void)m_library.Call<EP::isc_close_blob>(local, &m_handle);
        } catch (...) {
        }
    }
    TBlobHandle(const TBlobHandle&) = delete;
    TBlobHandle& operator=(const TBlobHandle&) = delete;
    isc_blob_handle* Get() { return &m_handle; }

private:
    IIBClientLibrary& m_library;
    isc_blob_handle m_handle = 0;
};
}  // namespace

TFIBQuery::TFIBQuery(QObject* owner)
    : TComponent(owner), m_binding(this), m_params(this, TFIBXSQLDA::Params), m_fields(this, TFIBXSQLDA::Columns) {
    m_binding.OnTransactionEnding = [this](TTransactionAction action) {
        if ((action == TACommit || action == TARollback) && m_open) Close();
    };
    m_binding.OnDatabaseDisconnecting = [this] {
        if (m_open) Close();
        FreeHandle();
    };
    m_binding.OnConnectionDropped = [this] { ForgetHandle(); };
    m_binding.OnDatabaseFree = [this] { ForgetHandle(); };
    m_binding.OnTransactionFree = [this] {
        if (m_open) {
            m_open = false;
            m_eof = false;
        }
    };
    if (auto* db = qobject_cast<TFIBDatabase*>(owner)) SetDatabase(db);
    else if (auto* tr = qobject_cast<TFIBTransaction*>(owner)) SetTransaction(tr);
}

TFIBQuery::~TFIBQuery() {
    MarkDestroying();
    try {
        if (m_open) Close();
    } catch (...) {
    }
    try {
        FreeHandle();
    } catch (...) {
    }
}

void TFIBQuery::SetDatabase(TFIBDatabase* database) {
    if (database == Database()) return;
    if (m_prepared) FreeHandle();
    m_binding.SetDatabase(database);
}

void TFIBQuery::SetTransaction(TFIBTransaction* transaction) {
    TFIBDatabase* before = Database();
    m_binding.SetTransaction(transaction);
    if (Database() != before && m_prepared) FreeHandle();
}

IIBClientLibrary& TFIBQuery::Library() const { return *Database()->ClientLibrary(); }

ISC_STATUS TFIBQuery::CheckStatus(ISC_STATUS status, bool raiseOnError) {
    if (TFIBTransaction* tr = Transaction()) tr->MarkActivity();
    if (TFIBDatabase* db = Database()) (void)db->CheckStatus(status, false);
    if (raiseOnError && status > 0) ReportStatusError(Library(), this);
    return status;
}

void TFIBQuery::SetSQL(const QStringList& lines) {
    if (m_open) RaiseClientError(28, {u"change sql text"_s, FullName()});
    if (OnSQLChanging) OnSQLChanging(this);
    if (m_prepared) FreeHandle();
    m_sql = lines;
    TextChanged();
}

void TFIBQuery::SetSQLText(const QString& text) {
    QStringList lines = text.split(QRegularExpression(u"\r\n|\n|\r"_s));
    if (lines.size() > 1 && lines.last().isEmpty()) lines.removeLast();
    SetSQL(lines);
}

void TFIBQuery::SetParamCheck(bool on) {
    if (on == m_paramCheck) return;
    m_paramCheck = on;
    if (m_prepared) FreeHandle();
    TextChanged();
}

void TFIBQuery::SetOptions(TpFIBQueryOptions options) {
    if ((options ^ m_options) & qoNoForceIsNull && !m_refs.isEmpty()) m_processedValid = false;
    m_options = options;
}

void TFIBQuery::TextChanged() {
    m_text = JoinSQLLines(m_sql);
    m_kind = SQLTextKind(m_text);
    m_processedValid = false;
    m_scanDeferred = false;
    if (!m_paramCheck || m_text.isEmpty() || !SQLHasMarker(m_text)) {
        m_refs.clear();
        m_params.Clear();
        m_kept.clear();
        m_processed = m_text;
        m_processedValid = true;
        return;
    }
    const auto scan = ParseSQLParams(m_text, FullName(), IsLoadingChain(this));
    if (!scan) {
        // A loading owner: the lists stay as they were, but they belong to the previous text, so the
        // text is scanned again before it is used (and then fails unless it was mended meanwhile).
        m_scanDeferred = true;
        return;
    }
    m_refs = scan->Params;
    QStringList names;
    names.reserve(m_refs.size());
    for (const TSQLParamRef& r : m_refs) names.append(r.Name);
    m_params.Reset(names);
    for (int i = 0; i < m_params.Count(); ++i) {
        TFIBXSQLVAR& p = m_params.At(i);
        const TSQLParamRef& r = m_refs[i];
        p.m_quoted = r.Quoted;
        p.m_eligible = r.Eligible;
        p.m_start = r.Start;
        p.m_end = r.End;
    }
    if (m_refs.isEmpty()) {
        m_processed = m_text;
        m_kept.clear();
        m_processedValid = true;
    }
}

TFIBXSQLVAR& TFIBQuery::ParamNamed(const QString& name) {
    if (TFIBXSQLVAR* p = m_params.Find(name)) return *p;
    if (IsExecuteText(m_text)) return FieldNamed(name);
    throw Exception(FormatMessage(u"Parameter \"%s\" does not exist in %s"_s, {name, FullName()}));
}

TFIBXSQLVAR& TFIBQuery::FieldAt(int index) {
    if (index < 0 || index >= m_fields.Count()) RaiseClientError(41, {u"Field No: "_s + QString::number(index)});
    return m_fields.At(index);
}

TFIBXSQLVAR& TFIBQuery::FieldNamed(const QString& name) {
    TFIBXSQLVAR* f = m_fields.Find(name);
    if (!f) RaiseClientError(41, {name});
    return *f;
}

QList<bool> TFIBQuery::ParamNulls() const {
    QList<bool> nulls;
    nulls.reserve(m_params.Count());
    for (int i = 0; i < m_params.Count(); ++i) nulls.append(m_params.At(i).IsNull());
    return nulls;
}

bool TFIBQuery::NeedsProcessing() const {
    if (!m_processedValid || !m_prepared) return true;
    if (m_options & qoNoForceIsNull) return false;
    QList<bool> before;
    before.reserve(m_params.Count());
    for (int i = 0; i < m_params.Count(); ++i) before.append(m_params.At(i).m_nullAtProcessing);
    return NullChangeNeedsReprocess(m_refs, before, ParamNulls());
}

void TFIBQuery::BuildProcessed() {
    QList<bool> nulls = ParamNulls();
    for (int i = 0; i < m_params.Count(); ++i) m_params.At(i).m_nullAtProcessing = nulls[i];
    if (m_options & qoNoForceIsNull) nulls.fill(false);
    TSQLNullRewrite r = RewriteNullParams(m_text, m_refs, nulls);
    m_processed = std::move(r.Text);
    m_kept = std::move(r.Kept);
    m_processedValid = true;
}

void TFIBQuery::ScanIfDeferred() {
    if (!m_scanDeferred) return;
    m_scanDeferred = false;
    (void)ParseSQLParams(m_text, FullName(), false);  // raises the scan's error
    TextChanged();
}

void TFIBQuery::Prepare() {
    if (m_open) Close();
    ScanIfDeferred();
    m_binding.CheckDatabase();
    TFIBTransaction* tr = Transaction();
    if ((m_options & qoStartTransaction) && tr && !tr->Active()) tr->StartTransaction();
    m_binding.CheckTransaction();
    if (m_paramCheck && !m_refs.isEmpty() && NeedsProcessing()) {
        if (m_prepared) FreeHandle();
        BuildProcessed();
    }
    if (m_prepared) return;
    if (!HasTextAboveBlank(m_processed)) RaiseClientError(37, {u"Prepare"_s});
    PrepareNow();
}

void TFIBQuery::PrepareNow() {
    IIBClientLibrary& lib = Library();
    ISC_STATUS* sv = ThreadStatusVector();
    ISC_STATUS status =
        lib.Call<EP::isc_dsql_alloc_statement2>(sv, m_binding.DBHandle(), m_handle.Reset(&lib));
    if (CheckStatus(status, true) > 0) {
        m_handle.Release();
        return;
    }
    try {
        const QByteArray text = ToWin1251(m_processed);
        TSQLDA& out = m_fields.Descriptor();
        out.Resize(1);
        status = lib.Call<EP::isc_dsql_prepare>(sv, m_binding.TRHandle(), m_handle.Get(), (unsigned short)0,
                                                 text.constData(), (unsigned short)Database()->SQLDialect(),
                                                 out.Data());
        if (CheckStatus(status, true) > 0) {
            ISC_STATUS local[ISC_STATUS_LENGTH] = {};
            (void)m_handle.Free(local);
            m_handle.Release();
            return;
        }
        const int columns = out.Data()->sqld;
        char item = char(isc_info_sql_stmt_type);
        char reply[16] = {};
        status = lib.Call<EP::isc_dsql_sql_info>(sv, m_handle.Get(), short(1), &item, short(sizeof reply), reply);
        if (CheckStatus(status, true) > 0) {
            FreeHandle();
            return;
        }
        const auto type = ParseStatementType(QByteArray(reply, sizeof reply));
        if (!type) RaiseClientError(0);
        m_sqlType = TFIBSQLTypes(*type);
        switch (m_sqlType) {
        case SQLGetSegment: case SQLPutSegment: case SQLStartTransaction: RaiseClientError(2);
        default: break;
        }
        if (m_sqlType == SQLSelectForUpdate) {
            if (m_cursorName.isEmpty())  // "C" and nine digits, unique in the process
                m_cursorName = QByteArray::number(++g_cursorCounter % 1000000000u).rightJustified(9, '0').prepend('C');
            status = lib.Call<EP::isc_dsql_set_cursor_name>(sv, m_handle.Get(), m_cursorName.constData(), (unsigned short)0);
            if (CheckStatus(status, true) > 0) {
                FreeHandle();
                return;
            }
        }
        bool described = true;
        switch (m_sqlType) {
        case SQLSelect: case SQLInsert: case SQLUpdate: case SQLDelete: case SQLExecProcedure:
        case SQLSelectForUpdate:
            described = DescribeParams();
            break;
        default: m_in.Resize(0); break;
        }
        if (described && (m_sqlType == SQLSelect || m_sqlType == SQLExecProcedure || m_sqlType == SQLSelectForUpdate)) {
            described = DescribeColumns(columns);
        } else if (described) {
            m_fields.Descriptor().Resize(0);
            m_fields.Clear();
        }
        if (!described) {  // a suppressed failure: the statement stays unprepared, its status kept
            ISC_STATUS local[ISC_STATUS_LENGTH] = {};
            (void)m_handle.Free(local);
            m_handle.Release();
            m_fields.Clear();
            return;
        }
        m_prepared = true;
    } catch (...) {
        ISC_STATUS local[ISC_STATUS_LENGTH] = {};
        (void)m_handle.Free(local);
        m_handle.Release();
        m_fields.Clear();
        m_prepared = false;
        throw;
    }
}

bool TFIBQuery::DescribeParams() {
    IIBClientLibrary& lib = Library();
    ISC_STATUS* sv = ThreadStatusVector();
    m_in.Resize(1);
    ISC_STATUS status = lib.Call<EP::isc_dsql_describe_bind>(sv, m_handle.Get(), (unsigned short)1, m_in.Data());
    if (CheckStatus(status, true) > 0) return false;  // reported and suppressed: nothing more to say
    const int count = m_in.Data()->sqld;
    m_in.Resize(count);
    if (count > 0) {
        status = lib.Call<EP::isc_dsql_describe_bind>(sv, m_handle.Get(), (unsigned short)1, m_in.Data());
        if (CheckStatus(status, true) > 0) return false;
    }
    m_in.AllocateDescribed();
    for (int j = 0; j < count && j < m_kept.size(); ++j) {
        TFIBXSQLVAR& p = m_params.At(m_kept[j]);
        const XSQLVAR& v = m_in.Var(j);
        p.m_sqltype = v.sqltype;
        p.m_scale = v.sqlscale;
        p.m_len = v.sqllen;
        p.m_subtype = v.sqlsubtype;
    }
    return true;
}

bool TFIBQuery::DescribeColumns(int count) {
    TSQLDA& out = m_fields.Descriptor();
    out.Resize(count);
    if (count > 0) {
        const ISC_STATUS status = Library().Call<EP::isc_dsql_describe>(ThreadStatusVector(), m_handle.Get(),
                                                                        (unsigned short)1, out.Data());
        if (CheckStatus(status, true) > 0) return false;
    }
    out.AllocateDescribed();
    QStringList aliases;
    aliases.reserve(count);
    for (int i = 0; i < count; ++i) aliases.append(FromWin1251(out.Var(i).aliasname, out.Var(i).aliasname_length));
    m_fields.Reset(NameResultColumns(aliases));
    return true;
}

void TFIBQuery::BindParams() {
    const int dialect = Database()->SQLDialect();
    for (int j = 0; j < m_in.Count(); ++j) {
        TFIBXSQLVAR* p = j < m_kept.size() && m_kept[j] < m_params.Count() ? &m_params.At(m_kept[j]) : nullptr;
        const QVariant value = p ? p->m_value : QVariant();
        TBindTarget target;
        target.DescribedType = short(p ? (p->m_sqltype & ~1) : (m_in.Var(j).sqltype & ~1));
        target.Dialect = dialect;
        QByteArray blob;
        if (BindVariant(m_in, j, value, target, &blob) == TBindResult::NeedsBlob) BindBlobId(m_in, j, WriteBlob(blob));
    }
}

void TFIBQuery::ExecuteImmediate() {
    if (BeforeExecute) BeforeExecute(this);
    if (!Transaction()) RaiseClientError(22, {FullName()});
    ScanIfDeferred();
    if (!m_processedValid) BuildProcessed();
    if (m_prepared) FreeHandle();
    isc_db_handle* db = m_binding.DBHandle();
    const QByteArray text = ToWin1251(m_processed);
    // The transaction handle goes as it is; the server refuses an inactive one.
    const ISC_STATUS status = Library().Call<EP::isc_dsql_execute_immediate>(
        ThreadStatusVector(), db, Transaction()->Handle(), (unsigned short)0, text.constData(),
        (unsigned short)Database()->SQLDialect(), nullptr);
    if (CheckStatus(status, true) > 0) return;
    AfterExecuteSteps();
}

void TFIBQuery::ExecQuery() {
    if (m_kind == TSQLTextKind::Definition) {
        ExecuteImmediate();
        return;
    }
    if (BeforeExecute) BeforeExecute(this);
    TFIBTransaction* tr = Transaction();
    if (!tr) RaiseClientError(22, {FullName()});
    m_fields.SetHasRow(false);
    if ((m_options & qoStartTransaction) && !tr->Active()) tr->StartTransaction();
    if ((m_paramCheck && !m_refs.isEmpty()) || !m_prepared) Prepare();
    if (!m_prepared) return;  // a suppressed server error
    BindParams();
    IIBClientLibrary& lib = Library();
    ISC_STATUS* sv = ThreadStatusVector();
    XSQLDA* in = m_in.Count() > 0 ? m_in.Data() : nullptr;
    switch (m_sqlType) {
    case SQLSelect: case SQLSelectForUpdate: {
        if (m_open) Close();
        const ISC_STATUS status =
            lib.Call<EP::isc_dsql_execute>(sv, m_binding.TRHandle(), m_handle.Get(), (unsigned short)1, in);
        if (CheckStatus(status, true) > 0) return;
        m_open = true;
        m_eof = false;
        m_recordCount = 0;
        if (m_goToFirst) Next();
        break;
    }
    case SQLExecProcedure: {
        XSQLDA* out = m_fields.Count() > 0 ? m_fields.Descriptor().Data() : nullptr;
        const ISC_STATUS status =
            lib.Call<EP::isc_dsql_execute2>(sv, m_binding.TRHandle(), m_handle.Get(), (unsigned short)1, in, out);
        if (CheckStatus(status, true) > 0) return;
        m_fields.SetHasRow(out != nullptr);
        break;
    }
    case SQLCommit: tr->Commit(); break;
    case SQLRollback: tr->Rollback(); break;
    default: {
        const ISC_STATUS status =
            lib.Call<EP::isc_dsql_execute>(sv, m_binding.TRHandle(), m_handle.Get(), (unsigned short)1, in);
        if (CheckStatus(status, true) > 0) return;
        break;
    }
    }
    AfterExecuteSteps();
}

void TFIBQuery::AfterExecuteSteps() {
    if (AfterExecute) AfterExecute(this);
    for (int i = 0; i < m_params.Count(); ++i) m_params.At(i).m_modified = false;
    TFIBTransaction* tr = Transaction();
    if ((m_options & qoAutoCommit) && tr) {
        if (tr->TimeoutAction() == TACommitRetaining) tr->CommitRetaining();
        else tr->Commit();
    }
    if (!m_open && (m_options & qoFreeHandleAfterExecute)) FreeHandle();
}

void TFIBQuery::Next() {
    if (m_eof) return;
    if (!m_open) RaiseClientError(29, {u"fetch next record"_s, FullName()});
    ISC_STATUS* sv = ThreadStatusVector();
    const ISC_STATUS status =
        Library().Call<EP::isc_dsql_fetch>(sv, m_handle.Get(), (unsigned short)1, m_fields.Descriptor().Data());
    if (status == 0) {
        ++m_recordCount;
        m_fields.SetHasRow(true);
        if (TFIBTransaction* tr = Transaction()) tr->MarkActivity();
        return;
    }
    if (status == 100 || sv[1] == isc_dsql_cursor_err) {
        m_eof = true;
        return;
    }
    // Any other failure closes the statement; the error is the fetch's, so it is kept aside meanwhile.
    ISC_STATUS saved[ISC_STATUS_LENGTH];
    std::copy(sv, sv + ISC_STATUS_LENGTH, saved);
    try {
        Close();
    } catch (...) {
    }
    std::copy(saved, saved + ISC_STATUS_LENGTH, sv);
    (void)CheckStatus(status, true);
}

void TFIBQuery::Close() {
    const bool wasOpen = m_open;
    m_open = false;
    m_eof = false;
    if (wasOpen && (m_sqlType == SQLSelect || m_sqlType == SQLSelectForUpdate) && m_handle.IsSet() && Database()) {
        ISC_STATUS* sv = ThreadStatusVector();
        const ISC_STATUS status =
            Library().Call<EP::isc_dsql_free_statement>(sv, m_handle.Get(), (unsigned short)DSQL_close);
        if (status > 0 && sv[1] != isc_bad_stmt_handle && sv[1] != isc_dsql_cursor_close_err)
            (void)CheckStatus(status, true);
    }
    if (m_options & qoFreeHandleAfterExecute) FreeHandle();
}

void TFIBQuery::FreeHandle() {
    m_fields.Descriptor().Resize(0);
    m_fields.Clear();
    m_open = false;
    m_eof = true;
    m_prepared = false;
    m_processedValid = m_refs.isEmpty() && m_processedValid;
    if (!m_handle.IsSet()) return;
    if (!Database() || !Database()->Connected()) {
        m_handle.Release();
        return;
    }
    ISC_STATUS* sv = ThreadStatusVector();
    const ISC_STATUS status = m_handle.Free(sv);
    m_handle.Release();
    if (status > 0) (void)CheckStatus(status, true);
}

void TFIBQuery::ForgetHandle() noexcept {
    m_handle.Release();
    m_open = false;
    m_eof = true;
    m_prepared = false;
    m_processedValid = m_refs.isEmpty() && m_processedValid;
}

QByteArray TFIBQuery::ReadBlob(const ISC_QUAD& id) {
    IIBClientLibrary& lib = Library();
    ISC_STATUS* sv = ThreadStatusVector();
    TBlobHandle blob(lib);
    ISC_QUAD quad = id;
    ISC_STATUS status = lib.Call<EP::isc_open_blob2>(sv, m_binding.DBHandle(), m_binding.TRHandle(), blob.Get(),
                                                     &quad, (ISC_USHORT)0, nullptr);
    if (CheckStatus(status, true) > 0) return {};
    QByteArray content;
    char buffer[32768];
    for (;;) {
        unsigned short got = 0;
        status = lib.Call<EP::isc_get_segment>(sv, blob.Get(), &got, (unsigned short)sizeof buffer, buffer);
        if (status == 0 || sv[1] == isc_segment) {
            content.append(buffer, got);
            continue;
        }
        if (sv[1] == isc_segstr_eof) break;
        if (CheckStatus(status, true) > 0) break;
    }
    return content;
}

ISC_QUAD TFIBQuery::WriteBlob(const QByteArray& content) {
    IIBClientLibrary& lib = Library();
    ISC_STATUS* sv = ThreadStatusVector();
    TBlobHandle blob(lib);
    ISC_QUAD id{};
    ISC_STATUS status = lib.Call<EP::isc_create_blob2>(sv, m_binding.DBHandle(), m_binding.TRHandle(), blob.Get(),
                                                       &id, short(0), nullptr);
    if (CheckStatus(status, true) > 0) return id;
    for (qsizetype at = 0; at < content.size(); at += 32767) {
        const auto piece = (unsigned short)std::min<qsizetype>(32767, content.size() - at);
        status = lib.Call<EP::isc_put_segment>(sv, blob.Get(), piece, content.constData() + at);
        if (CheckStatus(status, true) > 0) return id;
    }
    status = lib.Call<EP::isc_close_blob>(sv, blob.Get());
    (void)CheckStatus(status, true);
    return id;
}
