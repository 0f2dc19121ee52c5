#include <QPointF>
#include <QtTest>

#include "core/Exception.h"
#include "core/TComponent.h"
#include "fib/FIBErrors.h"
#include "fib/FibErrorHandlerHook.h"
#include "fib/SQLDateTime.h"
#include "fib/TpFIBDatabase.h"
#include "fib/TpFIBQuery.h"
#include "fib/TpFIBTransaction.h"
#include "tests/support/TestConnection.h"
#include "tests/support/TestServer.h"

using namespace Qt::StringLiterals;

namespace {
const QStringList kWriteParams{u"write"_s, u"nowait"_s, u"rec_version"_s, u"read_committed"_s};
const QStringList kReadParams{u"read"_s, u"nowait"_s, u"rec_version"_s, u"read_committed"_s};

template <typename F>
EFIBError FibErrorOf(F&& f) {
    try {
        f();
    } catch (const EFIBError& e) {
        return e;
    }
    throw std::runtime_error("no EFIBError was raised");
}

// The users' combined statement: insert, change or remove by OPERATION.
const QString kUserStatement = u"EXECUTE BLOCK (\n"
                               "    OPERATION D_INTEGER = :OPERATION,\n"
                               "    WORKER_ID D_INTEGER = :WORKER_ID,\n"
                               "    SURNAME D_VARCHAR30 = :SURNAME,\n"
                               "    FIRSTNAME D_VARCHAR30 = :FIRSTNAME,\n"
                               "    MIDLENAME D_VARCHAR30 = :MIDLENAME,\n"
                               "    PHONE_NO D_VARCHAR30 = :PHONE_NO,\n"
                               "    NOTICE D_NOTICE  = :NOTICE,\n"
                               "    WORKING D_SMALLINT = :WORKING,\n"
                               "    IBNAME D_VARCHAR30 = :IBNAME,\n"
                               "    LOCKEDOUT D_INTEGER = :LOCKEDOUT)\n"
                               "AS\n"
                               "declare variable id d_integer;\n"
                               "begin\n"
                               "  if (lockedout is null) then lockedout = 1;\n"
                               "  if (operation = 1) then begin --  добавим\n"
                               "    worker_id = GEN_ID(gen_operations_uid,1);\n"
                               "    insert into worker (worker_id, surname, firstname, midlename, phone_no, notice, working, ibname)\n"
                               "    values ( :worker_id, :surname, :firstname, :midlename, :phone_no, :notice, :working, :ibname);\n"
                               "    if (ibname is not null) then\n"
                               "      insert into sys$user (id, ibname, lockedout) values (:worker_id, :ibname, :lockedout);\n"
                               "  end\n"
                               "  if (operation = 2) then begin --  обновим\n"
                               "    update worker set surname = :surname, firstname = :firstname, midlename = :midlename,\n"
                               "      phone_no = :phone_no, notice = :notice, working = :working, ibname = :ibname\n"
                               "    where (worker_id = :worker_id);\n"
                               "    if (ibname is not null) then begin\n"
                               "      delete from sys$user where id = :worker_id;\n"
                               "      insert into sys$user (id, ibname, lockedout) values (:worker_id, :ibname, :lockedout);\n"
                               "    end\n"
                               "  end\n"
                               "  if (operation = 3) then begin --  удалим\n"
                               "    delete from worker where worker_id = :worker_id;\n"
                               "    delete from sys$user where id = :worker_id;\n"
                               "  end\n"
                               "end"_s;
}  // namespace

