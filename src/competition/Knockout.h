#pragma once

#include "competition/CellText.h"
#include "competition/CompetitionOptions.h"
#include "competition/CompetitionRound.h"

namespace brv {

class ProtocolTables;

// What leaving a page builds: the first knockout round and the overall table from the
// Vorrunde, the next round and the overall places from a knockout round, and then each team's
// best result in the overall table.
void buildNextRound(ProtocolTables& tables, CompetitionRound left, const CompetitionOptions& options,
                    const NumberFormat& format);

} // namespace brv
