#include "fib/TFIBCustomDataSet.h"

#include <QDateTime>
#include <QSet>
#include <QTimer>
#include <cmath>
#include <cstring>

#include "core/Exception.h"
#include "core/Win1251.h"
#include "data/TBCDField.h"
#include "data/TDataSource.h"
#include "data/TDateTimeField.h"
#include "data/TFormatSettings.h"
#include "data/TRecordBuffer.h"
#include "fib/FIBErrors.h"
#include "fib/StatusVector.h"
#include "fib/TFIBBooleanField.h"
#include "fib/TFIBDatabase.h"
#include "fib/TFIBIntegerField.h"
#include "fib/TFIBStringField.h"
#include "fib/TFIBTransaction.h"
#include "fib/TFIBXSQLVAR.h"
#include "fib/TpFIBQuery.h"

using namespace Qt::StringLiterals;

namespace {
TpFIBQuery* MakeQuery(QObject* owner, const QString& name) {
    auto* q = new TpFIBQuery(owner);
    q->SetName(name);
    return q;
}

TFIBXSQLVAR* FindParam(TFIBQuery& query, const QString& name) {
    for (int i = 0; i < query.ParamCount(); ++i)
        if (query.Params(i).Name().compare(name, Qt::CaseInsensitive) == 0) return &query.Params(i);
    return nullptr;
}

QString Unquoted(const QString& name) {
    if (name.size() >= 2 && name.startsWith(u'"') && name.endsWith(u'"')) return name.mid(1, name.size() - 2);
    return name;
}

bool IsIntegral(const QVariant& v) {
    switch (v.metaType().id()) {
        case QMetaType::Bool:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            return true;
        default:
            return false;
    }
}

bool IsNumber(const QVariant& v) {
    return IsIntegral(v) || v.metaType().id() == QMetaType::Double || v.metaType().id() == QMetaType::Float;
}

// Null against not null counts as different; values are compared by their kind.
bool SameValue(const QVariant& a, const QVariant& b) {
    const bool an = !a.isValid() || a.isNull(), bn = !b.isValid() || b.isNull();
    if (an || bn) return an == bn;
    if (IsIntegral(a) && IsIntegral(b)) return a.toLongLong() == b.toLongLong();
    if (IsNumber(a) && IsNumber(b)) return a.toDouble() == b.toDouble();
    if (a.metaType().id() == QMetaType::QDateTime || b.metaType().id() == QMetaType::QDateTime)
        return a.toDateTime() == b.toDateTime();
    if (a.metaType().id() == QMetaType::QDate && b.metaType().id() == QMetaType::QDate)
        return a.toDate() == b.toDate();
    if (a.metaType().id() == QMetaType::QTime && b.metaType().id() == QMetaType::QTime)
        return a.toTime() == b.toTime();
    return a.toString() == b.toString();
}
}  // namespace

TFIBCustomDataSet::TFIBCustomDataSet(QObject* owner)
    : TDataSet(owner),
      m_select(MakeQuery(this, u"SelectQuery"_s)),
      m_insert(MakeQuery(this, u"InsertQuery"_s)),
      m_update(MakeQuery(this, u"UpdateQuery"_s)),
      m_delete(MakeQuery(this, u"DeleteQuery"_s)),
      m_refresh(MakeQuery(this, u"RefreshQuery"_s)) {
    // Rows are fetched one at a time as the dataset asks for them.
    m_select->SetGoToFirstRecordOnExecute(false);
}

TFIBCustomDataSet::~TFIBCustomDataSet() {
    try {
        Close();
    } catch (...) {
    }
    UnsubscribeTransaction();
}

// ---- properties

