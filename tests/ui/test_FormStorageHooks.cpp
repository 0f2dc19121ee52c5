#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QScreen>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>
#include <memory>

#include "core/Exception.h"
#include "core/IUserPrompts.h"
#include "settings/TFormStorage.h"
#include "settings/TIniFile.h"
#include "ui/TFormStorageHooks.h"

using namespace Qt::StringLiterals;

namespace {

// A window with a settings component, a panel and show and close handlers of its own.
class TTestForm : public QWidget {
    Q_OBJECT
public:
    explicit TTestForm(const QString& iniFile) {
        setObjectName(u"TestForm"_s);
        FormStorage = new TFormStorage(this);
        FormStorage->SetName(u"FormStorage"_s);
        FormStorage->Loading();
        FormStorage->SetIniFileName(iniFile);
        FormStorage->SetIniSection(u"Main"_s);
        FormStorage->StoredValues().Add(u"DATABASE"_s, QString());
        FormStorage->SetStoredProps({u"Panel1.Width"_s});
        auto* holder = new QWidget(this);
        Panel1 = new QWidget(holder);
        Panel1->setObjectName(u"Panel1"_s);
        Panel1->setGeometry(0, 0, 209, 100);
        resize(400, 300);
        m_hooks = std::make_unique<TFormStorageHooks>(*this, *FormStorage, [this](const Exception& e) {
            log << e.Message();
        });
        FormStorage->Loaded();
    }
    ~TTestForm() override {
        m_hooks.reset();
        log << u"destroy handler"_s;
    }
    TFormStorageHooks& Hooks() { return *m_hooks; }

    TFormStorage* FormStorage;
    QWidget* Panel1;
    bool allowClose = true;
    // What the own handlers saw when they ran; log holds the reported failures and the destruction.
    QString databaseAtShow;
    QRect geometryAtShow;
    bool fileExistedAtClose = false;
    static inline QStringList log;

protected:
    void showEvent(QShowEvent* e) override {
        databaseAtShow = FormStorage->StoredValues().FindStoredValue(u"DATABASE"_s)->AsString();
        geometryAtShow = geometry();
        QWidget::showEvent(e);
    }
    void closeEvent(QCloseEvent* e) override {
        fileExistedAtClose = QFile::exists(FormStorage->IniFileName());
        allowClose ? e->accept() : e->ignore();
    }

private:
    std::unique_ptr<TFormStorageHooks> m_hooks;
};

class TRecordingPrompts : public IUserPrompts {
public:
    void ShowError(const QString& text) override { errors << text; }
    bool Confirm(const QString&) override { return false; }
    void ShowMessage(const QString& text) override { messages << text; }
    void ShowApplicationError(const QString& text) override { errors << text; }
    QStringList errors, messages;
};

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString Key(const QString& path, const QString& key) { return TIniFile(path).ReadText(u"Main"_s, key, u"<none>"_s); }

}  // namespace

class TestFormStorageHooks : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    int m_n = 0;
    QString NewFile() { return m_dir.filePath(u"hooks%1.ini"_s.arg(++m_n)); }
    QString Suffix() const {
        const QSize s = QGuiApplication::primaryScreen()->size();
        return u"(%1x%2)"_s.arg(s.width()).arg(s.height());
    }

