#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include "core/Exception.h"
#include "tests/support/FakePrompts.h"
#include "tests/support/ModalHelpers.h"
#include "ui/CommandGuard.h"
#include "ui/TMessageBoxPrompts.h"

using namespace Qt::StringLiterals;

class TestMessageBoxes : public QObject {
    Q_OBJECT
private slots:
    void errorBox() {
        TMessageBoxPrompts prompts;
        WhenModal([](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            QVERIFY(box);
            QCOMPARE(box->windowTitle(), u"Error"_s);
            QCOMPARE(box->icon(), QMessageBox::Critical);
            QCOMPARE(box->text(), u"a\n\nb\nc"_s);  // lone CRs break lines
            QCOMPARE(box->defaultButton()->text(), u"OK"_s);
            QCOMPARE(box->buttons().size(), 1);
            QTest::keyClick(box, Qt::Key_Return);
        });
        prompts.ShowError(u"a\r\rb\r\nc"_s);
    }

    void confirmBox_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("answer");
        QTest::newRow("enter gives yes") << int(Qt::Key_Return) << true;
        QTest::newRow("escape gives no") << int(Qt::Key_Escape) << false;
    }
    void confirmBox() {
        QFETCH(int, key);
        QFETCH(bool, answer);
        TMessageBoxPrompts prompts;
        WhenModal([key](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            QCOMPARE(box->windowTitle(), u"Confirm"_s);
            QCOMPARE(box->icon(), QMessageBox::Question);
            QCOMPARE(box->defaultButton()->text(), u"&Yes"_s);
            QCOMPARE(box->escapeButton()->text(), u"&No"_s);
            QTest::keyClick(box, Qt::Key(key));
        });
        QCOMPARE(prompts.Confirm(u"Удалить?"_s), answer);
    }

    void plainAndApplicationBoxes() {
        TMessageBoxPrompts prompts;
        WhenModal([](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            QCOMPARE(box->windowTitle(), u"Администратор"_s);
            QCOMPARE(box->icon(), QMessageBox::NoIcon);
            box->defaultButton()->click();
        });
        prompts.ShowMessage(u"Связь прервана."_s);
        WhenModal([](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            QCOMPARE(box->windowTitle(), u"Администратор"_s);
            QCOMPARE(box->icon(), QMessageBox::Critical);
            box->defaultButton()->click();
        });
        prompts.ShowApplicationError(u"x."_s);
    }

    void commandGuard() {
        FakePrompts prompts;
        RunCommand(prompts, [] { throw EAbort(); });
        QVERIFY(prompts.log.isEmpty());
        RunCommand(prompts, [] { throw EDatabaseError(u"Нет связи"_s); });
        RunCommand(prompts, [] { throw Exception(u"Готово."_s); });
        RunCommand(prompts, [] { throw std::runtime_error("plain"); });
        bool ran = false;
        RunCommand(prompts, [&] { ran = true; });
        QVERIFY(ran);
        QCOMPARE(prompts.log, QStringList({u"apperror:Нет связи."_s, u"apperror:Готово."_s, u"apperror:plain."_s}));
    }
};

QTEST_MAIN(TestMessageBoxes)
#include "test_MessageBoxes.moc"
