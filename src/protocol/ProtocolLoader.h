#pragma once

#include "competition/CompetitionRound.h"
#include "competition/ResultGrid.h"
#include "protocol/WorkbookData.h"

#include <array>
#include <memory>

namespace brv {

class Competition;

// The tables read from a workbook, ready to replace the competition's tables in one step.
struct LoadedProtocol
{
    std::array<std::unique_ptr<ResultGrid>, kRoundCount> tables;
    std::array<bool, kRoundCount> present{};
    std::array<QString, kRoundCount> sheetNames;
};

// Length of the table block starting at sheet row `firstRow`: it ends before the first two
// consecutive empty cells of column A; at least 2 rows. The block may reach one row above the
// sheet's last row (`totalRows`); rows past the used range are empty, so the walk stops at most
// two rows after the last used row.
int tableLength(const SheetContent& sheet, int firstRow);

// Builds the tables of the first six sheets: copies of the competition's tables whose shown
// columns are taken from the sheet (block column j to the j-th shown column); hidden columns
// keep their content.
LoadedProtocol tablesFromWorkbook(const WorkbookContent& workbook, const Competition& competition);

// Replaces the tables, takes the sheet names as page captions (and the first five as headings
// of the overall table's heading bar) and runs the steps that follow a load: lane selectors,
// buttons, the loaded times, results and sums back to two decimals, the ranking captions.
void applyLoadedProtocol(Competition& competition, const LoadedProtocol& loaded);

// The time, result and sum columns of every table written with two decimals again, as recorded
// times are; texts such as "AUS" and "DIS" stay as they are.
void reformatLoadedTimes(Competition& competition);

} // namespace brv
