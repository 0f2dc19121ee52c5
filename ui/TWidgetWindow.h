#pragma once
#include <QPointer>
#include <QWidget>

#include "settings/IPlacementWindow.h"

// A top-level QWidget as the settings component sees its window.
class TWidgetWindow : public IPlacementWindow {
public:
    enum class TPosition { poDesigned, poScreenCenter, poDesktopCenter };

    explicit TWidgetWindow(QWidget& window);

    QWidget* Widget() const { return m_window; }
    void SetMainWindow(bool main) { m_main = main; }
    TPosition Position() const { return m_position; }
    void SetPosition(TPosition position) { m_position = position; }
    // Moves a window set to open centred to the middle of its screen's available area.
    void CentreIfAsked();

    TWindowPlacement Placement() const override;
    void SetPlacement(const TWindowPlacement& placement) override;
    bool IsVisible() const override;
    TWindowState WindowState() const override;
    void SetWindowState(TWindowState state) override;
    bool IsMainWindow() const override { return m_main; }
    bool IsApplicationMinimized() const override;
    void MinimizeApplication() override;
    bool IsResizable() const override;
    bool IsCentred() const override { return m_position != TPosition::poDesigned; }
    void UseDesignedPosition() override { m_position = TPosition::poDesigned; }
    QPoint FrameThickness() const override;
    QSize ScreenSize() const override;
    int ScreenPixelsPerInch() const override;
    void Repaint() override;

    // Components are the window's descendants by object name. Besides the integer Qt properties
    // that can be written, every widget has "Left", "Top", "Width" and "Height".
    QObject* FindComponent(const QString& name) const override;
    QString PropertyName(QObject* component, const QString& name) const override;
    std::optional<int> IntProperty(QObject* component, const QString& declaredName) const override;
    bool SetIntProperty(QObject* component, const QString& declaredName, int value) override;

private:
    QScreen* Screen() const;

    QPointer<QWidget> m_window;
    bool m_main = false;
    TPosition m_position = TPosition::poDesigned;
    // The window system places minimized and maximized windows itself: the positions are kept here only.
    QPoint m_minPosition{-1, -1};
    QPoint m_maxPosition{-1, -1};
};
