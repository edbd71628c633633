#pragma once

#include "competition/CellText.h"
#include "competition/ResultGrid.h"

namespace brv {

// -1, 0 or 1 by the numbers in the two texts; a text that is not a number counts as 2147483647,
// so empty and marked cells sort after every number.
int compareResultText(const QString& a, const QString& b, const NumberFormat& format);
// The value a result text sorts by (blank or text: last), and two such values compared as above.
double resultValue(const QString& text, const NumberFormat& format);
int compareResultValues(double va, double vb);

// Sorts the data rows of `grid` with `column` as the primary key followed by the grid's
// secondarySortColumns, stable, in its sortDirection. Does nothing at all while sortEnabled is
// off.
void sortTable(ResultGrid& grid, int column, const NumberFormat& format);

} // namespace brv
