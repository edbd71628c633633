#pragma once

#include <QtGlobal>

namespace brv {

// A lane's elapsed time in milliseconds: stop tick minus start tick, subtracted as unsigned
// 32-bit values and read as signed. A run across the counter's wrap-around is timed correctly.
inline constexpr qint32 RaceTime(quint32 startTick, quint32 stopTick)
{
    return static_cast<qint32>(stopTick - startTick);
}

// Hundredths of a second, truncating: 9 ms is 0, 10 ms is 1. Nothing between the tick and the
// shown time ever rounds.
inline constexpr qint32 hundredthsOf(qint32 milliseconds)
{
    return milliseconds / 10;
}

// A start tick of 0 marks a lane that has not started. A start read at the one tick that is 0
// (once every 49.7 days) is stored as the tick before it; the time is then 1 ms longer.
inline constexpr quint32 startTickFrom(quint32 tick)
{
    return tick == 0 ? ~quint32(0) : tick;
}

} // namespace brv
