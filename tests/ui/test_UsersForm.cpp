#include <QAbstractItemModelTester>
#include <QSplitter>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "app/AppFonts.h"
#include "app/TAdminForm.h"
#include "data/TDataSource.h"
#include "data/TField.h"
#include "fib/TpFIBDataSet.h"
#include "settings/TFormStorage.h"
#include "settings/TIniFile.h"
#include "tests/support/FakePrompts.h"
#include "tests/support/ModalHelpers.h"
#include "tests/support/TestServer.h"
#include "ui/EditorDialogs.h"
#include "ui/TDBGridEh.h"
#include "ui/TDBGridEhFindDlg.h"
#include "ui/TUsersForm.h"
#include "ui_TGF.h"
#include "ui_TUF.h"
#include "ui_TUsersForm.h"

using namespace Qt::StringLiterals;

class TestUsersForm : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_demo, m_empty;
    QTemporaryDir m_dir;
    FakePrompts m_prompts;
    std::unique_ptr<TAdminForm> m_admin;

    // The administrator window logged in to db, its command pressed: the groups-and-users window.
    TUsersForm* Open(TestDatabase& db) {
        if (!m_admin) {
            m_admin = std::make_unique<TAdminForm>(m_prompts, [&](QString& s, QString& d, QString& u, QString& l, QString& p) {
                s = TestServer::Host(), d = db.Path(), u = TestServer::User(), l = TestServer::Client();
                p = TestServer::Password();
                return true;
            });
            m_admin->FormStorage()->SetIniFileName(m_dir.filePath(u"tvadmin.ini"_s));
            m_admin->show();
        }
        m_admin->btnUsersClick();
        TUsersForm* form = m_admin->UsersForm();
        QTest::qWait(20);
        return form;
    }
    void CloseWindow(TUsersForm* form) {
        form->close();
        QTest::qWait(20);  // freed by a deferred delete
    }

private slots:
    void initTestCase() {
        InstallFontSubstitutes();
        m_demo = std::make_unique<TestDatabase>(u"usersform"_s, true);
        m_empty = std::make_unique<TestDatabase>(u"usersempty"_s);
    }
    void cleanup() {
        if (m_admin && m_admin->UsersForm()) CloseWindow(m_admin->UsersForm());
        m_admin.reset();
    }
    void cleanupTestCase() {
        m_demo.reset();
        m_empty.reset();
    }

    // Only the active page's datasets are open; the groups come back at their first row.
    void pagesOpenTheirDataSets() {
        TUsersForm* form = Open(*m_demo);
        QCOMPARE(form->windowTitle(), u"Группы и пользователи"_s);
        QVERIFY(form->windowState() & Qt::WindowMaximized);
        QVERIFY(form->dsGroups->Active() && form->dsGR->Active() && form->dsR->Active());
        QVERIFY(!form->dsUsers->Active() && !form->dsGU->Active() && !form->dsG->Active());
        QCOMPARE(form->dsGR->RecordCount() + form->dsR->RecordCount() > 0, true);
        SaveScreenshot(form, u"users-form-groups"_s);
        form->dsGroups->Next();
        form->Controls().pc->setCurrentIndex(1);
        QVERIFY(!form->dsGroups->Active() && !form->dsGR->Active() && !form->dsR->Active());
        QVERIFY(form->dsUsers->Active() && form->dsGU->Active() && form->dsG->Active());
        QVERIFY(form->actGrant->isEnabled());
        SaveScreenshot(form, u"users-form-users"_s);
        form->Controls().pc->setCurrentIndex(0);
        QVERIFY(!form->dsUsers->Active());
        QCOMPARE(form->dsGroups->RecNo(), 1);
    }

    // One window at a time; a new one after closing, on the first page; the reference cleared.
    void oneWindowAtATime() {
        TUsersForm* form = Open(*m_demo);
        form->Controls().pc->setCurrentIndex(1);
        QCOMPARE(Open(*m_demo), form);
        QCOMPARE(form->Controls().pc->currentIndex(), 1);
        CloseWindow(form);
        QVERIFY(!m_admin->UsersForm());
        TUsersForm* again = Open(*m_demo);
        QCOMPARE(again->Controls().pc->currentIndex(), 0);
        QVERIFY(again->dsGroups->Active());
    }

    void grantDisabledWithoutUsers() {
        TUsersForm* form = Open(*m_empty);
        form->Controls().pc->setCurrentIndex(1);
        QVERIFY(!form->actGrant->isEnabled());
        QVERIFY(!form->N1->isEnabled());
    }

    void splitterWidthKept() {
        TUsersForm* form = Open(*m_demo);
        QSplitter* s = form->Controls().Splitter1;
        const QList<int> sizes = s->sizes();
        s->setSizes({300, sizes[0] + sizes[1] - 300});
        CloseWindow(form);
        QCOMPARE(TIniFile(m_dir.filePath(u"tvadmin.ini"_s)).ReadText(u"USER"_s, u"Panel1_Width"_s, {}), u"300"_s);
        form = Open(*m_demo);
        QCOMPARE(form->Controls().Panel1->width(), 300);
    }
};

QTEST_MAIN(TestUsersForm)
#include "test_UsersForm.moc"
