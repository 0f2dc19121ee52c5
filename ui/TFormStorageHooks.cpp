#include "ui/TFormStorageHooks.h"

#include "ui/CommandGuard.h"

#include <QCloseEvent>
#include <QShowEvent>
#include <QWidget>

#include "core/Exception.h"
#include "core/IUserPrompts.h"
#include "settings/TFormPlacement.h"

TFormStorageHooks::TFormStorageHooks(QWidget& window, TFormPlacement& storage, TErrorReporter report)
    : m_window(window), m_widget(&window), m_storage(&storage), m_report(std::move(report)) {
    storage.SetWindow(&m_window);
    window.installEventFilter(this);
}

TFormStorageHooks::~TFormStorageHooks() {
    if (m_widget && m_storage) Guarded([this] { m_storage->WindowDestroying(); });
    Detach();
}

TFormStorageHooks::TErrorReporter TFormStorageHooks::ReportTo(IUserPrompts& prompts) {
    return [&prompts](const Exception& e) { prompts.ShowApplicationError(ApplicationErrorText(e.Message())); };
}

void TFormStorageHooks::Detach() {
    if (m_widget) m_widget->removeEventFilter(this);
    if (m_storage && m_storage->Window() == &m_window) m_storage->SetWindow(nullptr);
    m_widget.clear();
    m_storage.clear();
}

void TFormStorageHooks::Guarded(const std::function<void()>& step) const {
    try {
        step();
    } catch (const EAbort&) {
    } catch (const Exception& e) {
        if (m_report) m_report(e);
    } catch (const std::exception& e) {
        if (m_report) m_report(Exception(QString::fromLocal8Bit(e.what())));
    }
}

bool TFormStorageHooks::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_widget || !m_storage) return false;
    // The window system's own show events (a window restored from minimized) are no showing.
    if (event->type() == QEvent::Show && !event->spontaneous()) {
        Guarded([this] { m_storage->WindowShowing(); });
        m_window.CentreIfAsked();
        return false;
    }
    if (event->type() == QEvent::Close) {
        // The window's own close handler decides first; the event goes no further after it.
        QPointer<QObject> alive(watched);
        static_cast<QObject*>(watched)->event(event);
        if (alive && m_storage) {
            const bool canClose = event->isAccepted();
            Guarded([this, canClose] { m_storage->WindowCloseQuery(canClose); });
        }
        return true;
    }
    return false;
}
