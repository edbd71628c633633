#include "session/HeatWiring.h"

#include "competition/Competition.h"
#include "timing/RaceClock.h"

namespace brv {

void wireHeat(RaceClock& clock, Competition& competition, std::function<void()> afterHeat)
{
    // a page entered refills the lanes and lays them out anew, so these cover page changes too
    QObject::connect(&competition, &Competition::lanesChanged, &clock, &RaceClock::updateReadiness);
    QObject::connect(&competition, &Competition::layoutRequested, &clock, &RaceClock::updateReadiness);
    QObject::connect(&competition.tables(), &ProtocolTables::rowsChanged, &clock,
                     &RaceClock::updateReadiness);
    QObject::connect(&competition.tables(), &ProtocolTables::tableChanged, &clock,
                     &RaceClock::updateReadiness);
    QObject::connect(&clock, &RaceClock::heatFinished, &competition,
                     [&competition, afterHeat = std::move(afterHeat)] {
                         competition.recalculateRound();
                         if (afterHeat)
                             afterHeat();
                     });
    QObject::connect(&clock, &RaceClock::resetDone, &competition, &Competition::advanceLanes);
    clock.updateReadiness();
}

} // namespace brv
