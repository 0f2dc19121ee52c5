#include <QStringDecoder>
#include <QtTest>

#include "core/Exception.h"
#include "core/Format.h"
#include "core/TComponent.h"
#include "core/TextCompare.h"
#include "core/Win1251.h"

using namespace Qt::StringLiterals;

class TestCore : public QObject {
    Q_OBJECT
private slots:
    void win1251MatchesIcuForEveryByte() {
        QStringDecoder icu("windows-1251");
        QVERIFY(icu.isValid());
        for (int b = 0; b < 256; ++b) {
            QByteArray one(1, char(b));
            QString mine = FromWin1251(one);
            QString theirs = icu.decode(one);
            QCOMPARE(mine, theirs);
            QCOMPARE(ToWin1251(mine), one);
        }
    }
    void win1251UnmappableBecomesQuestionMark() {
        QCOMPARE(ToWin1251(u"Я中z"_s), QByteArray("\xDF?z"));
        QVERIFY(!FitsWin1251(u"中"_s));
        QVERIFY(FitsWin1251(u"Ёё№«»—€"_s));
    }
    void fullNameSkipsUnnamedOwners() {
        QObject form;
        form.setObjectName(u"AdminForm"_s);
        QObject unnamed(&form);
        TComponent db(&unnamed);
        db.SetName(u"db"_s);
        QCOMPARE(db.FullName(), u"AdminForm.db"_s);
        TComponent lone;
        lone.SetName(u"x"_s);
        QCOMPARE(lone.FullName(), u"x"_s);
    }
    void loadingState() {
        TComponent c;
        QVERIFY(!c.IsLoading());
        c.Loading();
        QVERIFY(c.IsLoading());
        c.Loaded();
        QVERIFY(!c.IsLoading());
    }
    void formatFillsPlaceholdersInOrder() {
        QCOMPARE(FormatMessage(u"%s: a %d b %s"_s, {u"X"_s, u"5"_s}), u"X: a 5 b "_s);
        QCOMPARE(FormatMessage(u"100%% %s"_s, {u"y"_s}), u"100% y"_s);
    }
    void caseInsensitiveCyrillic() {
        QVERIFY(AnsiSameText(u"Ёлка"_s, u"ЁЛКА"_s));
        QVERIFY(!AnsiSameText(u"Ёлка"_s, u"Елка"_s));
        QCOMPARE(AsciiUpper(u"abc_я"_s), u"ABC_я"_s);
    }
    void exceptionCarriesMessage() {
        EDatabaseError e(u"Ошибка"_s);
        QCOMPARE(e.Message(), u"Ошибка"_s);
        QCOMPARE(QString::fromUtf8(e.what()), u"Ошибка"_s);
    }
};

QTEST_APPLESS_MAIN(TestCore)
#include "test_Core.moc"
