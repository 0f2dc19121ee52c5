#include <QtTest>
#include <cstring>

#include "core/Exception.h"
#include "security/TUIBLibrary.h"
#include "security/TUIBSecurity.h"
#include "security/UIBErrors.h"

using namespace Qt::StringLiterals;

namespace {

// What the fake client library was asked to do and what it answers.
struct FakeServer {
    QStringList calls;
    QByteArray serviceName;
    QByteArray attachBlock;
    QList<QByteArray> startBlocks;
    QByteArray queryRequest;
    // Failures by call name: the status vector that call leaves.
    QMap<QString, QList<ISC_STATUS>> failures;
    // Replies to the queries in turn; after them the reply that ends a listing.
    QList<QByteArray> replies;
    QStringList lines;
    int sqlCode = 0;
    QByteArray sqlText;
    int nextLine = 0;
};
FakeServer* g_server = nullptr;

ISC_STATUS Answer(const QString& call, ISC_STATUS* status) {
    g_server->calls << call;
    const QList<ISC_STATUS> vector = g_server->failures.value(call, {1, 0, 0});
    for (int i = 0; i < vector.size() && i < 20; ++i) status[i] = vector[i];
    return status[1];
}

ISC_STATUS FakeAttach(ISC_STATUS* status, unsigned short nameLength, const ISC_SCHAR* name, isc_svc_handle* handle,
                      unsigned short spbLength, const ISC_SCHAR* spb) {
    g_server->serviceName = QByteArray(name, nameLength);
    g_server->attachBlock = QByteArray(spb, spbLength);
    const ISC_STATUS code = Answer(u"attach"_s, status);
    if (code == 0) *handle = 42;
    return code;
}
ISC_STATUS FakeDetach(ISC_STATUS* status, isc_svc_handle* handle) {
    const ISC_STATUS code = Answer(u"detach"_s, status);
    if (code == 0) *handle = 0;
    return code;
}
ISC_STATUS FakeStart(ISC_STATUS* status, isc_svc_handle* handle, isc_resv_handle*, unsigned short length,
                     const ISC_SCHAR* block) {
    if (*handle != 42) qFatal("start without attach");
    g_server->startBlocks << QByteArray(block, length);
    return Answer(u"start"_s, status);
}
ISC_STATUS FakeQuery(ISC_STATUS* status, isc_svc_handle*, isc_resv_handle*, unsigned short sendLength,
                     const ISC_SCHAR*, unsigned short requestLength, const ISC_SCHAR* request,
                     unsigned short bufferLength, ISC_SCHAR* buffer) {
    if (sendLength != 0 || bufferLength != 32000) qFatal("unexpected query");
    g_server->queryRequest = QByteArray(request, requestLength);
    const QByteArray reply = g_server->replies.isEmpty() ? QByteArray("\x44\0\0\x01", 4) : g_server->replies.takeFirst();
    memset(buffer, 0, bufferLength);
    memcpy(buffer, reply.constData(), size_t(qMin<qsizetype>(reply.size(), bufferLength)));
    return Answer(u"query"_s, status);
}
ISC_LONG FakeSqlCode(const ISC_STATUS*) { return g_server->sqlCode; }
void FakeSqlInterprete(short, ISC_SCHAR* buffer, short length) {
    qstrncpy(buffer, g_server->sqlText.constData(), size_t(length));
}
ISC_LONG FakeInterpret(ISC_SCHAR* buffer, unsigned int size, const ISC_STATUS**) {
    if (size != 513) qFatal("unexpected interpret buffer");
    if (g_server->nextLine >= g_server->lines.size()) return 0;
    const QByteArray line = g_server->lines[g_server->nextLine++].toUtf8();
    qstrncpy(buffer, line.constData(), size);
    return ISC_LONG(line.size());
}

std::unique_ptr<TUIBLibrary> FakeLibrary() {
    TUIBClientApi api;
    api.isc_service_attach = FakeAttach;
    api.isc_service_detach = FakeDetach;
    api.isc_service_start = FakeStart;
    api.isc_service_query = FakeQuery;
    api.isc_sqlcode = FakeSqlCode;
    api.isc_sql_interprete = FakeSqlInterprete;
    api.fb_interpret = FakeInterpret;
    return std::make_unique<TUIBLibrary>(api);
}

QByteArray Bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values) out.append(char(v));
    return out;
}

