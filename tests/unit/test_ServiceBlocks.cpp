#include <QFile>
#include <QtTest>

#include "core/Exception.h"
#include "security/ServiceBlocks.h"
#include "security/TUIBLibrary.h"
#include "security/UIBErrors.h"
#include "tests/support/TestServer.h"

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(TUIBUserFields)

namespace {

using F = TUIBUserFields;

QByteArray Bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values) out.append(char(v));
    return out;
}

QByteArray Text(int code, const QByteArray& bytes) {
    return Bytes({code, int(bytes.size() & 0xFF), int(bytes.size() >> 8)}) + bytes;
}

QByteArray Number(int code, quint32 v) {
    return Bytes({code, int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF), int(v >> 24)});
}

QByteArray Record(const QByteArray& name, const QByteArray& first, const QByteArray& middle, const QByteArray& last,
                  quint32 uid, quint32 gid) {
    return Text(7, name) + Text(10, first) + Text(11, middle) + Text(12, last) + Number(5, uid) + Number(6, gid);
}

QByteArray Listing(const QByteArray& records) {
    return Bytes({68, int(records.size() & 0xFF), int(records.size() >> 8)}) + records + Bytes({1});
}

// The fields as the groups-and-users window leaves them: UserID and GroupID set to 0 by its design.
F DesignFields() {
    F f;
    f.SetNumber(F::UserID, 0);
    f.SetNumber(F::GroupID, 0);
    return f;
}

QString ParseError() { return u"Error while parsing Services API output."_s; }

}  // namespace

class TestServiceBlocks : public QObject {
    Q_OBJECT
private slots:
    void serviceNames_data() {
        QTest::addColumn<int>("protocol");
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("name");
        QTest::newRow("local") << int(proLocalHost) << u"ignored"_s << u"service_mgr"_s;
        QTest::newRow("tcp") << int(proTCPIP) << u"127.0.0.1/3050"_s << u"127.0.0.1/3050:service_mgr"_s;
        QTest::newRow("tcp empty host") << int(proTCPIP) << QString() << u":service_mgr"_s;
        QTest::newRow("netbeui") << int(proNetBEUI) << u"SERVER"_s << u"\\\\SERVER\\service_mgr"_s;
    }
    void serviceNames() {
        QFETCH(int, protocol);
        QFETCH(QString, host);
        QFETCH(QString, name);
        QCOMPARE(ServiceName(TUIBProtocol(protocol), host), name);
    }

