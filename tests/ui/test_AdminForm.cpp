#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "app/AdminProgram.h"
#include "app/AppFonts.h"
#include "app/TAdminForm.h"
#include "fib/FIBErrors.h"
#include "fib/TpFIBDatabase.h"
#include "fib/TpFIBTransaction.h"
#include "settings/TFormStorage.h"
#include "settings/TIniFile.h"
#include "tests/support/FakePrompts.h"
#include "tests/support/ModalHelpers.h"
#include "tests/support/TestServer.h"
#include "ui/TMessageBoxPrompts.h"

using namespace Qt::StringLiterals;

namespace {
// What the user types into the login dialog, or a cancel.
struct TypedLogin {
    bool ok = true;
    QString server, database, user, password, library;
    // The values the dialog was offered.
    QStringList offered;

    TAdminForm::TLoginDialogRunner Runner() {
        return [this](QString& s, QString& d, QString& u, QString& l, QString& p) {
            offered = {s, d, u, l, p};
            if (!ok) return false;
            s = server, d = database, u = user, l = library, p = password;
            return true;
        };
    }
};
}  // namespace

class TestAdminForm : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_database;
    QTemporaryDir m_dir;
    QString m_ini;

    QString Stored(const QString& key) { return TIniFile(m_ini).ReadText(u"Main"_s, key, u"<none>"_s); }
    QString DatabasePath() const { return m_database->Path(); }

    // Shows a fresh administrator window on the settings file, runs its login, and lets queued closes run.
    std::unique_ptr<TAdminForm> Show(FakePrompts& prompts, TypedLogin& login, QSignalSpy*& closed) {
        auto form = std::make_unique<TAdminForm>(prompts, login.Runner());
        form->FormStorage()->SetIniFileName(m_ini);
        closed = new QSignalSpy(form.get(), &TAdminForm::Closed);
        form->show();
        QTest::qWait(50);
        return form;
    }

    TypedLogin GoodLogin() {
        TypedLogin l;
        l.server = TestServer::Host();
        l.database = DatabasePath();
        l.user = TestServer::User();
        l.password = TestServer::Password();
        l.library = TestServer::Client();
        return l;
    }

