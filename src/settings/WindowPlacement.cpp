#include "settings/WindowPlacement.h"

#include "settings/Settings.h"

#include <algorithm>

namespace brv {

namespace {

// The area two rectangles share, in 64 bits: stored bounds may be anything an int holds.
qint64 overlap(qint64 left, qint64 top, qint64 width, qint64 height, const QRect& area)
{
    const qint64 w =
        std::min(left + width, qint64(area.left()) + area.width()) - std::max(left, qint64(area.left()));
    const qint64 h =
        std::min(top + height, qint64(area.top()) + area.height()) - std::max(top, qint64(area.top()));
    return w > 0 && h > 0 ? w * h : 0;
}

} // namespace

QRect keptInside(const QRect& rect, const QRect& area)
{
    const int left = std::max(area.left(), std::min(rect.left(), area.left() + area.width() - rect.width()));
    const int top = std::max(area.top(), std::min(rect.top(), area.top() + area.height() - rect.height()));
    return QRect(QPoint(left, top), rect.size());
}

QRect fittedInside(const QRect& inner, const QMargins& frame, const QRect& area)
{
    const QRect room = area.marginsRemoved(frame);
    return keptInside(QRect(inner.topLeft(), inner.size().boundedTo(room.size())), room);
}

WindowPlacement placeWindow(const Settings& settings, const QList<QRect>& screens)
{
    WindowPlacement place;
    const Settings defaults;
    place.size = QSize(settings.windowWidth, settings.windowHeight);
    const bool fits = std::any_of(screens.begin(), screens.end(), [&place](const QRect& screen) {
        return place.size.width() <= screen.width() && place.size.height() <= screen.height();
    });
    if (!fits && !screens.isEmpty() && place.size != QSize(defaults.windowWidth, defaults.windowHeight)) {
        place.size = QSize(defaults.windowWidth, defaults.windowHeight);
        place.sizeRefused = true;
    }
    if (!settings.windowLeft || !settings.windowTop)
        return place;
    // the screen the window covers most, of those it fits on if it reaches onto one of them
    qint64 best = 0;
    bool bestFits = false;
    const QRect* screen = nullptr;
    for (const QRect& area : screens) {
        const qint64 shared =
            overlap(*settings.windowLeft, *settings.windowTop, place.size.width(), place.size.height(), area);
        const bool fitsHere = place.size.width() <= area.width() && place.size.height() <= area.height();
        if (shared > 0 && (fitsHere > bestFits || (fitsHere == bestFits && shared > best))) {
            best = shared;
            bestFits = fitsHere;
            screen = &area;
        }
    }
    if (!screen) {
        place.positionRefused = !screens.isEmpty();
        if (screens.isEmpty())
            place.position = QPoint(*settings.windowLeft, *settings.windowTop);
        return place;
    }
    place.position =
        keptInside(QRect(QPoint(*settings.windowLeft, *settings.windowTop), place.size), *screen).topLeft();
    return place;
}

} // namespace brv