private slots:
    void widgetOwnerGetsStateAndPositionAndItsClassAsSection() {
        QWidget owner;
        TFormStorage s(&owner);
        QCOMPARE(s.Options(), TPlacementOptions(fpState) | fpPosition);
        QCOMPARE(s.IniSection(), u"QWidget"_s);
    }

    void restoreRunsBeforeTheWindowsOwnShowHandler() {
        TTestForm::log.clear();
        const QString path = NewFile();
        TIniFile ini(path);
        ini.WriteText(u"Main"_s, u"DATABASE"_s, u"TV"_s);
        ini.WriteText(u"Main"_s, u"NormPos"_s, u"120,130,520,430"_s);
        ini.WriteNumber(u"Main"_s, u"PixelsPerInch"_s, qRound(QGuiApplication::primaryScreen()->logicalDotsPerInch()));
        ini.WriteText(u"Main"_s, u"Panel1_Width"_s, u"150"_s);
        TTestForm w(path);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.databaseAtShow, u"TV"_s);
        QCOMPARE(w.geometryAtShow, QRect(120, 130, 400, 300));
        QCOMPARE(w.geometry(), QRect(120, 130, 400, 300));
        QCOMPARE(w.Panel1->width(), 150);
        QVERIFY(TTestForm::log.isEmpty());
    }

    void closeHandlerDecidesBeforeTheSave() {
        const QString path = NewFile();
        TTestForm w(path);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.allowClose = false;
        QVERIFY(!w.close());
        QVERIFY(w.isVisible());
        QVERIFY(!QFile::exists(path));
        w.allowClose = true;
        w.FormStorage->StoredValues().FindStoredValue(u"DATABASE"_s)->SetAsString(u"TV"_s);
        QVERIFY(w.close());
        QVERIFY(!w.fileExistedAtClose);  // the own handler ran first
        QVERIFY(!w.isVisible());
        QCOMPARE(Key(path, u"DATABASE"_s), u"TV"_s);
        QCOMPARE(Key(path, u"Visible"_s), u"0"_s);
        QCOMPARE(Key(path, u"Panel1_Width"_s), u"209"_s);
    }

    void placementRoundTrip() {
        const QString path = NewFile();
        QPoint frame;
        {
            TTestForm w(path);
            w.setGeometry(60, 70, 420, 310);
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            w.setGeometry(61, 72, 430, 320);
            frame = QPoint(w.geometry().left() - w.frameGeometry().left(), w.frameGeometry().bottom() - w.geometry().bottom());
            QVERIFY(w.close());
        }
        QCOMPARE(Key(path, u"NormPos"_s), u"61,72,491,392"_s);
        QCOMPARE(Key(path, u"NormPos"_s + Suffix()), u"61,72,491,392"_s);
        QCOMPARE(Key(path, u"ShowCmd"_s), u"1"_s);
        QCOMPARE(Key(path, u"Flags"_s), u"0"_s);
        // The maximized position is minus the frame the window system draws.
        QVERIFY(frame.x() >= 0 && frame.y() >= 0);
        QCOMPARE(Key(path, u"MinMaxPos"_s), u"-1,-1,%1,%2"_s.arg(-frame.x()).arg(-frame.y()));
        QCOMPARE(Key(path, u"PixelsPerInch"_s),
                 QString::number(qRound(QGuiApplication::primaryScreen()->logicalDotsPerInch())));
        TIniFile(path).WriteNumber(u"Main"_s, u"ShowCmd"_s, 3);
        TTestForm w(path);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(w.isMaximized());
        QCOMPARE(w.normalGeometry(), QRect(61, 72, 430, 320));
        QVERIFY(w.close());
        QCOMPARE(Key(path, u"ShowCmd"_s), u"3"_s);
        QCOMPARE(Key(path, u"NormPos"_s), u"61,72,491,392"_s);
    }

    void minimizedMainWindowComesBackMinimized() {
        const QString path = NewFile();
        TIniFile(path).WriteNumber(u"Main"_s, u"ShowCmd"_s, 2);
        TTestForm w(path);
        w.Hooks().Window().SetMainWindow(true);
        w.show();
        QVERIFY(w.isMinimized());
        QVERIFY(w.close());
        QCOMPARE(Key(path, u"ShowCmd"_s), u"2"_s);
    }

    void fixedSizeWindowKeepsItsSize() {
        const QString path = NewFile();
        TIniFile(path).WriteText(u"Main"_s, u"NormPos"_s, u"10,20,30,40"_s);
        TTestForm w(path);
        w.setFixedSize(360, 312);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.geometry(), QRect(10, 20, 360, 312));
    }

    void centredWindowIsCentredWithoutFileAndPlacedWithOne() {
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        {
            TTestForm w(NewFile());
            w.Hooks().Window().SetPosition(TWidgetWindow::TPosition::poScreenCenter);
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            QVERIFY((w.frameGeometry().center() - screen.center()).manhattanLength() <= 2);
        }
        const QString path = NewFile();
        TIniFile(path).WriteText(u"Main"_s, u"NormPos"_s, u"5,6,405,306"_s);
        TTestForm w(path);
        w.Hooks().Window().SetPosition(TWidgetWindow::TPosition::poScreenCenter);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.geometry(), QRect(5, 6, 400, 300));
        QVERIFY(!w.Hooks().Window().IsCentred());
    }

    void nonIntegerStoredPropertyGivesZero() {
        const QString path = NewFile();
        TIniFile(path).WriteText(u"Main"_s, u"Panel1_Width"_s, u"wide"_s);
        TTestForm w(path);
        w.show();
        QCOMPARE(w.Panel1->width(), 0);
    }

    void destructionWithoutCloseSavesOnceWithVisibleOne() {
        const QString path = NewFile();
        TTestForm::log.clear();
        {
            TTestForm w(path);
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            w.Panel1->resize(177, 100);
        }
        QCOMPARE(Key(path, u"Visible"_s), u"1"_s);
        QCOMPARE(Key(path, u"Panel1_Width"_s), u"177"_s);
        QCOMPARE(TTestForm::log, QStringList{u"destroy handler"_s});

        // Closed first: the destruction that follows writes nothing.
        {
            TTestForm w(path);
            w.show();
            QVERIFY(w.close());
            QCOMPARE(Key(path, u"Visible"_s), u"0"_s);
            QVERIFY(QFile::remove(path));
        }
        QVERIFY(!QFile::exists(path));
    }

    void detachedHooksLeaveTheWindowAlone() {
        const QString path = NewFile();
        TIniFile(path).WriteText(u"Main"_s, u"DATABASE"_s, u"TV"_s);
        TTestForm w(path);
        w.Hooks().Detach();
        QVERIFY(!w.FormStorage->Window());
        w.show();
        QCOMPARE(w.databaseAtShow, QString());
        QVERIFY(w.close());
        QCOMPARE(ReadFile(path), QByteArray("[Main]\r\nDATABASE=TV\r\n"));
    }

    // As root a read-only file is still writable: the file lies in a folder that does not exist.
    void writeFailureIsReportedAndTheWindowCloses() {
        const QString path = m_dir.filePath(u"missing/tv.ini"_s);
        const QString message = u"Unable to write to "_s + path;
        TTestForm::log.clear();
        {
            TTestForm w(path);
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            QVERIFY(w.close());
            QVERIFY(!w.isVisible());
            QCOMPARE(TTestForm::log, QStringList{message});
        }
        // Nothing was saved, so the destruction tries once more and reports again.
        QCOMPARE(TTestForm::log, (QStringList{message, message, u"destroy handler"_s}));
    }

    void reportToShowsTheMessageInTheErrorBox() {
        TRecordingPrompts prompts;
        const QString path = m_dir.filePath(u"missing/tv.ini"_s);
        QWidget window;
        TFormStorage storage(&window);
        storage.SetIniFileName(path);
        TFormStorageHooks hooks(window, storage, TFormStorageHooks::ReportTo(prompts));
        window.show();
        QVERIFY(window.close());
        QCOMPARE(prompts.errors, QStringList{u"Unable to write to "_s + path + u'.'});
        QVERIFY(prompts.messages.isEmpty());
    }
};

QTEST_MAIN(TestFormStorageHooks)
#include "test_FormStorageHooks.moc"