void TFIBCustomDataSet::SetDatabase(TFIBDatabase* database) {
    if (database == m_database) return;
    if (Active()) Close();
    m_database = database;
    for (TpFIBQuery* q : {m_select, m_insert, m_update, m_delete, m_refresh}) q->SetDatabase(database);
    // Outside loading, a dataset without its own update transaction takes the database's.
    if (database && !IsLoading() && (!m_updateTransaction || m_updateTransaction == m_transaction))
        if (auto* t = dynamic_cast<TFIBTransaction*>(database->DefaultUpdateTransaction()))
            m_updateTransaction = t;
    AssignStatementTransactions();
}

void TFIBCustomDataSet::SetTransaction(TFIBTransaction* transaction) {
    if (transaction == m_transaction) return;
    if (Active()) Close();
    m_transaction = transaction;
    AssignStatementTransactions();
}

void TFIBCustomDataSet::SetUpdateTransaction(TFIBTransaction* transaction) {
    m_updateTransaction = transaction;
    AssignStatementTransactions();
}

void TFIBCustomDataSet::SetRefreshTransactionKind(TTransactionKind kind) {
    m_refreshKind = kind;
    AssignStatementTransactions();
}

void TFIBCustomDataSet::AssignStatementTransactions() {
    auto give = [](TpFIBQuery* q, TFIBTransaction* t) {
        if (t && q->Transaction() != t) q->SetTransaction(t);
    };
    give(m_select, m_transaction);
    TFIBTransaction* writer = m_updateTransaction ? m_updateTransaction : m_transaction;
    give(m_insert, writer);
    give(m_update, writer);
    give(m_delete, writer);
    give(m_refresh,
         m_refreshKind == tkUpdateTransaction && m_updateTransaction ? m_updateTransaction : m_transaction);
}

QStringList TFIBCustomDataSet::SelectSQL() const { return m_select->SQL(); }
void TFIBCustomDataSet::SetSelectSQL(const QStringList& lines) {
    if (Active()) Close();
    m_select->SetSQL(lines);
}
QStringList TFIBCustomDataSet::InsertSQL() const { return m_insert->SQL(); }
void TFIBCustomDataSet::SetInsertSQL(const QStringList& lines) { m_insert->SetSQL(lines); }
QStringList TFIBCustomDataSet::UpdateSQL() const { return m_update->SQL(); }
void TFIBCustomDataSet::SetUpdateSQL(const QStringList& lines) { m_update->SetSQL(lines); }
QStringList TFIBCustomDataSet::DeleteSQL() const { return m_delete->SQL(); }
void TFIBCustomDataSet::SetDeleteSQL(const QStringList& lines) { m_delete->SetSQL(lines); }
QStringList TFIBCustomDataSet::RefreshSQL() const { return m_refresh->SQL(); }
void TFIBCustomDataSet::SetRefreshSQL(const QStringList& lines) { m_refresh->SetSQL(lines); }

bool TFIBCustomDataSet::HasText(const QStringList& lines) {
    for (const QString& l : lines)
        if (!l.trimmed().isEmpty()) return true;
    return false;
}

bool TFIBCustomDataSet::IsNoAction(const QStringList& lines) {
    return !lines.isEmpty() && lines.first().trimmed().compare(u"No Action"_s, Qt::CaseInsensitive) == 0;
}

bool TFIBCustomDataSet::AllowsInsert() const {
    return (m_allowedUpdateKinds & ukInsert) && HasText(m_insert->SQL());
}
bool TFIBCustomDataSet::AllowsUpdate() const {
    return (m_allowedUpdateKinds & ukModify) && HasText(m_update->SQL());
}
bool TFIBCustomDataSet::AllowsDelete() const {
    return (m_allowedUpdateKinds & ukDelete) && HasText(m_delete->SQL());
}

TDataSet* TFIBCustomDataSet::Master() const { return DataSource() ? DataSource()->DataSet() : nullptr; }

TFIBTransaction* TFIBCustomDataSet::ReadTransaction() const { return m_select->Transaction(); }

// ---- the reading transaction's end