    void attachBlock_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QByteArray>("block");
        const QByteArray utf8Tag = Bytes({118, 0});
        QTest::newRow("both") << u"SYSDBA"_s << u"masterkey"_s
                              << Bytes({2, 2, 28, 6}) + "SYSDBA" + Bytes({29, 9}) + "masterkey" + utf8Tag;
        QTest::newRow("no password") << u"SYSDBA"_s << QString() << Bytes({2, 2, 28, 6}) + "SYSDBA" + utf8Tag;
        QTest::newRow("no name") << QString() << u"pw"_s << Bytes({2, 2, 29, 2}) + "pw" + utf8Tag;
        QTest::newRow("neither") << QString() << QString() << Bytes({2, 2}) + utf8Tag;
        QTest::newRow("cyrillic as utf-8") << u"Пётр"_s << u"x"_s
                                           << Bytes({2, 2, 28, 8}) + u"Пётр"_s.toUtf8() + Bytes({29, 1}) + "x" + utf8Tag;
        QTest::newRow("255 bytes fit") << QString(255, u'a') << QString()
                                       << Bytes({2, 2, 28, 255}) + QByteArray(255, 'a') + utf8Tag;
    }
    void attachBlock() {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QByteArray, block);
        QCOMPARE(BuildAttachBlock(user, password), block);
    }

    void attachBlockRefusesLongLogin_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("message");
        QTest::newRow("name") << QString(256, u'a') << u"pw"_s << u"The service user name is longer than 255 bytes."_s;
        // 128 two-byte letters: 128 characters, 256 bytes.
        QTest::newRow("password in bytes") << u"SYSDBA"_s << QString(128, u'ж')
                                           << u"The service password is longer than 255 bytes."_s;
    }
    void attachBlockRefusesLongLogin() {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, message);
        try {
            BuildAttachBlock(user, password);
            QFAIL("no exception");
        } catch (const Exception& e) {
            QCOMPARE(e.Message(), message);
        }
    }

    void serviceUserNameCheck_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("valid");
        QTest::newRow("plain") << u"SYSDBA"_s << true;
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("blank inside") << u"SYS DBA"_s << false;
        QTest::newRow("trailing blank") << u"SYSDBA "_s << false;
        QTest::newRow("tab is no blank") << u"SYS\tDBA"_s << true;
    }
    void serviceUserNameCheck() {
        QFETCH(QString, name);
        QFETCH(bool, valid);
        try {
            CheckServiceUserName(name);
            QVERIFY(valid);
        } catch (const Exception& e) {
            QVERIFY(!valid);
            QCOMPARE(e.Message(), u"Invalid user name : \""_s + name + u"\"."_s);
        }
    }

    void actionBlocks_data() {
        QTest::addColumn<int>("action");
        QTest::addColumn<F>("fields");
        QTest::addColumn<QByteArray>("block");

        F add = DesignFields();
        add.SetText(F::User, u"NEWUSER"_s);
        add.SetText(F::Pass, u"qzpw"_s);
        QTest::newRow("add user and pass with design marks")
            << 4 << add << Bytes({4}) + Text(7, "NEWUSER") + Text(8, "qzpw") + Number(5, 0) + Number(6, 0);

        F bare;
        bare.SetText(F::User, u"NEWUSER"_s);
        bare.SetText(F::Pass, u"qzpw"_s);
        QTest::newRow("add user and pass only") << 4 << bare << Bytes({4}) + Text(7, "NEWUSER") + Text(8, "qzpw");

        F all;
        all.SetNumber(F::GroupID, 456);  // set in an order unlike the block's
        all.SetText(F::LastName, u"Last"_s);
        all.SetText(F::Role, u"ADMIN"_s);
        all.SetText(F::User, u"U"_s);
        all.SetNumber(F::UserID, -1);
        all.SetText(F::MiddleName, u"Mid"_s);
        all.SetText(F::FirstName, u"First"_s);
        all.SetText(F::Pass, u"p"_s);
        QTest::newRow("add everything in item order")
            << 4 << all
            << Bytes({4}) + Text(60, "ADMIN") + Text(7, "U") + Text(8, "p") + Text(10, "First") + Text(11, "Mid") +
                   Text(12, "Last") + Number(5, 0xFFFFFFFFu) + Number(6, 456);

        F modifyNoPass;
        modifyNoPass.SetText(F::User, u"U"_s);
        modifyNoPass.SetText(F::FirstName, u"Иван"_s);
        QTest::newRow("modify without pass") << 6 << modifyNoPass
                                             << Bytes({6}) + Text(7, "U") + Text(10, u"Иван"_s.toUtf8());

        F modifyEmptyPass;
        modifyEmptyPass.SetText(F::User, u"U"_s);
        modifyEmptyPass.SetText(F::Pass, QString());
        modifyEmptyPass.SetText(F::LastName, QString());
        QTest::newRow("modify with empty pass") << 6 << modifyEmptyPass
                                                << Bytes({6}) + Text(7, "U") + Text(8, {}) + Text(12, {});

        QTest::newRow("delete sends only the name") << 5 << all << Bytes({5}) + Text(60, "ADMIN") + Text(7, "U");
        F deleteOnly;
        deleteOnly.SetText(F::User, u"GONE"_s);
        QTest::newRow("delete plain") << 5 << deleteOnly << Bytes({5}) + Text(7, "GONE");

        QTest::newRow("user item even when not set") << 5 << F() << Bytes({5, 7, 0, 0});

        F longName;
        longName.SetText(F::User, QString(300, u'x'));
        QTest::newRow("300-byte name, two-byte length")
            << 5 << longName << Bytes({5, 7, 0x2C, 0x01}) + QByteArray(300, 'x');

        QTest::newRow("list sends no user") << 7 << all << Bytes({7}) + Text(60, "ADMIN");
        QTest::newRow("list plain") << 7 << F() << Bytes({7});
    }
    void actionBlocks() {
        QFETCH(int, action);
        QFETCH(F, fields);
        QFETCH(QByteArray, block);
        QCOMPARE(BuildUserActionBlock(char(action), fields).toHex(' '), block.toHex(' '));
    }

    void actionTextTooLong() {
        F f;
        f.SetText(F::User, QString(0x10000, u'a'));
        try {
            BuildUserActionBlock(char(5), f);
            QFAIL("no exception");
        } catch (const Exception& e) {
            QCOMPARE(e.Message(), u"The text of service item 7 is longer than 65535 bytes."_s);
        }
    }

    void capturedListingReply() {
        QFile file(TestServer::TestData() + u"/service_listing_reply.bin"_s);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QByteArray reply = file.readAll();
        reply.resize(32000, '\0');  // the server's reply fills the front of the 32000-byte buffer
        std::vector<TUserInfo> accounts(3);
        ParseUserListing(reply.constData(), reply.size(), accounts);
        QCOMPARE(accounts.size(), size_t(2));
        QCOMPARE(accounts[0].UserName, u"SYSDBA"_s);
        QCOMPARE(accounts[0].FirstName, QString());
        QCOMPARE(accounts[0].UserID, 0);
        QCOMPARE(accounts[1].UserName, u"CAPTURE_USER"_s);
        QCOMPARE(accounts[1].FirstName, u"Пётр"_s);
        QCOMPARE(accounts[1].MiddleName, QString());
        QCOMPARE(accounts[1].LastName, u"Ivanov"_s);
        QCOMPARE(accounts[1].UserID, 123);
        QCOMPARE(accounts[1].GroupID, 456);
    }

    void emptyListing() {
        std::vector<TUserInfo> accounts(1);
        const QByteArray reply = Listing({});
        ParseUserListing(reply.constData(), reply.size(), accounts);
        QVERIFY(accounts.empty());
    }

    void malformedListings_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("kept");  // records read before the fault; -1: the old list is untouched
        const QByteArray one = Record("A", "", "", "", 1, 2);
        const QByteArray two = Record("B", "b", "", "", 3, 4);
        QTest::newRow("empty reply") << QByteArray() << -1;
        QTest::newRow("wrong first byte") << Bytes({62, 0, 0, 1}) << -1;
        QTest::newRow("no length") << Bytes({68, 0}) << -1;
        QTest::newRow("no end mark") << Listing(one).chopped(1) << 1;
        QTest::newRow("truncated mark") << Listing(one).chopped(1) + Bytes({2}) << 1;
        QTest::newRow("wrong end mark") << Listing(one).chopped(1) + Bytes({0}) << 1;
        QTest::newRow("end mark before declared end") << Listing(one).left(3) + Bytes({1}) + one << 0;
        QByteArray longer = Listing(one + two);
        longer[1] = char(longer[1] + 1);  // one byte more declared than the records hold
        QTest::newRow("declared length beyond records") << longer << 2;
        QByteArray shorter = Listing(one + two);
        shorter[1] = char(shorter[1] - 1);  // the last number crosses the declared end
        QTest::newRow("item crosses declared end") << shorter << 1;
        QTest::newRow("reply cut in second record") << Listing(one + two).left(3 + one.size() + 5) << 1;
        QTest::newRow("reply cut inside a length") << Listing(one).left(5) << 0;
        QTest::newRow("wrong item order") << Listing(Text(7, "A") + Text(11, "") + Text(10, "")) << 0;
        QByteArray hugeText = Listing(one + two);
        hugeText[3 + one.size() + 1] = char(0xFF);  // name length 65281 in a short reply
        hugeText[3 + one.size() + 2] = char(0xFF);
        QTest::newRow("text length beyond reply") << hugeText << 1;
    }
    void malformedListings() {
        QFETCH(QByteArray, reply);
        QFETCH(int, kept);
        std::vector<TUserInfo> accounts(5);
        accounts[0].UserName = u"OLD"_s;
        // A copy of exactly the reply's bytes, so that a read beyond them is caught by the sanitizers.
        std::unique_ptr<char[]> exact(new char[size_t(qMax<qsizetype>(reply.size(), 1))]);
        memcpy(exact.get(), reply.constData(), size_t(reply.size()));
        try {
            ParseUserListing(exact.get(), reply.size(), accounts);
            QFAIL("no exception");
        } catch (const Exception& e) {
            QCOMPARE(e.Message(), ParseError());
        }
        if (kept < 0) {
            QCOMPARE(accounts.size(), size_t(5));
            QCOMPARE(accounts[0].UserName, u"OLD"_s);
        } else {
            QCOMPARE(int(accounts.size()), kept);
            if (kept > 0) QCOMPARE(accounts[0].UserName, u"A"_s);
        }
    }

    void listingSplitAnywhere() {
        const QByteArray records = Record("A", "Иван", "", "", 1, 2) + Record("BB", "", "m", "l", 3, 4) +
                                   Record("CCC", "", "", "", 5, 6);
        auto part = [](const QByteArray& r) { return Bytes({68, int(r.size() & 0xFF), int(r.size() >> 8)}) + r + Bytes({1}); };
        for (qsizetype cut = 0; cut <= records.size(); ++cut) {
            QList<QByteArray> replies = {part(records.left(cut)), part(records.mid(cut)), part({})};
            int asked = 0;
            std::vector<TUserInfo> accounts;
            ReadUserListing(
                [&] {
                    QByteArray reply = replies.value(asked++);
                    reply.resize(32000, '\0');
                    return reply;
                },
                accounts);
            // An empty part before the end would end the listing there.
            const int expected = cut == 0 ? 0 : 3;
            QCOMPARE(int(accounts.size()), expected);
            if (expected) {
                QCOMPARE(accounts[0].FirstName, u"Иван"_s);
                QCOMPARE(accounts[2].UserName, u"CCC"_s);
                QCOMPARE(accounts[2].GroupID, 6);
            }
            QCOMPARE(asked, cut == 0 ? 1 : cut == records.size() ? 2 : 3);
        }
    }

    void listingPartsThatFail_data() {
        QTest::addColumn<QList<QByteArray>>("replies");
        QTest::addColumn<int>("kept");  // -1: the old list is untouched
        const QByteArray one = Record("A", "", "", "", 1, 2);
        const QByteArray two = Record("B", "", "", "", 3, 4);
        QTest::newRow("first reply no listing") << QList<QByteArray>{Bytes({62, 0, 0, 1})} << -1;
        QTest::newRow("second reply no listing") << QList<QByteArray>{Listing(one), Bytes({62, 0, 0, 1})} << 1;
        QTest::newRow("record cut at the last part")
            << QList<QByteArray>{Listing(one + two.left(4)), Listing({})} << 1;
        QTest::newRow("second part without end mark")
            << QList<QByteArray>{Listing(one), Listing(two).chopped(1)} << 2;
    }
    void listingPartsThatFail() {
        QFETCH(QList<QByteArray>, replies);
        QFETCH(int, kept);
        std::vector<TUserInfo> accounts(4);
        int asked = 0;
        try {
            ReadUserListing([&] { return replies.value(asked++); }, accounts);
            QFAIL("no exception");
        } catch (const Exception& e) {
            QCOMPARE(e.Message(), ParseError());
        }
        QCOMPARE(int(accounts.size()), kept < 0 ? 4 : kept);
    }

    void listingThatNeverEnds() {
        const QByteArray part = Listing(Record(QByteArray(200, 'N'), QByteArray(200, 'F'), {}, {}, 1, 2));
        int asked = 0;
        std::vector<TUserInfo> accounts;
        try {
            ReadUserListing([&] { ++asked; return part; }, accounts);
            QFAIL("no exception");
        } catch (const Exception& e) {
            QCOMPARE(e.Message(), ParseError());
        }
        QVERIFY(asked > 1000);
        QCOMPARE(int(accounts.size()), asked);
    }

    void errorMessage_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("sqlCode");
        QTest::addColumn<QString>("sqlText");
        QTest::addColumn<int>("gds");
        QTest::addColumn<QString>("message");
        QTest::newRow("login refused")
            << QStringList{u"Your user name and password are not defined."_s} << -902 << u"Unsuccessful"_s << 335544472
            << u"Your user name and password are not defined.\r\nUnsuccessful\r\n\r\nGDS Code: 335544472Error Code: 152"_s;
        QTest::newRow("two lines, no sql code")
            << QStringList{u"a"_s, u"b"_s} << 0 << u"ignored"_s << 336724044
            << u"a\r\nb\r\n\r\nGDS Code: 336724044Error Code: 76"_s;
        QTest::newRow("empty sql text still has its line")
            << QStringList{} << -85 << QString() << 335544753 << u"\r\n\r\nGDS Code: 335544753Error Code: 433"_s;
    }
    void errorMessage() {
        QFETCH(QStringList, lines);
        QFETCH(int, sqlCode);
        QFETCH(QString, sqlText);
        QFETCH(int, gds);
        QFETCH(QString, message);
        QCOMPARE(ComposeUIBErrorMessage(lines, sqlCode, sqlText, gds), message);
    }

    void errorClassByFacility_data() {
        QTest::addColumn<int>("gds");
        QTest::addColumn<int>("kind");
        QTest::newRow("gfix 3") << (0x14000000 | (3 << 16) | 7) << 1;
        QTest::newRow("dsql 7") << (0x14000000 | (7 << 16) | 7) << 2;
        QTest::newRow("dyn 8") << (0x14000000 | (8 << 16) | 7) << 3;
        QTest::newRow("gbak 12") << (0x14000000 | (12 << 16) | 7) << 4;
        QTest::newRow("gsec 18 (invalid switch)") << 336724008 << 5;
        QTest::newRow("license 19") << (0x14000000 | (19 << 16) | 7) << 6;
        QTest::newRow("gstat 21") << (0x14000000 | (21 << 16) | 7) << 7;
        QTest::newRow("exception") << 335544517 << 8;
        QTest::newRow("facility 0, other code") << 335544753 << 0;
        QTest::newRow("facility 13") << (0x14000000 | (13 << 16) | 7) << 0;
    }
    void errorClassByFacility() {
        QFETCH(int, gds);
        QFETCH(int, kind);
        try {
            RaiseUIBError(u"m"_s, gds, -85, 77);
        } catch (const EUIBError& e) {
            const std::type_info* kinds[] = {&typeid(EUIBError),     &typeid(EUIBGFixError),   &typeid(EUIBDSQLError),
                                             &typeid(EUIBDynError),  &typeid(EUIBGBakError),   &typeid(EUIBGSecError),
                                             &typeid(EUIBLicenseError), &typeid(EUIBGStatError), &typeid(EUIBException)};
            QCOMPARE(QString::fromLatin1(typeid(e).name()), QString::fromLatin1(kinds[kind]->name()));
            QCOMPARE(e.Message(), u"m"_s);
            QCOMPARE(e.GDSCode(), gds);
            QCOMPARE(e.ErrorCode(), gds & 0xFFFF);
            QCOMPARE(e.SQLCode(), -85);
            if (kind == 8) QCOMPARE(static_cast<const EUIBException&>(e).Number(), 77);
        }
    }

    void eachEntryPointIsChecked_data() {
        QTest::addColumn<QString>("missing");
        QTest::addColumn<bool>("required");
        for (const TUIBEntryPoint& entry : TUIBLibrary::EntryPoints())
            QTest::newRow(entry.Name) << QString::fromLatin1(entry.Name) << entry.Required;
    }
    void eachEntryPointIsChecked() {
        QFETCH(QString, missing);
        QFETCH(bool, required);
        const QByteArray name = missing.toLatin1();
        auto lookup = [&](const char* n) -> void* {
            static int dummy;
            return name == n ? nullptr : &dummy;
        };
        QCOMPARE(TUIBLibrary::FirstMissingEntryPoint(lookup), required ? missing : QString());
    }
    void libraryLoading_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing file") << u"/nonexistent/libnothing.so"_s
                                      << u"Can't load library: /nonexistent/libnothing.so."_s;
        QTest::newRow("empty name") << QString() << u"Can't load library: ."_s;
        QTest::newRow("not a client library") << u"libz.so.1"_s
                                              << u"Incorrect Database Server version, check compiler options."_s;
    }
    void libraryLoading() {
        QFETCH(QString, file);
        QFETCH(QString, message);
        try {
            TUIBLibrary::Load(file);
            QFAIL("no exception");
        } catch (const Exception& e) {
            QCOMPARE(e.Message(), message);
        }
    }
    void realClientLibraryLoads() {
        auto library = TUIBLibrary::Load(TestServer::Client());
        QVERIFY(library->Api().isc_service_attach && library->Api().isc_service_detach &&
                library->Api().isc_service_start && library->Api().isc_service_query && library->Api().isc_sqlcode &&
                library->Api().isc_sql_interprete && library->Api().fb_interpret);
    }
};


QTEST_APPLESS_MAIN(TestServiceBlocks)
#include "test_ServiceBlocks.moc"
