#pragma once

#include "timing/RunControls.h"

#include <QWidget>

#include <array>

namespace brv {

class AppSession;
class LanePanel;

// The lanes' panels side by side, sharing the width equally: each shows its lane's time, team
// and controls; what the operator does on them goes to the race clock and the lanes.
class LaneArea final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LaneArea)

public:
    LaneArea(AppSession& session, QWidget* parent);

    LanePanel* panel(int lane) const { return m_panels[std::size_t(lane - 1)]; }
    // Each lane lists the current page's teams and shows the one it holds.
    void showTeams();
    void showControls(const RunControls& controls);
    // The time the clock shows for `lane`.
    void showTime(int lane);
    // Two or three lanes; the lanes' own starts as the run controls have them.
    void setLaneCount(int count, const RunControls& controls);

private:
    AppSession& m_session;
    std::array<LanePanel*, 3> m_panels{};
};

} // namespace brv
