#pragma once

#include "competition/CellText.h"
#include "competition/CompetitionOptions.h"
#include "competition/CompetitionRound.h"

namespace brv {

class ProtocolTables;

// What leaving a page builds: the first knockout round and the overall table from the
// Vorrunde, the next round and the overall places from a knockout round, and then each team's
// best result in the overall table. A first round with fewer teams than places gets empty rows,
// and their opponents run alone; the returned notice names those places (" Freilos für Platz 1
// und 2"), empty when there are none.
QString buildNextRound(ProtocolTables& tables, CompetitionRound left, const CompetitionOptions& options,
                       const NumberFormat& format);

} // namespace brv
