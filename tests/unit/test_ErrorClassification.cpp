#include <QtTest>

#include "app/DatabaseErrorMessages.h"
#include "fib/ErrorClassification.h"
#include "fib/StatusCheck.h"

using namespace Qt::StringLiterals;

class TestErrorClassification : public QObject {
    Q_OBJECT
private slots:
    void kindOrder() {
        QCOMPARE(int(keNoError), 0);
        QCOMPARE(int(keLostConnect), 3);
        QCOMPARE(int(keUniqueViolation), 6);
        QCOMPARE(int(keOther), 7);
    }

    void classify_data() {
        QTest::addColumn<int>("sqlCode");
        QTest::addColumn<int>("gdsCode");
        QTest::addColumn<int>("kind");
        QTest::newRow("user exception") << -836 << 335544517 << int(keException);
        QTest::newRow("no_dup") << -803 << 335544349 << int(keUniqueViolation);
        QTest::newRow("unique key") << -803 << 335544665 << int(keUniqueViolation);
        QTest::newRow("-803 other code") << -803 << 335544466 << int(keOther);
        QTest::newRow("-803 decides before lost connection") << -803 << 335544721 << int(keOther);
        QTest::newRow("no permission") << -551 << 335544352 << int(keSecurity);
        QTest::newRow("foreign key") << -530 << 335544466 << int(keForeignKey);
        QTest::newRow("-530 other code") << -530 << 335544665 << int(keOther);
        QTest::newRow("check") << -297 << 335544558 << int(keCheck);
        QTest::newRow("wrong password") << -902 << 335544472 << int(keOther);
        QTest::newRow("missing file") << -902 << 335544344 << int(keOther);
        QTest::newRow("no listener") << -902 << 335544721 << int(keLostConnect);
        QTest::newRow("read error") << -902 << 335544726 << int(keLostConnect);
        QTest::newRow("write error") << -902 << 335544727 << int(keLostConnect);
        QTest::newRow("shutdown") << -902 << 335544528 << int(keLostConnect);
        QTest::newRow("lost db connection") << -902 << 335544741 << int(keLostConnect);
        QTest::newRow("connect listen") << -902 << 335544723 << int(keLostConnect);
        QTest::newRow("event connect") << -902 << 335544724 << int(keLostConnect);
        QTest::newRow("event listen") << -902 << 335544725 << int(keLostConnect);
        QTest::newRow("connection shutdown") << -902 << 335544856 << int(keLostConnect);
        QTest::newRow("syntax error") << -104 << 335544569 << int(keOther);
    }
    void classify() {
        QFETCH(int, sqlCode);
        QFETCH(int, gdsCode);
        QFETCH(int, kind);
        QCOMPARE(int(ClassifyKind(sqlCode, gdsCode)), kind);
    }

    // A lost connection is found wherever its code stands in the status vector; the SQLCODE still decides
    // first. Warnings and the arguments of other entries are not codes.
    void lostConnectionAnywhere_data() {
        QTest::addColumn<int>("sqlCode");
        QTest::addColumn<QList<qlonglong>>("vector");
        QTest::addColumn<QList<int>>("codes");
        QTest::addColumn<int>("kind");
        const qlonglong gds = isc_arg_gds, str = isc_arg_string, num = isc_arg_number, cstr = isc_arg_cstring;
        QTest::newRow("GRANT failed, then connection shutdown")
            << -901 << QList<qlonglong>{gds, 335544343, str, 0, gds, 335544856, 0} << QList<int>{335544343, 335544856} << int(keLostConnect);
        QTest::newRow("counted string, then network error")
            << -902 << QList<qlonglong>{gds, 335544569, cstr, 3, 0, gds, 335544721, 0} << QList<int>{335544569, 335544721} << int(keLostConnect);
        QTest::newRow("a number that looks like the code")
            << -902 << QList<qlonglong>{gds, 335544569, num, 335544856, 0} << QList<int>{335544569} << int(keOther);
        QTest::newRow("warning") << -902 << QList<qlonglong>{gds, 335544569, isc_arg_warning, 335544856, 0} << QList<int>{335544569} << int(keOther);
        QTest::newRow("-803 decides first")
            << -803 << QList<qlonglong>{gds, 335544665, gds, 335544856, 0} << QList<int>{335544665, 335544856} << int(keUniqueViolation);
    }
    void lostConnectionAnywhere() {
        QFETCH(int, sqlCode);
        QFETCH(QList<qlonglong>, vector);
        QFETCH(QList<int>, codes);
        QFETCH(int, kind);
        std::vector<ISC_STATUS> status(ISC_STATUS_LENGTH, 0);
        for (int i = 0; i < vector.size(); ++i) status[size_t(i)] = ISC_STATUS(vector[i]);
        const std::vector<int> found = StatusCodesOf(status.data());
        QCOMPARE(QList<int>(found.begin(), found.end()), codes);
        QCOMPARE(int(ClassifyKind(sqlCode, found.front(), found)), kind);
    }