void TFIBCustomDataSet::SubscribeTransaction(TFIBTransaction* transaction) {
    if (transaction == m_subscribed) return;
    UnsubscribeTransaction();
    if (!transaction) return;
    TTransactionSubscriber s;
    s.AfterEnd = [this](TFIBTransaction*, TTransactionAction action, bool) { ReadTransactionEnded(action); };
    s.Destroyed = [this](TFIBTransaction* t) {
        if (m_subscribed == t) m_subscribed = nullptr;
        if (m_transaction == t) m_transaction = nullptr;
        if (m_updateTransaction == t) m_updateTransaction = nullptr;
    };
    transaction->Subscribe(this, std::move(s));
    m_subscribed = transaction;
}

void TFIBCustomDataSet::UnsubscribeTransaction() {
    if (m_subscribed) m_subscribed->Unsubscribe(this);
    m_subscribed = nullptr;
}

void TFIBCustomDataSet::ReadTransactionEnded(TTransactionAction action) {
    if (action != TACommit && action != TARollback) return;
    if (!Active() || (Options() & poDontCloseAfterEndTransaction)) return;
    try {
        Close();
    } catch (...) {
    }
}

// ---- opening


bool TFIBCustomDataSet::Prepared() const { return m_select->Prepared(); }

void TFIBCustomDataSet::Prepare() {
    if (!m_database && m_transaction && m_transaction->DefaultDatabase())
        SetDatabase(m_transaction->DefaultDatabase());
    if (!m_database) RaiseClientError(21, {FullName()});
    m_database->CheckConnected();
    if (!m_transaction) {
        if (auto* t = dynamic_cast<TFIBTransaction*>(m_database->DefaultTransaction())) SetTransaction(t);
    }
    if (!m_transaction) RaiseClientError(22, {FullName()});
    if (!m_transaction->Active() && (Options() & poStartTransaction)) m_transaction->StartTransaction();
    m_transaction->CheckActive();
    ApplyQueryOptions(*m_select);
    if (Prepared()) return;
    if (!HasText(m_select->SQL())) RaiseClientError(37, {u"Prepare "_s + FullName()});
    m_select->Prepare();
    // A failure the error handler suppressed leaves the statement unprepared.
    if (!m_select->Prepared()) throw EAbort();
}

void TFIBCustomDataSet::InternalOpen() {
    // A failure the error handler suppressed: Open returns normally and the dataset stays closed.
    ClearThreadStatus();
    try {
        Prepare();
    } catch (const EAbort&) {
        if (!m_select->Prepared() && ThreadStatusFailed()) AbandonOpen();
        throw;
    }
    SubscribeTransaction(m_transaction);
    ReadColumnInfo();
    if (Master()) FillFromMaster();
    m_select->ExecQuery();
    if (!m_select->Open()) AbandonOpen();

    std::vector<TFieldDef>& defs = FieldDefs();
    defs.clear();
    for (int i = 0; i < m_select->FieldCount(); ++i) {
        TFIBXSQLVAR& c = m_select->FieldAt(i);
        TFieldDef d;
        d.Name = c.Name();
        d.FieldNo = i + 1;
        d.Required = (PrepareOptions() & pfSetRequiredFields) && !(c.SQLType() & 1);
        const int type = c.SQLType() & ~1, scale = c.SQLScale();
        const std::optional<TColumnInfo>& info = m_columnInfo[size_t(i)];
        const bool booleanDomain = (PrepareOptions() & psUseBooleanField) && info &&
                                   info->Domain.contains(u"BOOLEAN"_s, Qt::CaseInsensitive);
        switch (type) {
            case SQL_TEXT:
            case SQL_VARYING:
                d.DataType = ftString;
                d.Size = c.SQLLen();
                break;
            case SQL_SHORT:
            case SQL_LONG:
                if (scale != 0)
                    d.DataType = ftFloat;
                else if (booleanDomain)
                    d.DataType = ftBoolean;
                else
                    d.DataType = type == SQL_SHORT ? ftSmallint : ftInteger;
                break;
            case SQL_INT64:
                if (scale == 0) {
                    d.DataType = (PrepareOptions() & psUseLargeIntField) ? ftLargeint : ftBCD;
                } else if (scale >= -4) {
                    d.DataType = ftBCD;
                    d.Size = -scale;
                } else {
                    d.DataType = ftFloat;
                }
                break;
            case SQL_FLOAT:
            case SQL_DOUBLE:
            case SQL_D_FLOAT:
                d.DataType = ftFloat;
                break;
            case SQL_TIMESTAMP:
                d.DataType = ftDateTime;
                break;
            case SQL_TYPE_DATE:
                d.DataType = ftDate;
                break;
            case SQL_TYPE_TIME:
                d.DataType = ftTime;
                break;
            case SQL_BLOB:
                d.DataType = c.SQLSubtype() == 1 ? ftMemo : ftBlob;
                break;
            case SQL_BOOLEAN:
                d.DataType = ftBoolean;
                break;
            default:
                d.DataType = ftString;
                d.Size = c.SQLLen();
                break;
        }
        defs.push_back(d);
    }
}

