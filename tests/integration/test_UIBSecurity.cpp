#include <QCoreApplication>
#include <QProcess>
#include <QtTest>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "core/Exception.h"
#include "security/TUIBSecurity.h"
#include "security/UIBErrors.h"
#include "tests/support/TestServer.h"

using namespace Qt::StringLiterals;

namespace {

const QString kLoginRefused =
    u"Your user name and password are not defined. Ask your database administrator to set up a Firebird login."_s;

// Whether fbsvcmgr can log in to the test server's service manager with these credentials.
bool ServiceLoginWorks(const QString& user, const QString& password) {
    QProcess p;
    p.start(u"fbsvcmgr"_s, {TestServer::Host() + u":service_mgr"_s, u"-user"_s, user, u"-password"_s, password,
                            u"info_server_version"_s});
    if (!p.waitForFinished(30000)) return false;
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

void DropAccount(const QString& user) {
    QProcess p;
    p.start(u"fbsvcmgr"_s, {TestServer::Host() + u":service_mgr"_s, u"-user"_s, TestServer::User(), u"-password"_s,
                            TestServer::Password(), u"action_delete_user"_s, u"sec_username"_s, user});
    p.waitForFinished(30000);
}

// A loopback port on which nobody listens: one the system just handed out and took back.
QString UnusedPort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), length);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return QString::number(ntohs(address.sin_port));
}

}  // namespace

class TestUIBSecurity : public QObject {
    Q_OBJECT

    QString m_user;  // an account name of this test run
    std::unique_ptr<TUIBSecurity> m_security;

    TUIBSecurity& Security() { return *m_security; }

    // The account of that name in a fresh listing, or none.
    std::optional<TUserInfo> Find(const QString& name) {
        Security().ListAccounts();
        for (int i = 0; i < Security().AccountCount(); ++i)
            if (Security().AccountAt(i).UserName == name) return Security().AccountAt(i);
        return std::nullopt;
    }

    template <typename E>
    E Failure(void (TUIBSecurity::*action)()) {
        try {
            (Security().*action)();
        } catch (const E& e) {
            return e;
        }
        throw std::runtime_error("no exception");
    }

    // Removes the accounts of the long listing, also those an interrupted run left behind. A listing
    // too long for the reply still yields the accounts read before the fault.
    void DropBigListing() {
        for (;;) {
            try {
                Security().ListAccounts();
            } catch (const Exception&) {
            }
            QStringList names;
            for (int i = 0; i < Security().AccountCount(); ++i)
                if (Security().AccountAt(i).UserName.startsWith(u"TVBIG"_s)) names << Security().AccountAt(i).UserName;
            if (names.isEmpty()) return;
            for (const QString& name : names) {
                Security().SetUser(name);
                Security().DeleteAccount();
            }
        }
    }

private slots:
    void initTestCase() {
        m_user = u"TVSEC%1"_s.arg(QCoreApplication::applicationPid());
        DropAccount(m_user);
        init();
        DropBigListing();
    }
    void init() {
        m_security = std::make_unique<TUIBSecurity>();
        // As the groups-and-users window sets it up: design values first, then the login values.
        Security().SetUserID(0);
        Security().SetGroupID(0);
        Security().SetLibraryName(TestServer::Client());
        Security().SetUserName(TestServer::User());
        Security().SetPassWord(TestServer::Password());
        Security().SetProtocol(proTCPIP);
        Security().SetHost(TestServer::Host());
    }
    void cleanupTestCase() { DropAccount(m_user); }