    void cutUserException_data() {
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("withName");
        QTest::addColumn<QString>("cut");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("name");
        QTest::newRow("old server") << u"exception 12. Нет прав\r\n"_s << false << u"Нет прав"_s << 12 << u"Unknown"_s;
        QTest::newRow("firebird, name and at")
            << u"AdminForm.db:\r\nException.\r\nexception 3.\r\nE_NO_RIGHTS.\r\nНельзя. At procedure 'P'.\r\n"_s
            << true << u"\r\nНельзя. "_s << 3 << u"E_NO_RIGHTS"_s;
        QTest::newRow("no full stop") << u"exception 7 без точки"_s << false << u"7 без точки"_s << -1 << QString();
        QTest::newRow("not a number") << u"exception x. text"_s << false << u"x. text"_s << -1 << QString();
        QTest::newRow("no exception word") << u"12. text"_s << false << u"text"_s << 12 << u"Unknown"_s;
    }
    void cutUserException() {
        QFETCH(QString, message);
        QFETCH(bool, withName);
        QFETCH(QString, cut);
        QFETCH(int, number);
        QFETCH(QString, name);
        TUserExceptionInfo info;
        QCOMPARE(CutUserExceptionMessage(message, TErrorLexems{}, withName, info), cut);
        QCOMPARE(info.Number, number);
        QCOMPARE(info.Name, name);
    }

    void otherMessages_data() {
        QTest::addColumn<int>("gdsCode");
        QTest::addColumn<QString>("text");
        QTest::newRow("bad handle") << 335544324 << u"Нет подключения базе данных!"_s;
        QTest::newRow("io error") << 335544344
                                  << u"Невозможно подключиться к базе данных.\r\rПричина ошибки:\rНе найден файл базы данных!"_s;
        QTest::newRow("unavailable")
            << 335544375 << u"Доступ к базе данных закрыт!\r\rВозможная причина: не запущен сервер Firebird!"_s;
        QTest::newRow("login") << 335544472
                               << u"Невозможно подключиться к базе данных.\r\rПричина ошибки:\rНеверно указано имя пользователя или пароль."_s;
        QTest::newRow("catch-all") << 335544569
                                   << u"Неизвестная ошибка времени выполнения\r\rНомер ошибки:335544569\r\rТекст ошибки:Dynamic SQL Error.\r\n"_s;
    }
    void otherMessages() {
        QFETCH(int, gdsCode);
        QFETCH(QString, text);
        QCOMPARE(OtherErrorMessage(gdsCode, u"Dynamic SQL Error.\r\n"_s), text);
    }
    void lostConnection() { QCOMPARE(LostConnectionMessage(), u"Связь прервана. Приложение будет закрыто!"_s); }
};

QTEST_APPLESS_MAIN(TestErrorClassification)
#include "test_ErrorClassification.moc"