void TFIBCustomDataSet::ReadColumnInfo() {
    m_columnInfo.assign(size_t(m_select->FieldCount()), std::nullopt);
    if (!(PrepareOptions() & (psUseBooleanField | pfImportDefaultValues))) return;
    for (int i = 0; i < m_select->FieldCount(); ++i) {
        TFIBXSQLVAR& c = m_select->FieldAt(i);
        const QString table = c.RelationName().trimmed(), column = c.SQLName().trimmed();
        if (table.isEmpty() || column.isEmpty()) continue;
        for (const TColumnInfo& info : TColumnInfoCache::Instance().Columns(*m_database, table))
            if (info.Name == column) {
                m_columnInfo[size_t(i)] = info;
                break;
            }
    }
}

const TColumnInfo* TFIBCustomDataSet::ColumnInfoOf(int column) const {
    if (column < 0 || column >= int(m_columnInfo.size()) || !m_columnInfo[size_t(column)]) return nullptr;
    return &*m_columnInfo[size_t(column)];
}

TField* TFIBCustomDataSet::CreateField(const TFieldDef& def) {
    TField* f = nullptr;
    switch (def.DataType) {
        case ftString:
            f = new TFIBStringField(this);
            break;
        case ftBoolean:
            f = new TFIBBooleanField(this);
            break;
        case ftInteger:
            f = new TFIBIntegerField(this);
            break;
        default:
            return TDataSet::CreateField(def);
    }
    f->SetFieldName(def.Name);
    f->SetSize(def.Size);
    f->SetRequired(def.Required);
    return f;
}

void TFIBCustomDataSet::InternalFieldsBound() {
    m_reader.Reset(Fields().Count());
    const bool trim = Options() & poTrimCharFields;
    for (TField* f : Fields()) {
        const int col = f->FieldNo() - 1;
        if (col < 0 || col >= m_select->FieldCount()) {
            m_reader.Bind(f->Slot(), f->StorageKind(), nullptr, false);
            continue;
        }
        TFIBXSQLVAR* column = &m_select->FieldAt(col);
        m_reader.Bind(f->Slot(), f->StorageKind(), column, trim && f->DataType() == ftString);
        if (auto* s = dynamic_cast<TStringField*>(f)) {
            const TColumnInfo* info = ColumnInfoOf(col);
            const bool emptyDefault = info && info->EmptyTextDefault;
            if (auto* fs = dynamic_cast<TFIBStringField*>(f)) fs->SetEmptyTextDefault(emptyDefault);
            s->SetTrimTrailing(trim);
            const bool nullable = (column->SQLType() & 1) != 0;
            s->SetEmptyAsNull((PrepareOptions() & psSetEmptyStrToNull) && (!emptyDefault || nullable));
        }
    }
    if (PrepareOptions() & pfImportDefaultValues) ApplyDefaults();
    if (Options() & poAutoFormatFields) ApplyFormats();
}

