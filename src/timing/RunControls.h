#pragma once

#include <QtGlobal>

#include <array>

namespace brv {

// State of one lane's run controls.
struct LaneControls
{
    quint32 startTick = 0;           // 0 = not started
    bool armed = false;              // ZIEL enabled, warm yellow; its stop command enabled
    bool startButtonEnabled = false; // per-lane "START"
    bool startButtonGreen = false;
    bool startButtonVisible = false; // only in per-lane start mode

    bool operator==(const LaneControls&) const = default;
};

// The run controls of the main window: which buttons and commands are shown, enabled and
// coloured. The race clock alone writes them and announces every change; the window only shows
// them.
struct RunControls
{
    std::array<LaneControls, 3> lanes;

    // START, "&Fehlstart" and RESET share one place; one of them is shown.
    bool startShown = true;
    bool startButtonEnabled = false; // decided by the lanes' readiness
    bool startGreen = false;
    bool startCommandEnabled = true; // [F5]: keeps what the start and reset steps gave it
    bool falseStartShown = false;
    bool falseStartEnabled = false; // button and command
    bool resetShown = false;
    bool resetEnabled = false; // button and command
    bool resetRed = false;

    bool displayTickRunning = false;
    bool settingsEnabled = true;
    bool loadEnabled = true;
    std::array<bool, 3> assignEnabled{true, true, true}; // the lane assign buttons

    // Protocol buttons: they follow whether the current table holds results.
    bool saveEnabled = false; // save, print, Excel and HTML
    bool clearEnabled = false;
    bool certificatesEnabled = false;

    bool operator==(const RunControls&) const = default;

    LaneControls& lane(int lane) { return lanes[std::size_t(lane - 1)]; }
    const LaneControls& lane(int lane) const { return lanes[std::size_t(lane - 1)]; }
};

} // namespace brv
