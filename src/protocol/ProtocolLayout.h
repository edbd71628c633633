#pragma once

#include "competition/CompetitionOptions.h"
#include "competition/CompetitionRound.h"
#include "protocol/WorkbookData.h"

#include <QStringList>

#include <vector>

namespace brv {

class Competition;
class NumberFormat;
class ResultGrid;

// Which table columns are shown, left to right: the class column is hidden when "Klasse" is
// off, the third lane's columns 9-11 of the Vorrunde when "OnZiel3" is off, the Achtelfinale
// columns 4-6 of the overall table when the knockout starts with the Viertelfinale.
std::vector<int> shownColumns(CompetitionRound round, const CompetitionOptions& options);

// The columns a sheet's block holds, judged by its caption row: of the layouts the table can
// have (class column, third lane, Achtelfinale block shown or hidden), the one whose captions
// match the block's first row best; the layout of `options` when none matches better.
std::vector<int> blockColumns(CompetitionRound round, const CompetitionOptions& options,
                              const QStringList& tableCaptions, const QStringList& blockCaptions);

// The layout (class column, third lane, Achtelfinale block) whose columns blockColumns() picks.
CompetitionOptions blockLayout(CompetitionRound round, const CompetitionOptions& options,
                               const QStringList& tableCaptions, const QStringList& blockCaptions);

// What a table column holds, for the files that format and align it: a team's name or class
// (text, which may wrap at its blanks), a start number, a place or a heat's mark, or seconds with
// hundredths (times, penalties, results and the results brought into a round).
enum class ColumnContent { Text, Number, Seconds };
ColumnContent columnContent(CompetitionRound round, int column);

// A caption over a run of shown columns: `first` and `count` count in shownColumns().
struct ColumnGroup
{
    int first = 0;
    int count = 1;
    QString caption;
    bool operator==(const ColumnGroup&) const = default;
};

// The heading bars as captions over the columns they stand for, left to right: "Bahn 1" to
// "Bahn 3" over the Vorrunde's runs and the best-lane caption over "Summe"; over the overall
// table "Vorrunde" over its result, each knockout round over its three columns and "Bestes" over
// the best result. None over a knockout table; a group whose columns are hidden is left out.
std::vector<ColumnGroup> columnGroups(const Competition& competition, CompetitionRound round,
                                      const CompetitionOptions& options);

// Sheet row of a table's caption row: 2 on the sheets of the Vorrunde and the overall table
// (row 1 carries the heading bar there), 1 on the knockout sheets.
inline constexpr int blockFirstRow(CompetitionRound round)
{
    return isKnockoutRound(round) ? 1 : 2;
}

// R x W block of a table: the shown columns packed from the left; W is the column count less
// the class column when that is hidden, so further hidden columns leave empty places on the
// right.
SheetBlock tableBlock(const ResultGrid& grid, CompetitionRound round, const CompetitionOptions& options,
                      const NumberFormat& format);

// Row-1 captions of the Vorrunde and overall sheets taken from the heading bars; each stands
// above the middle column of its group, laid out as `options` say. Empty for the knockout sheets.
std::vector<PlacedCell> headingCells(const Competition& competition, CompetitionRound round,
                                     const CompetitionOptions& options);

// The layout a table is saved in: the options in effect, with the class column also when it is
// hidden but holds a class, and lane 3's columns when they hold runs (a hidden column's data is
// not lost by a save).
CompetitionOptions savedLayout(const ResultGrid& grid, CompetitionRound round,
                               const CompetitionOptions& options);

// Everything a table sheet receives, in savedLayout(), or in the layout given (that of the sheet
// a save writes into, so that every value lands under its own caption).
ProtocolSheet protocolSheet(const Competition& competition, CompetitionRound round);
ProtocolSheet protocolSheet(const Competition& competition, CompetitionRound round,
                            const CompetitionOptions& layout);

// The knockout bracket of sheet 7 with its fills.
std::vector<PlacedCell> bracketCells(const Competition& competition);

} // namespace brv
