#pragma once
#include <QSize>
#include <QString>
#include <optional>

#include "settings/WindowPlacement.h"

class QObject;

// The window whose settings a settings component keeps, as the component sees it.
class IPlacementWindow {
public:
    virtual ~IPlacementWindow() = default;

    virtual TWindowPlacement Placement() const = 0;
    // Applies the rectangle and the positions; a show command other than hidden also sets the state.
    virtual void SetPlacement(const TWindowPlacement& placement) = 0;
    // True once the window is on the screen (not yet while its show notification runs).
    virtual bool IsVisible() const = 0;
    virtual TWindowState WindowState() const = 0;
    virtual void SetWindowState(TWindowState state) = 0;

    // The application's main window (or the window that becomes it).
    virtual bool IsMainWindow() const = 0;
    virtual bool IsApplicationMinimized() const = 0;
    virtual void MinimizeApplication() = 0;

    virtual bool IsResizable() const = 0;
    // Set to open centred on the screen or on the desktop.
    virtual bool IsCentred() const = 0;
    // Opens where its placement says instead of centred.
    virtual void UseDesignedPosition() = 0;
    // Thickness of the frame in x and y; 0,0 for a window without border.
    virtual QPoint FrameThickness() const = 0;

    virtual QSize ScreenSize() const = 0;
    virtual int ScreenPixelsPerInch() const = 0;
    virtual void Repaint() = 0;

    // One of the window's components by name, or null.
    virtual QObject* FindComponent(const QString& name) const = 0;
    // The declared name of an integer property of component, matched without regard to case;
    // empty when it has none of that name.
    virtual QString PropertyName(QObject* component, const QString& name) const = 0;
    virtual std::optional<int> IntProperty(QObject* component, const QString& declaredName) const = 0;
    // False when the property cannot be set.
    virtual bool SetIntProperty(QObject* component, const QString& declaredName, int value) = 0;
};
