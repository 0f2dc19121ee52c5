#include <QDir>
#include <QFile>
#include <QMetaProperty>
#include <QTemporaryDir>
#include <QtTest>
#include <vector>

#include "core/TextCompare.h"
#include "settings/EIniFileException.h"
#include "settings/EStringListError.h"
#include "settings/IPlacementWindow.h"
#include "settings/TFormStorage.h"

using namespace Qt::StringLiterals;

namespace {

// A component with integer properties, as the panels of a window have.
class TTestPanel : public QObject {
    Q_OBJECT
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    Q_PROPERTY(int Top READ Top WRITE SetTop)
public:
    TTestPanel(const QString& name, QObject* parent) : QObject(parent) { setObjectName(name); }
    int Width() const { return m_width; }
    void SetWidth(int w) { m_width = w; }
    int Top() const { return m_top; }
    void SetTop(int t) { m_top = t; }

private:
    int m_width = 209;
    int m_top = 0;
};

// The window side, recording what the settings component does to it.
class TFakeWindow : public IPlacementWindow {
public:
    explicit TFakeWindow(QObject& components) : m_components(components) {
        placement.ShowCmd = TWindowPlacement::ShowNormal;
        placement.Left = 100;
        placement.Top = 50;
        placement.Right = 460;
        placement.Bottom = 362;
    }
    TWindowPlacement Placement() const override {
        TWindowPlacement p = placement;
        p.ShowCmd = state == TWindowState::wsMinimized ? 2 : state == TWindowState::wsMaximized ? 3 : 1;
        return p;
    }
    void SetPlacement(const TWindowPlacement& p) override {
        applied.push_back(p);
        placement = p;
    }
    bool IsVisible() const override { return visible; }
    TWindowState WindowState() const override { return state; }
    void SetWindowState(TWindowState s) override {
        states.push_back(s);
        state = s;
    }
    bool IsMainWindow() const override { return mainWindow; }
    bool IsApplicationMinimized() const override { return applicationMinimized; }
    void MinimizeApplication() override { ++minimizeApplication; }
    bool IsResizable() const override { return resizable; }
    bool IsCentred() const override { return centred; }
    void UseDesignedPosition() override { centred = false; }
    QPoint FrameThickness() const override { return {4, 4}; }
    QSize ScreenSize() const override { return screen; }
    int ScreenPixelsPerInch() const override { return 96; }
    void Repaint() override { ++repaints; }
    QObject* FindComponent(const QString& name) const override { return m_components.findChild<QObject*>(name); }
    QString PropertyName(QObject* c, const QString& name) const override {
        const QMetaObject* m = c->metaObject();
        for (int i = m->propertyOffset(); i < m->propertyCount(); ++i)
            if (AnsiSameText(QString::fromLatin1(m->property(i).name()), name)) return QString::fromLatin1(m->property(i).name());
        return {};
    }
    std::optional<int> IntProperty(QObject* c, const QString& name) const override {
        return c->property(name.toLatin1().constData()).toInt();
    }
    bool SetIntProperty(QObject* c, const QString& name, int value) override {
        return c->setProperty(name.toLatin1().constData(), value);
    }

    TWindowPlacement placement;
    TWindowState state = TWindowState::wsNormal;
    bool visible = false;
    bool mainWindow = true;
    bool applicationMinimized = false;
    bool resizable = true;
    bool centred = false;
    QSize screen{1280, 1024};
    std::vector<TWindowPlacement> applied;
    std::vector<TWindowState> states;
    int minimizeApplication = 0;
    int repaints = 0;

private:
    QObject& m_components;
};

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray Golden(const QString& name) {
    const QByteArray b = ReadFile(qEnvironmentVariable("TV_TEST_DATA") + u"/settings/"_s + name);
    if (b.isEmpty()) qFatal("missing golden file %s", qPrintable(name));
    return b;
}

// The administrator window's settings component with its four stored values.
struct AdminWindow {
    QObject form;
    TFormStorage* storage;
    TFakeWindow window{form};