QByteArray Record(const QByteArray& name) {
    return Bytes({7, int(name.size()), 0}) + name + Bytes({10, 0, 0, 11, 0, 0, 12, 0, 0, 5, 1, 0, 0, 0, 6, 2, 0, 0, 0});
}

QByteArray Listing(const QByteArray& records) {
    return Bytes({68, int(records.size() & 0xFF), int(records.size() >> 8)}) + records + Bytes({1});
}

constexpr ISC_STATUS kDuplicate = 335544754;

}  // namespace

class TestUIBSecurityCalls : public QObject {
    Q_OBJECT

    FakeServer m_server;
    std::unique_ptr<TUIBSecurity> m_security;

    TUIBSecurity& Security() { return *m_security; }

private slots:
    void init() {
        m_server = FakeServer();
        g_server = &m_server;
        m_security = std::make_unique<TUIBSecurity>();
        m_security->SetClientLibrary(FakeLibrary());
        m_security->SetUserName(u"SYSDBA"_s);
        m_security->SetPassWord(u"masterkey"_s);
        m_security->SetProtocol(proTCPIP);
        m_security->SetHost(u"127.0.0.1/3050"_s);
    }
    void cleanup() {
        m_security.reset();
        g_server = nullptr;
    }

    void designMarksGoWithTheFirstAddOnly() {
        Security().SetUserID(0);
        Security().SetGroupID(0);
        Security().SetUser(u"NEWUSER"_s);
        Security().SetPass(u"qzpw"_s);
        Security().AddAccount();
        QCOMPARE(m_server.calls, (QStringList{u"attach"_s, u"start"_s, u"detach"_s}));
        QCOMPARE(m_server.serviceName, QByteArray("127.0.0.1/3050:service_mgr"));
        QCOMPARE(m_server.attachBlock, Bytes({2, 2, 28, 6}) + "SYSDBA" + Bytes({29, 9}) + "masterkey" + Bytes({118, 0}));
        QCOMPARE(m_server.startBlocks.at(0).toHex(' '),
                 (Bytes({4, 7, 7, 0}) + "NEWUSER" + Bytes({8, 4, 0}) + "qzpw" + Bytes({5, 0, 0, 0, 0, 6, 0, 0, 0, 0}))
                     .toHex(' '));
        for (int i = 0; i < TUIBUserFields::Count; ++i) QVERIFY(!Security().Marked(TUIBUserFields::Index(i)));
        QCOMPARE(Security().User(), QString());
        QCOMPARE(Security().Pass(), QString());

        Security().SetUser(u"SECOND"_s);
        Security().SetPass(u"qz"_s);
        Security().AddAccount();
        QCOMPARE(m_server.startBlocks.at(1), Bytes({4, 7, 6, 0}) + "SECOND" + Bytes({8, 2, 0}) + "qz");
    }

    void failedActionKeepsValuesAndMarks() {
        m_server.failures[u"start"_s] = {1, kDuplicate, 0};
        m_server.lines = {u"An error occurred while attempting to add the user."_s};
        m_server.sqlCode = -85;
        m_server.sqlText = "The username entered is invalid.";
        Security().SetUserID(5);
        Security().SetUser(u"NEWUSER"_s);
        Security().SetFirstName(u"Ivan"_s);
        try {
            Security().AddAccount();
            QFAIL("no exception");
        } catch (const EUIBError& e) {
            QCOMPARE(typeid(e), typeid(EUIBError));
            QCOMPARE(e.Message(), u"An error occurred while attempting to add the user.\r\n"
                                  u"The username entered is invalid.\r\n\r\nGDS Code: 335544754Error Code: 434"_s);
            QCOMPARE(e.GDSCode(), 335544754);
            QCOMPARE(e.SQLCode(), -85);
        }
        QCOMPARE(m_server.calls, (QStringList{u"attach"_s, u"start"_s, u"detach"_s}));
        QVERIFY(Security().Marked(TUIBUserFields::User));
        QVERIFY(Security().Marked(TUIBUserFields::FirstName));
        QVERIFY(Security().Marked(TUIBUserFields::UserID));
        QVERIFY(!Security().Marked(TUIBUserFields::Pass));
        QCOMPARE(Security().FirstName(), u"Ivan"_s);
        QCOMPARE(Security().UserID(), 5);

        // Deleting another user afterwards sends only that name and clears the stale marks.
        m_server.failures.clear();
        Security().SetUser(u"OTHER"_s);
        Security().DeleteAccount();
        QCOMPARE(m_server.startBlocks.last(), Bytes({5, 7, 5, 0}) + "OTHER");
        QVERIFY(!Security().Marked(TUIBUserFields::FirstName));
        QCOMPARE(Security().UserID(), 0);
    }

