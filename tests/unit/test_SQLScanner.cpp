#include <QtTest>

#include "admin/AdminSql.h"
#include "fib/FIBErrors.h"
#include "fib/SQLScanner.h"

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(TSQLTextKind)

namespace {

QString Lines(const QStringList& lines) {
    QString s;
    for (const QString& l : lines) s += l + u"\r\n"_s;
    return s;
}

// The users' dataset's combined statement as the program holds it.
QString CombinedUserStatement() { return Lines(AdminSql::CombinedUser()); }

QStringList Names(const TSQLScan& scan) {
    QStringList n;
    for (const TSQLParamRef& p : scan.Params) n << p.Name;
    return n;
}

QList<bool> Eligibility(const TSQLScan& scan) {
    QList<bool> e;
    for (const TSQLParamRef& p : scan.Params) e << p.Eligible;
    return e;
}

const QString kTakeRight = u"delete from sys$group_rights where group_id = :group_id and  right_id = :right_id;"_s;

}  // namespace

class TestSQLScanner : public QObject {
    Q_OBJECT
private slots:
    void textKind_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<TSQLTextKind>("kind");
        QTest::newRow("select") << u"select id from sys$group"_s << TSQLTextKind::Select;
        QTest::newRow("merge") << u"MERGE INTO t USING s ON 1=1"_s << TSQLTextKind::Select;
        QTest::newRow("blanks parens comments") << u"\r\n ( -- x\r\n/* y */ ;^SeLeCt 1"_s << TSQLTextKind::Select;
        QTest::newRow("keyword must end") << u"selection"_s << TSQLTextKind::Other;
        QTest::newRow("keyword before paren") << u"select(1) from t"_s << TSQLTextKind::Select;
        QTest::newRow("lone dash ends skip") << u"-select"_s << TSQLTextKind::Other;
        QTest::newRow("update") << u"UPDATE SYS$GROUP SET"_s << TSQLTextKind::Update;
        QTest::newRow("update or insert") << u"update /*c*/ or insert into t"_s << TSQLTextKind::UpdateOrInsert;
        QTest::newRow("update ordinal") << u"update orders set"_s << TSQLTextKind::Update;
        QTest::newRow("delete") << kTakeRight << TSQLTextKind::Delete;
        QTest::newRow("insert") << u"insert into sys$group_rights"_s << TSQLTextKind::Insert;
        QTest::newRow("execute procedure") << u"EXECUTE  PROCEDURE p(:a)"_s << TSQLTextKind::ExecProcedure;
        QTest::newRow("execute block") << CombinedUserStatement() << TSQLTextKind::ExecBlock;
        QTest::newRow("execute statement") << u"execute statement 'x'"_s << TSQLTextKind::Other;
        QTest::newRow("grant") << u" GRANT ALL ON  WORKER TO NEWUSER"_s << TSQLTextKind::Definition;
        QTest::newRow("create") << u"create table t (a int)"_s << TSQLTextKind::Definition;
        QTest::newRow("recreate") << u"RECREATE VIEW v AS SELECT 1 FROM t"_s << TSQLTextKind::Definition;
        QTest::newRow("set generator") << u"SET GENERATOR g TO 5"_s << TSQLTextKind::Definition;
        QTest::newRow("set other") << u"SET TRANSACTION"_s << TSQLTextKind::Other;
        QTest::newRow("empty") << QString() << TSQLTextKind::Other;
    }
    void textKind() {
        QFETCH(QString, sql);
        QFETCH(TSQLTextKind, kind);
        QCOMPARE(SQLTextKind(sql), kind);
    }

    void quickScan_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<bool>("marker");
        QTest::newRow("colon") << u"select 1 from t where a = :a"_s << true;
        QTest::newRow("question mark") << u"select 1 from t where a = ?"_s << true;
        QTest::newRow("in literal") << u"select ':a' from t"_s << false;
        QTest::newRow("in identifier") << u"select \"a:b\" from t"_s << false;
        QTest::newRow("in block comment") << u"select 1 /* :a */ from t"_s << false;
        QTest::newRow("in line comment") << u"select 1 -- :a\r\n from t"_s << false;
        QTest::newRow("after line comment, LF only") << u"select 1 -- x\n from t where a = :a"_s << true;
        QTest::newRow("first character is not looked at") << u":a"_s << false;
        QTest::newRow("grant") << u" GRANT SELECT, UPDATE ON RDB$GENERATORS TO NEWUSER"_s << false;
        QTest::newRow("unterminated literal") << u"select 'x"_s << false;
    }
    void quickScan() {
        QFETCH(QString, sql);
        QFETCH(bool, marker);
        QCOMPARE(SQLHasMarker(sql), marker);
    }

    // The program's own texts and the scanner's states; names in occurrence order.
    void parameters_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("give right")
            << u"insert into sys$group_rights (group_id, right_id) values (:group_id, :right_id);"_s
            << QStringList{u"GROUP_ID"_s, u"RIGHT_ID"_s};
        QTest::newRow("take right") << kTakeRight << QStringList{u"GROUP_ID"_s, u"RIGHT_ID"_s};
        QTest::newRow("add member")
            << u"insert into sys$user_groups (group_id, user_id) values (:group_id, :user_id);"_s
            << QStringList{u"GROUP_ID"_s, u"USER_ID"_s};
        QTest::newRow("remove member")
            << u"delete from sys$user_groups where group_id = :group_id and  user_id = :user_id;"_s
            << QStringList{u"GROUP_ID"_s, u"USER_ID"_s};
        QTest::newRow("combined user statement") << CombinedUserStatement()
            << QStringList{u"OPERATION"_s, u"WORKER_ID"_s, u"SURNAME"_s, u"FIRSTNAME"_s, u"MIDLENAME"_s,
                           u"PHONE_NO"_s, u"NOTICE"_s, u"WORKING"_s, u"IBNAME"_s, u"LOCKEDOUT"_s};
        QTest::newRow("groups insert")
            << Lines({u"INSERT INTO SYS$GROUP("_s, u"    ID,"_s, u"    GROUP_NAME,"_s, u"    LOCKEDOUT,"_s,
                      u"    NOTICE"_s, u")"_s, u"VALUES("_s, u"    :ID,"_s, u"    :GROUP_NAME,"_s,
                      u"    :LOCKEDOUT,"_s, u"    :NOTICE"_s, u")"_s})
            << QStringList{u"ID"_s, u"GROUP_NAME"_s, u"LOCKEDOUT"_s, u"NOTICE"_s};
        QTest::newRow("rights of group")
            << Lines({u"select r.id, r.rights, r.category, r.notice"_s, u"from sys$rights r, sys$group_rights g"_s,
                      u"where g.group_id = :ID"_s, u"and r.id = g.right_id"_s, u"order by  category, rights"_s})
            << QStringList{u"ID"_s};
        QTest::newRow("users refresh")
            << Lines({u"select u.id, w.worker_id, u.ibname, u.lockedout, '' all_areas, w.surname, w.firstname,w.midlename,w.notice"_s,
                      u"from sys$USER u, worker w"_s, u"where w.ibname = u.ibname"_s,
                      u"  and u.ID = :old_ID"_s + QString(26, u' '), QString(), u"    "_s})
            << QStringList{u"OLD_ID"_s};
        QTest::newRow("tables catalogue")
            << Lines({u"SELECT V.RDB$RELATION_NAME AS NAME FROM RDB$RELATIONS V"_s,
                      u"WHERE (V.RDB$SYSTEM_FLAG IS NULL OR V.RDB$SYSTEM_FLAG <> 1)"_s,
                      u"AND (V.RDB$VIEW_BLR IS NULL) AND (V.RDB$FLAGS = 1)"_s})
            << QStringList{};
        QTest::newRow("grant generators") << u" GRANT SELECT, UPDATE ON RDB$GENERATORS TO NEWUSER"_s << QStringList{};
        QTest::newRow("grant with colon") << u" GRANT ALL ON  T:X TO U"_s << QStringList{};
        QTest::newRow("grant execute")
            << u" GRANT EXECUTE ON PROCEDURE P_A                            TO NEWUSER"_s << QStringList{};
        QTest::newRow("same name twice") << u"select * from t where a = :x or b = :X"_s
                                         << QStringList{u"X"_s, u"X"_s};
        QTest::newRow("colon in literal") << u"select ':no', 'it''s :no' from t where a = :yes"_s
                                          << QStringList{u"YES"_s};
        QTest::newRow("colon in quoted identifier") << u"select \"a:b\" from t where a = :yes"_s
                                                    << QStringList{u"YES"_s};
        QTest::newRow("colon in block comment") << u"select 1 /* :no */ from t where a = :yes"_s
                                                << QStringList{u"YES"_s};
        QTest::newRow("colon after line comment") << u"select 1 -- :no\r\nfrom t where a = :yes"_s
                                                  << QStringList{u"YES"_s};
        QTest::newRow("question mark name") << u"select * from t where a = ?p"_s << QStringList{u"P"_s};
        QTest::newRow("name characters") << u"select :a#$%.9_z from t"_s << QStringList{u"A#$%.9_Z"_s};
        QTest::newRow("only a-z upper-cased") << u"select :abc_ж from t"_s << QStringList{u"ABC_"_s};
        QTest::newRow("quoted name kept") << u"select * from t where a = :\"my Name\" and b = :x"_s
                                          << QStringList{u"my Name"_s, u"X"_s};
        QTest::newRow("character after name taken over") << u"select :a:b from t"_s << QStringList{u"A"_s};
        QTest::newRow("quote after name taken over") << u"select :a'x from t"_s << QStringList{u"A"_s};
        QTest::newRow("comment after name") << u"select :a--:b\r\n, :c from t"_s << QStringList{u"A"_s, u"C"_s};
        QTest::newRow("block comment after name") << u"select :a/*:b*/, :c from t"_s
                                                  << QStringList{u"A"_s, u"C"_s};
        QTest::newRow("execute block header only")
            << u"execute block (a int = :a, b int = :b) returns (c int) as begin c = :a + :b; suspend; end"_s
            << QStringList{u"A"_s, u"B"_s};
        QTest::newRow("execute block header name ending in as")
            << u"execute block (class int = :class) as begin end"_s << QStringList{u"CLASS"_s};
        QTest::newRow("execute block AS before paren")
            << u"execute block (x int = :x)AS(begin :y)"_s << QStringList{u"X"_s};
        QTest::newRow("execute procedure") << u"EXECUTE PROCEDURE P(:a, :b)"_s << QStringList{u"A"_s, u"B"_s};
    }
    void parameters() {
        QFETCH(QString, sql);
        QFETCH(QStringList, names);
        const TSQLScan scan = ScanSQL(sql);
        QCOMPARE(scan.Error, TSQLScanError::None);
        QCOMPARE(Names(scan), names);
        const QString processed = ProcessedSQL(sql, scan.Params);
        QCOMPARE(processed.size(), sql.size());
        QCOMPARE(processed.count(u'?'), sql.count(u'?') + scan.Params.size() - [&] {
            int q = 0;
            for (const TSQLParamRef& p : scan.Params) q += sql[p.Start] == u'?';
            return q;
        }());
    }

    void positionsAndProcessedText() {
        const QString sql = u"select * from t where a = :\"q x\" and b=:bb"_s;
        const TSQLScan scan = ScanSQL(sql);
        QCOMPARE(scan.Params.size(), 2);
        QCOMPARE(scan.Params[0].Start, sql.indexOf(u':'));
        QCOMPARE(scan.Params[0].End, sql.indexOf(u" and"_s));
        QVERIFY(scan.Params[0].Quoted);
        QVERIFY(!scan.Params[1].Quoted);
        QCOMPARE(scan.Params[1].End, sql.size());
        QCOMPARE(ProcessedSQL(sql, scan.Params), u"select * from t where a = ?      and b=?  "_s);
    }

    void combinedStatementMarkersOnlyInHeader() {
        const QString sql = CombinedUserStatement();
        const TSQLScan scan = ScanSQL(sql);
        const QString processed = ProcessedSQL(sql, scan.Params);
        const qsizetype as = sql.indexOf(u"\r\nAS\r\n"_s);
        QCOMPARE(processed.left(as).count(u'?'), 10);
        QCOMPARE(processed.mid(as), sql.mid(as));  // the body goes to the server as written
        for (const TSQLParamRef& p : scan.Params) QVERIFY(!p.Eligible);
    }

    void failures_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<TSQLScanError>("error");
        QTest::addColumn<QString>("inner");
        QTest::newRow("colon and blank") << u"select * from t where a = : b"_s << TSQLScanError::ParamNameExpected
                                         << u"Parameter name expected"_s;
        QTest::newRow("colon at end") << u"select * from t where a = :"_s << TSQLScanError::ParamNameExpected
                                      << u"Parameter name expected"_s;
        QTest::newRow("double colon") << u"select ::a from t"_s << TSQLScanError::ParamNameExpected
                                      << u"Parameter name expected"_s;
        QTest::newRow("lone question mark") << u"select * from t where a = ?"_s
                                            << TSQLScanError::ParamNameExpected << u"Parameter name expected"_s;
        QTest::newRow("open literal") << u"select 'abc from t where a = :a"_s << TSQLScanError::EofInString
                                      << u"EOF in string detected"_s;
        QTest::newRow("open identifier") << u"select \"abc from t"_s << TSQLScanError::EofInString
                                         << u"EOF in string detected"_s;
        QTest::newRow("open quoted name") << u"select :\"abc from t"_s << TSQLScanError::EofInString
                                          << u"EOF in string detected"_s;
        QTest::newRow("open comment") << u"select 1 /* :a from t"_s << TSQLScanError::EofInComment
                                      << u"EOF in comment detected"_s;
        QTest::newRow("comment end after name") << u"select :a/* x"_s << TSQLScanError::EofInComment
                                                << u"EOF in comment detected"_s;
    }
    void failures() {
        QFETCH(QString, sql);
        QFETCH(TSQLScanError, error);
        QFETCH(QString, inner);
        QCOMPARE(ScanSQL(sql).Error, error);
        try {
            (void)ParseSQLParams(sql, u"AdminForm.q"_s, false);
            QFAIL("no error raised");
        } catch (const EFIBClientError& e) {
            QCOMPARE(e.SQLCode(), 51);
            QCOMPARE(e.Message(), u"Ошибка синтаксического разбора SQL в :AdminForm.q \r\n\r\n"_s + inner);
        }
    }

    void silentStopWhileLoading() {
        QVERIFY(!ParseSQLParams(u"select * from t where a = : b"_s, u"q"_s, true).has_value());
        // Only the missing name is forgiven while loading; an open literal still fails.
        QVERIFY_THROWS_EXCEPTION(EFIBClientError, (void)ParseSQLParams(u"select 'x"_s, u"q"_s, true));
        const auto ok = ParseSQLParams(u"select :a from t"_s, u"q"_s, true);
        QVERIFY(ok.has_value());
        QCOMPARE(ok->Params.size(), 1);
    }

    void eligibility_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QList<bool>>("eligible");
        QTest::newRow("take right") << kTakeRight << QList<bool>{true, true};
        QTest::newRow("give right values")
            << u"insert into sys$group_rights (group_id, right_id) values (:group_id, :right_id);"_s
            << QList<bool>{false, false};
        QTest::newRow("update set part")
            << Lines({u"UPDATE SYS$GROUP"_s, u"SET "_s, u"    ID = :ID,"_s, u"    GROUP_NAME = :GROUP_NAME,"_s,
                      u"    LOCKEDOUT = :LOCKEDOUT,"_s, u"    NOTICE = :NOTICE"_s, u"WHERE"_s,
                      u"    ID = :OLD_ID"_s, u"    "_s})
            << QList<bool>{false, false, false, false, true};
        QTest::newRow("groups refresh")
            << Lines({u"select id, group_name, lockedout, notice"_s, u"from sys$group"_s, QString(), u" WHERE "_s,
                      u"        SYS$GROUP.ID = :OLD_ID"_s, u"    "_s})
            << QList<bool>{true};
        QTest::newRow("where at first character") << u"where a = :a"_s << QList<bool>{false};
        QTest::newRow("ended by order") << u"select * from t where a = :a order by b, :c"_s
                                        << QList<bool>{true, false};
        QTest::newRow("ended by group") << u"select * from t where a = :a group by :b"_s
                                        << QList<bool>{true, false};
        QTest::newRow("subquery closes region")
            << u"select * from (select * from t where a = :a) x join u on u.b = :b"_s << QList<bool>{true, false};
        QTest::newRow("nested parens stay inside")
            << u"select * from t where (a = :a and (b = :b)) and c = :c"_s << QList<bool>{true, true, true};
        QTest::newRow("paren after blank closes region")
            << u"select * from (select * from t where a = :a ) x join u on u.b = :b"_s
            << QList<bool>{true, false};
        QTest::newRow("second where opens again")
            << u"select * from (select * from t where a = :a) x where 1=1 or b = :b"_s
            << QList<bool>{true, true};
        QTest::newRow("in subquery of the program")
            << u"select id, rights, category, notice\r\nfrom sys$rights\r\nwhere id not in (select right_id from sys$group_rights where group_id = :ID)\r\norder by  category, rights"_s
            << QList<bool>{true};
        QTest::newRow("arithmetic after") << u"select * from t where a = :a * 2 or b = :b+1 or c = :c || 'x'"_s
                                          << QList<bool>{false, false, false};
        QTest::newRow("minus and slash") << u"select * from t where a = :a - 1 or b = :b / 2"_s
                                         << QList<bool>{false, false};
        QTest::newRow("comments end expression") << u"select * from t where a = :a -- x\r\n or b = :b /* y */"_s
                                                 << QList<bool>{true, true};
        QTest::newRow("keyword inside word") << u"select * from t where a = :a and information = :b"_s
                                             << QList<bool>{true, true};
        QTest::newRow("where in literal") << u"select ' where ' from t, u where a = :a"_s << QList<bool>{true};
        QTest::newRow("literal where only") << u"select ' where ' , :a from t"_s << QList<bool>{false};
        QTest::newRow("execute procedure not tracked") << u"execute procedure p where :a"_s << QList<bool>{false};
    }
    void eligibility() {
        QFETCH(QString, sql);
        QFETCH(QList<bool>, eligible);
        const TSQLScan scan = ScanSQL(sql);
        QCOMPARE(scan.Error, TSQLScanError::None);
        QCOMPARE(Eligibility(scan), eligible);
    }

    void nullRewriting_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QList<bool>>("nulls");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("kept");
        QTest::newRow("take right, group null") << kTakeRight << QList<bool>{true, false}
            << u"delete from sys$group_rights where group_id  IS NULL  and  right_id = ?        ;"_s
            << QList<int>{1};
        QTest::newRow("take right, none null") << kTakeRight << QList<bool>{false, false}
            << u"delete from sys$group_rights where group_id = ?         and  right_id = ?        ;"_s
            << QList<int>{0, 1};
        QTest::newRow("both null") << kTakeRight << QList<bool>{true, true}
            << u"delete from sys$group_rights where group_id  IS NULL  and  right_id  IS NULL ;"_s << QList<int>{};
        QTest::newRow("not equal") << u"select * from t where a <> :a"_s << QList<bool>{true}
                                   << u"select * from t where a  IS NOT NULL "_s << QList<int>{};
        QTest::newRow("bang equal") << u"select * from t where a != :a"_s << QList<bool>{true}
                                    << u"select * from t where a  IS NOT NULL "_s << QList<int>{};
        QTest::newRow("caret equal") << u"select * from t where a ^= :a"_s << QList<bool>{true}
                                     << u"select * from t where a  IS NOT NULL "_s << QList<int>{};
        QTest::newRow("tilde equal") << u"select * from t where a ~=:a"_s << QList<bool>{true}
                                     << u"select * from t where a  IS NOT NULL "_s << QList<int>{};
        QTest::newRow("less or equal kept") << u"select * from t where a <= :a"_s << QList<bool>{true}
                                            << u"select * from t where a <= ? "_s << QList<int>{0};
        QTest::newRow("greater or equal kept") << u"select * from t where a >= :a"_s << QList<bool>{true}
                                               << u"select * from t where a >= ? "_s << QList<int>{0};
        QTest::newRow("like kept") << u"select * from t where a like :a"_s << QList<bool>{true}
                                   << u"select * from t where a like ? "_s << QList<int>{0};
        QTest::newRow("over paren and quote") << u"select * from t where \"A\"=(:a)"_s << QList<bool>{true}
                                              << u"select * from t where \"A\" IS NULL "_s << QList<int>{};
        QTest::newRow("nested brackets, spaces") << u"select * from t where a = ( (:a ) ) and b = 1"_s << QList<bool>{true}
                                                 << u"select * from t where a  IS NULL  and b = 1"_s << QList<int>{};
        QTest::newRow("bracket closing later kept") << u"select * from t where a = (:a collate x)"_s << QList<bool>{true}
                                                    << u"select * from t where a = (?  collate x)"_s << QList<int>{0};
        QTest::newRow("set part not rewritten") << u"update t set a = :a where b = :b"_s << QList<bool>{true, true}
                                                << u"update t set a = ?  where b  IS NULL "_s << QList<int>{0};
        QTest::newRow("quoted name") << u"select * from t where a = :\"x\""_s << QList<bool>{true}
                                     << u"select * from t where a  IS NULL "_s << QList<int>{};
        QTest::newRow("adjacent parameters") << u"select * from t where :a=:b"_s << QList<bool>{false, true}
                                             << u"select * from t where ?  IS NULL "_s << QList<int>{0};
        QTest::newRow("operator inside previous quoted name")
            << u"select * from t where :\"x!=\" :b"_s << QList<bool>{false, true}
            << u"select * from t where ?      ? "_s << QList<int>{0, 1};
    }
    void nullRewriting() {
        QFETCH(QString, sql);
        QFETCH(QList<bool>, nulls);
        QFETCH(QString, text);
        QFETCH(QList<int>, kept);
        const TSQLScan scan = ScanSQL(sql);
        QCOMPARE(scan.Error, TSQLScanError::None);
        const TSQLNullRewrite r = RewriteNullParams(sql, scan.Params, nulls);
        QCOMPARE(r.Text, text);
        QCOMPARE(r.Kept, kept);
        QCOMPARE(r.Rewritten, kept.size() != scan.Params.size());
        QCOMPARE(r.Text.count(u'?'), kept.size());
    }

    void reprocessingOnNullChange() {
        const TSQLScan scan = ScanSQL(kTakeRight);
        // group_id was NULL when processed and is a number now: both markers come back.
        QVERIFY(NullChangeNeedsReprocess(scan.Params, {true, false}, {false, false}));
        QVERIFY(NullChangeNeedsReprocess(scan.Params, {false, false}, {false, true}));
        QVERIFY(!NullChangeNeedsReprocess(scan.Params, {true, false}, {true, false}));
        QCOMPARE(RewriteNullParams(kTakeRight, scan.Params, {false, false}).Kept, (QList<int>{0, 1}));
        // A parameter outside the WHERE region never needs it.
        const QString update = u"update t set a = :a where b = :b"_s;
        const TSQLScan up = ScanSQL(update);
        QVERIFY(!NullChangeNeedsReprocess(up.Params, {false, false}, {true, false}));
        QVERIFY(NullChangeNeedsReprocess(up.Params, {false, false}, {false, true}));
    }
};

QTEST_APPLESS_MAIN(TestSQLScanner)
#include "test_SQLScanner.moc"