    void addListModifyDelete() {
        Security().SetUser(m_user);
        Security().SetPass(u"qzfirst"_s);
        Security().SetFirstName(u"Petr"_s);
        Security().SetMiddleName(u"Ivanovich"_s);
        Security().SetLastName(u"Sidorov"_s);
        Security().AddAccount();
        QVERIFY(!Security().Marked(TUIBUserFields::User));
        QVERIFY(!Security().Marked(TUIBUserFields::UserID));
        QVERIFY(!Security().Attached());

        std::optional<TUserInfo> added = Find(m_user);
        QVERIFY(added);
        QCOMPARE(added->FirstName, u"Petr"_s);
        QCOMPARE(added->MiddleName, u"Ivanovich"_s);
        QCOMPARE(added->LastName, u"Sidorov"_s);
        QCOMPARE(added->UserID, 0);
        QCOMPARE(added->GroupID, 0);
        QVERIFY(Find(u"SYSDBA"_s));
        QVERIFY(ServiceLoginWorks(m_user, u"qzfirst"_s));

        // Names as typed, Cyrillic included, reach the security database and come back.
        Security().SetUser(m_user);
        Security().SetPass(u"qzsecond"_s);
        Security().SetFirstName(u"Пётр"_s);
        Security().SetLastName(QString());
        Security().SetUserID(123);
        Security().ModifyAccount();
        std::optional<TUserInfo> modified = Find(m_user);
        QVERIFY(modified);
        QCOMPARE(modified->FirstName, u"Пётр"_s);
        QCOMPARE(modified->MiddleName, u"Ivanovich"_s);  // not sent, not changed
        QCOMPARE(modified->LastName, QString());
        QCOMPARE(modified->UserID, 123);
        QVERIFY(ServiceLoginWorks(m_user, u"qzsecond"_s));
        QVERIFY(!ServiceLoginWorks(m_user, u"qzfirst"_s));

        // The component's own attach with the new credentials.
        TUIBService login;
        login.SetLibraryName(TestServer::Client());
        login.SetProtocol(proTCPIP);
        login.SetHost(TestServer::Host());
        login.SetUserName(m_user);
        login.SetPassWord(u"qzsecond"_s);
        login.AttachService();
        QVERIFY(login.Attached());
        login.DetachService();
        QVERIFY(!login.Attached());

        // A modify without Pass leaves the password alone.
        Security().SetUser(m_user);
        Security().SetMiddleName(u"Ilyich"_s);
        Security().ModifyAccount();
        QCOMPARE(Find(m_user)->MiddleName, u"Ilyich"_s);
        QVERIFY(ServiceLoginWorks(m_user, u"qzsecond"_s));

        Security().SetUser(m_user);
        Security().DeleteAccount();
        QVERIFY(!Find(m_user));
        QVERIFY(!ServiceLoginWorks(m_user, u"qzsecond"_s));
    }

    void addingAnExistingAccount() {
        Security().SetUser(m_user);
        Security().SetPass(u"qz"_s);
        Security().AddAccount();
        Security().SetUser(m_user);
        Security().SetPass(u"qzagain"_s);
        Security().SetFirstName(u"X"_s);
        const EUIBError e = Failure<EUIBError>(&TUIBSecurity::AddAccount);
        QCOMPARE(e.GDSCode(), 335544754);
        QCOMPARE(e.ErrorCode(), 434);
        QVERIFY2(e.Message().startsWith(u"An error occurred while attempting to add the user.\r\n"_s), qPrintable(e.Message()));
        QVERIFY(e.Message().contains(u"violation of PRIMARY or UNIQUE KEY constraint"_s));
        QVERIFY(e.Message().endsWith(u"\r\n\r\nGDS Code: 335544754Error Code: 434"_s));
        // The properties stay set for another try.
        QVERIFY(Security().Marked(TUIBUserFields::Pass));
        QCOMPARE(Security().FirstName(), u"X"_s);
        QVERIFY(ServiceLoginWorks(m_user, u"qz"_s));

        Security().SetUser(m_user);
        Security().DeleteAccount();
    }

    void deletingAMissingAccount() {
        Security().SetUser(m_user);
        const EUIBError e = Failure<EUIBError>(&TUIBSecurity::DeleteAccount);
        QCOMPARE(typeid(e), typeid(EUIBError));
        QCOMPARE(e.GDSCode(), 335544753);
        QVERIFY2(e.Message().startsWith(u"The user name specified was not found in the security database\r\n"_s),
                 qPrintable(e.Message()));
        QVERIFY(e.Message().endsWith(u"\r\n\r\nGDS Code: 335544753Error Code: 433"_s));
        QVERIFY(Security().Marked(TUIBUserFields::User));
    }

