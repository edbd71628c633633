#pragma once

#include "competition/CellText.h"
#include "competition/CompetitionNotices.h"
#include "competition/CompetitionOptions.h"
#include "competition/CompetitionRound.h"
#include "competition/ResultGrid.h"

#include <optional>

namespace brv {

class ProtocolTables;

// Sorts a table by its sortColumn and, in the Vorrunde, numbers the places in the last column:
// rows with a number count up, the others copy their text ("DIS"). The overall table is never
// sorted.
void sortAndNumber(ResultGrid& table, const NumberFormat& format);

// Whether the Vorrunde holds anything in lane 3's columns (teams ran on three lanes).
bool hasLane3Runs(const ResultGrid& vorrunde);
// Gesamt of each run, the ranking value of each team and the places of the Vorrunde. Returns
// the notice of two teams on the last qualifying places (8 or 16) with the same value, none when
// there are none, nothing when the table is too small to tell.
std::optional<PlaceNotice> recalculateVorrunde(ResultGrid& vorrunde, const CompetitionOptions& options,
                                               const NumberFormat& format);
// Numbers the Vorrunde's places by its ranking values and keeps the rows in start order;
// returns the warning as recalculateVorrunde does.
std::optional<PlaceNotice> rankVorrunde(ResultGrid& vorrunde, const NumberFormat& format);
// The ranking value of one row from the stopped times alone, while the heat is still going on.
void writeProvisionalRanking(ResultGrid& vorrunde, int row, RankingMode mode, const NumberFormat& format);
// The best result of the whole competition for the TV display.
struct BestResult
{
    qint32 milliseconds = 0;
    QString team;
};
std::optional<BestResult> bestResult(const ProtocolTables& tables, const NumberFormat& format);

} // namespace brv