    explicit AdminWindow(const QString& file) {
        form.setObjectName(u"AdminForm"_s);
        storage = new TFormStorage(&form);
        storage->SetName(u"FormStorage"_s);
        storage->SetIniFileName(file);
        storage->SetIniSection(u"Main"_s);
        storage->SetOptions(TPlacementOptions(fpState) | fpPosition);
        storage->StoredValues().Add(u"DATABASE"_s, QString());
        storage->StoredValues().Add(u"SERVER"_s, QString());
        storage->StoredValues().Add(u"USERNAME"_s, QString());
        storage->StoredValues().Add(u"CONNECTDLL"_s, u"gds32.dll"_s);
        storage->SetWindow(&window);
    }
    QString Value(const QString& name) const { return storage->StoredValues().FindStoredValue(name)->AsString(); }
    void SetValue(const QString& name, const QString& v) { storage->StoredValues().FindStoredValue(name)->SetAsString(v); }
};

struct UsersWindow {
    QObject form;
    TFormStorage* storage;
    TTestPanel* panel1 = new TTestPanel(u"Panel1"_s, &form);
    TTestPanel* panel3 = new TTestPanel(u"Panel3"_s, &form);
    TTestPanel* panel8 = new TTestPanel(u"Panel8"_s, new QObject(&form));  // nested deeper
    TFakeWindow window{form};

    explicit UsersWindow(const QString& file) {
        form.setObjectName(u"UsersForm"_s);
        storage = new TFormStorage(&form);
        storage->Loading();
        storage->SetIniFileName(file);
        storage->SetIniSection(u"USER"_s);
        storage->SetOptions({});
        storage->SetStoredProps({u"Panel1.Width"_s, u"Panel3.Top"_s, u"Panel8.Top"_s});
        storage->SetWindow(&window);
        storage->Loaded();
    }
};

}  // namespace

class TestFormStorage : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    int m_n = 0;

    // A fresh file path, holding a copy of the golden file when one is named.
    QString FileFrom(const QString& golden = QString()) {
        const QString path = m_dir.filePath(u"tv%1.ini"_s.arg(++m_n));
        if (!golden.isEmpty()) {
            QFile f(path);
            if (!f.open(QIODevice::WriteOnly) || f.write(Golden(golden)) < 0) qFatal("cannot copy");
        }
        return path;
    }

