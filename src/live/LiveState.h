#pragma once

#include "competition/CompetitionRound.h"
#include "competition/Ranking.h"

#include <QJsonObject>
#include <QString>

#include <bitset>
#include <optional>

namespace brv {

class Competition;
class RaceClock;

// The rounds a message carries: bit n for the round with index n.
using RoundSet = std::bitset<kRoundCount>;
inline constexpr RoundSet kEveryRound{(1u << kRoundCount) - 1};

// What the live page and /api/tables.json show of the tables: the title, the current page, and
// per round that the operator can reach (those in `rounds`) its caption, the captions of the
// columns the main window shows and the rows that hold a team, cell texts as they stand.
//   {"type":"tables","title":…,"current":0,"rounds":[{"index":0,"name":"Vorrunde",
//    "columns":["Nr.",…],"rows":[["1","Florian Berg",…],…]},…]}
QJsonObject liveTables(const Competition& competition, const QString& title, RoundSet rounds = kEveryRound);

// The heat as the lane panels show it at tick `now`: per lane in use its team, and whether it is
// ready, running (with the milliseconds run so far, so that a browser can go on counting from
// them) or stopped (with its time); the best result so far. `heat` counts the heats started.
//   {"type":"heat","heat":3,"round":0,"roundName":"Vorrunde","state":"running",
//    "decimalSeparator":",","lanes":[{"lane":1,"nr":"1","team":"Florian Berg",
//    "state":"running","elapsedMs":12345},…],"best":{"ms":20120,"time":"20,12","team":…}}
QJsonObject liveHeat(const Competition& competition, const RaceClock& clock,
                     const std::optional<BestResult>& best, quint32 now, int heat);

} // namespace brv