class TestQueries : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_database;
    std::unique_ptr<QObject> m_form;
    TpFIBDatabase* m_db = nullptr;
    TpFIBTransaction* m_tw = nullptr;
    TpFIBTransaction* m_tr = nullptr;

    TpFIBTransaction* MakeTransaction(const QString& name, const QStringList& params) {
        auto* t = new TpFIBTransaction(m_form.get());
        t->SetName(name);
        t->SetDefaultDatabase(m_db);
        t->SetTimeoutAction(TACommit);
        t->SetTPBMode(tpbDefault);
        t->TRParams().SetLines(params);
        return t;
    }

    // A one-off statement as the program makes them: no owner, database, transaction, text.
    std::unique_ptr<TpFIBQuery> Query(const QString& sql, TFIBTransaction* t = nullptr) {
        auto q = std::make_unique<TpFIBQuery>();
        q->SetDatabase(m_db);
        q->SetTransaction(t ? t : m_tw);
        q->SetSQLText(sql);
        return q;
    }

    void Exec(const QString& sql) {
        m_tw->StartTransaction();
        Query(sql)->ExecQuery();
        m_tw->Commit();
    }

    QVariant Scalar(const QString& sql) {
        m_tr->StartTransaction();
        auto q = Query(sql, m_tr);
        q->ExecQuery();
        const QVariant v = q->Eof() ? QVariant() : q->FieldAt(0).Value();
        q->Close();
        m_tr->Commit();
        return v;
    }

