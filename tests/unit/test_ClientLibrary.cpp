#include <QTemporaryDir>
#include <QtTest>

#include "core/Exception.h"
#include "core/TComponent.h"
#include "core/Win1251.h"
#include "fib/FIBErrors.h"
#include "fib/FibErrorHandlerHook.h"
#include "fib/StatusCheck.h"
#include "fib/StatusVector.h"
#include "fib/TIBClientLibrary.h"
#include "tests/support/FakeClient.h"

using namespace Qt::StringLiterals;

namespace {
void FillStatus(std::initializer_list<ISC_STATUS> values) {
    ISC_STATUS* sv = ThreadStatusVector();
    std::fill(sv, sv + ISC_STATUS_LENGTH, 0);
    std::copy(values.begin(), values.end(), sv);
}

struct RecordingHandler : IFibErrorHandler {
    bool raise = true;
    bool throwOwn = false;
    int calls = 0;
    QObject* raiser = nullptr;
    int gdsCode = 0;
    QString message;
    void HandleError(QObject* r, EFIBError& error, bool& doRaise) override {
        ++calls;
        raiser = r;
        gdsCode = error.GDSCode();
        message = error.Message();
        if (throwOwn) throw Exception(u"handler failed"_s);
        doRaise = raise;
    }
};

IIBClientLibrary* g_probed = nullptr;
bool g_busyInside = false;
void ProbeBusy() { g_busyInside = g_probed && g_probed->Busy(); }

struct HandlerScope {
    explicit HandlerScope(IFibErrorHandler* h) { SetActiveErrorHandler(h); }
    ~HandlerScope() { SetActiveErrorHandler(nullptr); }
};
}  // namespace

class TestClientLibrary : public QObject {
    Q_OBJECT
private slots:
    void versionRules_data() {
        QTest::addColumn<QString>("variant");
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<bool>("hasInterpret");
        QTest::addColumn<bool>("hasServiceCalls");
        QTest::newRow("client version exported") << u"full"_s << 7 << 2 << true << true;
        QTest::newRow("rollback_retaining only") << u"noopt"_s << 6 << 0 << false << true;
        QTest::newRow("neither") << u"noretaining"_s << 5 << 0 << true << false;
    }
    void versionRules() {
        QFETCH(QString, variant);
        QFETCH(int, major);
        QFETCH(int, minor);
        QFETCH(bool, hasInterpret);
        QFETCH(bool, hasServiceCalls);
        TIBClientLibrary lib(FakeClient::Path(variant.toLatin1().constData()));
        QVERIFY(lib.IsLoaded());
        QCOMPARE(lib.ClientMajorVersion(), major);
        QCOMPARE(lib.ClientMinorVersion(), minor);
        QCOMPARE(lib.Entry(EP::fb_interpret) != nullptr, hasInterpret);
        QCOMPARE(lib.Entry(EP::isc_service_attach) != nullptr, hasServiceCalls);
        QCOMPARE(lib.Entry(EP::isc_portable_integer) != nullptr, hasServiceCalls);
        QVERIFY(lib.Entry(EP::isc_attach_database));
        QVERIFY(!lib.Busy());
    }

    void missingMandatoryEntryIsSystemError() {
        const QString path = FakeClient::Path("nomandatory");
        try {
            TIBClientLibrary lib(path);
            QFAIL("loaded");
        } catch (const EOSError& e) {
            QVERIFY2(e.Message().startsWith(u"System Error.  Code: 2.\r\n"_s), qPrintable(e.Message()));
            QVERIFY2(e.Message().contains(u"isc_dsql_prepare"_s), qPrintable(e.Message()));
            QCOMPARE(e.ErrorCode(), 2);
        }
    }

