#pragma once
#include <QPoint>

// The state a window is shown in.
enum class TWindowState { wsNormal, wsMinimized, wsMaximized };

// A window's placement as the settings file keeps it.
struct TWindowPlacement {
    // The window is restored to maximized from minimized.
    static constexpr int RestoreToMaximized = 2;
    // Show commands: 0 hidden, 1 normal, 2 minimized, 3 maximized.
    static constexpr int ShowHidden = 0;
    static constexpr int ShowNormal = 1;
    static constexpr int ShowMinimized = 2;
    static constexpr int ShowMaximized = 3;

    int Flags = 0;
    int ShowCmd = ShowHidden;
    QPoint MinPosition{-1, -1};
    QPoint MaxPosition{-1, -1};
    // The normal (restored) rectangle in screen pixels; Right and Bottom lie just outside it.
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool operator==(const TWindowPlacement&) const = default;
};