void TFIBCustomDataSet::ApplyFormats() {
    for (TField* f : Fields()) {
        if (!f->DisplayFormat().isEmpty() || f->Slot() < 0) continue;
        const int scale = m_reader.ScaleOf(f->Slot());
        switch (f->DataType()) {
            case ftDate:
                f->SetDisplayFormat(m_defaultFormats.DateDisplayFormat);
                break;
            case ftTime:
                f->SetDisplayFormat(m_defaultFormats.TimeDisplayFormat);
                break;
            case ftDateTime:
                f->SetDisplayFormat(m_defaultFormats.DateTimeDisplayFormat);
                break;
            case ftFloat:
            case ftBCD:
                if (scale < 0)
                    f->SetDisplayFormat(m_defaultFormats.NumericDisplayFormat + u'.' + QString(-scale, u'0'));
                break;
            default:
                break;
        }
    }
}

void TFIBCustomDataSet::ApplyDefaults() {
    static const QStringList dateWords = {
        u"NULL"_s,      u"NOW"_s,          u"TODAY"_s,        u"TOMORROW"_s,
        u"YESTERDAY"_s, u"CURRENT_DATE"_s, u"CURRENT_TIME"_s, u"CURRENT_TIMESTAMP"_s};
    for (TField* f : Fields()) {
        const TColumnInfo* info = ColumnInfoOf(f->FieldNo() - 1);
        if (!info || !info->HasDefault) continue;
        const QString d = info->Default;
        switch (f->DataType()) {
            case ftBoolean: {
                auto* b = static_cast<TBooleanField*>(f);
                f->SetDefaultExpression(d == u"1"_s ? b->TrueText() : d == u"0"_s ? b->FalseText() : d);
                break;
            }
            case ftString: {
                // A keyword default (USER, ROLE, NULL) stays a keyword: quoted it would be stored as its
                // text.
                static const QStringList words = {u"USER"_s, u"CURRENT_USER"_s, u"ROLE"_s, u"CURRENT_ROLE"_s,
                                                  u"NULL"_s};
                if (!info->QuotedDefault && words.contains(d.toUpper()))
                    f->SetDefaultExpression(d);
                else
                    f->SetDefaultExpression(u'\'' + d + u'\'');
                break;
            }
            case ftSmallint:
            case ftInteger:
            case ftLargeint:
            case ftFloat:
            case ftBCD: {
                QString n = d;
                n.replace(u'.', TFormatSettings::Current().DecimalSeparator);
                f->SetDefaultExpression(n);
                break;
            }
            case ftDate:
            case ftTime:
            case ftDateTime: {
                if (dateWords.contains(d.toUpper())) {
                    f->SetDefaultExpression(d);
                    break;
                }
                // A literal of the server: turned into the local date or time text.
                const QDateTime dt = QDateTime::fromString(d, Qt::ISODate);
                const QDate date = QDate::fromString(d, Qt::ISODate);
                const QTime time = QTime::fromString(d, Qt::ISODate);
                if (f->DataType() == ftDate && date.isValid())
                    f->SetDefaultExpression(date.toString(u"dd.MM.yyyy"_s));
                else if (f->DataType() == ftTime && time.isValid())
                    f->SetDefaultExpression(time.toString(u"HH:mm:ss"_s));
                else if (dt.isValid())
                    f->SetDefaultExpression(dt.toString(u"dd.MM.yyyy HH:mm:ss"_s));
                else
                    f->SetDefaultExpression(d);
                break;
            }
            default:
                f->SetDefaultExpression(d);
                break;
        }
    }
}

// ---- fetching

