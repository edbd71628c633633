#include "app/widgets/LaneArea.h"

#include "app/widgets/LanePanel.h"
#include "competition/Competition.h"
#include "session/AppSession.h"
#include "timing/RaceClock.h"

#include <QHBoxLayout>

namespace brv {

LaneArea::LaneArea(AppSession& session, QWidget* parent) : QWidget(parent), m_session(session)
{
    setMinimumHeight(120);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* lanes = new QHBoxLayout(this);
    lanes->setContentsMargins(0, 0, 0, 0);
    lanes->setSpacing(0);
    RaceClock& clock = session.clock();
    for (int lane = 1; lane <= 3; ++lane) {
        auto* frame = new LanePanel(lane, this);
        frame->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Expanding);
        lanes->addWidget(frame, 1);
        m_panels[std::size_t(lane - 1)] = frame;
        connect(frame, &LanePanel::finishClicked, this,
                [&clock, lane] { clock.stopCommand(lane).trigger(); });
        connect(frame, &LanePanel::startClicked, this,
                [&clock, lane] { clock.startCommand(lane).trigger(); });
        connect(frame, &LanePanel::teamChosen, this,
                [this, lane](int index) { m_session.competition().lanes().select(lane, index); });
    }
    connect(m_panels[2], &LanePanel::inUseClicked, this,
            [this](bool checked) { m_session.setLane3On(checked); });
}

void LaneArea::showTeams()
{
    // each lane lists the page's teams as "%3s %s" of start number and name
    const Competition& competition = m_session.competition();
    const ResultGrid& table = competition.currentGrid();
    QStringList teams;
    for (int r = 1; r < table.rowCount(); ++r)
        teams << LaneAssignment::entryText(table, r);
    for (int lane = 1; lane <= 3; ++lane) {
        const LaneSelector& selector = competition.lanes().selector(lane);
        panel(lane)->setTeams(teams.mid(0, selector.count), selector.index, selector.enabled);
    }
}

void LaneArea::showControls(const RunControls& c)
{
    const LaneAssignment& lanes = m_session.competition().lanes();
    for (int lane = 1; lane <= 3; ++lane) {
        LanePanel* frame = panel(lane);
        const LaneControls& l = c.lane(lane);
        frame->setFinishArmed(l.armed);
        frame->setStartButton(l.startButtonVisible, l.startButtonEnabled, l.startButtonGreen);
        frame->setTeamsEnabled(lanes.selector(lane).enabled);
        if (lane == 3)
            frame->setInUse(lanes.inUse(3));
    }
}

void LaneArea::showTime(int lane)
{
    panel(lane)->showDigits(m_session.clock().laneDisplay(lane));
}

void LaneArea::setLaneCount(int count, const RunControls& c)
{
    panel(3)->setVisible(count == 3);
    for (int lane = 1; lane <= 3; ++lane) {
        const LaneControls& l = c.lane(lane);
        panel(lane)->setStartButton(l.startButtonVisible, l.startButtonEnabled, l.startButtonGreen);
    }
}

} // namespace brv