    void invalidServiceLoginSendsNothing_data() {
        QTest::addColumn<QString>("login");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty") << QString() << u"Invalid user name : \"\"."_s;
        QTest::newRow("blank") << u"SYS DBA"_s << u"Invalid user name : \"SYS DBA\"."_s;
    }
    void invalidServiceLoginSendsNothing() {
        QFETCH(QString, login);
        QFETCH(QString, message);
        Security().SetUserName(login);
        Security().SetUser(u"U"_s);
        for (auto action : {&TUIBSecurity::AddAccount, &TUIBSecurity::ModifyAccount, &TUIBSecurity::DeleteAccount}) {
            try {
                (Security().*action)();
                QFAIL("no exception");
            } catch (const Exception& e) {
                QCOMPARE(e.Message(), message);
            }
        }
        QVERIFY(m_server.calls.isEmpty());
        QVERIFY(Security().Marked(TUIBUserFields::User));
    }

    void listingDoesNotCheckTheServiceLogin() {
        Security().SetUserName(QString());
        m_server.replies = {Listing({})};
        Security().ListAccounts();
        QCOMPARE(m_server.attachBlock, Bytes({2, 2, 29, 9}) + "masterkey" + Bytes({118, 0}));
        QCOMPARE(m_server.calls, (QStringList{u"attach"_s, u"start"_s, u"query"_s, u"detach"_s}));
    }

    void listingInPartsIsJoined() {
        const QByteArray records = Record("FIRST") + Record("SECOND") + Record("THIRD");
        // Cut inside the second record's name, as the server does when its service is not done yet.
        auto part = [](const QByteArray& r) { return Bytes({68, int(r.size()), 0}) + r + Bytes({1}); };
        m_server.replies = {part(records.left(30)), part(records.mid(30, 20)), part(records.mid(50))};
        Security().ListAccounts();
        QCOMPARE(m_server.calls, (QStringList{u"attach"_s, u"start"_s, u"query"_s, u"query"_s, u"query"_s,
                                              u"query"_s, u"detach"_s}));
        QCOMPARE(Security().AccountCount(), 3);
        QCOMPARE(Security().AccountAt(1).UserName, u"SECOND"_s);
        QCOMPARE(Security().AccountAt(2).UserName, u"THIRD"_s);
    }

    void loginTooLongSendsNothing() {
        Security().SetPassWord(QString(256, u'p'));
        Security().SetUser(u"U"_s);
        try {
            Security().DeleteAccount();
            QFAIL("no exception");
        } catch (const Exception& e) {
            QCOMPARE(e.Message(), u"The service password is longer than 255 bytes."_s);
        }
        QVERIFY(m_server.calls.isEmpty());
        QVERIFY(!Security().Attached());
    }

    void refusedAttachIsNotDetached() {
        m_server.failures[u"attach"_s] = {1, 335544472, 0};
        m_server.lines = {u"Your user name and password are not defined. Ask your database administrator to set up a "
                          u"Firebird login."_s};
        m_server.sqlCode = -902;
        m_server.sqlText = "Unsuccessful execution caused by a system error that precludes successful execution "
                           "of subsequent statements";
        Security().SetUser(u"U"_s);
        try {
            Security().DeleteAccount();
            QFAIL("no exception");
        } catch (const EUIBError& e) {
            QCOMPARE(e.Message(), m_server.lines[0] + u"\r\n"_s + QString::fromLatin1(m_server.sqlText) +
                                      u"\r\n\r\nGDS Code: 335544472Error Code: 152"_s);
        }
        QCOMPARE(m_server.calls, QStringList{u"attach"_s});
        QVERIFY(m_server.startBlocks.isEmpty());
    }

    void listingReplacesAccountsInReplyOrder() {
        m_server.replies = {Listing(Record("ZED") + Record("ALPHA") + Record("MID"))};
        Security().ListAccounts();
        QCOMPARE(m_server.startBlocks.at(0), Bytes({7}));
        QCOMPARE(m_server.queryRequest, Bytes({68}));
        QCOMPARE(Security().AccountCount(), 3);
        QCOMPARE(Security().AccountAt(0).UserName, u"ZED"_s);
        QCOMPARE(Security().AccountAt(1).UserName, u"ALPHA"_s);
        QCOMPARE(Security().AccountAt(2).UserName, u"MID"_s);
        QCOMPARE(Security().AccountAt(2).UserID, 1);
        QCOMPARE(Security().AccountAt(2).GroupID, 2);

        m_server.replies = {Listing(Record("ONLY"))};
        Security().ListAccounts();
        QCOMPARE(Security().AccountCount(), 1);
        QCOMPARE(Security().AccountAt(0).UserName, u"ONLY"_s);
        try {
            Security().AccountAt(1);
            QFAIL("no exception");
        } catch (const Exception& e) {
            QCOMPARE(e.Message(), u"List index out of bounds (1)."_s);
        }
    }