bool TFIBCustomDataSet::FetchRecord(TRecordBuffer& row) {
    if (!m_select->Open() || m_select->Eof()) return false;
    m_select->Next();
    if (m_select->Eof()) return false;
    m_reader.Read(row, Fields());
    return true;
}

void TFIBCustomDataSet::StoreValue(const TField& field, const QVariant& value, TRecordBuffer& row) const {
    TFIBRowReader::StoreValue(field, value, row, Options() & poTrimCharFields);
}

void TFIBCustomDataSet::InternalClose() {
    m_reader.Reset(0);
    if (m_select->Open()) m_select->Close();
}

// ---- parameters

QVariant TFIBCustomDataSet::ParamValueOf(const TField& field, const TRowView& row) const {
    if (field.IsNullOf(row)) return {};
    if (field.DataType() == ftBoolean) return QVariant(int(row.Integer(field.Slot()) != 0));
    return field.ValueOf(row);
}

QVariant TFIBCustomDataSet::MasterValueFor(const QString& paramName, bool& found) const {
    found = false;
    TDataSet* master = Master();
    if (!master) return {};
    QString name = paramName;
    if (name.startsWith(u"MAS_"_s, Qt::CaseInsensitive) && name.size() > 4) name = name.mid(4);
    TField* f = master->FindField(Unquoted(name));
    if (!f) return {};
    found = true;
    if (f->IsNull()) return {};
    if (f->DataType() == ftBoolean) return QVariant(int(f->AsBoolean()));
    return f->Value();
}

void TFIBCustomDataSet::FillFromMaster() {
    QSet<QString> done;
    for (int i = 0; i < m_select->ParamCount(); ++i) {
        TFIBXSQLVAR& p = m_select->Params(i);
        if (done.contains(p.Name())) continue;
        done.insert(p.Name());
        bool found = false;
        const QVariant v = MasterValueFor(p.Name(), found);
        if (found) p.SetValue(v);
    }
}

bool TFIBCustomDataSet::MasterParamsChanged() {
    if (!Master()) return false;
    for (int i = 0; i < m_select->ParamCount(); ++i) {
        TFIBXSQLVAR& p = m_select->Params(i);
        bool found = false;
        const QVariant v = MasterValueFor(p.Name(), found);
        if (found && !SameValue(v, p.Value())) return true;
    }
    return false;
}

void TFIBCustomDataSet::FillParams(TFIBQuery& query, const TRowView& row, const TRowView& stored,
                                   bool refreshOfDetail) {
    QSet<QString> done;
    for (int i = 0; i < query.ParamCount(); ++i) {
        TFIBXSQLVAR& p = query.Params(i);
        const QString name = p.Name();
        if (done.contains(name)) continue;
        done.insert(name);
        if (refreshOfDetail) {
            if (TFIBXSQLVAR* s = FindParam(*m_select, name)) {
                p.SetValue(s->Value());
                continue;
            }
        }
        TField* field = nullptr;
        const TRowView* from = &row;
        if (name.size() > 4 && name.startsWith(u"OLD_"_s, Qt::CaseInsensitive)) {
            field = FindField(Unquoted(name.mid(4)));
            from = &stored;
        } else if (name.size() > 4 && name.startsWith(u"NEW_"_s, Qt::CaseInsensitive)) {
            field = FindField(Unquoted(name.mid(4)));
        } else if (name.size() > 4 && name.startsWith(u"MAS_"_s, Qt::CaseInsensitive) && Master()) {
            bool found = false;
            const QVariant v = MasterValueFor(name, found);
            if (found) p.SetValue(v);
            continue;
        } else {
            field = FindField(Unquoted(name));
        }
        if (field && field->Slot() >= 0) {
            p.SetValue(ParamValueOf(*field, *from));
            continue;
        }
        if (&query != m_select)
            if (TFIBXSQLVAR* s = FindParam(*m_select, name)) p.SetValue(s->Value());
    }
}