    void serverRefusalsOfTheSecurityFacility_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<int>("groupId");
        QTest::addColumn<int>("gds");
        QTest::addColumn<QString>("firstLine");
        QTest::newRow("300-byte name") << QString(300, u'N') << 0 << 336724044
                                       << u"Invalid user name (maximum 31 bytes allowed)"_s;
        QTest::newRow("negative group") << u"TVSECNEG"_s << -2 << 336724008 << u"invalid switch specified"_s;
    }
    void serverRefusalsOfTheSecurityFacility() {
        QFETCH(QString, user);
        QFETCH(int, groupId);
        QFETCH(int, gds);
        QFETCH(QString, firstLine);
        Security().SetUser(user);
        Security().SetPass(u"qz"_s);
        Security().SetGroupID(groupId);
        const EUIBGSecError e = Failure<EUIBGSecError>(&TUIBSecurity::AddAccount);
        QCOMPARE(e.GDSCode(), gds);
        QVERIFY2(e.Message().startsWith(firstLine + u"\r\n"_s), qPrintable(e.Message()));
        QVERIFY(!Find(user.left(31)));
    }

    void wrongAdministratorPassword() {
        Security().SetPassWord(u"wrong"_s);
        Security().SetUser(m_user);
        const EUIBError e = Failure<EUIBError>(&TUIBSecurity::DeleteAccount);
        QCOMPARE(e.GDSCode(), 335544472);
        QCOMPARE(e.SQLCode(), -902);
        QVERIFY2(e.Message().startsWith(kLoginRefused + u"\r\n"_s), qPrintable(e.Message()));
        QVERIFY(e.Message().endsWith(u"\r\n\r\nGDS Code: 335544472Error Code: 152"_s));
        QVERIFY(!Security().Attached());
        // Listing needs the login as well.
        QVERIFY_THROWS_EXCEPTION(EUIBError, Security().ListAccounts());
    }

    void unreachableService() {
        Security().SetHost(u"127.0.0.1/"_s + UnusedPort());
        const EUIBError e = Failure<EUIBError>(&TUIBSecurity::ListAccounts);
        QCOMPARE(e.GDSCode(), 335544721);
        QVERIFY2(e.Message().startsWith(u"Unable to complete network request to host \"127.0.0.1\".\r\n"_s),
                 qPrintable(e.Message()));
        QVERIFY(e.Message().endsWith(u"GDS Code: 335544721Error Code: 401"_s));
        QVERIFY(!Security().Attached());
    }

    void listingLongerThanTheReplyBuffer() {
        // About 146 bytes per account: 230 accounts do not fit one 32000-byte reply, and the server
        // hands them out in parts.
        const QString longName(31, u'F');
        auto nameOf = [](int i) { return u"TVBIG%1_"_s.arg(i, 3, 10, QChar(u'0')).leftJustified(31, u'X'); };
        for (int i = 0; i < 230; ++i) {
            Security().SetUser(nameOf(i));
            Security().SetPass(u"qz"_s);
            Security().SetFirstName(longName);
            Security().SetMiddleName(longName);
            Security().SetLastName(longName);
            Security().AddAccount();
        }
        QString message;
        QStringList listed;
        try {
            Security().ListAccounts();
            for (int i = 0; i < Security().AccountCount(); ++i) {
                const TUserInfo& info = Security().AccountAt(i);
                if (info.UserName.startsWith(u"TVBIG"_s) && info.LastName == longName) listed << info.UserName;
            }
        } catch (const Exception& e) {
            message = e.Message();
        }
        DropBigListing();
        QCOMPARE(message, QString());
        listed.sort();
        QCOMPARE(listed.size(), 230);
        QCOMPARE(listed.first(), nameOf(0));
        QCOMPARE(listed.last(), nameOf(229));
        Security().ListAccounts();
        QVERIFY(Security().AccountCount() < 20);
    }
};

QTEST_GUILESS_MAIN(TestUIBSecurity)
#include "test_UIBSecurity.moc"
