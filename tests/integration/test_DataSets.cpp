#include <QtTest>

#include "admin/AdminSql.h"
#include "core/Exception.h"
#include "data/TDataSource.h"
#include "data/TFormatSettings.h"
#include "fib/FIBErrors.h"
#include "fib/FibErrorHandlerHook.h"
#include "fib/TColumnInfoCache.h"
#include "fib/TFIBBooleanField.h"
#include "fib/TFIBIntegerField.h"
#include "fib/TFIBStringField.h"
#include "fib/TpFIBDataSet.h"
#include "fib/TpFIBDatabase.h"
#include "fib/TpFIBQuery.h"
#include "fib/TpFIBTransaction.h"
#include "tests/support/SuppressingHandler.h"
#include "tests/support/TestConnection.h"
#include "tests/support/TestServer.h"

using namespace Qt::StringLiterals;

namespace {
const QStringList kWriteParams{u"write"_s, u"nowait"_s, u"rec_version"_s, u"read_committed"_s};
const QStringList kReadParams{u"read"_s, u"nowait"_s, u"rec_version"_s, u"read_committed"_s};

// The message and number of the exception f raises; fails the test when none comes.
template <typename E, typename F>
std::optional<E> ErrorOf(F&& f) {
    try {
        f();
    } catch (const E& e) {
        return e;
    }
    return std::nullopt;
}


const QStringList kNoGroups{u"select id, group_name, lockedout, notice"_s, u"from sys$group"_s,
                            u"where id < 0"_s};
}  // namespace

class TestDataSets : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_database;
    std::unique_ptr<QObject> m_admin;
    std::unique_ptr<QObject> m_users;
    TpFIBDatabase* m_db = nullptr;
    TpFIBTransaction* m_tr = nullptr;
    TpFIBTransaction* m_tw = nullptr;

    TpFIBTransaction* MakeTransaction(const QString& name, const QStringList& params) {
        auto* t = new TpFIBTransaction(m_admin.get());
        t->SetName(name);
        t->SetDefaultDatabase(m_db);
        t->SetTimeoutAction(TACommit);
        t->SetTPBMode(tpbDefault);
        t->TRParams().SetLines(params);
        return t;
    }

    TpFIBDataSet* MakeDataSet(const QString& name, const QStringList& select) {
        auto* ds = new TpFIBDataSet(m_users.get());
        ds->SetName(name);
        ds->SetDatabase(m_db);
        ds->SetTransaction(m_tr);
        ds->SetUpdateTransaction(m_tw);
        ds->SetSelectSQL(select);
        return ds;
    }

    TpFIBDataSet* Groups(const QStringList& select = AdminSql::GroupsSelect()) {
        TpFIBDataSet* ds = MakeDataSet(u"dsGroups"_s, select);
        ds->SetInsertSQL(AdminSql::GroupsInsert());
        ds->SetUpdateSQL(AdminSql::GroupsUpdate());
        ds->SetDeleteSQL(AdminSql::GroupsDelete());
        ds->SetRefreshSQL(AdminSql::GroupsRefresh());
        ds->SetAutoCommit(true);
        return ds;
    }

    TpFIBDataSet* Users() {
        TpFIBDataSet* ds = MakeDataSet(u"dsUsers"_s, AdminSql::UsersSelect());
        ds->SetInsertSQL(AdminSql::CombinedUser());
        ds->SetUpdateSQL(AdminSql::CombinedUser());
        ds->SetDeleteSQL(AdminSql::CombinedUser());
        ds->SetRefreshSQL(AdminSql::UsersRefresh());
        ds->SetAutoCommit(true);
        return ds;
    }

    TpFIBDataSet* Detail(const QString& name, const QStringList& select, TDataSet* master,
                         TDetailConditions conditions = dcForceOpen) {
        auto* src = new TDataSource(m_users.get());
        src->SetDataSet(master);
        TpFIBDataSet* ds = MakeDataSet(name, select);
        ds->SetDataSource(src);
        ds->SetDetailConditions(conditions);
        return ds;
    }

    QString IsqlValue(const QString& select) {
        const QString out = m_database->Isql(u"SET HEADING OFF;\n"_s + select + u";\n"_s);
        return out.trimmed();
    }

    void LocateGroup(TDataSet* ds, const QString& name) {
        ds->First();
        while (!ds->Eof() && ds->FieldValue(u"GROUP_NAME"_s).toString() != name) ds->Next();
        QVERIFY2(!ds->Eof(), qPrintable(name));
    }