    void missingFileCannotLoad_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing file") << u"/nonexistent/libnothere.so"_s;
        QTest::newRow("empty name, not the program itself") << QString();
    }
    void missingFileCannotLoad() {
        QFETCH(QString, name);
        try {
            (void)GetClientLibrary(name);
            QFAIL("loaded");
        } catch (const EFIBError&) {
            QFAIL("must not be a database error");
        } catch (const EOSError&) {
            QFAIL("must not be a system error");
        } catch (const Exception& e) {
            QCOMPARE(e.Message(), u"Can't load library "_s + name + u' ');
        }
    }

    void emptySlotCannotBeCalled() {
        const QString path = FakeClient::Path("noopt");
        TIBClientLibrary lib(path);
        char buffer[64] = {};
        try {
            lib.Call<EP::isc_get_client_version>(buffer);
            QFAIL("called");
        } catch (const Exception& e) {
            QCOMPARE(e.Message(), u"Can't find procedure isc_get_client_version in "_s + path);
        }
        QVERIFY(!lib.Busy());
    }

    void busyWhileACallRuns() {
        FakeClient fake;
        IIBClientLibraryPtr lib = GetClientLibrary(fake.Path());
        g_probed = lib.get();
        fake.SetProbe(&ProbeBusy);
        ISC_STATUS status[ISC_STATUS_LENGTH] = {1};
        QVERIFY(!lib->Busy());
        (void)lib->Call<EP::isc_sqlcode>(status);
        fake.SetProbe(nullptr);
        g_probed = nullptr;
        QVERIFY(g_busyInside);
        QVERIFY(!lib->Busy());
    }

    void registryKeepsOneObjectPerExactName() {
        QTemporaryDir dir;
        const QString lower = dir.filePath(u"libclient.so"_s);
        const QString upper = dir.filePath(u"LIBCLIENT.so"_s);
        QVERIFY(QFile::link(FakeClient::Path("full"), lower));
        QVERIFY(QFile::link(FakeClient::Path("full"), upper));
        IIBClientLibraryPtr a = GetClientLibrary(lower);
        IIBClientLibraryPtr b = GetClientLibrary(lower);
        IIBClientLibraryPtr c = GetClientLibrary(upper);
        QCOMPARE(a.get(), b.get());
        QVERIFY(a.get() != c.get());
        QCOMPARE(c->LibraryName(), upper);
        a->Unload();
        QVERIFY(!a->IsLoaded());
        IIBClientLibraryPtr again = GetClientLibrary(lower);
        QCOMPARE(again.get(), a.get());
        QVERIFY(again->IsLoaded());
        QVERIFY(again->Entry(EP::isc_sqlcode));
    }

    void statusMessage_data() {
        QTest::addColumn<QString>("variant");
        QTest::addColumn<QString>("raiserPath");
        QTest::addColumn<QByteArray>("sqlText");
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QByteArray>("second");
        QTest::addColumn<QString>("expectedSql");
        QTest::addColumn<QString>("expectedStatus");
        QTest::newRow("login")
            << u"full"_s << u"AdminForm.db"_s << QByteArray("unsuccessful metadata update")
            << QByteArray("your user name and password are not defined") << QByteArray()
            << u"Unsuccessful metadata update.\r\n"_s << u"Your user name and password are not defined.\r\n"_s;
        QTest::newRow("backslash-n removed")
            << u"full"_s << u"AdminForm.db"_s << QByteArray("a\\nb\\n") << QByteArray("x") << QByteArray("y")
            << u"Ab.\r\n"_s << u"X.\r\nY.\r\n"_s;
        QTest::newRow("sql text ending with full stop")
            << u"full"_s << u"AdminForm.db"_s << QByteArray("Done.") << QByteArray("piece.") << QByteArray("two")
            << u"Done."_s << u"Piece.\r\nTwo.\r\n"_s;
        QTest::newRow("cyrillic first letter stays small")
            << u"full"_s << u"AdminForm.db"_s << ToWin1251(u"ошибка"_s) << ToWin1251(u"нет файла"_s)
            << QByteArray() << u"ошибка.\r\n"_s << u"нет файла.\r\n"_s;
        QTest::newRow("empty sql text") << u"full"_s << u"AdminForm.db"_s << QByteArray() << QByteArray("p")
                                        << QByteArray() << QString() << u"P.\r\n"_s;
        QTest::newRow("isc_interprete without fb_interpret")
            << u"noopt"_s << u"AdminForm.db"_s << QByteArray("s") << QByteArray("one") << QByteArray("two.")
            << u"S.\r\n"_s << u"One.\r\nTwo.\r\n"_s;
        QTest::newRow("one-character raiser path") << u"full"_s << u"d"_s << QByteArray("s") << QByteArray("p")
                                                   << QByteArray() << u"S.\r\n"_s << u"P.\r\n"_s;
        QTest::newRow("no raiser") << u"full"_s << QString() << QByteArray("s") << QByteArray("p")
                                   << QByteArray() << u"S.\r\n"_s << u"P.\r\n"_s;
    }
    void statusMessage() {
        QFETCH(QString, variant);
        QFETCH(QString, raiserPath);
        QFETCH(QByteArray, sqlText);
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, second);
        QFETCH(QString, expectedSql);
        QFETCH(QString, expectedStatus);
        FakeClient fake(variant.toLatin1().constData());
        fake.SetSqlCode(-902);
        fake.SetSqlText(sqlText);
        fake.SetMessage(335544472, first);
        fake.SetMessage(335544344, second);
        IIBClientLibraryPtr lib = GetClientLibrary(fake.Path());

        QObject form;
        form.setObjectName(u"AdminForm"_s);
        TComponent db(raiserPath.contains(u'.') ? &form : nullptr);
        db.SetName(raiserPath.section(u'.', -1));
        QObject* raiser = raiserPath.isEmpty() ? nullptr : &db;
        if (second.isEmpty())
            FillStatus({isc_arg_gds, 335544472, isc_arg_end});
        else
            FillStatus({isc_arg_gds, 335544472, isc_arg_string, 0, isc_arg_number, 5, isc_arg_gds, 335544344,
                        isc_arg_end});
        try {
            ReportStatusError(*lib, raiser);
            QFAIL("not raised");
        } catch (const EFIBInterBaseError& e) {
            QCOMPARE(e.SQLCode(), -902);
            QCOMPARE(e.GDSCode(), 335544472);
            QCOMPARE(e.RaiserPath(), raiserPath);
            QCOMPARE(e.Raiser(), raiser);
            QCOMPARE(e.SQLText(), expectedSql);
            QCOMPARE(e.StatusText(), expectedStatus);
            QVERIFY(e.BaseText().isEmpty());
            const QString prefix = raiserPath.size() > 1 ? raiserPath + u":\r\n"_s : QString();
            QCOMPARE(e.Message(), prefix + expectedSql + expectedStatus);
        }
    }

    void handlerSeesErrorAndMaySuppress() {
        FakeClient fake;
        fake.SetSqlText("s");
        fake.SetMessage(335544721, "unable to complete network request");
        IIBClientLibraryPtr lib = GetClientLibrary(fake.Path());
        RecordingHandler handler;
        HandlerScope scope(&handler);
        TComponent db;
        db.SetName(u"db"_s);
        FillStatus({isc_arg_gds, 335544721, isc_arg_end});

        handler.raise = false;
        ReportStatusError(*lib, &db);
        QCOMPARE(handler.calls, 1);
        QCOMPARE(handler.raiser, &db);
        QCOMPARE(handler.gdsCode, 335544721);
        QCOMPARE(handler.message, u"db:\r\nS.\r\nUnable to complete network request.\r\n"_s);

        handler.raise = true;
        QVERIFY_THROWS_EXCEPTION(EFIBInterBaseError, ReportStatusError(*lib, &db));
        QCOMPARE(handler.calls, 2);

        handler.throwOwn = true;
        try {
            ReportStatusError(*lib, &db);
            QFAIL("not raised");
        } catch (const EFIBError&) {
            QFAIL("the handler's exception must replace the error");
        } catch (const Exception& e) {
            QCOMPARE(e.Message(), u"handler failed"_s);
        }
    }
};

QTEST_APPLESS_MAIN(TestClientLibrary)
#include "test_ClientLibrary.moc"
