#pragma once

#include <QtGlobal>

#include <array>

namespace brv {

// What timing a heat needs of the lanes and the page it is run on: which lanes run and hold a
// team, locking a lane's team while it runs, and handing over the time a lane stopped with.
// The competition offers it; the race clock knows nothing more of it.
class HeatLanes
{
public:
    virtual ~HeatLanes() = default;

    // A lane panel is shown (lane 3 with three lanes on the Vorrunde page, lanes 1 and 2 always).
    virtual bool laneVisible(int lane) const = 0;
    // Shown and switched on (only lane 3 has the box).
    virtual bool laneActive(int lane) const = 0;
    // How many teams the lane chooses among (the page's rows), and the row of the team on it
    // (0: none).
    virtual int laneChoices(int lane) const = 0;
    virtual int laneRow(int lane) const = 0;
    // Heats are run on this page (not on the overall table).
    virtual bool laneAreaVisible() const = 0;
    // One start for all lanes, or a start per lane.
    virtual bool commonStart() const = 0;
    // A heat starts on the lanes `starting`: false when a team would run again over a recorded
    // run and the operator does not want that.
    virtual bool confirmHeatStart(const std::array<bool, 3>& starting) = 0;
    // A running lane keeps its team.
    virtual void lockLane(int lane, bool locked) = 0;
    // The time a lane stopped with, for the team on it.
    virtual void recordLaneTime(int lane, qint32 milliseconds) = 0;
    // The page's table holds results (save and clear are offered); the page is the overall one.
    virtual bool tableHasData() const = 0;
    virtual bool overallPage() const = 0;
};

} // namespace brv