private slots:
    void initTestCase() {
        m_database = std::make_unique<TestDatabase>(u"datasets"_s, true);
        m_database->Isql(
            u"CREATE TABLE T_DEFAULTS (ID INTEGER NOT NULL PRIMARY KEY, T VARCHAR(10) DEFAULT '' NOT NULL,\n"
            "  N VARCHAR(10) DEFAULT '', S VARCHAR(10), K INTEGER DEFAULT 5, D DATE DEFAULT CURRENT_DATE,\n"
            "  M NUMERIC(9,2) DEFAULT 1.5, B D_BOOLEAN DEFAULT 1, C CHAR(6), U VARCHAR(31) DEFAULT USER,\n"
            "  Q VARCHAR(10) DEFAULT 'USER', Z VARCHAR(10) DEFAULT NULL);\n"
            "COMMIT;\n"_s);
    }
    void cleanupTestCase() { m_database.reset(); }

    void init() {
        m_admin = std::make_unique<QObject>();
        m_admin->setObjectName(u"AdminForm"_s);
        m_users = std::make_unique<QObject>();
        m_users->setObjectName(u"UsersForm"_s);
        m_db = MakeTestDatabase(m_admin.get(), m_database->ConnectionString(), TestServer::Password());
        m_tr = MakeTransaction(u"tr"_s, kReadParams);
        m_tw = MakeTransaction(u"tw"_s, kWriteParams);
        m_db->SetDefaultTransaction(m_tr);
        m_db->SetDefaultUpdateTransaction(m_tw);
        m_db->Open(true);
    }

    void cleanup() {
        m_users.reset();
        if (m_db && m_db->Connected()) m_db->Close();
        m_admin.reset();
    }

    // Fields made from the columns: kinds, Boolean domain, defaults from the catalogue.
    void fieldsFromColumns() {
        TpFIBDataSet* ds = Groups();
        ds->Open();
        QVERIFY(dynamic_cast<TFIBIntegerField*>(ds->FieldByName(u"ID"_s)));
        auto* name = dynamic_cast<TFIBStringField*>(ds->FieldByName(u"GROUP_NAME"_s));
        QVERIFY(name);
        QCOMPARE(name->Size(), 30);
        auto* locked = dynamic_cast<TFIBBooleanField*>(ds->FieldByName(u"LOCKEDOUT"_s));
        QVERIFY(locked);
        QCOMPARE(locked->DefaultExpression(), u"False"_s);
        QCOMPARE(ds->FieldValue(u"GROUP_NAME"_s).toString(), u"Бухгалтерия"_s);
        LocateGroup(ds, u"Стажёры"_s);
        QCOMPARE(locked->AsString(), u"True"_s);
        QCOMPARE(ds->Fields().Count(), 4);
        QVERIFY(ds->DefaultFields());
        // The column information is kept for the rest of the run: a second dataset reads nothing.
        const int reads = TColumnInfoCache::Instance().ReadCount();
        TpFIBDataSet* again = Groups();
        again->SetName(u"dsGroups2"_s);
        again->Open();
        QCOMPARE(TColumnInfoCache::Instance().ReadCount(), reads);
        ds->Append();
        QCOMPARE(ds->FieldValue(u"LOCKEDOUT"_s), QVariant(false));
        ds->Cancel();
        ds->Close();
        QCOMPARE(ds->Fields().Count(), 0);
        // Without psUseBooleanField the Boolean domain is a small integer again.
        ds->SetPrepareOptions(ds->PrepareOptions() & ~psUseBooleanField);
        ds->Open();
        QCOMPARE(ds->FieldByName(u"LOCKEDOUT"_s)->DataType(), ftSmallint);
        QCOMPARE(ds->FieldByName(u"LOCKEDOUT"_s)->DefaultExpression(), u"0"_s);
    }

    void blankSelectRaises37() {
        TpFIBDataSet* ds = MakeDataSet(u"dsX"_s, {u"  "_s, QString()});
        auto e = ErrorOf<EFIBClientError>([&] { ds->Open(); });
        QVERIFY(e);
        QCOMPARE(e->SQLCode(), 37);
        QCOMPARE(e->Message(), u"Невозможно Prepare UsersForm.dsX, поскольку запрос пустой."_s);
        QVERIFY(!ds->Active());
    }

    // The checks at opening: database, connection, transaction, active transaction.
    void openingChecks() {
        auto* ds = new TpFIBDataSet(m_users.get());
        ds->SetName(u"dsX"_s);
        ds->SetSelectSQL(AdminSql::GroupsSelect());
        auto e = ErrorOf<EFIBClientError>([&] { ds->Open(); });
        QVERIFY(e);
        QCOMPARE(e->SQLCode(), 21);
        QCOMPARE(e->Message(), u"У UsersForm.dsX не присвоена база данных."_s);
        m_db->SetDefaultTransaction(nullptr);
        ds->SetDatabase(m_db);
        e = ErrorOf<EFIBClientError>([&] { ds->Open(); });
        QVERIFY(e);
        QCOMPARE(e->SQLCode(), 22);
        QCOMPARE(e->Message(), u"У UsersForm.dsX не присвоена транзакция."_s);
        ds->SetTransaction(m_tr);
        ds->SetOptions(ds->Options() & ~poStartTransaction);
        e = ErrorOf<EFIBClientError>([&] { ds->Open(); });
        QVERIFY(e);
        QCOMPARE(e->SQLCode(), 15);
        QCOMPARE(e->Message(), u"AdminForm.tr: Транзакция не активна."_s);
        ds->SetOptions(ds->Options() | poStartTransaction);
        m_db->Close();
        e = ErrorOf<EFIBClientError>([&] { ds->Open(); });
        QVERIFY(e);
        QCOMPARE(e->SQLCode(), 12);
        m_db->Open(true);
        ds->Open();
        QVERIFY(ds->Active());
        QVERIFY(m_tr->Active());
        // Without a transaction of its own the dataset takes the database's default one.
        m_db->SetDefaultTransaction(m_tr);
        TpFIBDataSet* plain = new TpFIBDataSet(m_users.get());
        plain->SetDatabase(m_db);
        plain->SetSelectSQL(AdminSql::GroupsSelect());
        plain->Open();
        QCOMPARE(plain->Transaction(), static_cast<TFIBTransaction*>(m_tr));
        QCOMPARE(plain->QUpdate().Transaction(), static_cast<TFIBTransaction*>(m_tw));
        QCOMPARE(plain->QRefresh().Transaction(), static_cast<TFIBTransaction*>(m_tr));
        plain->SetRefreshTransactionKind(tkUpdateTransaction);
        QCOMPARE(plain->QRefresh().Transaction(), static_cast<TFIBTransaction*>(m_tw));
        QCOMPARE(plain->QSelect().Transaction(), static_cast<TFIBTransaction*>(m_tr));
    }

    // Writes in browse state raise 42 naming the dataset; after Edit they go to the statement.
    void writeInBrowseRaises42() {
        TpFIBDataSet* ds = Users();
        ds->Open();
        auto e = ErrorOf<EFIBClientError>([&] { ds->SetFieldValue(u"OPERATION"_s, 2); });
        QVERIFY(e);
        QCOMPARE(e->SQLCode(), 42);
        QVERIFY2(e->Message().contains(u"(UsersForm.dsUsers)"_s), qPrintable(e->Message()));
        QCOMPARE(ds->State(), dsBrowse);
        QCOMPARE(ds->FieldValue(u"OPERATION"_s).toInt(), 0);

        const int id = ds->FieldValue(u"ID"_s).toInt();
        ds->Edit();
        ds->SetFieldValue(u"OPERATION"_s, 2);
        ds->SetFieldValue(u"PHONE_NO"_s, u"555-01"_s);
        QCOMPARE(ds->FieldValue(u"OPERATION"_s).toInt(), 2);
        ds->Post();
        QCOMPARE(ds->State(), dsBrowse);
        QCOMPARE(ds->QUpdate().ParamNamed(u"OPERATION"_s).Value().toInt(), 2);
        QVERIFY(!m_tw->Active());  // committed
        QVERIFY(ds->Active());     // the reading transaction goes on
        QCOMPARE(IsqlValue(u"select phone_no from worker where worker_id = %1"_s.arg(id)), u"555-01"_s);
    }

    // w.* repeats worker_id and ibname: the copies get "1"; the combined statement takes the first fields.
    void duplicateColumnNames() {
        TpFIBDataSet* ds = Users();
        ds->Open();
        QStringList names;
        for (TField* f : ds->Fields()) names << f->FieldName();
        QCOMPARE(names, (QStringList{u"ID"_s, u"WORKER_ID"_s, u"IBNAME"_s, u"LOCKEDOUT"_s, u"WORKER_ID1"_s,
                                     u"SURNAME"_s, u"FIRSTNAME"_s, u"MIDLENAME"_s, u"PHONE_NO"_s, u"NOTICE"_s,
                                     u"WORKING"_s, u"IBNAME1"_s, u"OPERATION"_s}));
        const QVariant worker = ds->FieldValue(u"WORKER_ID"_s);
        const QVariant login = ds->FieldValue(u"IBNAME"_s);
        ds->Edit();
        ds->SetFieldValue(u"WORKER_ID1"_s, 999999);
        ds->SetFieldValue(u"IBNAME1"_s, u"NOBODY"_s);
        ds->Post();  // OPERATION 0: the statement changes nothing
        QCOMPARE(ds->QUpdate().ParamNamed(u"WORKER_ID"_s).Value(), worker);
        QCOMPARE(ds->QUpdate().ParamNamed(u"IBNAME"_s).Value(), login);
    }

    // Editing a group: OLD_ID from the fetched row, Boolean as 1, commit of tw, refresh in tr.
    void groupUpdateStatement() {
        m_database->Isql(
            u"insert into sys$group (id, group_name, lockedout) values (700, 'Ключники', 0); commit;"_s);
        TpFIBDataSet* ds = Groups();
        ds->Open();
        LocateGroup(ds, u"Ключники"_s);
        const int id = ds->FieldValue(u"ID"_s).toInt();
        QCOMPARE(id, 700);
        const int newId = id + 1000;
        ds->Edit();
        ds->SetFieldValue(u"ID"_s, newId);
        ds->SetFieldValue(u"LOCKEDOUT"_s, true);
        ds->SetFieldValue(u"NOTICE"_s, u"Касса закрыта"_s);
        QCOMPARE(ds->FieldByName(u"ID"_s)->OldValue().toInt(), id);
        ds->Post();
        TpFIBQuery& u = ds->QUpdate();
        QCOMPARE(u.ParamNamed(u"OLD_ID"_s).Value().toInt(), id);
        QCOMPARE(u.ParamNamed(u"ID"_s).Value().toInt(), newId);
        const QVariant locked = u.ParamNamed(u"LOCKEDOUT"_s).Value();
        QCOMPARE(locked.metaType().id(), QMetaType::Int);
        QCOMPARE(locked.toInt(), 1);
        QCOMPARE(u.ParamNamed(u"GROUP_NAME"_s).Value().toString(), u"Ключники"_s);
        QCOMPARE(u.ParamNamed(u"NOTICE"_s).Value().toString(), u"Касса закрыта"_s);
        QVERIFY(!m_tw->Active());
        QCOMPARE(IsqlValue(u"select lockedout from sys$group where id = %1"_s.arg(newId)), u"1"_s);
        // The refresh ran in tr with the values just saved.
        QCOMPARE(ds->QRefresh().Transaction(), static_cast<TFIBTransaction*>(m_tr));
        QCOMPARE(ds->QRefresh().ParamNamed(u"OLD_ID"_s).Value().toInt(), newId);
        QCOMPARE(ds->State(), dsBrowse);
        QCOMPARE(ds->FieldValue(u"ID"_s).toInt(), newId);
        QCOMPARE(ds->FieldByName(u"ID"_s)->OldValue().toInt(), newId);
        // Put it back.
        ds->Edit();
        ds->SetFieldValue(u"ID"_s, id);
        ds->SetFieldValue(u"LOCKEDOUT"_s, false);
        ds->Post();
        QCOMPARE(IsqlValue(u"select lockedout from sys$group where id = %1"_s.arg(id)), u"0"_s);
        ds->Delete();
        QCOMPARE(IsqlValue(u"select count(*) from sys$group where id = 700"_s), u"0"_s);
    }

    // A new group whose key the trigger makes: OLD_ID is NULL in the refresh, the row keeps its values.
    void appendPostsAndKeepsValues() {
        TpFIBDataSet* ds = Groups();
        ds->Open();
        ds->Append();
        QCOMPARE(ds->State(), dsInsert);
        ds->SetFieldValue(u"GROUP_NAME"_s, u"Яблоко"_s);
        ds->Post();
        QCOMPARE(ds->State(), dsBrowse);
        QCOMPARE(ds->RecordCount(), 6);
        QCOMPARE(ds->RecNo(), 6);
        QCOMPARE(ds->FieldValue(u"GROUP_NAME"_s).toString(), u"Яблоко"_s);
        QVERIFY(ds->FieldValue(u"ID"_s).isNull());
        QVERIFY(ds->QRefresh().ProcessedSQL().contains(u"IS NULL"_s));
        QCOMPARE(IsqlValue(u"select count(*) from sys$group where group_name = 'Яблоко'"_s), u"1"_s);
        // A failing post (the name is unique) keeps insert state and values and commits nothing.
        ds->Append();
        ds->SetFieldValue(u"GROUP_NAME"_s, u"Яблоко"_s);
        ds->SetFieldValue(u"NOTICE"_s, u"второй"_s);
        QVERIFY(ErrorOf<EFIBError>([&] { ds->Post(); }));
        QCOMPARE(ds->State(), dsInsert);
        QCOMPARE(ds->FieldValue(u"NOTICE"_s).toString(), u"второй"_s);
        QCOMPARE(ds->RecordCount(), 7);
        QVERIFY(m_tw->Active());  // nothing committed
        ds->Cancel();
        QCOMPARE(ds->RecordCount(), 6);
        m_tw->Rollback();
        m_database->Isql(u"delete from sys$group where group_name = 'Яблоко'; commit;"_s);
    }

    void cancelledAppend() {
        TpFIBDataSet* ds = Groups();
        ds->Open();
        ds->Next();
        ds->Next();
        const QString name = ds->FieldValue(u"GROUP_NAME"_s).toString();
        ds->Append();
        QCOMPARE(ds->RecordCount(), 6);
        ds->SetFieldValue(u"GROUP_NAME"_s, u"Временная"_s);
        ds->Cancel();
        QCOMPARE(ds->State(), dsBrowse);
        QCOMPARE(ds->RecordCount(), 5);
        QCOMPARE(ds->RecNo(), 3);
        QCOMPARE(ds->FieldValue(u"GROUP_NAME"_s).toString(), name);
        QVERIFY(!m_tw->Active());
    }

    void postInBrowseAndEditOnEmpty() {
        TpFIBDataSet* ds = Groups(kNoGroups);
        ds->Open();
        QVERIFY(ds->IsEmpty());
        auto e = ErrorOf<EDatabaseError>([&] { ds->Post(); });
        QVERIFY(e);
        QCOMPARE(e->Message(), u"dsGroups: Dataset not in edit or insert mode"_s);
        auto d = ErrorOf<EDatabaseError>([&] { ds->Delete(); });
        QVERIFY(d);
        QCOMPARE(d->Message(), u"dsGroups: Cannot perform this operation on an empty dataset"_s);
        ds->Edit();
        QCOMPARE(ds->State(), dsInsert);
        ds->Cancel();
        QVERIFY(ds->IsEmpty());
        auto f = ErrorOf<EDatabaseError>([&] { (void)ds->FieldValue(u"NOPE"_s); });
        QVERIFY(f);
        QCOMPARE(f->Message(), u"dsGroups: Field 'NOPE' not found"_s);
    }

    // Permissions: a read-only detail refuses Edit, Append is a silent abort, writes name 44 and 46.
    void permissions() {
        TpFIBDataSet* ds = MakeDataSet(u"dsR"_s, AdminSql::GroupsSelect());
        ds->Open();
        auto e = ErrorOf<EDatabaseError>([&] { ds->Edit(); });
        QVERIFY(e);
        QCOMPARE(e->Message(), u"dsR: Cannot modify a read-only dataset"_s);
        QVERIFY(ErrorOf<EAbort>([&] { ds->Append(); }));
        ds->Close();
        ds->SetUpdateSQL(AdminSql::GroupsUpdate());
        ds->SetAllowedUpdateKinds(ukModify);
        ds->SetInsertSQL(AdminSql::GroupsInsert());
        ds->Open();
        ds->Edit();
        ds->SetAllowedUpdateKinds(ukInsert);
        auto u = ErrorOf<EFIBClientError>([&] { ds->SetFieldValue(u"NOTICE"_s, u"x"_s); });
        QVERIFY(u);
        QCOMPARE(u->SQLCode(), 46);
        QCOMPARE(u->Message(), u"Ошибка обновления (update). (UsersForm.dsR)"_s);
        ds->Cancel();
        ds->Append();
        ds->SetAllowedUpdateKinds(ukModify);
        auto i = ErrorOf<EFIBClientError>([&] { ds->Post(); });
        QVERIFY(i);
        QCOMPARE(i->SQLCode(), 44);
        QCOMPARE(ds->State(), dsInsert);
        ds->Cancel();
        QVERIFY(ErrorOf<EAbort>([&] { ds->Delete(); }));
    }

    void failingDeleteKeepsRow() {
        TpFIBDataSet* ds = Groups();
        ds->SetDeleteSQL({u"DELETE FROM SYS$GROUP WHERE ID = :OLD_ID AND 1/0 = 1"_s});
        ds->Open();
        ds->FetchAll();
        ds->First();
        ds->Next();
        const QString name = ds->FieldValue(u"GROUP_NAME"_s).toString();
        bool called = false;
        ds->OnDeleteError = [&](TDataSet&, const Exception&, TDataAction&) { called = true; };
        QVERIFY(ErrorOf<EFIBError>([&] { ds->Delete(); }));
        QVERIFY(called);
        QCOMPARE(ds->State(), dsBrowse);
        QCOMPARE(ds->RecordCount(), 5);
        QCOMPARE(ds->RecNo(), 2);
        QCOMPARE(ds->FieldValue(u"GROUP_NAME"_s).toString(), name);
        m_tw->Rollback();
        QCOMPARE(IsqlValue(u"select count(*) from sys$group"_s), u"5"_s);
    }

    void deleteRemovesRow() {
        m_database->Isql(
            u"insert into sys$group (id, group_name, lockedout) values (900, 'Я-удалить', 0); commit;"_s);
        TpFIBDataSet* ds = Groups();
        ds->Open();
        ds->Last();
        QCOMPARE(ds->FieldValue(u"ID"_s).toInt(), 900);
        ds->Delete();
        QCOMPARE(ds->RecordCount(), 5);
        QVERIFY(!m_tw->Active());
        QCOMPARE(ds->QDelete().ParamNamed(u"OLD_ID"_s).Value().toInt(), 900);
        QCOMPARE(IsqlValue(u"select count(*) from sys$group where id = 900"_s), u"0"_s);
    }

    // A detail of an empty master opens with NULL parameters: the IS NULL form selects its rows.
    void detailOfEmptyMaster() {
        TpFIBDataSet* master = Groups(kNoGroups);
        TpFIBDataSet* rights = Detail(u"dsGR"_s, AdminSql::GroupRightsSelect(), master);
        TpFIBDataSet* missing =
            Detail(u"dsR"_s, AdminSql::MissingRightsSelect(), master, dcForceOpen | dcForceMasterRefresh);
        master->Open();
        QVERIFY(rights->Active());
        QVERIFY(missing->Active());
        QVERIFY(rights->QSelect().ParamNamed(u"ID"_s).IsNull());
        QVERIFY(rights->QSelect().ProcessedSQL().contains(u"IS NULL"_s));
        QVERIFY(rights->IsEmpty());
        missing->FetchAll();
        QCOMPARE(missing->RecordCount(), 20);
        // With poNoForceIsNull the comparison stays "= NULL" and selects nothing.
        missing->Close();
        missing->SetOptions(missing->Options() | poNoForceIsNull);
        missing->Open();
        QVERIFY(!missing->QSelect().ProcessedSQL().contains(u"IS NULL"_s));
        missing->FetchAll();
        QCOMPARE(missing->RecordCount(), 20);  // "not in (nothing)" holds for every right
    }

    // Following the master: reopen only when the key changed; open and close with the master.
    void detailFollowsMaster() {
        QStringList doubled{u"select g.id, g.group_name from sys$group g, sys$rights r"_s,
                            u"where r.id in (1, 2)"_s, u"order by g.group_name, r.id"_s};
        TpFIBDataSet* master = MakeDataSet(u"dsM"_s, doubled);
        TpFIBDataSet* rights = Detail(u"dsGR"_s, AdminSql::GroupRightsSelect(), master);
        TpFIBDataSet* closed = Detail(u"dsX"_s, AdminSql::GroupRightsSelect(), master, 0);
        TpFIBDataSet* kept =
            Detail(u"dsK"_s, AdminSql::GroupRightsSelect(), master, dcForceOpen | dcIgnoreMasterClose);
        int opens = 0;
        rights->AfterOpen = [&](TDataSet&) { ++opens; };
        master->Open();
        QCOMPARE(opens, 1);
        QVERIFY(!closed->Active());
        QVERIFY(kept->Active());
        rights->FetchAll();
        QCOMPARE(rights->RecordCount(), 8);  // Бухгалтерия
        master->Next();                      // the same group again
        QCOMPARE(opens, 1);
        master->Next();  // Кассиры
        QCOMPARE(opens, 2);
        rights->FetchAll();
        QCOMPARE(rights->RecordCount(), 3);
        QCOMPARE(rights->QSelect().ParamNamed(u"ID"_s).Value(), master->FieldValue(u"ID"_s));
        master->Close();
        QVERIFY(!rights->Active());
        QVERIFY(kept->Active());
    }

    // dcWaitEndMasterScroll: the detail follows once the master has stood still for a while.
    void waitEndMasterScroll() {
        TpFIBDataSet* master = Groups();
        TpFIBDataSet* rights =
            Detail(u"dsGR"_s, AdminSql::GroupRightsSelect(), master, dcForceOpen | dcWaitEndMasterScroll);
        int opens = 0;
        rights->AfterOpen = [&](TDataSet&) { ++opens; };
        master->Open();
        QCOMPARE(opens, 1);
        master->Next();
        master->Next();
        QCOMPARE(opens, 1);
        QTRY_COMPARE_WITH_TIMEOUT(opens, 2, 3000);
        QCOMPARE(rights->QSelect().ParamNamed(u"ID"_s).Value(), master->FieldValue(u"ID"_s));
    }

    void reopenAndBookmarks() {
        TpFIBDataSet* ds = Groups();
        int opens = 0;
        ds->AfterOpen = [&](TDataSet&) { ++opens; };
        ds->Open();
        QVERIFY(!ds->AllFetched());  // lazy: one row for no bound control
        for (int i = 0; i < 4; ++i) ds->Next();
        QCOMPARE(ds->RecNo(), 5);
        const QString fifth = ds->FieldValue(u"GROUP_NAME"_s).toString();
        TField* field = ds->FieldByName(u"GROUP_NAME"_s);
        const TBookmark mark = ds->GetBookmark();
        ds->Reopen(true);
        QCOMPARE(opens, 2);
        QVERIFY(ds->AllFetched());
        QCOMPARE(ds->RecNo(), 1);
        QCOMPARE(ds->FieldByName(u"GROUP_NAME"_s), field);  // the same field objects
        ds->GotoBookmark(mark);
        QCOMPARE(ds->RecNo(), 5);
        QCOMPARE(ds->FieldValue(u"GROUP_NAME"_s).toString(), fifth);
        ds->GotoBookmark(TBookmark());
        QCOMPARE(ds->RecNo(), 5);
        // A pending change that cannot be saved keeps edit state: the bookmark is refused.
        ds->SetUpdateSQL({u"UPDATE SYS$GROUP SET GROUP_NAME = :GROUP_NAME WHERE ID = :OLD_ID AND 1/0 = 1"_s});
        ds->Edit();
        ds->SetFieldValue(u"NOTICE"_s, u"x"_s);
        QVERIFY(ErrorOf<EFIBError>([&] { ds->GotoBookmark(mark); }));
        QCOMPARE(ds->State(), dsEdit);
        ds->Cancel();
        m_tw->Rollback();
    }

    // A move in edit state saves a modified row.
    void moveEndsPendingChange() {
        TpFIBDataSet* ds = Groups();
        ds->Open();
        LocateGroup(ds, u"Техники"_s);
        ds->Edit();
        ds->SetFieldValue(u"NOTICE"_s, u"Монтаж"_s);
        ds->First();
        QCOMPARE(ds->State(), dsBrowse);
        QCOMPARE(IsqlValue(u"select notice from sys$group where group_name = 'Техники'"_s), u"Монтаж"_s);
        ds->Edit();
        ds->Next();  // nothing written: cancelled
        QCOMPARE(ds->State(), dsBrowse);
    }

    // Defaults from the catalogue, empty texts and NULL, the statement transactions.
    void defaultsAndEmptyTexts() {
        TpFIBDataSet* ds = MakeDataSet(u"dsDefaults"_s, {u"select * from t_defaults"_s});
        ds->SetInsertSQL({u"insert into t_defaults (id, t, n, s, k, d, m, b, c)"_s,
                          u"values (:id, :t, :n, :s, :k, :d, :m, :b, :c)"_s});
        ds->SetAutoCommit(true);
        const int reads = TColumnInfoCache::Instance().ReadCount();
        ds->Open();
        QCOMPARE(TColumnInfoCache::Instance().ReadCount(), reads + 1);  // one new table
        QCOMPARE(ds->QInsert().Transaction(), static_cast<TFIBTransaction*>(m_tw));
        QCOMPARE(ds->QSelect().Transaction(), static_cast<TFIBTransaction*>(m_tr));
        ds->Append();
        ds->SetFieldValue(u"ID"_s, 1);
        QVERIFY(!ds->FieldByName(u"T"_s)->IsNull());  // empty-text default, NOT NULL column
        QCOMPARE(ds->FieldValue(u"T"_s).toString(), QString());
        QVERIFY(ds->FieldByName(u"N"_s)->IsNull());  // empty-text default, nullable column
        QVERIFY(ds->FieldByName(u"S"_s)->IsNull());
        ds->SetFieldValue(u"S"_s, u""_s);
        QVERIFY(ds->FieldByName(u"S"_s)->IsNull());
        QCOMPARE(ds->FieldValue(u"K"_s).toInt(), 5);
        QCOMPARE(ds->FieldByName(u"D"_s)->AsDateTime().date(), QDate::currentDate());
        QCOMPARE(ds->FieldByName(u"M"_s)->AsFloat(), 1.5);
        QCOMPARE(ds->FieldValue(u"B"_s), QVariant(true));
        QCOMPARE(ds->FieldValue(u"U"_s).toString(), u"SYSDBA"_s);  // the keyword, not its text
        QCOMPARE(ds->FieldValue(u"Q"_s).toString(), u"USER"_s);    // a quoted text
        QVERIFY(ds->FieldByName(u"Z"_s)->IsNull());
        ds->SetFieldValue(u"C"_s, u"ab \t\n"_s);
        QCOMPARE(ds->FieldValue(u"C"_s).toString(), u"ab"_s);
        ds->Post();
        QCOMPARE(ds->QInsert().ParamNamed(u"B"_s).Value(), QVariant(1));
        QVERIFY(ds->QInsert().ParamNamed(u"N"_s).Value().isNull());
        QCOMPARE(
            IsqlValue(
                u"select '[' || t || ']', n is null, s is null, k, m, b, '[' || c || ']' from t_defaults"_s)
                .simplified(),
            u"[] <true> <true> 5 1.50 1 [ab ]"_s);
        ds->Reopen(true);
        QCOMPARE(ds->FieldValue(u"C"_s).toString(), u"ab"_s);  // CHAR blanks trimmed when read
        // Display formats for the scaled number and the date.
        QCOMPARE(ds->FieldByName(u"M"_s)->DisplayFormat(), u"#,##0.00"_s);
        QCOMPARE(ds->FieldByName(u"M"_s)->DisplayText(),
                 u"1.50"_s.replace(u'.', TFormatSettings::Current().DecimalSeparator));
        QCOMPARE(ds->FieldByName(u"D"_s)->DisplayFormat(), u"dd.mm.yyyy"_s);
        QCOMPARE(ds->FieldByName(u"K"_s)->DisplayFormat(), QString());
    }

    // The combined statement adds a user with OPERATION 1 and removes it with OPERATION 3 on Delete.
    void combinedStatementAddsAndRemoves() {
        TpFIBDataSet* ds = Users();
        ds->Open();
        ds->Append();
        ds->SetFieldValue(u"SURNAME"_s, u"Новиков"_s);
        ds->SetFieldValue(u"IBNAME"_s, u"NOVIKOV"_s);
        ds->SetFieldValue(u"WORKING"_s, 1);
        ds->SetFieldValue(u"OPERATION"_s, 1);
        ds->Post();
        QVERIFY(!m_tw->Active());
        QCOMPARE(IsqlValue(u"select count(*) from worker w join sys$user u on u.id = w.worker_id"
                           " where u.ibname = 'NOVIKOV' and w.surname = 'Новиков' and u.lockedout = 0"_s),
                 u"1"_s);
        ds->Reopen(true);
        ds->First();
        while (!ds->Eof() && ds->FieldValue(u"IBNAME"_s).toString() != u"NOVIKOV"_s) ds->Next();
        QVERIFY(!ds->Eof());
        const int count = ds->RecordCount();
        ds->Edit();
        ds->SetFieldValue(u"OPERATION"_s, 3);
        ds->Delete();
        QCOMPARE(ds->QDelete().ParamNamed(u"OPERATION"_s).Value().toInt(), 3);
        QCOMPARE(ds->RecordCount(), count - 1);
        QCOMPARE(ds->State(), dsBrowse);
        QCOMPARE(IsqlValue(u"select count(*) from worker where ibname = 'NOVIKOV'"_s), u"0"_s);
    }

    // A detail refreshing its row refreshes the master's row with dcForceMasterRefresh; the detail's
    // refresh takes the SELECT's parameter.
    void forceMasterRefresh() {
        TpFIBDataSet* master = Groups();
        TpFIBDataSet* rights =
            Detail(u"dsGR"_s, AdminSql::GroupRightsSelect(), master, dcForceOpen | dcForceMasterRefresh);
        rights->SetRefreshSQL({u"select r.id, r.rights, r.category, r.notice from sys$rights r"_s,
                               u"where r.id = :OLD_ID and exists (select 1 from sys$group_rights g"_s,
                               u"where g.group_id = :ID and g.right_id = r.id)"_s});
        int masterRefreshes = 0;
        master->AfterRefresh = [&](TDataSet&) { ++masterRefreshes; };
        master->Open();
        m_database->Isql(u"update sys$rights set notice = 'Новое' where id = %1; commit;"_s.arg(
            rights->FieldValue(u"ID"_s).toInt()));
        rights->Refresh();
        QCOMPARE(rights->FieldValue(u"NOTICE"_s).toString(), u"Новое"_s);
        QCOMPARE(rights->QRefresh().ParamNamed(u"ID"_s).Value(), master->FieldValue(u"ID"_s));
        QCOMPARE(masterRefreshes, 1);
        rights->SetDetailConditions(dcForceOpen);
        rights->Refresh();
        QCOMPARE(masterRefreshes, 1);
    }

    // A suppressed failure returns normally: Post keeps insert state with the values and no row in the
    // cache, Delete keeps the row.
    void suppressedFailures() {
        TpFIBDataSet* ds = Groups();
        ds->SetDeleteSQL({u"DELETE FROM SYS$GROUP WHERE ID = :OLD_ID AND 1/0 = 1"_s});
        ds->Open();
        ds->FetchAll();
        SuppressingHandler handler;
        SetActiveErrorHandler(&handler);
        struct Restore {
            ~Restore() { SetActiveErrorHandler(nullptr); }
        } restore;
        ds->Append();
        ds->SetFieldValue(u"GROUP_NAME"_s, u"Кассиры"_s);  // taken: the unique key refuses it
        ds->Post();
        QCOMPARE(handler.Count, 1);
        QCOMPARE(ds->State(), dsInsert);
        QCOMPARE(ds->FieldValue(u"GROUP_NAME"_s).toString(), u"Кассиры"_s);
        ds->Cancel();
        QCOMPARE(ds->RecordCount(), 5);
        ds->First();
        ds->Delete();
        QCOMPARE(handler.Count, 2);
        QCOMPARE(ds->RecordCount(), 5);
        QCOMPARE(ds->State(), dsBrowse);
        if (m_tw->Active()) m_tw->Rollback();
        // A SELECT the server refuses: Open returns normally and the dataset stays closed.
        TpFIBDataSet* bad = MakeDataSet(u"dsBad"_s, {u"select nothing from nowhere"_s});
        bad->Open();
        QCOMPARE(handler.Count, 3);
        QVERIFY(!bad->Active());
        QCOMPARE(bad->Fields().Count(), 0);
    }

    // The administrator window's components may go first: the datasets forget them and close.
    void connectionDestroyedFirst() {
        TpFIBDataSet* master = Groups();
        TpFIBDataSet* rights = Detail(u"dsGR"_s, AdminSql::GroupRightsSelect(), master);
        master->Open();
        QVERIFY(rights->Active());
        m_admin.reset();
        m_db = nullptr;
        QVERIFY(!master->Active());
        QVERIFY(!rights->Active());
        QVERIFY(!master->Database());
        QVERIFY(!master->Transaction());
        QVERIFY(!master->UpdateTransaction());
        auto e = ErrorOf<EFIBClientError>([&] { master->Open(); });
        QVERIFY(e);
        QCOMPARE(e->SQLCode(), 21);
        m_users.reset();
    }

    void endOfReadingTransactionCloses() {
        TpFIBDataSet* ds = Groups();
        TpFIBDataSet* keep = Groups();
        keep->SetName(u"dsKeep"_s);
        keep->SetOptions(keep->Options() | poDontCloseAfterEndTransaction);
        ds->Open();
        keep->Open();
        QVERIFY(m_tr->Active());
        m_tr->CommitRetaining();
        QVERIFY(ds->Active());
        m_tr->Commit();
        QVERIFY(!ds->Active());
        QVERIFY(keep->Active());
        ds->Open();  // starts tr again
        QVERIFY(m_tr->Active());
        QVERIFY(ds->Active());
        m_tr->Rollback();
        QVERIFY(!ds->Active());
    }
};

QTEST_MAIN(TestDataSets)
#include "test_DataSets.moc"
