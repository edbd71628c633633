#pragma once

#include <QList>
#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>

namespace brv {

struct Settings;

// Where the main window goes at start-up: the bounds from the settings, kept to the screens.
struct WindowPlacement
{
    QSize size;
    // none: the window system places the window
    std::optional<QPoint> position;
    // The stored size fits on no screen: the default size stands instead.
    bool sizeRefused = false;
    // The stored place lies on no screen: the window system places the window.
    bool positionRefused = false;
};

// The settings' window bounds on the screens' available areas (`screens`, in the coordinates of
// the whole desktop). A window that reaches onto a screen is moved wholly onto the screen it
// covers most (of those it fits on, when it reaches onto one); a size that fits on no screen
// gives way to the default, and a place on no screen to the window system's choice. Any stored
// number, however large, is safe: nothing overflows.
WindowPlacement placeWindow(const Settings& settings, const QList<QRect>& screens);

// `rect` moved into `area` as far as it fits (its top-left corner inside `area` when it is
// larger).
QRect keptInside(const QRect& rect, const QRect& area);

// The inner bounds of a window whose frame adds `frame`, fitted into `area`: its size cut to what
// the area leaves room for, then moved wholly into it.
QRect fittedInside(const QRect& inner, const QMargins& frame, const QRect& area);

} // namespace brv