private slots:
    void initTestCase() {
        InstallFontSubstitutes();
        m_database = std::make_unique<TestDatabase>(u"adminform"_s);
        m_ini = m_dir.filePath(u"tvadmin.ini"_s);
    }
    void cleanupTestCase() { m_database.reset(); }
    void init() { QFile::remove(m_ini); }

    void windowLayout() {
        FakePrompts prompts;
        TAdminForm form(prompts, [](QString&, QString&, QString&, QString&, QString&) { return false; });
        QCOMPARE(form.windowTitle(), u"Модуль администратора"_s);
        QCOMPARE(form.size(), QSize(360, 312));
        QCOMPARE(form.btnUsers()->text(), u"Управление пользователями"_s);
        QCOMPARE(form.btnUsers()->geometry(), QRect(20, 100, 316, 65));
        QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(form.db()->FullName(), u"AdminForm.db"_s);
        QCOMPARE(form.db()->DBParams().Lines(), QStringList({u"lc_ctype=WIN1251"_s, u"user_name=SYSDBA"_s}));
        QCOMPARE(form.db()->SQLDialect(), 3);
        QCOMPARE(form.db()->DefaultTransaction(), static_cast<IFIBTransaction*>(form.tr()));
        QCOMPARE(form.db()->DefaultUpdateTransaction(), static_cast<IFIBTransaction*>(form.tw()));
        QCOMPARE(form.trWriteQ()->FullName(), u"AdminForm.trWriteQ"_s);
        QCOMPARE(form.trReadQ()->TRParams().Lines(),
                 QStringList({u"read"_s, u"nowait"_s, u"rec_version"_s, u"read_committed"_s}));
        QCOMPARE(form.tw()->TRParams().Lines(),
                 QStringList({u"write"_s, u"nowait"_s, u"rec_version"_s, u"read_committed"_s}));
        for (TpFIBTransaction* t : {form.tr(), form.tw(), form.trq(), form.twq(), form.trReadQ(), form.trWriteQ()}) {
            QCOMPARE(t->DefaultDatabase(), static_cast<TFIBDatabase*>(form.db()));
            QCOMPARE(int(t->TimeoutAction()), int(TACommit));
            QCOMPARE(int(t->TPBMode()), int(tpbDefault));
            QCOMPARE(t->Timeout(), 0u);
        }
        SaveScreenshot(&form, u"admin_form"_s);
    }

    // Without a stored client library the Linux one is offered; a stored value is used exactly as stored.
    void withoutSettingsFileOffersDefaults_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("offered");
        QTest::newRow("no settings file") << u"<none>"_s << u"libfbclient.so.2"_s;
        QTest::newRow("stored Windows name") << u"gds32.dll"_s << u"gds32.dll"_s;
        QTest::newRow("stored empty") << QString() << QString();
    }
    void withoutSettingsFileOffersDefaults() {
        QFETCH(QString, stored);
        QFETCH(QString, offered);
        if (stored != u"<none>"_s) TIniFile(m_ini).WriteText(u"Main"_s, u"CONNECTDLL"_s, stored);
        FakePrompts prompts;
        TypedLogin login;
        login.ok = false;
        QSignalSpy* closed = nullptr;
        auto form = Show(prompts, login, closed);
        QCOMPARE(login.offered, QStringList({QString(), QString(), QString(), offered, QString()}));
        QCOMPARE(closed->count(), 1);  // a cancelled login ends the program
        QVERIFY(prompts.log.isEmpty());
        delete closed;
        form.reset();
        // The section is written at close, with the values it had: nothing typed was stored.
        QCOMPARE(Stored(u"CONNECTDLL"_s), offered);
        QCOMPARE(Stored(u"USERNAME"_s), QString());
    }

    void successfulLoginClosesTheConnectionAndStoresValues() {
        FakePrompts prompts;
        TypedLogin login = GoodLogin();
        QSignalSpy* closed = nullptr;
        auto form = Show(prompts, login, closed);
        QVERIFY2(prompts.log.isEmpty(), qPrintable(prompts.log.join(u'|')));
        QCOMPARE(closed->count(), 0);
        QVERIFY(!form->db()->Connected());
        QCOMPARE(form->db()->DBName(), login.server + u':' + login.database);
        QCOMPARE(form->LoginUser(), login.user);
        QCOMPARE(form->LoginPassword(), login.password);
        QCOMPARE(form->LoginServer(), login.server);
        QCOMPARE(form->LoginLibrary(), login.library);
        form->close();
        QCOMPARE(closed->count(), 1);
        delete closed;
        QCOMPARE(Stored(u"SERVER"_s), login.server);
        QCOMPARE(Stored(u"DATABASE"_s), login.database);
        QCOMPARE(Stored(u"USERNAME"_s), login.user);
        QCOMPARE(Stored(u"CONNECTDLL"_s), login.library);
        form.reset();
        QFile f(m_ini);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(!f.readAll().contains(TestServer::Password().toLatin1()));

        // The next start offers the stored values and an empty password.
        FakePrompts prompts2;
        TypedLogin again;
        again.ok = false;
        auto form2 = Show(prompts2, again, closed);
        QCOMPARE(again.offered, QStringList({login.server, login.database, login.user, login.library, QString()}));
        delete closed;
    }

    void wrongPasswordReportedOnceAndTypedValuesStored() {
        FakePrompts prompts;
        TypedLogin login = GoodLogin();
        login.password = u"wrong"_s;
        QSignalSpy* closed = nullptr;
        auto form = Show(prompts, login, closed);
        QCOMPARE(prompts.log, QStringList({u"error:Невозможно подключиться к базе данных.\r\rПричина ошибки:\r"
                                           u"Неверно указано имя пользователя или пароль."_s}));
        QCOMPARE(closed->count(), 1);
        delete closed;
        QCOMPARE(form->LoginUser(), login.user);  // set together with the stored values, connected or not
        form.reset();
        QCOMPARE(Stored(u"USERNAME"_s), login.user);
        QCOMPARE(Stored(u"SERVER"_s), login.server);
        QFile f(m_ini);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(!f.readAll().contains("wrong"));
    }

    void missingDatabaseFile() {
        FakePrompts prompts;
        TypedLogin login = GoodLogin();
        login.database = u"/nonexistent/tv.fdb"_s;
        QSignalSpy* closed = nullptr;
        auto form = Show(prompts, login, closed);
        QCOMPARE(prompts.log, QStringList({u"error:Невозможно подключиться к базе данных.\r\rПричина ошибки:\r"
                                           u"Не найден файл базы данных!"_s}));
        QCOMPARE(closed->count(), 1);
        delete closed;
    }

    void serverNotRunningIsALostConnection() {
        FakePrompts prompts;
        TypedLogin login = GoodLogin();
        login.server = u"127.0.0.1/3999"_s;
        QSignalSpy* closed = nullptr;
        auto form = Show(prompts, login, closed);
        QCOMPARE(prompts.log.size(), 2);
        QCOMPARE(prompts.log[0], u"message:Связь прервана. Приложение будет закрыто!"_s);
        QVERIFY2(prompts.log[1].startsWith(u"message:Ошибка!\r\nAdminForm.db:\r\n"_s), qPrintable(prompts.log[1]));
        QVERIFY(prompts.log[1].contains(u"Unable to complete network request to host \"127.0.0.1\"."_s));
        QCOMPARE(closed->count(), 1);
        delete closed;
        // An exception at login stores nothing.
        QVERIFY(form->LoginUser().isEmpty());
        form.reset();
        QCOMPARE(Stored(u"SERVER"_s), QString());
    }

    void libraryThatCannotBeLoaded() {
        FakePrompts prompts;
        TypedLogin login = GoodLogin();
        login.library = u"libnothing.so.9"_s;
        QSignalSpy* closed = nullptr;
        auto form = Show(prompts, login, closed);
        QCOMPARE(prompts.log, QStringList({u"message:Ошибка!\r\nCan't load library libnothing.so.9 "_s}));
        QCOMPARE(closed->count(), 1);
        delete closed;
        form.reset();
        QCOMPARE(Stored(u"CONNECTDLL"_s), u"libfbclient.so.2"_s);
    }

    // The real start-up with the real message boxes, whose loops run while the window is being shown.
    void loginWithServerDownEndsTheProgram() {
        TypedLogin login = GoodLogin();
        login.server = u"127.0.0.1/3999"_s;  // nothing listens there
        QStringList boxes;
        QTimer answer;
        connect(&answer, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                boxes << box->text().section(u'\n', 0, 0);
                box->accept();
            }
        });
        answer.start(20);
        bool timedOut = false;
        QTimer::singleShot(15000, [&] {
            timedOut = true;
            QCoreApplication::quit();
        });
        TMessageBoxPrompts prompts;
        const int status = RunAdministrator(prompts, login.Runner(),
                                            [&](TAdminForm& f) { f.FormStorage()->SetIniFileName(m_ini); });
        QVERIFY(!timedOut);
        QCOMPARE(status, 0);
        QCOMPARE(boxes, QStringList({u"Связь прервана. Приложение будет закрыто!"_s, u"Ошибка!"_s}));
        const QWidgetList windows = QApplication::topLevelWidgets();
        QVERIFY(std::none_of(windows.begin(), windows.end(), [](QWidget* w) { return w->isVisible(); }));
    }

    void lostConnectionWhileWorkingEndsTheProgram() {
        TestOwnServer server(23);
        QString path = server.Dir() + u"/data/lost.fdb"_s;
        QVERIFY(server.MakeDb(path));
        FakePrompts prompts;
        TypedLogin login = GoodLogin();
        login.server = server.Host();
        login.database = path;
        QSignalSpy* closed = nullptr;
        auto form = Show(prompts, login, closed);
        QVERIFY(prompts.log.isEmpty());
        form->db()->Open(true);  // as the groups-and-users window does
        server.Stop();
        QVERIFY_THROWS_EXCEPTION(EFIBError, (void)form->db()->DatabaseDialect());
        QCOMPARE(prompts.log, QStringList({u"message:Связь прервана. Приложение будет закрыто!"_s}));
        QVERIFY(!form->db()->Connected());
        QTest::qWait(20);
        QCOMPARE(closed->count(), 1);
        delete closed;
        QCOMPARE(Stored(u"SERVER"_s), server.Host());  // settings written at close
    }
};

QTEST_MAIN(TestAdminForm)
#include "test_AdminForm.moc"
