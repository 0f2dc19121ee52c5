#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "app/AppFonts.h"
#include "app/AppIcons.h"
#include "app/TUserLoginDialog.h"
#include "tests/support/ModalHelpers.h"

using namespace Qt::StringLiterals;

namespace {
QWidget* NextTabStop(QWidget* w) {
    for (QWidget* n = w->nextInFocusChain(); n && n != w; n = n->nextInFocusChain())
        if (n->focusPolicy() & Qt::TabFocus) return n;
    return nullptr;
}
}  // namespace

class TestLoginDialog : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        InstallFontSubstitutes();
        QApplication::setWindowIcon(ApplicationIcon());
    }

    void layoutAndTexts() {
        TUserLoginDialog d;
        QCOMPARE(d.windowTitle(), u"Вход в систему"_s);
        QCOMPARE(d.size(), QSize(322, 220));
        QCOMPARE(d.mbbOk()->text(), u"Ok"_s);
        QCOMPARE(d.mbbCancel()->text(), u"&Отмена"_s);
        QVERIFY(d.mbbOk()->isDefault());
        QCOMPARE(d.edtServer()->geometry(), QRect(88, 9, 153, 19));
        QCOMPARE(d.edtClientLib()->geometry(), QRect(88, 104, 153, 19));
        QVERIFY(!d.AppIcon()->pixmap().isNull());
        QCOMPARE(d.Image1()->pixmap().size(), QSize(32, 32));
        QVERIFY(!(d.windowFlags() & Qt::WindowMaximizeButtonHint));
        // Tab order: server, database, user, password, library.
        QCOMPARE(NextTabStop(d.edtServer()), static_cast<QWidget*>(d.edDataBase()));
        QCOMPARE(NextTabStop(d.edDataBase()), static_cast<QWidget*>(d.edUser()));
        QCOMPARE(NextTabStop(d.edUser()), static_cast<QWidget*>(d.edPassword()));
        QCOMPARE(NextTabStop(d.edPassword()), static_cast<QWidget*>(d.edtClientLib()));
    }

    void okEnabledExactlyWithUserAndDatabase() {
        TUserLoginDialog d;
        QVERIFY(!d.actLogin()->isEnabled());
        QVERIFY(!d.mbbOk()->isEnabled());
        d.edUser()->setText(u"sysdba"_s);
        QVERIFY(!d.actLogin()->isEnabled());
        d.edDataBase()->setText(u"TV"_s);
        QVERIFY(d.actLogin()->isEnabled());
        QVERIFY(d.mbbOk()->isEnabled());
        d.edtServer()->clear();
        d.edPassword()->clear();
        QVERIFY(d.actLogin()->isEnabled());
        d.edDataBase()->clear();
        QVERIFY(!d.actLogin()->isEnabled());
    }

    void caseRules() {
        TUserLoginDialog d;
        d.show();
        TypeText(d.edtServer(), u"localhost/3053"_s);
        TypeText(d.edUser(), u"иванова"_s);
        TypeText(d.edDataBase(), u"/data/tv.fdb"_s);
        TypeText(d.edtClientLib(), u"libfbclient.so.2"_s);
        QCOMPARE(d.edtServer()->text(), u"LOCALHOST/3053"_s);
        QCOMPARE(d.edUser()->text(), u"ИВАНОВА"_s);
        QCOMPARE(d.edDataBase()->text(), u"/data/tv.fdb"_s);  // paths are case-sensitive here
        QCOMPARE(d.edtClientLib()->text(), u"libfbclient.so.2"_s);
        d.edtServer()->setText(u"abc"_s);
        QCOMPARE(d.edtServer()->text(), u"ABC"_s);
    }

    void passwordShowsStars() {
        TUserLoginDialog d;
        d.show();
        TypeText(d.edPassword(), u"пароль"_s);
        QCOMPARE(d.edPassword()->text(), u"пароль"_s);
        QCOMPARE(d.edPassword()->displayText(), u"******"_s);
    }

    void focusStartsInPassword() {
        TUserLoginDialog d;
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(d.edPassword()));
        SaveScreenshot(&d, u"login_dialog"_s);
    }

    void runReturnsTypedValuesOnOk() {
        QString server = u"srv"_s, db = u"TV"_s, user = u"sysdba"_s, lib = u"libfbclient.so.2"_s, pw;
        WhenModal([](QWidget* w) {
            auto* d = qobject_cast<TUserLoginDialog*>(w);
            QVERIFY(d);
            TypeText(d->edPassword(), u"masterkey"_s);
            QTest::keyClick(d->edPassword(), Qt::Key_Return);
        });
        QVERIFY(RunLoginDialog(server, db, user, lib, pw));
        QCOMPARE(server, u"SRV"_s);
        QCOMPARE(db, u"TV"_s);
        QCOMPARE(user, u"SYSDBA"_s);
        QCOMPARE(lib, u"libfbclient.so.2"_s);
        QCOMPARE(pw, u"masterkey"_s);
    }

    void enterDoesNothingWhileDisabled_escapeDoesNotClose_closeBoxCancels() {
        QString server, db, user, lib = u"gds32.dll"_s, pw;
        WhenModal([](QWidget* w) {
            auto* d = qobject_cast<TUserLoginDialog*>(w);
            QTest::keyClick(d->edPassword(), Qt::Key_Return);
            QVERIFY(d->isVisible());
            QTest::keyClick(d->edPassword(), Qt::Key_Escape);
            QVERIFY(d->isVisible());
            d->edUser()->setText(u"x"_s);
            d->close();
        });
        QVERIFY(!RunLoginDialog(server, db, user, lib, pw));
        QCOMPARE(user, QString());
        QCOMPARE(lib, u"gds32.dll"_s);
    }

    void cancelLeavesValuesUnchanged() {
        QString server = u"A"_s, db = u"B"_s, user = u"C"_s, lib = u"D"_s, pw = u"E"_s;
        WhenModal([](QWidget* w) {
            auto* d = qobject_cast<TUserLoginDialog*>(w);
            d->edUser()->setText(u"other"_s);
            QTest::mouseClick(d->mbbCancel(), Qt::LeftButton);
        });
        QVERIFY(!RunLoginDialog(server, db, user, lib, pw));
        QCOMPARE(user, u"C"_s);
        QCOMPARE(pw, u"E"_s);
    }
};

QTEST_MAIN(TestLoginDialog)
#include "test_LoginDialog.moc"