private slots:
    void initTestCase() {
        m_database = std::make_unique<TestDatabase>(u"queries"_s);
        m_database->Isql(
            u"CREATE TABLE T_VALUES (ID INTEGER NOT NULL PRIMARY KEY, I INTEGER, S SMALLINT, B BIGINT,\n"
            "  D DOUBLE PRECISION, F FLOAT, N NUMERIC(15,2), DT DATE, TM TIME, TS TIMESTAMP, V VARCHAR(40),\n"
            "  C CHAR(10), BL BLOB SUB_TYPE TEXT, BO BOOLEAN);\n"
            "SET TERM ^ ;\n"
            "CREATE PROCEDURE P_ADD (A INTEGER, B INTEGER) RETURNS (C INTEGER) AS BEGIN C = A + B; END^\n"
            "SET TERM ; ^\n"
            "COMMIT;\n"_s);
    }
    void cleanupTestCase() { m_database.reset(); }

    void init() {
        m_form = std::make_unique<QObject>();
        m_form->setObjectName(u"AdminForm"_s);
        m_db = MakeTestDatabase(m_form.get(), m_database->ConnectionString(), TestServer::Password());
        m_tw = MakeTransaction(u"trWriteQ"_s, kWriteParams);
        m_tr = MakeTransaction(u"trReadQ"_s, kReadParams);
        m_db->SetDefaultTransaction(m_tr);
        m_db->SetDefaultUpdateTransaction(m_tw);
        m_db->Open(true);
        QVERIFY(m_db->Connected());
    }
    void cleanup() { m_form.reset(); }

    void valuesRoundTrip_data() {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QVariant>("expected");
        const QVariant null;
        QTest::newRow("integer") << u"I"_s << QVariant(123456) << QVariant(123456);
        QTest::newRow("negative integer") << u"I"_s << QVariant(-5) << QVariant(-5);
        QTest::newRow("boolean into integer") << u"I"_s << QVariant(true) << QVariant(1);
        QTest::newRow("empty text into integer") << u"I"_s << QVariant(u""_s) << null;
        QTest::newRow("smallint") << u"S"_s << QVariant(-7) << QVariant(-7);
        QTest::newRow("bigint") << u"B"_s << QVariant(qlonglong(9000000000)) << QVariant(qlonglong(9000000000));
        QTest::newRow("double") << u"D"_s << QVariant(3.25) << QVariant(3.25);
        QTest::newRow("float") << u"F"_s << QVariant(1.5) << QVariant(1.5);
        QTest::newRow("numeric") << u"N"_s << QVariant(12.5) << QVariant(12.5);
        QTest::newRow("numeric from text with comma") << u"N"_s << QVariant(u"-3,75"_s) << QVariant(-3.75);
        QTest::newRow("date") << u"DT"_s << QVariant(QDate(2024, 2, 29))
                              << QVariant(QDateTime(QDate(2024, 2, 29), QTime(0, 0), Qt::UTC));
        QTest::newRow("date drops the time") << u"DT"_s
                                             << QVariant(QDateTime(QDate(1999, 12, 31), QTime(23, 0), Qt::UTC))
                                             << QVariant(QDateTime(QDate(1999, 12, 31), QTime(0, 0), Qt::UTC));
        QTest::newRow("time") << u"TM"_s << QVariant(QTime(13, 45, 12, 345))
                              << QVariant(QDateTime(ZeroDate(), QTime(13, 45, 12, 345), Qt::UTC));
        QTest::newRow("timestamp") << u"TS"_s << QVariant(QDateTime(QDate(2023, 12, 31), QTime(23, 59, 58, 500), Qt::UTC))
                                   << QVariant(QDateTime(QDate(2023, 12, 31), QTime(23, 59, 58, 500), Qt::UTC));
        QTest::newRow("cyrillic varchar") << u"V"_s << QVariant(u"Привет, мир: Ёжик ё №5"_s)
                                          << QVariant(u"Привет, мир: Ёжик ё №5"_s);
        QTest::newRow("empty varchar") << u"V"_s << QVariant(u""_s) << QVariant(u""_s);
        QTest::newRow("char keeps its blanks") << u"C"_s << QVariant(u"Юг"_s) << QVariant(u"Юг        "_s);
        QTest::newRow("text blob") << u"BL"_s << QVariant(u"Примечание\r\nвторая строка"_s)
                                   << QVariant(u"Примечание\r\nвторая строка"_s);
        const QString big = QString(u"Длинный текст "_s).repeated(3000);
        QTest::newRow("text over 32767 bytes goes as a blob") << u"BL"_s << QVariant(big) << QVariant(big);
        QTest::newRow("boolean") << u"BO"_s << QVariant(true) << QVariant(true);
        for (const char* c : {"I", "S", "B", "D", "N", "DT", "TM", "TS", "V", "C", "BL", "BO"})
            QTest::addRow("null %s", c) << QString::fromLatin1(c) << null << null;
    }
    void valuesRoundTrip() {
        QFETCH(QString, column);
        QFETCH(QVariant, value);
        QFETCH(QVariant, expected);
        static int id = 0;
        ++id;
        m_tw->StartTransaction();
        auto insert = Query(u"insert into t_values (id, %1) values (:id, :value)"_s.arg(column));
        insert->ParamNamed(u"id"_s).SetValue(id);
        insert->ParamNamed(u"VALUE"_s).SetValue(value);
        QVERIFY(insert->ParamNamed(u"value"_s).Modified());
        insert->ExecQuery();
        QCOMPARE(insert->SQLType(), SQLInsert);
        QVERIFY(!insert->ParamNamed(u"value"_s).Modified());
        m_tw->Commit();

        m_tr->StartTransaction();
        auto select = Query(u"select %1 from t_values where id = :id"_s.arg(column), m_tr);
        select->ParamNamed(u"id"_s).SetValue(id);
        select->ExecQuery();
        QVERIFY(!select->Eof());
        const QVariant read = select->FieldAt(0).Value();
        if (!expected.isValid()) {
            QVERIFY2(!read.isValid(), qPrintable(read.toString()));
            QVERIFY(select->FieldAt(0).IsNull());
        } else if (expected.typeId() == QMetaType::Double) {
            QCOMPARE(read.typeId(), int(QMetaType::Double));
            QVERIFY2(qFuzzyCompare(read.toDouble(), expected.toDouble()), qPrintable(read.toString()));
        } else {
            QCOMPARE(read.typeId(), expected.typeId());
            QCOMPARE(read, expected);
        }
        select->Next();
        QVERIFY(select->Eof());
        select->Close();
        m_tr->Commit();
    }

    void resultColumnsAndTheirNames() {
        m_tr->StartTransaction();
        auto q = Query(u"select 1 as A, 2 as A, 3 as \"a\", 4 from rdb$database"_s, m_tr);
        q->SetGoToFirstRecordOnExecute(false);
        q->ExecQuery();
        QCOMPARE(q->FieldCount(), 4);
        QCOMPARE(q->FieldAt(0).Value(), QVariant());  // before the first fetch
        q->Next();
        QCOMPARE(q->FieldAt(0).Name(), u"A"_s);
        QCOMPARE(q->FieldAt(1).Name(), u"A1"_s);
        QCOMPARE(q->FieldAt(2).Name(), u"a"_s);
        QCOMPARE(q->FieldNamed(u"a"_s).Value(), QVariant(3));
        QCOMPARE(q->FieldNamed(u"A1"_s).Value(), QVariant(2));
        QCOMPARE(q->FieldNamed(u"\"A\""_s).Value(), QVariant(1));
        QCOMPARE(q->RecordCount(), 1);
        EFIBError e = FibErrorOf([&] { q->FieldAt(4); });
        QCOMPARE(e.SQLCode(), 41);
        QCOMPARE(e.Message(), u"Поле \"Field No: 4\" не найдено."_s);
        e = FibErrorOf([&] { q->FieldNamed(u"B"_s); });
        QCOMPARE(e.Message(), u"Поле \"B\" не найдено."_s);
        m_tr->Commit();
        QVERIFY(!q->Open());  // closed when its transaction ended
    }

    void noRowsIsEofAtOnce() {
        m_tr->StartTransaction();
        auto q = Query(u"select worker_id from worker where worker_id = -1"_s, m_tr);
        q->ExecQuery();
        QVERIFY(q->Open());
        QVERIFY(q->Eof());
        QCOMPARE(q->RecordCount(), 0);
        q->Next();  // nothing happens at the end
        QVERIFY(q->Eof());
        m_tr->Commit();
    }

    void catalogueNamesKeepTheirBlanks() {
        m_tr->StartTransaction();
        auto q = Query(u"select rdb$relation_name from rdb$relations where rdb$relation_name = 'WORKER'"_s, m_tr);
        q->ExecQuery();
        QVERIFY(!q->Eof());
        const QString name = q->FieldAt(0).Value().toString();
        QVERIFY2(name.size() > 6 && name.startsWith(u"WORKER "_s), qPrintable(u'[' + name + u']'));
        QCOMPARE(name.trimmed(), u"WORKER"_s);
        q->Close();
        q->SetOptions(qoTrimCharFields);
        q->ExecQuery();
        QCOMPARE(q->FieldAt(0).Value().toString(), u"WORKER"_s);
        m_tr->Commit();
    }

    void statementChecks() {
        auto owner = std::make_unique<QObject>(m_form.get());
        owner->setObjectName(u"UsersForm"_s);
        TpFIBQuery q(owner.get());
        q.SetName(u"q"_s);
        q.SetSQLText(u"select 1 from rdb$database"_s);
        EFIBError e = FibErrorOf([&] { q.ExecQuery(); });
        QCOMPARE(e.SQLCode(), 22);
        QCOMPARE(e.Message(), u"У AdminForm.UsersForm.q не присвоена транзакция."_s);
        e = FibErrorOf([&] { q.Prepare(); });
        QCOMPARE(e.SQLCode(), 21);
        QCOMPARE(e.Message(), u"У AdminForm.UsersForm.q не присвоена база данных."_s);
        q.SetDatabase(m_db);
        QCOMPARE(q.Transaction(), m_tr);  // the database's default
        e = FibErrorOf([&] { q.ExecQuery(); });
        QCOMPARE(e.SQLCode(), 15);
        QCOMPARE(e.Message(), u"AdminForm.trReadQ: Транзакция не активна."_s);
        e = FibErrorOf([&] { q.Next(); });
        QCOMPARE(e.SQLCode(), 29);
        QCOMPARE(e.Message(), u"Невозможно fetch next record поскольку dataset AdminForm.UsersForm.q закрыт."_s);
        m_tr->StartTransaction();
        q.ExecQuery();
        e = FibErrorOf([&] { q.SetSQLText(u"select 2 from rdb$database"_s); });
        QCOMPARE(e.SQLCode(), 28);
        QCOMPARE(e.Message(), u"Невозможно change sql text поскольку dataset AdminForm.UsersForm.q открыт."_s);
        q.Close();
        q.SetSQLText(u" \r\n"_s);
        e = FibErrorOf([&] { q.Prepare(); });
        QCOMPARE(e.SQLCode(), 37);
        QCOMPARE(e.Message(), u"Невозможно Prepare, поскольку запрос пустой."_s);
        e = FibErrorOf([&] { q.SetSQLText(u"select * from worker where worker_id = : x"_s); });
        QCOMPARE(e.SQLCode(), 51);
        QCOMPARE(e.Message(),
                 u"Ошибка синтаксического разбора SQL в :AdminForm.UsersForm.q \r\n\r\nParameter name expected"_s);
        q.SetSQLText(u"select worker_id from worker where worker_id = :id"_s);
        try {
            q.ParamNamed(u"nothing"_s);
            QFAIL("no exception");
        } catch (const EFIBError&) {
            QFAIL("a database error");
        } catch (const Exception& ex) {
            QCOMPARE(ex.Message(), u"Parameter \"nothing\" does not exist in AdminForm.UsersForm.q"_s);
        }
        m_tr->Commit();
    }

    void serverErrorsKeepItPreparedButClosed() {
        m_tw->StartTransaction();
        auto q = Query(u"insert into worker (worker_id, surname) values (:id, :name)"_s);
        q->ParamNamed(u"id"_s).SetValue(501);
        q->ExecQuery();
        const EFIBError e = FibErrorOf([&] { q->ExecQuery(); });
        QCOMPARE(e.SQLCode(), -803);
        QCOMPARE(e.RaiserPath(), QString());
        QVERIFY(q->Prepared());
        QVERIFY(!q->Open());
        QVERIFY(m_tw->Active());
        // Suppressed by the error handler: the execution returns normally.
        struct Suppress : IFibErrorHandler {
            int calls = 0;
            void HandleError(QObject*, EFIBError&, bool& doRaise) override {
                ++calls;
                doRaise = false;
            }
        } handler;
        SetActiveErrorHandler(&handler);
        q->ExecQuery();
        auto failing = Query(u"select 1 / (select count(*) from rdb$database where 1 = 0) from rdb$database"_s);
        failing->ExecQuery();
        SetActiveErrorHandler(nullptr);
        QCOMPARE(handler.calls, 2);
        QVERIFY(!failing->Open());
        QVERIFY(failing->Eof());
        m_tw->Rollback();
        m_tw->StartTransaction();
        const EFIBError syntax = FibErrorOf([&] { Query(u"selec 1 from rdb$database"_s)->ExecQuery(); });
        QCOMPARE(syntax.SQLCode(), -104);
        m_tw->Rollback();
    }

    void executeErrorHandler() {
        m_tw->StartTransaction();
        Query(u"insert into worker (worker_id) values (600)"_s)->ExecQuery();
        auto q = Query(u"insert into worker (worker_id, surname) values (:id, 'retry')"_s);
        q->ParamNamed(u"id"_s).SetValue(600);
        int calls = 0;
        q->OnExecuteError = [&](TpFIBQuery* sender, EFIBError& error, TDataAction& action) {
            ++calls;
            QCOMPARE(error.SQLCode(), -803);
            sender->ParamNamed(u"id"_s).SetValue(601);
            action = daRetry;
        };
        q->ExecQuery();
        QCOMPARE(calls, 1);
        q->ParamNamed(u"id"_s).SetValue(600);
        q->OnExecuteError = [&](TpFIBQuery*, EFIBError&, TDataAction& action) { action = daAbort; };
        QVERIFY_THROWS_EXCEPTION(EAbort, q->ExecQuery());
        q->OnExecuteError = [&](TpFIBQuery*, EFIBError&, TDataAction&) {};
        QCOMPARE(FibErrorOf([&] { q->ExecQuery(); }).SQLCode(), -803);
        m_tw->Commit();
        QCOMPARE(Scalar(u"select surname from worker where worker_id = 601"_s), QVariant(u"retry"_s));
        m_database->Isql(u"DELETE FROM WORKER; COMMIT;"_s);
    }

    void nullComparisonsRewritten() {
        Exec(u"insert into sys$group (id, group_name) values (70, 'g70')"_s);
        Exec(u"insert into sys$rights (id, rights) values (80, 'r80')"_s);
        Exec(u"insert into sys$group_rights (group_id, right_id) values (70, 80)"_s);
        m_tw->StartTransaction();
        auto q = Query(u"delete from sys$group_rights where group_id = :group_id and  right_id = :right_id;"_s);
        q->ParamNamed(u"group_id"_s).SetValue(QVariant());
        q->ParamNamed(u"right_id"_s).SetValue(80);
        q->ExecQuery();
        QCOMPARE(q->ProcessedSQL(),
                 u"delete from sys$group_rights where group_id  IS NULL  and  right_id = ?        ;\r\n"_s);
        QCOMPARE(q->StatementParamCount(), 1);
        QCOMPARE(q->SQLType(), SQLDelete);
        m_tw->CommitRetaining();
        QCOMPARE(Scalar(u"select count(*) from sys$group_rights"_s).toInt(), 1);
        q->ParamNamed(u"GROUP_ID"_s).SetValue(70);
        q->ExecQuery();
        QCOMPARE(q->ProcessedSQL(),
                 u"delete from sys$group_rights where group_id = ?         and  right_id = ?        ;\r\n"_s);
        QCOMPARE(q->StatementParamCount(), 2);
        m_tw->Commit();
        QCOMPARE(Scalar(u"select count(*) from sys$group_rights"_s).toInt(), 0);

        // Outside WHERE nothing is rewritten; with qoNoForceIsNull neither.
        m_tw->StartTransaction();
        auto u = Query(u"update sys$group set notice = :notice where id = :id"_s);
        u->ParamNamed(u"notice"_s).SetValue(QVariant());
        u->ParamNamed(u"id"_s).SetValue(70);
        u->ExecQuery();
        QCOMPARE(u->StatementParamCount(), 2);
        auto n = Query(u"select count(*) from sys$group where notice = :notice"_s);
        n->SetOptions(qoNoForceIsNull);
        n->ParamNamed(u"notice"_s).SetValue(QVariant());
        n->ExecQuery();
        QCOMPARE(n->FieldAt(0).Value(), QVariant(qlonglong(0)));  // = NULL is never true
        n->SetOptions(0);
        n->ExecQuery();
        QCOMPARE(n->FieldAt(0).Value(), QVariant(qlonglong(1)));
        m_tw->Commit();
    }

    void linkedOccurrences() {
        m_tr->StartTransaction();
        auto q = Query(u"select cast(:x as integer) + 1, cast(:X as integer) * 2 from rdb$database"_s, m_tr);
        QCOMPARE(q->ParamCount(), 2);
        q->ParamNamed(u"x"_s).SetValue(5);
        QCOMPARE(q->Params(1).Value(), QVariant(5));
        q->ExecQuery();
        QCOMPARE(q->FieldAt(0).Value().toInt(), 6);
        QCOMPARE(q->FieldAt(1).Value().toInt(), 10);
        m_tr->Commit();
    }

    void combinedUserStatement() {
        m_tw->StartTransaction();
        auto q = Query(kUserStatement);
        QCOMPARE(q->TextKind(), TSQLTextKind::ExecBlock);
        QStringList names;
        for (int i = 0; i < q->ParamCount(); ++i) names << q->Params(i).Name();
        QCOMPARE(names, (QStringList{u"OPERATION"_s, u"WORKER_ID"_s, u"SURNAME"_s, u"FIRSTNAME"_s, u"MIDLENAME"_s,
                                     u"PHONE_NO"_s, u"NOTICE"_s, u"WORKING"_s, u"IBNAME"_s, u"LOCKEDOUT"_s}));
        q->Prepare();
        QCOMPARE(q->StatementParamCount(), 10);
        QCOMPARE(q->SQLType(), SQLExecProcedure);
        const int before = Scalar(u"select gen_id(gen_operations_uid, 0) from rdb$database"_s).toInt();
        q->ParamNamed(u"operation"_s).SetValue(1);
        q->ParamNamed(u"worker_id"_s).SetValue(-1);
        q->ParamNamed(u"surname"_s).SetValue(u"Иванова"_s);
        q->ParamNamed(u"firstname"_s).SetValue(u"Анна"_s);
        q->ParamNamed(u"midlename"_s).SetValue(u"Сергеевна"_s);
        q->ParamNamed(u"phone_no"_s).SetValue(u"+7 900 000-00-00"_s);
        q->ParamNamed(u"notice"_s).SetValue(QVariant());
        q->ParamNamed(u"working"_s).SetValue(1);
        q->ParamNamed(u"ibname"_s).SetValue(u"IVANOVA"_s);
        q->ParamNamed(u"lockedout"_s).SetValue(QVariant());
        q->ExecQuery();
        m_tw->Commit();
        const int id = before + 1;
        QCOMPARE(Scalar(u"select surname || ' ' || firstname from worker where worker_id = %1"_s.arg(id)),
                 QVariant(u"Иванова Анна"_s));
        QCOMPARE(Scalar(u"select lockedout from sys$user where id = %1 and ibname = 'IVANOVA'"_s.arg(id)), QVariant(1));
        m_database->Isql(u"DELETE FROM SYS$USER; DELETE FROM WORKER; COMMIT;"_s);
    }

    void executeProcedureOutputs() {
        m_tr->StartTransaction();
        auto q = Query(u"execute procedure p_add(:a, :b)"_s, m_tr);
        q->ParamNamed(u"a"_s).SetValue(40);
        q->ParamNamed(u"b"_s).SetValue(2);
        q->ExecQuery();
        QCOMPARE(q->SQLType(), SQLExecProcedure);
        QVERIFY(!q->Open());
        QCOMPARE(q->FieldNamed(u"c"_s).Value(), QVariant(42));
        QCOMPARE(q->ParamNamed(u"C"_s).Value(), QVariant(42));  // EXECUTE texts fall back to the outputs
        m_tr->Commit();
    }

    void grantRunsWithoutPrepare_data() {
        QTest::addColumn<bool>("paramCheck");
        QTest::newRow("ParamCheck on") << true;
        QTest::newRow("ParamCheck off") << false;
    }
    void grantRunsWithoutPrepare() {
        QFETCH(bool, paramCheck);
        m_tw->StartTransaction();
        TpFIBQuery q;
        q.SetDatabase(m_db);
        q.SetTransaction(m_tw);
        q.SetParamCheck(paramCheck);
        q.SetSQLText(u" GRANT SELECT ON WORKER TO GRANTEE_A"_s);
        QCOMPARE(q.TextKind(), TSQLTextKind::Definition);
        QCOMPARE(q.ParamCount(), 0);
        int before = 0;
        q.BeforeExecute = [&](TFIBQuery*) { ++before; };
        q.ExecQuery();
        QCOMPARE(before, 1);
        QVERIFY(!q.Prepared());
        m_tw->Commit();
        QCOMPARE(Scalar(u"select count(*) from rdb$user_privileges where rdb$user = 'GRANTEE_A'"
                        " and rdb$relation_name = 'WORKER'"_s).toInt(), 1);
        // The transaction handle goes as it is: with none the server refuses.
        const EFIBError e = FibErrorOf([&] { q.ExecQuery(); });
        QCOMPARE(e.SQLCode(), -901);
    }

    void optionsStartAndCommit() {
        auto q = Query(u"insert into worker (worker_id, surname) values (700, 'auto')"_s);
        q->SetOptions(qoStartTransaction | qoAutoCommit | qoFreeHandleAfterExecute);
        q->ExecQuery();
        QVERIFY(!m_tw->Active());
        QVERIFY(!q->Prepared());
        QCOMPARE(Scalar(u"select surname from worker where worker_id = 700"_s), QVariant(u"auto"_s));
        m_database->Isql(u"DELETE FROM WORKER; COMMIT;"_s);
    }

    void statementsClosedWhenTheTransactionEnds() {
        Exec(u"insert into worker (worker_id) values (801)"_s);
        Exec(u"insert into worker (worker_id) values (802)"_s);
        m_tr->StartTransaction();
        auto q = Query(u"select worker_id from worker order by worker_id"_s, m_tr);
        q->ExecQuery();
        QCOMPARE(q->FieldAt(0).Value(), QVariant(801));
        m_tr->CommitRetaining();  // a retaining end leaves it open
        QVERIFY(q->Open());
        q->Next();
        QCOMPARE(q->FieldAt(0).Value(), QVariant(802));
        m_tr->Rollback();
        QVERIFY(!q->Open());
        QVERIFY(q->Eof());
        QVERIFY(q->Prepared());
        m_tr->StartTransaction();
        q->ExecQuery();
        QVERIFY(q->Open());
        m_db->Close();  // the database's disconnect closes and unprepares it
        QVERIFY(!q->Open());
        QVERIFY(!q->Prepared());
        m_db->Open(true);
        m_database->Isql(u"DELETE FROM WORKER; COMMIT;"_s);
    }

    void statementTypesOfTheirOwn() {
        Exec(u"insert into worker (worker_id) values (901)"_s);
        m_tw->StartTransaction();
        auto forUpdate = Query(u"select worker_id from worker for update"_s);
        forUpdate->ExecQuery();
        QCOMPARE(forUpdate->SQLType(), SQLSelectForUpdate);
        QCOMPARE(forUpdate->FieldAt(0).Value(), QVariant(901));
        // A second one open beside it needs a cursor name of its own.
        auto second = Query(u"select worker_id from worker for update"_s);
        second->ExecQuery();
        QCOMPARE(second->FieldAt(0).Value(), QVariant(901));
        QCOMPARE(forUpdate->CursorName().size(), 10);
        QVERIFY(forUpdate->CursorName() != second->CursorName());
        second->Close();
        forUpdate->Close();

        EFIBError e = FibErrorOf([&] { Query(u"set transaction"_s)->ExecQuery(); });
        QCOMPARE(e.SQLCode(), 2);
        QCOMPARE(e.Message(), u"Запрещено."_s);

        auto bad = Query(u"select * from worker where worker_id = :id"_s);
        bad->ParamNamed(u"id"_s).SetValue(QVariant(QPointF(1, 2)));
        e = FibErrorOf([&] { bad->ExecQuery(); });
        QCOMPARE(e.SQLCode(), 2);

        auto commit = Query(u"commit"_s);
        commit->ExecQuery();
        QCOMPARE(commit->SQLType(), SQLCommit);
        QVERIFY(!m_tw->Active());
        m_database->Isql(u"DELETE FROM WORKER; COMMIT;"_s);
    }

    // A text whose scan stopped while its owner was loading is never run with the previous text's lists.
    void textScannedWhileLoadingIsScannedAgain() {
        TComponent owner;
        owner.setObjectName(u"Form"_s);
        auto* q = new TpFIBQuery(&owner);
        q->SetName(u"q"_s);
        q->SetDatabase(m_db);
        q->SetTransaction(m_tr);
        q->SetSQLText(u"select id from t_values where id = :id"_s);
        owner.Loading();
        q->SetSQLText(u"select 1 from rdb$database where 1 = : "_s);
        owner.Loaded();
        m_tr->StartTransaction();
        const EFIBError e = FibErrorOf([&] { q->ExecQuery(); });
        QCOMPARE(e.SQLCode(), 51);
        QVERIFY2(e.Message().contains(u"Parameter name expected"_s), qPrintable(e.Message()));
        m_tr->Commit();
    }

    void reuseAfterClose() {
        m_tr->StartTransaction();
        auto q = Query(u"select count(*) from rdb$database"_s, m_tr);
        for (int round = 0; round < 3; ++round) {
            q->ExecQuery();
            while (!q->Eof()) {
                QCOMPARE(q->FieldAt(0).Value(), QVariant(qlonglong(1)));
                q->Next();
            }
            q->Close();
        }
        q->SetSQLText(u"select 'x' from rdb$database"_s);
        q->ExecQuery();
        QCOMPARE(q->FieldAt(0).Value(), QVariant(u"x"_s));
        q->FreeHandle();
        QVERIFY(!q->Prepared());
        QCOMPARE(q->FieldCount(), 0);
        m_tr->Commit();
    }
};

QTEST_MAIN(TestQueries)
#include "test_Queries.moc"
