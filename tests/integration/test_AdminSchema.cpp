#include <QRegularExpression>
#include <QtTest>
#include <stdexcept>

#include "admin/AdminSql.h"
#include "tests/support/TestServer.h"

using namespace Qt::StringLiterals;

namespace {

// The combined user statement as a block with the ten parameters declared as variables holding the
// given SQL literals, so that isql can run it without a client parameter list.
QString CombinedWithValues(const QStringList& values) {
    const QStringList& text = AdminSql::CombinedUser();
    QStringList out{u"EXECUTE BLOCK"_s, u"AS"_s};
    static const QRegularExpression param(u"^    (\\w+ \\w+) +=  ?:(\\w+)[,)]$"_s);
    for (int i = 1; i <= 10; ++i) {
        const QRegularExpressionMatch m = param.match(text[i]);
        if (!m.hasMatch()) throw std::runtime_error("unexpected parameter line");
        out << u"declare variable "_s + m.captured(1) + u" = "_s + values[i - 1] + u';';
    }
    if (text[11] != u"AS"_s) throw std::runtime_error("AS expected");
    out << text.mid(12);
    return out.join(u'\n');
}

QString Literal(const QVariant& v) {
    if (v.isNull()) return u"NULL"_s;
    if (v.typeId() == QMetaType::QString) return u'\'' + v.toString() + u'\'';
    return v.toString();
}

}  // namespace

class TestAdminSchema : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_db;

    // Rows of a query with one text column, as isql prints them.
    QStringList Rows(const QString& select) {
        QStringList rows;
        for (const QString& line : m_db->Isql(u"SET HEADING OFF;\n"_s + select + u";\n"_s).split(u'\n')) {
            const QString row = line.trimmed();
            if (!row.isEmpty()) rows << row;
        }
        return rows;
    }
    QStringList Workers() {
        return Rows(u"SELECT WORKER_ID || '|' || COALESCE(SURNAME, '~') || '|' || COALESCE(FIRSTNAME, '~') || '|' || "
                    u"COALESCE(MIDLENAME, '~') || '|' || COALESCE(PHONE_NO, '~') || '|' || COALESCE(NOTICE, '~') || "
                    u"'|' || COALESCE(WORKING, '~') || '|' || COALESCE(IBNAME, '~') FROM WORKER ORDER BY WORKER_ID"_s);
    }
    QStringList Users() {
        return Rows(u"SELECT ID || '|' || IBNAME || '|' || LOCKEDOUT FROM SYS$USER ORDER BY ID"_s);
    }
    QStringList Memberships() {
        return Rows(u"SELECT USER_ID || '|' || GROUP_ID FROM SYS$USER_GROUPS ORDER BY 1"_s);
    }
    // OPERATION, WORKER_ID, SURNAME, FIRSTNAME, MIDLENAME, PHONE_NO, NOTICE, WORKING, IBNAME, LOCKEDOUT.
    void Run(const QVariantList& values) {
        QStringList literals;
        for (const QVariant& v : values) literals << Literal(v);
        m_db->Isql(u"SET TERM ^ ;\n"_s + CombinedWithValues(literals) + u"^\nSET TERM ; ^\nCOMMIT;\n"_s);
    }
    int Generator() {
        return Rows(u"SELECT GEN_ID(GEN_OPERATIONS_UID, 0) FROM RDB$DATABASE"_s).value(0).toInt();
    }

