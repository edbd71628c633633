#pragma once

#include <QObject>

namespace brv {

class Competition;
class PublicBestResult;
class RaceClock;
class TvWindow;

// Keeps the TV display up to date: the lanes' running and stopped times from the race clock,
// the teams on the lanes and whether lane 3 is shown from the competition, the best result
// from what the public is shown. The window shows it whether it is visible or not.
class TvPresenter final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TvPresenter)

public:
    TvPresenter(const RaceClock& clock, const Competition& competition, const PublicBestResult& best,
                TvWindow& window, QObject* parent = nullptr);

    // Everything anew, as when the window is made.
    void showAll();

private:
    void showLane(int lane);
    void showTeams();
    void showBest();

    const RaceClock& m_clock;
    const Competition& m_competition;
    const PublicBestResult& m_best;
    TvWindow& m_window;
};

} // namespace brv
