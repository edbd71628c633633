#pragma once

namespace brv {

// One lane's team: the row of the current page's table whose team stands on the lane, chosen
// among that page's rows. What a lane shows of its team is made where it is shown.
struct LaneSelector
{
    int count = 0;        // the rows the lane can take: the page's data rows
    int index = -1;       // the row taken, less one (-1: no team)
    bool enabled = false; // locked while the lane runs
    bool inUse = true;    // the on/off box; only lane 3 shows it

    int row() const { return index + 1; }
    // Selecting outside the rows leaves nothing selected.
    void select(int newIndex) { index = newIndex >= 0 && newIndex < count ? newIndex : -1; }
};

} // namespace brv
