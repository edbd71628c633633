#pragma once

#include "competition/CellText.h"
#include "competition/CompetitionOptions.h"
#include "competition/CompetitionRound.h"
#include "competition/ResultGrid.h"

#include <QStringList>

#include <optional>
#include <vector>

namespace brv {

class ProtocolTables;

// The knockout rounds the options put into play, first round first: the Achtelfinale (only when
// the knockout starts with 16 teams), the Viertelfinale, the Halbfinale and the Finale.
std::vector<CompetitionRound> knockoutRoundsInPlay(const CompetitionOptions& options);

// The row that won heat `heat` (rows 2k-1 and 2k) of a knockout table, decided from the runs
// alone: the smaller Gesamt wins, a void or disqualified run loses against any time, equal
// results go to the second row; a team whose opponent's row is empty wins once it has run.
// Nothing while the heat is open (a run missing).
std::optional<int> heatWinner(const ResultGrid& table, int heat, const NumberFormat& format);

// Writes every heat's outcome from its runs: "+" and "-" in a knockout round, the places 3/4
// (rows 1-2) and 1/2 (rows 3-4) in the Finale; an open heat gets no mark.
void decideHeats(ResultGrid& table, CompetitionRound round, const NumberFormat& format);

// The heats of a knockout table (1, 2, ...) that hold a team and have no outcome yet.
std::vector<int> openHeats(const ResultGrid& table, CompetitionRound round, const NumberFormat& format);

// What leaving a page builds: the first knockout round from the Vorrunde, the next round from a
// knockout round; every later round that already holds teams is built anew from the one before
// it, so the bracket never keeps a team that no longer belongs there. A team keeps its own run
// in whatever row it lands, and every heat is decided from its runs. A first round with fewer
// teams than places gets empty rows, and their opponents run alone: the places returned (byes).
QList<int> buildNextRound(ProtocolTables& tables, CompetitionRound left, const CompetitionOptions& options,
                          const NumberFormat& format);

// The overall table as a function of the rounds as they stand: the teams in Vorrunde order, then
// each knockout round in play puts its teams on top in the order of its outcomes (winners, teams
// whose heat is open, losers; the Finale by its places). A team's place is its rank among the
// teams with a result.
void writeOverallTable(ProtocolTables& tables, const CompetitionOptions& options, const NumberFormat& format);

// Teams that have run in a knockout table and would, after it was rebuilt, no longer be in it
// (`dropped`) or meet another opponent (`newOpponent`); names as the table holds them.
void compareRebuiltRound(const ResultGrid& before, const ResultGrid& after, QStringList& dropped,
                         QStringList& newOpponent);

} // namespace brv
