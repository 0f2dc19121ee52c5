#include <QAbstractItemModelTester>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QSplitter>
#include <QTabWidget>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QToolButton>
#include <QToolTip>
#include <QtTest>

#include "app/AppFonts.h"
#include "app/TAdminForm.h"
#include "core/Win1251.h"
#include "data/TDataSource.h"
#include "data/TField.h"
#include "fib/TpFIBDataSet.h"
#include "security/TUIBSecurity.h"
#include "settings/TFormStorage.h"
#include "settings/TIniFile.h"
#include "tests/support/FakePrompts.h"
#include "tests/support/ModalHelpers.h"
#include "tests/support/TestServer.h"
#include "ui/EditorDialogs.h"
#include "ui/TCheckForm.h"
#include "ui/THoldersForm.h"
#include "ui/TDBGridEh.h"
#include "ui/TDBGridEhFindDlg.h"
#include "ui/TUsersForm.h"
#include "ui_TCheckForm.h"
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
    // The window active with the focus in it, and a click on a grid's row as a user makes it.
    void Activate(QWidget* w) {
        QApplication::setActiveWindow(w);
        QVERIFY(QTest::qWaitForWindowActive(w));
    }
    void ClickRow(TDBGridEh* grid, int row, int column = 0) {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(row, column)).center());
    }
    int Count(TestDatabase& db, const QString& select) {
        return db.Isql(u"SET HEADING OFF;\n"_s + select + u";\n"_s).simplified().toInt();
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
        m_prompts.log.clear();
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

    // The user dialog on a new row: capitals in the login, the grayed "Работает", the account list.
    void userDialogBindings() {
        TUsersForm* form = Open(*m_demo);
        form->Controls().pc->setCurrentIndex(1);
        form->dsUsers->Append();
        form->dsUsers->SetFieldValue(u"WORKING"_s, 1);
        TUF dlg(form->srcUsers, form);
        dlg.show();
        QApplication::setActiveWindow(&dlg);
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        Ui::TUF& c = dlg.Controls();
        QCOMPARE(c.DBCheckBox2->checkState(), Qt::Checked);
        form->dsUsers->SetFieldValue(u"WORKING"_s, QVariant());
        QCOMPARE(c.DBCheckBox2->checkState(), Qt::PartiallyChecked);
        QTest::mouseClick(c.DBCheckBox2, Qt::LeftButton);
        QCOMPARE(form->dsUsers->FieldValue(u"WORKING"_s).toInt(), 1);
        c.pnlExistUser->show();
        c.cbUsers->addItems({u"IVANOVA"_s, u"NEWCOMER"_s});
        c.edU->setFocus();
        QTest::keyClicks(c.edU, u"petrova"_s);
        QCOMPARE(c.edU->text(), u"PETROVA"_s);
        c.edF->setFocus();
        QCOMPARE(form->dsUsers->FieldValue(u"IBNAME"_s).toString(), u"PETROVA"_s);
        c.cbUsers->setCurrentIndex(0);
        QTest::keyClick(c.cbUsers, Qt::Key_Down);
        QCOMPARE(form->dsUsers->FieldValue(u"IBNAME"_s).toString(), u"NEWCOMER"_s);
        QCOMPARE(c.edU->text(), u"NEWCOMER"_s);
        QCOMPARE(c.edU->maxLength(), form->dsUsers->FieldByName(u"IBNAME"_s)->Size());
        form->dsUsers->Cancel();
    }

    // The three uses of the user dialog as its commands set it up, each from its toolbar button after a
    // click on a row; Esc leaves the list as it was.
    void userDialogUses_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("newPanel");
        QTest::addColumn<bool>("loginEditable");
        QTest::addColumn<QString>("login");
        QTest::newRow("new user") << u"ToolButton2"_s << true << true << QString();
        QTest::newRow("existing account") << u"ToolButton1"_s << false << false << QString();
        QTest::newRow("change") << u"ToolButton4"_s << true << false << u"IVANOVA"_s;
    }
    void userDialogUses() {
        QFETCH(QString, button);
        QFETCH(bool, newPanel);
        QFETCH(bool, loginEditable);
        QFETCH(QString, login);
        TUsersForm* form = Open(*m_demo);
        form->Controls().pc->setCurrentIndex(1);
        Activate(form);
        ClickRow(form->Controls().DBGridEh4, 1);
        bool shownNew = false, shownExisting = false, editable = false;
        QString shownLogin, password = u"?"_s, account = u"?"_s;
        WhenModal([&](QWidget* w) {
            Ui::TUF& c = static_cast<TUF*>(w)->Controls();
            shownNew = c.pnlNewUser->isVisible(), shownExisting = c.pnlExistUser->isVisible();
            editable = c.edU->isVisible() && c.edU->isEnabled();
            shownLogin = c.edU->text(), password = c.edPWD->text(), account = c.cbUsers->currentText();
            SaveScreenshot(w, u"user-dialog-"_s + QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-'));
            QTest::keyClick(w->focusWidget() ? w->focusWidget() : w, Qt::Key_Escape);
        });
        QTest::mouseClick(form->findChild<QToolButton*>(button), Qt::LeftButton);
        QCOMPARE(shownNew, newPanel);
        QCOMPARE(shownExisting, !newPanel);
        QCOMPARE(editable, loginEditable);
        QCOMPARE(shownLogin, login);
        QCOMPARE(password, QString());
        QCOMPARE(account, newPanel ? account : QString());  // nothing chosen before the user chooses
        QCOMPARE(form->dsUsers->State(), dsBrowse);
        QCOMPARE(form->dsUsers->RecNo(), 2);
    }

    // Registering an account: refused while none is chosen (the dialog stays), then the typed one gets its
    // rows and its privileges.
    void registerAccount() {
        TUsersForm* form = Open(*m_demo);
        form->Controls().pc->setCurrentIndex(1);
        const QString login = u"TVREG%1"_s.arg(QCoreApplication::applicationPid());
        form->Security()->SetUser(login);
        form->Security()->SetPass(u"qzx"_s);
        form->Security()->AddAccount();
        Activate(form);
        ClickRow(form->Controls().DBGridEh4, 0);
        bool stayed = false;
        WhenModal([&](QWidget* w) {
            Ui::TUF& c = static_cast<TUF*>(w)->Controls();
            QTest::mouseClick(c.btnSave, Qt::LeftButton);
            stayed = w->isVisible();
            c.cbUsers->setFocus();
            QTest::keyClicks(c.cbUsers->lineEdit(), login);
            QTest::mouseClick(c.btnSave, Qt::LeftButton);
        });
        QTest::mouseClick(form->Controls().ToolButton1, Qt::LeftButton);
        form->Security()->SetUser(login);
        form->Security()->DeleteAccount();
        QVERIFY(stayed);
        QCOMPARE(m_prompts.log, QStringList{u"error:Не выбран пользователь Firebird: выберите его в списке \"Пользователь\"."_s});
        QCOMPARE(Count(*m_demo, u"select count(*) from sys$user u join worker w on w.ibname = u.ibname where u.ibname = '%1'"_s.arg(login)), 1);
        QVERIFY(Count(*m_demo, u"select count(*) from rdb$user_privileges where rdb$user = '%1'"_s.arg(login)) > 0);
    }

    // Click a group, then "create": the dialog shows the new empty row and saves what is typed. In the
    // dialog the memo holds what the column holds, Tab leaves it, and text outside the code page is refused.
    void createGroup() {
        TUsersForm* form = Open(*m_demo);
        Activate(form);
        ClickRow(form->Controls().DBGridEh1, 1);
        QString shown = u"?"_s;
        int length = 0;
        bool tabbed = false, stayed = false;
        WhenModal([&](QWidget* w) {
            Ui::TGF& c = static_cast<TGF*>(w)->Controls();
            shown = c.DBEdit1->text();
            TypeText(c.DBEdit1, u"Ограничения"_s);
            c.DBMemo1->setFocus();
            QTest::keyClicks(c.DBMemo1, QString(300, u'x'));
            length = int(c.DBMemo1->toPlainText().size());
            QTest::keyClick(c.DBMemo1, Qt::Key_Tab);
            tabbed = w->focusWidget() == c.btnSave;
            c.DBMemo1->selectAll();
            TypeText(c.DBMemo1, u"Ωμέγα"_s);
            QTest::mouseClick(c.btnSave, Qt::LeftButton);
            stayed = w->isVisible();
            c.DBMemo1->selectAll();
            TypeText(c.DBMemo1, u"Примечание"_s);
            QTest::mouseClick(c.btnSave, Qt::LeftButton);
        });
        QTest::mouseClick(form->Controls().tbHAdd, Qt::LeftButton);
        QCOMPARE(shown, QString());
        QCOMPARE(length, form->dsGroups->FieldByName(u"NOTICE"_s)->Size());
        QVERIFY(tabbed);
        QVERIFY(stayed);
        QCOMPARE(m_prompts.log, QStringList{u"error:"_s + OutsideWin1251Message(u"Ωμέγα"_s)});
        QCOMPARE(Count(*m_demo, u"select count(*) from sys$group where group_name = 'Ограничения' and notice = 'Примечание'"_s), 1);
    }

    // A value the cell cannot take: a message, and the new row stays editable.
    void badValueInACell() {
        TUsersForm* form = Open(*m_demo);
        Activate(form);
        TDBGridEh* grid = form->Controls().DBGridEh1;
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_Insert);
        QTest::keyClick(grid, Qt::Key_Tab);
        QTest::keyClicks(grid, u"1"_s);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTest::qWait(20);  // the editor's value is committed from the event loop
        QCOMPARE(m_prompts.log, QStringList{u"apperror:Значение \"1\" не подходит для столбца \"Блокирована\". Введите True или "
                                            u"False либо оставьте ячейку пустой."_s});
        QCOMPARE(form->dsGroups->State(), dsInsert);
        form->dsGroups->Cancel();
    }

    // A double-click does what its enabled command does: nothing without a user.
    void doubleClickFollowsTheCommand() {
        m_empty->Isql(u"insert into sys$group (id, group_name, lockedout) values (null, 'Одна', 0);\ncommit;\n"_s);
        TUsersForm* form = Open(*m_empty);
        form->Controls().pc->setCurrentIndex(1);
        TDBGridEh* grid = form->Controls().DBGridEh6;
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(0, 0)).center());
        QCOMPARE(m_prompts.log, QStringList());
        QCOMPARE(Count(*m_empty, u"select count(*) from sys$user_groups"_s), 0);
    }

    // The grant progress is modal from its first moment; closing the window meanwhile waits for the run.
    void grantProgressIsModal() {
        TUsersForm* form = Open(*m_demo);
        form->Controls().pc->setCurrentIndex(1);
        QWidget* modal = nullptr;
        bool openMeanwhile = false;
        QTimer::singleShot(0, form, [&] {
            modal = QApplication::activeModalWidget();
            form->close();
            openMeanwhile = form->isVisible();
        });
        form->N2->trigger();
        QVERIFY(qobject_cast<QProgressDialog*>(modal));
        QVERIFY(openMeanwhile);
        QTest::qWait(20);
        QVERIFY(!m_admin->UsersForm());
    }

    // Only the missing privileges: asked with their count, granted, and then nothing is missing.
    void grantOnlyTheMissing() {
        TUsersForm* form = Open(*m_demo);
        form->Controls().pc->setCurrentIndex(1);
        const auto granted = [&] { return Count(*m_demo, u"select count(*) from rdb$user_privileges where rdb$user = 'PETROV'"_s); };
        m_demo->Isql(u"create table T_NEW_%1 (ID integer);\ncommit;\n"_s.arg(QCoreApplication::applicationPid()));
        const int before = granted();
        form->N3->trigger();
        QCOMPARE(m_prompts.log.size(), 1);
        QVERIFY2(QRegularExpression(u"^confirm:\\d+ прав для \\d+ пользователей будет выдано\\. Продолжить\\?$"_s).match(m_prompts.log[0]).hasMatch(),
                 qPrintable(m_prompts.log[0]));
        QVERIFY(granted() >= before + 5);
        form->N3->trigger();
        QCOMPARE(m_prompts.log.last(), u"message:Недостающих прав нет: все пользователи имеют права на все объекты базы данных."_s);
    }

    // "Сверка пользователей…": a user made without an account is found; clicking its rows and the repair
    // buttons grants its privileges, then (asked first) removes its rows, and the check runs again.
    void checkWindowRepairs() {
        const QString login = u"NOACC%1"_s.arg(QCoreApplication::applicationPid()), other = login + u"B"_s;
        m_demo->Isql(u"insert into worker (worker_id, ibname) values (900, '%1');\n"
                     u"insert into sys$user (id, ibname, lockedout) values (900, '%1', 0);\n"
                     u"insert into worker (worker_id, ibname) values (901, '%2');\n"
                     u"insert into sys$user (id, ibname, lockedout) values (901, '%2', 0);\ncommit;\n"_s.arg(login, other));
        TUsersForm* form = Open(*m_demo);
        form->Controls().pc->setCurrentIndex(1);
        form->N4->trigger();
        auto* check = form->findChild<TCheckForm*>(u"CheckForm"_s);
        QVERIFY(check && check->isVisible());
        const auto rowOf = [&](TFindingKind kind, const QString& of = {}) {
            for (size_t i = 0; i < check->Findings().size(); ++i)
                if (check->Findings()[i].Login == (of.isEmpty() ? login : of) && check->Findings()[i].Kind == kind) return int(i);
            return -1;
        };
        QVERIFY(rowOf(TFindingKind::UserWithoutAccount) >= 0);
        SaveScreenshot(check, u"check-form"_s);
        TDBGridEh* grid = check->Controls().DBGridEh1;
        // Hovering: a text its column cuts shows whole as a tooltip, a login that fits shows none.
        const auto tip = [&](int row, int column) {
            const QPoint at = grid->visualRect(grid->model()->index(row, column)).center();
            QHelpEvent help(QEvent::ToolTip, at, grid->viewport()->mapToGlobal(at));
            QApplication::sendEvent(grid->viewport(), &help);
            return QToolTip::text();
        };
        const int noAccount = rowOf(TFindingKind::UserWithoutAccount);
        QCOMPARE(tip(noAccount, 2), check->Findings()[size_t(noAccount)].Text);
        QToolTip::hideText();
        QTRY_COMPARE(QToolTip::text(), QString());
        QCOMPARE(tip(noAccount, 1), QString());
        ClickRow(check->Controls().DBGridEh1, rowOf(TFindingKind::MissingPrivileges));
        QVERIFY(!check->Controls().btnRemoveRows->isEnabled());
        QTest::mouseClick(check->Controls().btnGrantMissing, Qt::LeftButton);
        QVERIFY(m_prompts.log.last().startsWith(u"message:"_s + login + u": выдано прав: "_s));
        QCOMPARE(rowOf(TFindingKind::MissingPrivileges), -1);
        // Two rows at once: a click, then a Ctrl+click.
        ClickRow(check->Controls().DBGridEh1, rowOf(TFindingKind::UserWithoutAccount));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          grid->visualRect(grid->model()->index(rowOf(TFindingKind::UserWithoutAccount, other), 0)).center());
        QCOMPARE(grid->selectionModel()->selectedRows().size(), 2);
        QTest::mouseClick(check->Controls().btnRemoveRows, Qt::LeftButton);
        QCOMPARE(m_prompts.log.at(m_prompts.log.size() - 2),
                 u"confirm:Удалить строки SYS$USER и WORKER пользователей: %1, %2?"_s.arg(login, other));
        QCOMPARE(rowOf(TFindingKind::UserWithoutAccount), -1);
        QCOMPARE(Count(*m_demo, u"select count(*) from worker where ibname = '%1'"_s.arg(login)), 0);
        check->close();
    }

    // "Права пользователя": a clicked user's rights through its groups; a group given and taken on the first
    // page shows and goes; only the active page's datasets are open. The page saved as CSV and the rights
    // report as PDF through the file dialog; who holds a right from the rights grid's menu.
    void rightsOfTheUser() {
        TUsersForm* form = Open(*m_demo);
        Ui::TUsersForm& u = form->Controls();
        u.pc->setCurrentIndex(1);
        Activate(form);
        const auto rowOf = [](TDBGridEh* g, const QString& text, int column = 0) {
            for (int r = 0; r < g->model()->rowCount(); ++r)
                if (g->CellText(r, column, true).trimmed() == text) return r;
            return -1;
        };
        const auto tab = [&](int i) {
            QTest::mouseClick(u.pcUserRA->tabBar(), Qt::LeftButton, {}, u.pcUserRA->tabBar()->tabRect(i).center());
        };
        const auto pageRights = [&] {
            QStringList out;
            for (int r = 0; r < u.DBGridEh7->model()->rowCount(); ++r)
                out << u.DBGridEh7->CellText(r, 1, true) + u'|' + u.DBGridEh7->CellText(r, 2, true);
            return out;
        };
        const auto saveThrough = [&](QAction* command, const QString& path) {
            WhenModal([&](QWidget* dialog) {
                QVERIFY(QTest::qWaitForWindowExposed(dialog));
                auto* name = dialog->findChild<QLineEdit*>(u"fileNameEdit"_s);
                QVERIFY(name);
                name->clear();
                TypeText(name, path);
                auto* buttons = dialog->findChild<QDialogButtonBox*>(u"buttonBox"_s);
                QVERIFY(buttons);
                QTest::mouseClick(buttons->buttons().constFirst(), Qt::LeftButton);
            });
            command->trigger();
        };
        ClickRow(u.DBGridEh4, rowOf(u.DBGridEh4, u"PETROV"_s));
        tab(1);
        QVERIFY(form->dsUR->Active() && !form->dsGU->Active() && !form->dsG->Active());
        QCOMPARE(u.DBGridEh7->model()->rowCount(),
                 Count(*m_demo, u"select count(distinct gr.right_id) from sys$user su join sys$user_groups ug on ug.user_id = su.id "
                                u"join sys$group_rights gr on gr.group_id = ug.group_id where su.ibname = 'PETROV'"_s));
        QVERIFY(!pageRights().contains(u"Отмена платежей|Бухгалтерия"_s));
        SaveScreenshot(form, u"users-form-rights"_s);
        tab(0);
        QVERIFY(!form->dsUR->Active() && form->dsGU->Active() && form->dsG->Active());
        ClickRow(u.DBGridEh6, rowOf(u.DBGridEh6, u"Бухгалтерия"_s));
        QTest::mouseClick(u.sbUGAdd, Qt::LeftButton);
        tab(1);
        QVERIFY(pageRights().contains(u"Отмена платежей|Бухгалтерия"_s));

        const QString csv = m_dir.filePath(u"права, PETROV.csv"_s);
        saveThrough(u.DBGridEh7->SaveCsvAction(), csv);
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll()).split(u"\r\n"_s, Qt::SkipEmptyParts);
        QCOMPARE(lines.value(0), u"Категория,Разрешение,Через группы,Блок"_s);
        QCOMPARE(lines.size(), u.DBGridEh7->model()->rowCount() + 1);
        const QString pdf = m_dir.filePath(u"права.pdf"_s);
        saveThrough(form->N5, pdf);
        QFile report(pdf);
        QVERIFY(report.open(QIODevice::ReadOnly) && report.read(5) == "%PDF-");

        tab(0);
        ClickRow(u.DBGridEh5, rowOf(u.DBGridEh5, u"Бухгалтерия"_s));
        QTest::mouseClick(u.sbUGremove, Qt::LeftButton);
        tab(1);
        QVERIFY(!pageRights().contains(u"Отмена платежей|Бухгалтерия"_s));

        u.pc->setCurrentIndex(0);
        ClickRow(u.DBGridEh1, rowOf(u.DBGridEh1, u"Бухгалтерия"_s));
        ClickRow(u.DBGridEh2, rowOf(u.DBGridEh2, u"Отмена платежей"_s, 1));
        form->pmGroupRights->actions().constFirst()->trigger();
        auto* holders = form->findChild<THoldersForm*>(u"HoldersForm"_s);
        QVERIFY(holders && holders->isVisible());
        QStringList logins;
        for (int r = 0; r < holders->Grid()->model()->rowCount(); ++r) logins << holders->Grid()->CellText(r, 0, true).trimmed();
        const QString expected = m_demo->Isql(u"SET HEADING OFF;\nselect distinct su.ibname from sys$user su join worker w on "
                                              u"w.worker_id = su.id join sys$user_groups ug on ug.user_id = su.id join "
                                              u"sys$group_rights gr on gr.group_id = ug.group_id join sys$rights r on "
                                              u"r.id = gr.right_id where r.rights = 'Отмена платежей' order by 1;\n"_s);
        QCOMPARE(logins.join(u' '), expected.simplified());
        QVERIFY(!logins.isEmpty());
        SaveScreenshot(holders, u"holders-form"_s);
        holders->close();
    }

    // The connection lost while a search moves the users list: its box, and the grid comes back to life.
    void searchWithTheConnectionLost() {
        TUsersForm* form = Open(*m_demo);
        form->Controls().pc->setCurrentIndex(1);
        TDBGridEh* grid = form->Controls().DBGridEh4;
        m_demo->Isql(u"delete from mon$attachments where mon$attachment_id <> current_connection;\ncommit;\n"_s);
        WhenModal([&](QWidget*) {
            auto& dlg = TDBGridEhFindDlg::Instance();
            dlg.ColumnBox()->setCurrentIndex(dlg.ColumnBox()->count() - 1);
            dlg.PatternBox()->setEditText(u"SHEVCHUK"_s);
            QTest::keyClick(dlg.PatternBox(), Qt::Key_Return);
            QTest::keyClick(dlg.PatternBox(), Qt::Key_Escape);
        });
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(m_prompts.log.contains(u"message:Связь прервана. Приложение будет закрыто!"_s));
        QVERIFY(grid->updatesEnabled());
        QVERIFY(grid->isEnabled());
    }

    // Enter outside the memo and "Сохранить" accept; Esc, "Отменить" and the close box reject.
    void dialogResults_data() {
        QTest::addColumn<bool>("userDialog");
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("result");
        for (bool user : {true, false}) {
            const char* d = user ? "TUF " : "TGF ";
            QTest::newRow(QByteArray(d).append("enter").constData()) << user << u"enter"_s << int(mrOk);
            QTest::newRow(QByteArray(d).append("save").constData()) << user << u"save"_s << int(mrOk);
            QTest::newRow(QByteArray(d).append("esc").constData()) << user << u"esc"_s << int(mrCancel);
            QTest::newRow(QByteArray(d).append("cancel").constData()) << user << u"cancel"_s << int(mrCancel);
            QTest::newRow(QByteArray(d).append("close box").constData()) << user << u"close"_s << int(mrCancel);
            QTest::newRow(QByteArray(d).append("enter in memo, then esc").constData()) << user << u"memo"_s << int(mrCancel);
        }
    }
    void dialogResults() {
        QFETCH(bool, userDialog);
        QFETCH(QString, action);
        QFETCH(int, result);
        TUsersForm* form = Open(*m_demo);
        std::unique_ptr<QDialog> dlg;
        QWidget *edit, *memo;
        QPushButton *save, *cancel;
        if (userDialog) {
            auto* d = new TUF(form->srcUsers, form);
            edit = d->Controls().edF, memo = d->Controls().dmN, save = d->Controls().btnSave, cancel = d->Controls().btnCancel;
            dlg.reset(d);
        } else {
            auto* d = new TGF(form->srcGroups);
            edit = d->Controls().DBEdit1, memo = d->Controls().DBMemo1, save = d->Controls().btnSave, cancel = d->Controls().btnCancel;
            dlg.reset(d);
        }
        WhenModal([&](QWidget*) {
            if (action == u"enter"_s) edit->setFocus(), QTest::keyClick(edit, Qt::Key_Return);
            else if (action == u"save"_s) QTest::mouseClick(save, Qt::LeftButton);
            else if (action == u"esc"_s) QTest::keyClick(edit, Qt::Key_Escape);
            else if (action == u"cancel"_s) QTest::mouseClick(cancel, Qt::LeftButton);
            else if (action == u"close"_s) dlg->close();
            else {
                memo->setFocus();
                QTest::keyClick(memo, Qt::Key_Return);
                QVERIFY(dlg->isVisible());
                QTest::keyClick(memo, Qt::Key_Escape);
            }
        });
        if (action == u"save"_s) SaveScreenshot(dlg.get(), userDialog ? u"user-dialog"_s : u"group-dialog"_s);
        QCOMPARE(dlg->exec(), result);
    }

    // The users grid (ELKIN, IVANOVA, KUZNECOV, PETROV, SHEVCHUK, SIDORENKO), searched from a start row.
    void search_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("column");  // a title, or "<All>"
        QTest::addColumn<int>("match");
        QTest::addColumn<int>("direction");
        QTest::addColumn<bool>("caseSensitive");
        QTest::addColumn<bool>("reverse");
        QTest::addColumn<int>("startRow");
        QTest::addColumn<int>("times");
        QTest::addColumn<int>("row");         // where the grid ends
        QTest::addColumn<QString>("current");  // the current column's title afterwards
        using G = TGridSearch;
        QTest::newRow("empty, anywhere: nothing") << u""_s << u"<All>"_s << int(G::Anywhere) << int(G::All) << false << false << 2 << 1 << 2 << u"LOGIN"_s;
        QTest::newRow("empty, whole field: first empty") << u""_s << u"Примечание"_s << int(G::WholeField) << int(G::All) << false << false << 0 << 1 << 3 << u"Примечание"_s;
        QTest::newRow("empty, start: first examined") << u""_s << u"Фамилия"_s << int(G::FieldStart) << int(G::All) << false << false << 4 << 1 << 0 << u"Фамилия"_s;
        QTest::newRow("down from the last row") << u"ов"_s << u"Фамилия"_s << int(G::Anywhere) << int(G::Down) << false << false << 5 << 1 << 5 << u"LOGIN"_s;
        QTest::newRow("all, then the next below") << u"ов"_s << u"Фамилия"_s << int(G::Anywhere) << int(G::All) << false << false << 4 << 2 << 2 << u"Фамилия"_s;
        QTest::newRow("up") << u"ов"_s << u"Фамилия"_s << int(G::Anywhere) << int(G::Up) << false << false << 5 << 1 << 3 << u"Фамилия"_s;
        QTest::newRow("ctrl turns down into up") << u"ов"_s << u"Фамилия"_s << int(G::Anywhere) << int(G::Down) << false << true << 5 << 1 << 3 << u"Фамилия"_s;
        QTest::newRow("all columns, without case") << u"сергей"_s << u"<All>"_s << int(G::WholeField) << int(G::All) << false << false << 0 << 1 << 3 << u"Имя"_s;
        QTest::newRow("all columns, with case: column stays") << u"Сергей"_s << u"<All>"_s << int(G::WholeField) << int(G::All) << true << false << 0 << 1 << 3 << u"LOGIN"_s;
        QTest::newRow("with case: no match") << u"сергей"_s << u"<All>"_s << int(G::WholeField) << int(G::All) << true << false << 1 << 1 << 1 << u"LOGIN"_s;
    }
    void search() {
        QFETCH(QString, pattern);
        QFETCH(QString, column);
        QFETCH(int, match);
        QFETCH(int, direction);
        QFETCH(bool, caseSensitive);
        QFETCH(bool, reverse);
        QFETCH(int, startRow);
        QFETCH(int, times);
        QFETCH(int, row);
        QFETCH(QString, current);
        TUsersForm* form = Open(*m_demo);
        form->Controls().pc->setCurrentIndex(1);
        TDBGridEh* grid = form->Controls().DBGridEh4;
        const auto title = [&](int c) { return grid->model()->headerData(c, Qt::Horizontal).toString(); };
        int col = -1;
        for (int c = 0; c < grid->model()->columnCount(); ++c)
            if (title(c) == column) col = c;
        form->dsUsers->SetRecNo(startRow + 1);
        grid->SetCurrentColumn(0);
        TGridSearch search;
        search.Pattern = pattern;
        search.Column = col;
        search.Match = TGridSearch::TMatch(match);
        search.Direction = TGridSearch::TDirection(direction);
        search.CaseSensitive = caseSensitive;
        for (int i = 0; i < times; ++i) search.FindNext(*grid, reverse);
        QCOMPARE(form->dsUsers->RecNo() - 1, row);
        QCOMPARE(grid->currentIndex().row(), row);
        QCOMPARE(title(grid->CurrentColumn()), current);
    }

    // Ctrl+F: one dialog for the run, the column list rebuilt for the grid, a new pattern searched afresh.
    void searchDialog() {
        TUsersForm* form = Open(*m_demo);
        TDBGridEh* grid = form->Controls().DBGridEh1;
        grid->setFocus();
        QStringList columns;
        bool found = false;
        WhenModal([&](QWidget* w) {
            auto& dlg = TDBGridEhFindDlg::Instance();
            QCOMPARE(w, &dlg);
            SaveScreenshot(&dlg, u"search-dialog"_s);
            for (int i = 0; i < dlg.ColumnBox()->count(); ++i) columns << dlg.ColumnBox()->itemText(i);
            dlg.ColumnBox()->setCurrentIndex(dlg.ColumnBox()->count() - 1);
            dlg.PatternBox()->setEditText(u"касс"_s);
            QTest::keyClick(dlg.PatternBox(), Qt::Key_Return);
            found = form->dsGroups->FieldValue(u"GROUP_NAME"_s).toString() == u"Кассиры"_s;
            QTest::keyClick(dlg.PatternBox(), Qt::Key_Escape);
        });
        QTest::keyClick(grid, Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(columns, QStringList({u"Группа"_s, u"Блокирована"_s, u"Примечание"_s, u"<All>"_s}));
        QVERIFY(found);
        QVERIFY(TDBGridEhFindDlg::Instance().PatternBox()->findText(u"касс"_s) >= 0);
        QVERIFY(!TDBGridEhFindDlg::Instance().isVisible());
    }

    // Insert adds a row in the groups grid only; an untouched new row goes again when the row moves.
    void insertInEachGrid_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("grid");
        QTest::addColumn<bool>("inserts");
        QTest::newRow("groups") << 0 << u"DBGridEh1"_s << true;
        QTest::newRow("group's rights") << 0 << u"DBGridEh2"_s << false;
        QTest::newRow("other rights") << 0 << u"DBGridEh3"_s << false;
        QTest::newRow("users") << 1 << u"DBGridEh4"_s << false;
        QTest::newRow("user's groups") << 1 << u"DBGridEh5"_s << false;
        QTest::newRow("other groups") << 1 << u"DBGridEh6"_s << false;
    }
    void insertInEachGrid() {
        QFETCH(int, page);
        QFETCH(QString, grid);
        QFETCH(bool, inserts);
        TUsersForm* form = Open(*m_demo);
        form->Controls().pc->setCurrentIndex(page);
        auto* g = form->findChild<TDBGridEh*>(grid);
        TDataSet* ds = g->DataSet();
        const int rows = ds->RecordCount();
        g->setFocus();
        QTest::keyClick(g, Qt::Key_Insert);
        QCOMPARE(ds->State(), inserts ? dsInsert : dsBrowse);
        QCOMPARE(g->model()->rowCount(), rows + (inserts ? 1 : 0));
        QTest::keyClick(g, Qt::Key_Down);
        QCOMPARE(ds->State(), dsBrowse);
        QCOMPARE(ds->RecordCount(), rows);
        if (!inserts) return;
        // Ctrl+Delete asks first; Cancel keeps the row.
        QStringList asked;
        g->ConfirmDelete = [&](const QString& text) { return asked << text, false; };
        QTest::keyClick(g, Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(asked, QStringList{u"Delete record?"_s});
        QCOMPARE(ds->RecordCount(), rows);
    }

    // The users grid: the first five columns keep their widths, the other two fill the rest.
    void columnFitting() {
        TUsersForm* form = Open(*m_demo);
        form->Controls().pc->setCurrentIndex(1);
        TDBGridEh* g = form->Controls().DBGridEh4;
        QList<int> fixed;
        for (int c = 0; c < 5; ++c) fixed << g->columnWidth(c);
        const int phone = g->columnWidth(5), notice = g->columnWidth(6);
        form->resize(form->width() + 200, form->height());
        form->showNormal();
        form->resize(1000, 600);
        QTest::qWait(20);
        for (int c = 0; c < 5; ++c) QCOMPARE(g->columnWidth(c), fixed[c]);
        QCOMPARE(std::accumulate(fixed.begin(), fixed.end(), 0) + g->columnWidth(5) + g->columnWidth(6), g->viewport()->width());
        QVERIFY(std::abs(double(g->columnWidth(5)) / g->columnWidth(6) - double(phone) / notice) < 0.05);
    }

    // A column without a width takes it from its field; a reset keeps the current column.
    void defaultWidthAndCurrentColumn() {
        TUsersForm* form = Open(*m_demo);
        form->Controls().pc->setCurrentIndex(1);
        TDBGridEh* g = form->Controls().DBGridEh4;
        const int chars = form->dsUsers->FieldByName(u"IBNAME"_s)->DisplayWidth();
        QCOMPARE(g->columnWidth(0), g->fontMetrics().horizontalAdvance(u'0') * chars + 4);
        g->SetCurrentColumn(3);
        form->dsUsers->Reopen(true);
        QCOMPARE(g->CurrentColumn(), 3);
    }

    // Through the dialog: a fresh "Все" in "<All>" starts at the current column of the first row (so
    // ELKIN's login is passed over for IVANOVA's), and Ctrl+Enter searches back up to it.
    void searchDialogStartAndCtrlEnter() {
        TUsersForm* form = Open(*m_demo);
        form->Controls().pc->setCurrentIndex(1);
        TDBGridEh* grid = form->Controls().DBGridEh4;
        form->dsUsers->SetRecNo(4);
        grid->SetCurrentColumn(2);
        int first = 0, back = 0;
        WhenModal([&](QWidget*) {
            auto& dlg = TDBGridEhFindDlg::Instance();
            dlg.ColumnBox()->setCurrentIndex(dlg.ColumnBox()->count() - 1);
            dlg.DirectionBox()->setCurrentIndex(TGridSearch::All);
            dlg.PatternBox()->setEditText(u"I"_s);
            QTest::keyClick(dlg.PatternBox(), Qt::Key_Return);
            first = form->dsUsers->RecNo();
            QTest::keyClick(dlg.PatternBox(), Qt::Key_Return, Qt::ControlModifier);
            back = form->dsUsers->RecNo();
            QTest::keyClick(dlg.PatternBox(), Qt::Key_Escape);
        });
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(first, 2);
        QCOMPARE(back, 1);
    }

    void modelIsConsistent() {
        TUsersForm* form = Open(*m_demo);
        QAbstractItemModelTester tester(form->Controls().DBGridEh1->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        form->dsGroups->Last();
        form->dsGroups->Append();
        form->dsGroups->Cancel();
        form->dsGroups->Reopen(true);
        form->Controls().pc->setCurrentIndex(1);
        form->Controls().pc->setCurrentIndex(0);
    }
};

QTEST_MAIN(TestUsersForm)
#include "test_UsersForm.moc"
