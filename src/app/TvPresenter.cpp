#include "app/TvPresenter.h"

#include "app/TvWindow.h"
#include "competition/Competition.h"
#include "competition/PublicBestResult.h"
#include "timing/RaceClock.h"

namespace brv {

TvPresenter::TvPresenter(const RaceClock& clock, const Competition& competition, const PublicBestResult& best,
                         TvWindow& window, QObject* parent)
    : QObject(parent), m_clock(clock), m_competition(competition), m_best(best), m_window(window)
{
    connect(&clock, &RaceClock::laneTimeChanged, this, &TvPresenter::showLane);
    connect(&competition, &Competition::lanesChanged, this, &TvPresenter::showTeams);
    // a team's name edited while it stands on a lane
    connect(&competition.tables(), &ProtocolTables::rowsChanged, this, &TvPresenter::showTeams);
    connect(&competition.tables(), &ProtocolTables::tableChanged, this, &TvPresenter::showTeams);
    connect(&competition, &Competition::layoutRequested, this,
            [this] { m_window.setThirdLaneShown(m_competition.laneVisible(3)); });
    connect(&best, &PublicBestResult::changed, this, &TvPresenter::showBest);
}

void TvPresenter::showAll()
{
    for (int lane = 1; lane <= 3; ++lane)
        showLane(lane);
    showTeams();
    showBest();
    m_window.setThirdLaneShown(m_competition.laneVisible(3));
}

void TvPresenter::showLane(int lane)
{
    m_window.showLaneDigits(lane, m_clock.laneDisplay(lane));
}

void TvPresenter::showTeams()
{
    for (int lane = 1; lane <= 3; ++lane)
        m_window.setTeamName(lane, m_competition.laneTeam(lane));
}

void TvPresenter::showBest()
{
    const auto& best = m_best.value();
    m_window.showBest(best ? best->milliseconds : 0, best ? best->team : QString());
}

} // namespace brv