    void badListingKeepsRecordsAndDetaches() {
        m_server.replies = {Listing(Record("FIRST") + Record("SECOND")).left(40)};
        Security().SetRole(u"R"_s);
        try {
            Security().ListAccounts();
            QFAIL("no exception");
        } catch (const Exception& e) {
            QCOMPARE(e.Message(), u"Error while parsing Services API output."_s);
        }
        QCOMPARE(m_server.calls.last(), u"detach"_s);
        QCOMPARE(Security().AccountCount(), 1);
        QCOMPARE(Security().AccountAt(0).UserName, u"FIRST"_s);
        QVERIFY(Security().Marked(TUIBUserFields::Role));
        QCOMPARE(m_server.startBlocks.at(0), Bytes({7, 60, 1, 0}) + "R");
    }

    void failedQueryDetaches() {
        m_server.failures[u"query"_s] = {1, 335544753, 0};
        try {
            Security().ListAccounts();
            QFAIL("no exception");
        } catch (const EUIBError& e) {
            QCOMPARE(e.GDSCode(), 335544753);
        }
        QCOMPARE(m_server.calls, (QStringList{u"attach"_s, u"start"_s, u"query"_s, u"detach"_s}));
        QVERIFY(!Security().Attached());
    }

    void failedDetachAfterFailedStartReportsTheStart() {
        m_server.failures[u"start"_s] = {1, kDuplicate, 0};
        m_server.failures[u"detach"_s] = {1, 335544324, 0};
        Security().SetUser(u"U"_s);
        try {
            Security().AddAccount();
            QFAIL("no exception");
        } catch (const EUIBError& e) {
            QCOMPARE(e.GDSCode(), kDuplicate);
        }
        QCOMPARE(m_server.calls, (QStringList{u"attach"_s, u"start"_s, u"detach"_s}));
    }

    void failedDetachAfterSuccessKeepsMarks() {
        m_server.failures[u"detach"_s] = {1, 335544324, 0};
        Security().SetUser(u"U"_s);
        try {
            Security().DeleteAccount();
            QFAIL("no exception");
        } catch (const EUIBError& e) {
            QCOMPARE(e.GDSCode(), 335544324);
        }
        QVERIFY(Security().Marked(TUIBUserFields::User));
    }

    void statusWithHighBitsIsNoError() {
        m_server.failures[u"start"_s] = {1, ISC_STATUS(0x40000000 | 335544754), 0};
        Security().SetUser(u"U"_s);
        Security().DeleteAccount();
        QVERIFY(!Security().Marked(TUIBUserFields::User));
    }

    void databaseExceptionCarriesItsNumber() {
        m_server.failures[u"start"_s] = {1, kUIBExceptionCode, isc_arg_number, 77, 0};
        Security().SetUser(u"U"_s);
        try {
            Security().DeleteAccount();
            QFAIL("no exception");
        } catch (const EUIBException& e) {
            QCOMPARE(e.Number(), 77);
            QCOMPARE(e.ErrorCode(), 197);
        }
    }

    void gsecFacilityClass() {
        m_server.failures[u"start"_s] = {1, 336724044, 0};
        Security().SetUser(u"U"_s);
        QVERIFY_THROWS_EXCEPTION(EUIBGSecError, Security().DeleteAccount());
    }

    void newLibraryNameDropsTheLoadedLibrary() {
        Security().SetLibraryName(u"/nonexistent/libfb.so"_s);
        Security().SetUser(u"U"_s);
        try {
            Security().DeleteAccount();
            QFAIL("no exception");
        } catch (const Exception& e) {
            QCOMPARE(e.Message(), u"Can't load library: /nonexistent/libfb.so."_s);
        }
        QVERIFY(m_server.calls.isEmpty());
    }
};

QTEST_APPLESS_MAIN(TestUIBSecurityCalls)
#include "test_UIBSecurityCalls.moc"
