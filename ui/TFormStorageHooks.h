#pragma once
#include <QObject>
#include <QPointer>
#include <functional>

#include "ui/TWidgetWindow.h"

class Exception;
class IUserPrompts;
class QWidget;
class TFormPlacement;

// Ties a settings component to the life of its top-level window: the settings are restored when
// the window is shown, before the window's own show handler; saved when the window may close,
// after its own close handler; and saved once more when the window is destroyed without a save
// since the last restore. The window keeps the hooks as a member, so that they go while its
// components still exist; a window with a destroy handler of its own resets them first.
// A failure to read or write the file is handed to the reporter and the window goes on.
// Event filters installed on the window before the hooks see no close event.
class TFormStorageHooks : public QObject {
    Q_OBJECT
public:
    using TErrorReporter = std::function<void(const Exception&)>;

    TFormStorageHooks(QWidget& window, TFormPlacement& storage, TErrorReporter report);
    ~TFormStorageHooks() override;
    TFormStorageHooks(const TFormStorageHooks&) = delete;
    TFormStorageHooks& operator=(const TFormStorageHooks&) = delete;

    // The reporter that shows the exception's message in the application's error box.
    static TErrorReporter ReportTo(IUserPrompts& prompts);

    TWidgetWindow& Window() { return m_window; }
    // Gives the notifications back without the destruction save.
    void Detach();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Guarded(const std::function<void()>& step) const;

    TWidgetWindow m_window;
    QPointer<QWidget> m_widget;
    QPointer<TFormPlacement> m_storage;
    TErrorReporter m_report;
};
