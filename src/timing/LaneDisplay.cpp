#include "timing/LaneDisplay.h"

namespace brv {

LaneDigits laneDigitsFor(qint32 milliseconds, bool inUse)
{
    // Integer division truncates towards zero, as the digits have always done.
    const qint32 h = milliseconds / 10;
    const qint32 s = h / 100;
    const qint32 f = h % 100;

    LaneDigits d;
    d.values = {s / 100, (s / 10) % 10, s % 10, f / 10, f % 10};
    if (inUse)
        d.bright = {s > 99, s > 9, true, true, true};
    d.commaBright = d.bright[2];
    return d;
}

} // namespace brv
