#include <QtTest>

#include "fib/SQLInfo.h"
#include "fib/SQLScanner.h"

using namespace Qt::StringLiterals;

namespace {
QByteArray Bytes(std::initializer_list<int> b) {
    QByteArray out;
    for (int x : b) out.append(char(x));
    return out;
}
}  // namespace

class TestSQLInfo : public QObject {
    Q_OBJECT
private slots:
    void statementType_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("type");  // -1: no type
        QTest::newRow("select") << Bytes({21, 4, 0, 1, 0, 0, 0, 1}) << int(SQLSelect);
        QTest::newRow("two-byte value") << Bytes({21, 2, 0, 12, 0, 1}) << int(SQLSelectForUpdate);
        QTest::newRow("after another item") << Bytes({22, 1, 0, 9, 21, 1, 0, 8, 1}) << int(SQLExecProcedure);
        QTest::newRow("item missing") << Bytes({1}) << -1;
        QTest::newRow("empty reply") << QByteArray() << -1;
        QTest::newRow("truncated") << Bytes({2, 21, 4, 0, 1}) << -1;
        QTest::newRow("length past the end") << Bytes({21, 4, 0, 1, 0}) << -1;
        QTest::newRow("zero length") << Bytes({21, 0, 0, 1}) << -1;
    }
    void statementType() {
        QFETCH(QByteArray, reply);
        QFETCH(int, type);
        const auto got = ParseStatementType(reply);
        QCOMPARE(got.has_value() ? *got : -1, type);
    }

    void sqlText() {
        QCOMPARE(JoinSQLLines({u"select 1"_s, u"from t"_s}), u"select 1\r\nfrom t\r\n"_s);
        QCOMPARE(JoinSQLLines({}), QString());
    }

    void executeText_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<bool>("execute");
        QTest::newRow("procedure") << u"  execute procedure p"_s << true;
        QTest::newRow("block on new line") << u"\r\nEXECUTE BLOCK"_s << true;
        QTest::newRow("no blank after") << u"execute(x)"_s << false;
        QTest::newRow("select") << u"select 1"_s << false;
        QTest::newRow("short") << u"EXEC"_s << false;
    }
    void executeText() {
        QFETCH(QString, sql);
        QFETCH(bool, execute);
        QCOMPARE(IsExecuteText(sql), execute);
    }
};

QTEST_APPLESS_MAIN(TestSQLInfo)
#include "test_SQLInfo.moc"
