#pragma once
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

// Runs fn on the next modal widget as soon as it is up. A widget fn left open is a failure of the test: 2 s
// later a watchdog fails the test and closes it, so that the test ends.
inline void WhenModal(std::function<void(QWidget*)> fn, int timeoutMs = 5000) {
    auto* t = new QTimer;
    auto waited = std::make_shared<int>(0);
    QObject::connect(t, &QTimer::timeout, [t, fn, waited, timeoutMs] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            t->stop();
            t->deleteLater();
            QPointer<QWidget> guard(w);
            fn(w);
            QTimer::singleShot(2000, [guard] {
                if (guard && QApplication::activeModalWidget() == guard) {
                    QTest::qFail("the modal widget was still open 2 s after the test's keys", __FILE__, __LINE__);
                    if (auto* d = qobject_cast<QDialog*>(guard.data())) d->reject(); else guard->close();
                }
            });
            return;
        }
        if ((*waited += 10) > timeoutMs) {
            t->stop();
            t->deleteLater();
            qFatal("no modal widget");
        }
    });
    t->start(10);
}

// Types any text (Cyrillic included) into a widget as key events.
inline void TypeText(QWidget* w, const QString& s) {
    for (QChar c : s) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
        QApplication::sendEvent(w, &release);
    }
}

// Saves a picture of the widget to $TV_SCREENSHOT_DIR/name.png when that variable is set.
inline void SaveScreenshot(QWidget* w, const QString& name) {
    QString dir = qEnvironmentVariable("TV_SCREENSHOT_DIR");
    if (!dir.isEmpty()) w->grab().save(dir + QLatin1Char('/') + name + QLatin1String(".png"));
}