private slots:
    void initTestCase() { m_db = std::make_unique<TestDatabase>(u"adminschema"_s); }
    void cleanupTestCase() { m_db.reset(); }

    // Every text is accepted by the server on the test schema: those with parameters (markers given
    // to the server as "?") fail only for want of parameter values.
    void everyTextPreparesOnTheSchema_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<bool>("hasParams");
        auto lines = [](const QStringList& l) { return l.join(u'\n'); };
        QString combined = lines(AdminSql::CombinedUser());
        const qsizetype as = combined.indexOf(u"\nAS\n"_s);
        combined = combined.left(as).replace(QRegularExpression(u":\\w+"_s), u"?"_s) + combined.mid(as);
        QTest::newRow("combined user") << combined << true;
        const QRegularExpression marker(u":\\w+"_s);
        const QList<std::pair<const char*, QString>> texts = {
            {"users select", lines(AdminSql::UsersSelect())},
            {"users refresh", lines(AdminSql::UsersRefresh())},
            {"groups select", lines(AdminSql::GroupsSelect())},
            {"groups insert", lines(AdminSql::GroupsInsert())},
            {"groups update", lines(AdminSql::GroupsUpdate())},
            {"groups delete", lines(AdminSql::GroupsDelete())},
            {"groups refresh", lines(AdminSql::GroupsRefresh())},
            {"group rights", lines(AdminSql::GroupRightsSelect())},
            {"missing rights", lines(AdminSql::MissingRightsSelect())},
            {"give right", AdminSql::GiveRight()},
            {"take right", AdminSql::TakeRight()},
            {"user groups", lines(AdminSql::UserGroupsSelect())},
            {"missing groups", lines(AdminSql::MissingGroupsSelect())},
            {"add membership", AdminSql::AddMembership()},
            {"remove membership", AdminSql::RemoveMembership()},
            {"tables", AdminSql::TablesQuery()},
            {"views", AdminSql::ViewsQuery()},
            {"procedures", AdminSql::ProceduresQuery()},
        };
        for (const auto& [name, sql] : texts) {
            QString s = sql;
            s.replace(marker, u"?"_s);
            QTest::newRow(name) << s << sql.contains(u':');
        }
    }
    void everyTextPreparesOnTheSchema() {
        QFETCH(QString, sql);
        QFETCH(bool, hasParams);
        QString sqlWithEnd = sql;
        if (sqlWithEnd.endsWith(u';')) sqlWithEnd.chop(1);
        try {
            m_db->Isql(u"SET TERM ^ ;\n"_s + sqlWithEnd + u"\n^\nSET TERM ; ^\nROLLBACK;\n"_s);
            QVERIFY2(!hasParams, "ran without parameter values");
        } catch (const std::runtime_error& e) {
            const QString message = QString::fromUtf8(e.what());
            QVERIFY2(hasParams && message.contains(u"No SQLDA for input values provided"_s), qPrintable(message));
        }
    }

    void addTakesGeneratorValueAndBlocksWithoutFlag() {
        const int before = Generator();
        Run({1, 999, u"Иванов"_s, u"Пётр"_s, u"Ильич"_s, u"22-14-05"_s, u"Заметка"_s, 1, u"IVANOV"_s, QVariant()});
        const int id = before + 1;
        QCOMPARE(Generator(), id);
        QCOMPARE(Workers(), QStringList{u"%1|Иванов|Пётр|Ильич|22-14-05|Заметка|1|IVANOV"_s.arg(id)});
        QCOMPARE(Users(), QStringList{u"%1|IVANOV|1"_s.arg(id)});
    }

    void addWithoutLoginHasNoUserRow() {
        const QStringList users = Users();
        Run({1, QVariant(), u"Жуков"_s, QVariant(), QVariant(), QVariant(), QVariant(), 1, QVariant(), 0});
        QCOMPARE(Users(), users);
        QVERIFY(Workers().last().endsWith(u"|Жуков|~|~|~|~|1|~"_s));
    }

    void changeReplacesUserRowAndKeepsMemberships() {
        const int id = Workers().first().section(u'|', 0, 0).toInt();
        m_db->Isql(u"INSERT INTO SYS$GROUP (GROUP_NAME, LOCKEDOUT) VALUES ('Кассиры', 0);\n"
                   u"INSERT INTO SYS$USER_GROUPS (USER_ID, GROUP_ID) SELECT %1, ID FROM SYS$GROUP;\nCOMMIT;\n"_s.arg(id));
        QCOMPARE(Memberships().size(), 1);
        Run({2, id, u"Петров"_s, u"Сергей"_s, QVariant(), u"1"_s, QVariant(), 0, u"PETROV"_s, 0});
        QCOMPARE(Workers().first(), u"%1|Петров|Сергей|~|1|~|0|PETROV"_s.arg(id));
        QCOMPARE(Users(), QStringList{u"%1|PETROV|0"_s.arg(id)});
        QCOMPARE(Memberships().size(), 1);
    }

    void changeWithoutLoginLeavesUserRow() {
        const int id = Workers().first().section(u'|', 0, 0).toInt();
        const QStringList users = Users();
        Run({2, id, u"Петров"_s, u"Сергей"_s, QVariant(), QVariant(), QVariant(), 1, QVariant(), 1});
        QCOMPARE(Workers().first(), u"%1|Петров|Сергей|~|~|~|1|~"_s.arg(id));
        QCOMPARE(Users(), users);
    }

    void otherOperationsChangeNothing_data() {
        QTest::addColumn<QVariant>("operation");
        QTest::newRow("0") << QVariant(0);
        QTest::newRow("null") << QVariant();
        QTest::newRow("4") << QVariant(4);
    }
    void otherOperationsChangeNothing() {
        QFETCH(QVariant, operation);
        const QStringList workers = Workers();
        const QStringList users = Users();
        const int generator = Generator();
        const int id = workers.first().section(u'|', 0, 0).toInt();
        Run({operation, id, u"X"_s, u"Y"_s, u"Z"_s, QVariant(), QVariant(), 1, u"NEWLOGIN"_s, 0});
        QCOMPARE(Workers(), workers);
        QCOMPARE(Users(), users);
        QCOMPARE(Generator(), generator);
    }

    void removeDeletesBothRowsAndMemberships() {
        // Give the first worker its login row back first.
        const int id = Workers().first().section(u'|', 0, 0).toInt();
        Run({2, id, u"Петров"_s, QVariant(), QVariant(), QVariant(), QVariant(), 1, u"PETROV"_s, 0});
        QCOMPARE(Memberships().size(), 1);
        const int others = Workers().size() - 1;
        Run({3, id, QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant()});
        QCOMPARE(Workers().size(), others);
        QVERIFY(Users().filter(u"PETROV"_s).isEmpty());
        QVERIFY(Memberships().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestAdminSchema)
#include "test_AdminSchema.moc"