void TFIBCustomDataSet::CopyReturned(TFIBQuery& query, TRecordBuffer& row) {
    for (int i = 0; i < query.FieldCount(); ++i) {
        TFIBXSQLVAR& c = query.FieldAt(i);
        if (TField* f = FindField(c.Name())) StoreValue(*f, c.Value(), row);
    }
}

void TFIBCustomDataSet::ApplyQueryOptions(TFIBQuery& query) const {
    // poNoForceIsNull keeps "= :param" as written when the parameter is NULL.
    const TpFIBQueryOptions wanted = (Options() & poTrimCharFields ? qoTrimCharFields : 0) |
                                     (Options() & poNoForceIsNull ? qoNoForceIsNull : 0);
    if (query.Options() != wanted) query.SetOptions(wanted);
}

void TFIBCustomDataSet::StartForWrite(TFIBQuery& query) {
    ApplyQueryOptions(query);
    TFIBTransaction* tr = query.Transaction();
    if (tr && !tr->Active() && (Options() & poStartTransaction)) tr->StartTransaction();
}

// ---- writing

void TFIBCustomDataSet::CheckFieldWrite(TField& field) {
    switch (State()) {
        case dsEdit:
            if (!AllowsUpdate()) RaiseClientError(46, {FullName()});
            break;
        case dsInsert:
            if (!AllowsInsert()) RaiseClientError(44, {FullName()});
            break;
        default:
            RaiseClientError(42, {FullName()});
    }
    TDataSet::CheckFieldWrite(field);
}

bool TFIBCustomDataSet::InternalPost(TRecordBuffer& row, bool inserting) {
    if (inserting && !AllowsInsert()) RaiseClientError(44, {FullName()});
    if (!inserting && !AllowsUpdate()) RaiseClientError(46, {FullName()});
    TpFIBQuery& q = inserting ? *m_insert : *m_update;
    if (!HasText(q.SQL()) || IsNoAction(q.SQL())) return true;
    StartForWrite(q);
    FillParams(q, TRowView(&row), StoredRow(), false);
    ClearThreadStatus();
    q.ExecQuery();
    if (!q.Prepared() || ThreadStatusFailed()) return false;
    if (q.SQLType() == SQLSelect || q.SQLType() == SQLSelectForUpdate) {
        if (!q.Eof()) CopyReturned(q, row);
        q.Close();
    } else if (q.SQLType() == SQLExecProcedure) {
        CopyReturned(q, row);
    }
    return true;
}

void TFIBCustomDataSet::DoAutoCommit() {
    if (!m_autoCommit) return;
    TFIBTransaction* tr = m_update->Transaction();
    if (!tr || !tr->Active()) return;
    if (tr == ReadTransaction() || tr->TimeoutAction() == TACommitRetaining)
        tr->CommitRetaining();
    else
        tr->Commit();
}

void TFIBCustomDataSet::InternalAfterPost() {
    DoAutoCommit();
    if (!(Options() & poRefreshAfterPost) || !HasText(RefreshSQL())) return;
    TRecordBuffer row;
    ReadCurrentRow(row);
    if (RefreshRow(row)) WriteCurrentRow(row);
}

bool TFIBCustomDataSet::RefreshRow(TRecordBuffer& row) {
    TpFIBQuery& q = *m_refresh;
    const TRowView view(&row);
    StartForWrite(q);
    FillParams(q, view, view, Master() != nullptr);
    q.ExecQuery();
    const bool got = q.Open() && !q.Eof();
    if (got) CopyReturned(q, row);
    if (q.Open()) q.Close();
    return got;
}

void TFIBCustomDataSet::InternalRefresh() {
    if (!HasText(RefreshSQL())) return;
    TRecordBuffer row;
    ReadCurrentRow(row);
    if (RefreshRow(row)) WriteCurrentRow(row);
    if ((DetailConditions() & dcForceMasterRefresh) && Master() && Master()->Active()) Master()->Refresh();
}