private slots:
    void withoutFileDefaultsApplyAndTheFirstSaveWritesEveryKey() {
        const QString path = FileFrom();
        AdminWindow w(path);
        w.storage->WindowShowing();
        QVERIFY(w.storage->IsRestored());
        QCOMPARE(w.Value(u"DATABASE"_s), QString());
        QCOMPARE(w.Value(u"SERVER"_s), QString());
        QCOMPARE(w.Value(u"USERNAME"_s), QString());
        QCOMPARE(w.Value(u"CONNECTDLL"_s), u"gds32.dll"_s);
        QVERIFY(!QFile::exists(path));  // reading creates nothing
        // Only the maximized position was fixed: minus the frame, the rest as it was, hidden.
        QCOMPARE(w.window.applied.size(), size_t(1));
        QCOMPARE(w.window.applied[0].MaxPosition, QPoint(-4, -4));
        QCOMPARE(w.window.applied[0].ShowCmd, 0);
        QCOMPARE(w.window.applied[0].Left, 100);
        QCOMPARE(w.window.states, std::vector<TWindowState>{TWindowState::wsNormal});

        w.window.visible = true;
        w.SetValue(u"DATABASE"_s, u"TV"_s);
        w.SetValue(u"SERVER"_s, u"СЕРВЕР"_s);
        w.SetValue(u"USERNAME"_s, u"SYSDBA"_s);
        w.SetValue(u"CONNECTDLL"_s, u"libfbclient.so.2"_s);
        w.storage->WindowCloseQuery(true);
        QVERIFY(w.storage->IsSaved());
        QCOMPARE(ReadFile(path), Golden(u"main_first_save.ini"_s));
    }

    void savedValuesComeBackAtTheNextStart() {
        const QString path = FileFrom(u"main_first_save.ini"_s);
        AdminWindow w(path);
        w.storage->RestoreSettings();
        QCOMPARE(w.Value(u"DATABASE"_s), u"TV"_s);
        QCOMPARE(w.Value(u"SERVER"_s), u"СЕРВЕР"_s);
        QCOMPARE(w.Value(u"USERNAME"_s), u"SYSDBA"_s);
        QCOMPARE(w.Value(u"CONNECTDLL"_s), u"libfbclient.so.2"_s);
        // Saving what was read changes no byte.
        w.storage->SaveSettings();
        QCOMPARE(ReadFile(path), Golden(u"main_first_save.ini"_s));
    }

    void emptyConnectDllIsEmptyNotTheDefault() {
        AdminWindow w(FileFrom(u"empty_connectdll.ini"_s));
        w.storage->RestoreSettings();
        QCOMPARE(w.Value(u"CONNECTDLL"_s), QString());
        QCOMPARE(w.Value(u"SERVER"_s), u"СЕРВЕР"_s);
        QCOMPARE(w.Value(u"DATABASE"_s), QString());
    }

    void formVersionBelowTheComponentsSkipsTheRestore() {
        const QString path = FileFrom(u"formversion_minus1.ini"_s);
        AdminWindow w(path);
        w.storage->RestoreSettings();
        QCOMPARE(w.Value(u"DATABASE"_s), QString());             // not "OLD"
        QVERIFY(w.window.states.empty());                        // "ShowCmd=3" not applied
        QCOMPARE(w.window.applied.size(), size_t(1));            // only the maximized position fix
        QCOMPARE(w.window.applied[0].Left, 100);
        QCOMPARE(w.window.applied[0].MaxPosition, QPoint(-4, -4));
        QVERIFY(w.storage->IsRestored());
        w.window.visible = true;
        w.storage->SaveSettings();
        QCOMPARE(ReadFile(path), Golden(u"formversion_minus1_saved.ini"_s));
    }

    void versionRule_data() {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("version");
        QTest::addColumn<bool>("restored");
        QTest::newRow("equal") << 3 << 3 << true;
        QTest::newRow("newer file") << 4 << 3 << true;
        QTest::newRow("older file") << 2 << 3 << false;
        QTest::newRow("missing is 0, version 1") << -1000 << 1 << false;
    }
    void versionRule() {
        QFETCH(int, stored);
        QFETCH(int, version);
        QFETCH(bool, restored);
        const QString path = FileFrom();
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        if (stored != -1000) f.write("[Main]\r\nFormVersion=" + QByteArray::number(stored) + "\r\n");
        f.write("[Main]\r\nDATABASE=NEW\r\n");
        f.close();
        AdminWindow w(path);
        w.storage->SetVersion(version);
        w.storage->RestoreSettings();
        QCOMPARE(w.Value(u"DATABASE"_s), restored ? u"NEW"_s : QString());
        w.storage->SaveSettings();
        QCOMPARE(w.storage->ReadText(u"Main"_s, u"FormVersion"_s, {}), QString::number(version));
    }

    void otherPixelsPerInchKeepsThePositionButAppliesTheState() {
        AdminWindow w(FileFrom(u"other_ppi.ini"_s));
        w.window.centred = true;
        w.storage->RestoreSettings();
        QCOMPARE(w.window.applied.size(), size_t(1));  // the fix alone
        QCOMPARE(w.window.applied[0].Left, 100);
        QVERIFY(w.window.centred);
        QCOMPARE(w.window.states, std::vector<TWindowState>{TWindowState::wsMaximized});
    }

    void normPos_data() {
        QTest::addColumn<QString>("normPos");
        QTest::addColumn<bool>("resizable");
        QTest::addColumn<bool>("applied");
        QTest::addColumn<QList<int>>("rect");
        QTest::newRow("applied") << u"10,20,330,260"_s << true << true << QList<int>{10, 20, 330, 260};
        QTest::newRow("blanks as separators") << u"10 20, 330 ,,260"_s << true << true << QList<int>{10, 20, 330, 260};
        QTest::newRow("right equals left") << u"300,20,300,260"_s << true << false << QList<int>{};
        QTest::newRow("right below left") << u"300,20,200,260"_s << true << false << QList<int>{};
        QTest::newRow("fixed border keeps its size") << u"10,20,30,40"_s << false << true << QList<int>{10, 20, 370, 332};
        QTest::newRow("fixed border, right below left") << u"10,20,5,40"_s << false << true << QList<int>{10, 20, 370, 332};
        QTest::newRow("missing words take the current")
            << u"10"_s << true << true << QList<int>{10, 50, 460, 362};
        QTest::newRow("bad word takes the current") << u"x,20,330,260"_s << true << true << QList<int>{100, 20, 330, 260};
        QTest::newRow("quoted text") << u"\"10,20,330,260\""_s << true << true << QList<int>{10, 20, 330, 260};
    }
    void normPos() {
        QFETCH(QString, normPos);
        QFETCH(bool, resizable);
        QFETCH(bool, applied);
        QFETCH(QList<int>, rect);
        const QString path = FileFrom();
        TIniFile(path).WriteText(u"Main"_s, u"NormPos"_s, normPos);
        AdminWindow w(path);
        w.window.resizable = resizable;
        w.window.centred = true;
        w.storage->RestoreSettings();
        QCOMPARE(w.window.applied.size(), size_t(applied ? 2 : 1));
        QCOMPARE(w.window.centred, !applied);
        if (applied) {
            const TWindowPlacement& p = w.window.applied[0];
            QCOMPARE((QList<int>{p.Left, p.Top, p.Right, p.Bottom}), rect);
            QCOMPARE(p.ShowCmd, 0);
            QCOMPARE(p.MinPosition, QPoint(-1, -1));  // no "MinMaxPos": left as it was
        }
    }

    void minMaxPosWordsThatDoNotConvertGiveZero() {
        const QString path = FileFrom();
        TIniFile(path).WriteText(u"Main"_s, u"MinMaxPos"_s, u"5,x,7"_s);
        TIniFile(path).WriteText(u"Main"_s, u"Flags"_s, u"2"_s);
        AdminWindow w(path);
        w.storage->RestoreSettings();
        QCOMPARE(w.window.applied.size(), size_t(2));
        QCOMPARE(w.window.applied[0].MinPosition, QPoint(5, 0));
        QCOMPARE(w.window.applied[0].MaxPosition, QPoint(7, 0));
        QCOMPARE(w.window.applied[0].Flags, 2);
        QCOMPARE(w.window.applied[1].MaxPosition, QPoint(-4, -4));
    }

    void suffixedKeyWinsOnItsScreenPlainKeyElsewhere_data() {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QList<int>>("rect");
        QTest::addColumn<QPoint>("maxPos");
        QTest::newRow("same screen") << QSize(1280, 1024) << QList<int>{11, 22, 371, 334} << QPoint(-8, -8);
        QTest::newRow("other screen") << QSize(1024, 768) << QList<int>{1, 2, 361, 314} << QPoint(-2, -2);
    }
    void suffixedKeyWinsOnItsScreenPlainKeyElsewhere() {
        QFETCH(QSize, screen);
        QFETCH(QList<int>, rect);
        QFETCH(QPoint, maxPos);
        AdminWindow w(FileFrom(u"suffixed_and_plain.ini"_s));
        w.window.screen = screen;
        w.storage->RestoreSettings();
        QCOMPARE(w.window.applied.size(), size_t(2));
        const TWindowPlacement& p = w.window.applied[0];
        QCOMPARE((QList<int>{p.Left, p.Top, p.Right, p.Bottom}), rect);
        QCOMPARE(p.MaxPosition, maxPos);
    }

    void showCmd_data() {
        QTest::addColumn<QString>("showCmd");
        QTest::addColumn<bool>("mainWindow");
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("minimizeApplication");
        const int n = int(TWindowState::wsNormal), mi = int(TWindowState::wsMinimized), ma = int(TWindowState::wsMaximized);
        for (const char* c : {"1", "5", "9", "0", "4", "8", "10", "x", ""})
            QTest::newRow(qPrintable(u"normal "_s + QString::fromLatin1(c))) << QString::fromLatin1(c) << true << n << 0;
        for (const char* c : {"2", "6", "7"}) {
            QTest::newRow(qPrintable(u"minimized main "_s + QString::fromLatin1(c))) << QString::fromLatin1(c) << true << n << 1;
            QTest::newRow(qPrintable(u"minimized other "_s + QString::fromLatin1(c))) << QString::fromLatin1(c) << false << mi << 0;
        }
        QTest::newRow("maximized") << u"3"_s << true << ma << 0;
        QTest::newRow("maximized hex") << u"0x3"_s << false << ma << 0;
    }
    void showCmd() {
        QFETCH(QString, showCmd);
        QFETCH(bool, mainWindow);
        QFETCH(int, state);
        QFETCH(int, minimizeApplication);
        const QString path = FileFrom();
        TIniFile(path).WriteText(u"Main"_s, u"ShowCmd"_s, showCmd);
        AdminWindow w(path);
        w.window.mainWindow = mainWindow;
        w.storage->RestoreSettings();
        QCOMPARE(int(w.window.states.at(0)), state);
        QCOMPARE(w.window.minimizeApplication, minimizeApplication);
        QCOMPARE(w.window.repaints, minimizeApplication ? 0 : 1);
    }

    void placementOptions_data() {
        QTest::addColumn<int>("options");
        QTest::addColumn<bool>("positionApplied");
        QTest::addColumn<bool>("stateApplied");
        QTest::newRow("none") << 0 << false << false;
        QTest::newRow("state") << int(fpState) << false << true;
        QTest::newRow("position") << int(fpPosition) << true << false;
        QTest::newRow("both") << int(fpState | fpPosition) << true << true;
    }
    void placementOptions() {
        QFETCH(int, options);
        QFETCH(bool, positionApplied);
        QFETCH(bool, stateApplied);
        const QString path = FileFrom(u"suffixed_and_plain.ini"_s);
        TIniFile(path).WriteNumber(u"Main"_s, u"ShowCmd"_s, 3);
        AdminWindow w(path);
        w.storage->SetOptions(TPlacementOptions::fromInt(options));
        w.storage->RestoreSettings();
        QCOMPARE(w.window.applied.size(), size_t(positionApplied ? 2 : 1));
        QCOMPARE(w.window.states.empty(), !stateApplied);
        w.window.visible = true;
        const QString saved = FileFrom();
        w.storage->SetIniFileName(saved);
        w.storage->SaveSettings();
        const QByteArray text = ReadFile(saved);
        QCOMPARE(text.contains("NormPos(1280x1024)="), options != 0);
        QCOMPARE(text.contains("ShowCmd="), options != 0);
        QVERIFY(text.startsWith("[Main]\r\nFormVersion=0\r\n"));
        QVERIFY(text.endsWith("CONNECTDLL=gds32.dll\r\n"));
    }

    void defaultOptionsAndSection() {
        QObject plain;
        TFormStorage a(&plain);
        QCOMPARE(a.Options(), TPlacementOptions());
        QCOMPARE(a.IniSection(), u"QObject"_s);  // the owner's class name
        QVERIFY(a.Active());
        QCOMPARE(a.Version(), 0);
        QCOMPARE(a.IniFileName(), QString());
    }

    void savedShowCmdIsMinimizedWhenTheApplicationIs() {
        const QString path = FileFrom();
        AdminWindow w(path);
        w.storage->RestoreSettings();
        w.window.applicationMinimized = true;
        w.storage->SaveSettings();
        QCOMPARE(w.storage->ReadText(u"Main"_s, u"ShowCmd"_s, {}), u"2"_s);
        w.window.mainWindow = false;
        w.storage->SaveSettings();
        QCOMPARE(w.storage->ReadText(u"Main"_s, u"ShowCmd"_s, {}), u"1"_s);
    }

    void quotedValuesAreProtectedAndReadBackUnchanged() {
        const QString path = FileFrom();
        const QStringList values = {u"\"abc\""_s, u"'x'"_s, u"\""_s, u"a\"b"_s, u"'\"'"_s, u"\"\""_s};
        {
            QObject owner;
            TFormStorage s(&owner);
            s.SetIniFileName(path);
            s.SetIniSection(u"Quotes"_s);
            for (int i = 0; i < values.size(); ++i) s.StoredValues().Add(u"Q%1"_s.arg(i + 1), values[i]);
            s.RestoreSettings();
            s.SaveSettings();
        }
        QCOMPARE(ReadFile(path), Golden(u"quoted_saved.ini"_s));
        QObject owner;
        TFormStorage s(&owner);
        s.SetIniFileName(path);
        s.SetIniSection(u"Quotes"_s);
        for (int i = 0; i < values.size(); ++i) s.StoredValues().Add(u"Q%1"_s.arg(i + 1), u"zzz"_s);
        s.RestoreSettings();
        for (int i = 0; i < values.size(); ++i) QCOMPARE(s.StoredValues().Item(i).AsString(), values[i]);
    }

    void quotedValuesAsRead_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        QTest::newRow("double") << u"Q1"_s << u"quoted"_s;
        QTest::newRow("single") << u"Q2"_s << u"single"_s;
        QTest::newRow("mismatched") << u"Q3"_s << u"\"mismatch'"_s;
        QTest::newRow("empty pair") << u"Q4"_s << QString();
        QTest::newRow("blanks inside kept") << u"Q5"_s << u" inner blanks "_s;
        QTest::newRow("lone quote") << u"Q6"_s << u"\""_s;
        QTest::newRow("three quotes") << u"Q7"_s << u"'"_s;
    }
    void quotedValuesAsRead() {
        QFETCH(QString, key);
        QFETCH(QString, expected);
        QObject owner;
        TFormStorage s(&owner);
        s.SetIniFileName(FileFrom(u"quoted_read.ini"_s));
        s.SetIniSection(u"Quotes"_s);
        s.StoredValues().Add(key, u"zzz"_s);
        s.RestoreSettings();
        QCOMPARE(s.StoredValues().Item(0).AsString(), expected);
    }

    void storedPropertiesRestoreAndNonIntegerGivesZero() {
        UsersWindow w(FileFrom(u"users_nonint.ini"_s));
        w.panel1->SetWidth(150);
        w.panel3->SetTop(1);
        w.storage->WindowShowing();
        QCOMPARE(w.panel1->Width(), 0);
        QCOMPARE(w.panel3->Top(), 7);
        QCOMPARE(w.panel8->Top(), 16);
    }

    void storedPropertiesMissingKeysKeepTheirValues() {
        UsersWindow w(FileFrom());
        w.panel1->SetWidth(150);
        w.storage->RestoreSettings();
        QCOMPARE(w.panel1->Width(), 150);
    }

    void storedPropertyLinesAreCheckedAndFollowRenames() {
        const QString path = FileFrom();
        UsersWindow w(path);
        w.storage->SetStoredProps({u" Panel1 . width "_s, u"NoDot"_s, u".Width"_s, u"Panel1."_s, u"Panel9.Width"_s,
                                   u"Panel3.NoSuch"_s, u"Panel3.Top"_s});
        QCOMPARE(w.storage->StoredProps(), (QStringList{u"Panel1.width"_s, u"Panel3.NoSuch"_s, u"Panel3.Top"_s}));
        w.panel3->setObjectName(u"Panel33"_s);
        w.panel3->SetTop(5);
        w.storage->RestoreSettings();
        w.storage->SaveSettings();
        QCOMPARE(w.storage->StoredProps(), (QStringList{u"Panel1.width"_s, u"Panel33.NoSuch"_s, u"Panel33.Top"_s}));
        // The key has the property's declared name; a property that does not exist is skipped.
        QCOMPARE(ReadFile(path), QByteArray("[USER]\r\nFormVersion=0\r\nPanel1_Width=209\r\nPanel33_Top=5\r\n"));
        delete w.panel3;
        QCOMPARE(w.storage->StoredProps(), QStringList{u"Panel1.width"_s});
        w.storage->SaveSettings();
        QCOMPARE(ReadFile(path), QByteArray("[USER]\r\nFormVersion=0\r\nPanel1_Width=209\r\nPanel33_Top=5\r\n"));
    }

    void otherSectionsStayByteForByte() {
        const QString path = FileFrom(u"preserved.ini"_s);
        UsersWindow w(path);
        w.storage->RestoreSettings();
        QCOMPARE(w.panel1->Width(), 150);
        w.panel1->SetWidth(209);
        w.storage->WindowCloseQuery(true);
        QCOMPARE(ReadFile(path), Golden(u"preserved_saved.ini"_s));

        AdminWindow a(path);
        a.storage->SetOptions({});
        a.storage->RestoreSettings();
        QCOMPARE(a.Value(u"SERVER"_s), u"СЕРВЕР"_s);
        QCOMPARE(a.Value(u"DATABASE"_s), u"C:\\DB\\TV.FDB"_s);
    }

    void lifeHooks() {
        const QString path = FileFrom();
        AdminWindow w(path);
        w.storage->WindowCloseQuery(true);  // no restore yet: nothing written
        QVERIFY(!QFile::exists(path));
        w.storage->WindowShowing();
        w.storage->WindowCloseQuery(false);  // closing refused
        QVERIFY(!QFile::exists(path));
        w.storage->WindowCloseQuery(true);
        QVERIFY(w.storage->IsSaved());
        QCOMPARE(w.storage->ReadText(u"Main"_s, u"Visible"_s, {}), u"0"_s);
        QVERIFY(QFile::remove(path));
        w.storage->WindowDestroying();  // saved since the restore: nothing more
        QVERIFY(!QFile::exists(path));

        w.storage->WindowShowing();  // a new restore clears the saved flag
        QVERIFY(!w.storage->IsSaved());
        w.storage->WindowDestroying();
        QCOMPARE(w.storage->ReadText(u"Main"_s, u"Visible"_s, {}), u"1"_s);
        QVERIFY(!w.storage->IsDestroyingWindow());
    }

    void inactiveComponentNeitherRestoresNorSaves() {
        const QString path = FileFrom(u"main_first_save.ini"_s);
        AdminWindow w(path);
        w.storage->SetActive(false);
        w.storage->WindowShowing();
        QCOMPARE(w.Value(u"DATABASE"_s), QString());
        QVERIFY(QFile::remove(path));
        w.storage->WindowCloseQuery(true);
        w.storage->WindowDestroying();
        QVERIFY(!QFile::exists(path));
    }

    // The file cannot be made (a root user may write even a read-only file).
    void writeFailureEndsTheSave_data() {
        QTest::addColumn<QString>("relative");
        QTest::newRow("missing folder") << u"missing/tv.ini"_s;
        QTest::newRow("folder in the way") << u"folder.ini"_s;
    }
    void writeFailureEndsTheSave() {
        QFETCH(QString, relative);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(u"folder.ini"_s));
        const QString path = dir.filePath(relative);
        AdminWindow w(path);
        w.storage->WindowShowing();
        try {
            w.storage->WindowCloseQuery(true);
            QFAIL("no exception");
        } catch (const EIniFileException& e) {
            QCOMPARE(e.Message(), u"Unable to write to "_s + path);
        }
        QVERIFY(!w.storage->IsSaved());
        QVERIFY_THROWS_EXCEPTION(EIniFileException, w.storage->WindowDestroying());
        QVERIFY(!w.storage->IsDestroyingWindow());
    }

    void keysBeforeAFailureStayWritten() {
        // A component whose file fails at the key "SERVER".
        class TFailingStorage : public TFormStorage {
        public:
            using TFormStorage::TFormStorage;
            void WriteText(const QString& section, const QString& key, const QString& value) override {
                if (key == u"SERVER"_s) throw EIniFileException(u"Unable to write to x"_s);
                TFormStorage::WriteText(section, key, value);
            }
        };
        const QString path = FileFrom();
        QObject owner;
        TFailingStorage s(&owner);
        s.SetIniFileName(path);
        s.SetIniSection(u"Main"_s);
        s.StoredValues().Add(u"DATABASE"_s, u"TV"_s);
        s.StoredValues().Add(u"SERVER"_s, u"S"_s);
        s.StoredValues().Add(u"USERNAME"_s, u"U"_s);
        s.RestoreSettings();
        QVERIFY_THROWS_EXCEPTION(EIniFileException, s.SaveSettings());
        QCOMPARE(ReadFile(path), QByteArray("[Main]\r\nFormVersion=0\r\nDATABASE=TV\r\n"));
    }

    void storedValueNamesAreUnique() {
        TStoredValues values;
        values.Add(u"DATABASE"_s, u"a"_s);
        TStoredValue& server = values.Add(u"SERVER"_s);
        try {
            values.Add(u"database"_s);
            QFAIL("no exception");
        } catch (const EStringListError& e) {
            QCOMPARE(e.Message(), u"String list does not allow duplicates"_s);
        }
        QCOMPARE(values.Count(), 2);
        QVERIFY_THROWS_EXCEPTION(EStringListError, server.SetName(u"Database"_s));
        QCOMPARE(server.Name(), u"SERVER"_s);
        server.SetName(u"server"_s);  // its own name in another case
        QCOMPARE(values.FindStoredValue(u"SeRvEr"_s), &server);
        values.Add(u"Сервер"_s);
        QVERIFY_THROWS_EXCEPTION(EStringListError, values.Add(u"СЕРВЕР"_s));
        QVERIFY(!values.FindStoredValue(u"USERNAME"_s));
        QCOMPARE(values.FindStoredValue(u"database"_s)->AsString(), u"a"_s);
    }
};

QTEST_APPLESS_MAIN(TestFormStorage)
#include "test_FormStorage.moc"