bool TFIBCustomDataSet::InternalDelete() {
    if (!AllowsDelete()) RaiseClientError(47, {FullName()});
    if (IsNoAction(DeleteSQL())) return false;
    TpFIBQuery& q = *m_delete;
    StartForWrite(q);
    FillParams(q, ActiveRow(), StoredRow(), false);
    ClearThreadStatus();
    q.ExecQuery();
    if (!q.Prepared() || ThreadStatusFailed()) return false;
    if (q.Open()) q.Close();
    return true;
}

void TFIBCustomDataSet::InternalAfterDelete() { DoAutoCommit(); }

// ---- new rows

void TFIBCustomDataSet::InternalBeforeInsert() {
    if (Active() && Master() && MasterParamsChanged()) Reopen(false);
}

void TFIBCustomDataSet::InitNewRecord() {
    for (TField* f : Fields()) {
        const QString expr = f->DefaultExpression().trimmed();
        const QString word = expr.toUpper();
        const TFieldType t = f->DataType();
        const bool dateKind = t == ftDate || t == ftTime || t == ftDateTime;
        if (expr.isEmpty()) {
            auto* s = dynamic_cast<TFIBStringField*>(f);
            if (s && s->EmptyTextDefault()) f->SetAsString(QString());
            continue;
        }
        if (word == u"NULL"_s) continue;
        if (dateKind && (word == u"NOW"_s || word == u"CURRENT_TIME"_s || word == u"CURRENT_TIMESTAMP"_s)) {
            const double diff = m_database ? m_database->DifferenceTime() : 0;
            f->SetAsDateTime(QDateTime::currentDateTime().addMSecs(-qint64(std::llround(diff * 86400000.0))));
            continue;
        }
        if (dateKind && (word == u"TODAY"_s || word == u"CURRENT_DATE"_s || word == u"TOMORROW"_s ||
                         word == u"YESTERDAY"_s)) {
            QDate d = QDate::currentDate();
            if (word == u"TOMORROW"_s) d = d.addDays(1);
            if (word == u"YESTERDAY"_s) d = d.addDays(-1);
            f->SetAsDateTime(QDateTime(d, QTime(0, 0)));
            continue;
        }
        if (t == ftString && m_database) {
            if (word == u"USER"_s || word == u"CURRENT_USER"_s) {
                f->SetAsString(m_database->ConnectParams().UserName());
                continue;
            }
            if (word == u"ROLE"_s || word == u"CURRENT_ROLE"_s) {
                f->SetAsString(m_database->ConnectParams().RoleName());
                continue;
            }
        }
        if (expr.size() >= 2 && expr.startsWith(u'\'') && expr.endsWith(u'\''))
            f->SetAsString(expr.mid(1, expr.size() - 2));
        else
            f->SetAsString(expr);
    }
}

// ---- master and detail

void TFIBCustomDataSet::MasterOpened() {
    if (Active())
        Reopen(false);
    else if (DetailConditions() & dcForceOpen)
        Open();
}

void TFIBCustomDataSet::MasterClosed() {
    if (!(DetailConditions() & dcIgnoreMasterClose)) Close();
}

void TFIBCustomDataSet::MasterChanged() {
    if (!(DetailConditions() & dcWaitEndMasterScroll)) return FollowMaster();
    if (!m_scrollTimer) {
        m_scrollTimer = new QTimer(this);
        m_scrollTimer->setSingleShot(true);
        m_scrollTimer->setInterval(300);
        connect(m_scrollTimer, &QTimer::timeout, this, [this] {
            // Runs from the message loop, where an exception must not go on; the detail stays as it was.
            try {
                FollowMaster();
            } catch (...) {
            }
        });
    }
    m_scrollTimer->start();
}

void TFIBCustomDataSet::FollowMaster() {
    if (Active() && MasterParamsChanged()) Reopen(false);
}
