#include "protocol/ProtocolLayout.h"

#include "competition/Competition.h"
#include "competition/Ranking.h"

#include <algorithm>

namespace brv {

std::vector<int> shownColumns(CompetitionRound round, const CompetitionOptions& options)
{
    std::vector<int> columns;
    const int count = roundColumnCount(round);
    columns.reserve(std::size_t(count));
    for (int c = 0; c < count; ++c) {
        if (c == classColumn(round) && !options.classColumnShown)
            continue;
        if (round == CompetitionRound::Vorrunde && laneOfColumn(c) == 3 && !options.thirdLaneOn)
            continue;
        if (round == CompetitionRound::GesamtErgebnis &&
            c >= columnIndex(knockoutTimeColumn(CompetitionRound::Achtelfinale)) &&
            c <= columnIndex(knockoutResultColumn(CompetitionRound::Achtelfinale)) &&
            options.knockoutStart == KnockoutStart::Viertelfinale)
            continue;
        columns.push_back(c);
    }
    return columns;
}

ColumnContent columnContent(CompetitionRound round, int column)
{
    switch (round) {
    case CompetitionRound::Vorrunde:
        if (column == columnIndex(VorrundeColumn::Mannschaft) ||
            column == columnIndex(VorrundeColumn::Klasse))
            return ColumnContent::Text;
        return laneOfColumn(column) > 0 || column == columnIndex(VorrundeColumn::RankingValue)
                   ? ColumnContent::Seconds
                   : ColumnContent::Number;
    case CompetitionRound::GesamtErgebnis:
        if (column == columnIndex(OverallColumn::Mannschaft) || column == columnIndex(OverallColumn::Klasse))
            return ColumnContent::Text;
        return column == columnIndex(OverallColumn::Place) ? ColumnContent::Number : ColumnContent::Seconds;
    default:
        if (column == columnIndex(KnockoutColumn::Mannschaft) ||
            column == columnIndex(KnockoutColumn::Klasse))
            return ColumnContent::Text;
        return column >= columnIndex(KnockoutColumn::BroughtResult) &&
                       column <= columnIndex(KnockoutColumn::Gesamt)
                   ? ColumnContent::Seconds
                   : ColumnContent::Number;
    }
}

std::vector<int> blockColumns(CompetitionRound round, const CompetitionOptions& options,
                              const QStringList& tableCaptions, const QStringList& blockCaptions)
{
    return shownColumns(round, blockLayout(round, options, tableCaptions, blockCaptions));
}

CompetitionOptions blockLayout(CompetitionRound round, const CompetitionOptions& options,
                               const QStringList& tableCaptions, const QStringList& blockCaptions)
{
    auto score = [&](const std::vector<int>& columns) {
        int matches = 0;
        for (std::size_t j = 0; j < columns.size() && j < std::size_t(blockCaptions.size()); ++j) {
            const QString caption = blockCaptions.at(qsizetype(j)).trimmed();
            if (!caption.isEmpty() && caption == tableCaptions.value(columns[j]).trimmed())
                ++matches;
        }
        return matches;
    };
    CompetitionOptions best = options;
    int bestScore = score(shownColumns(round, options));
    // A workbook saved with another class, lane or knockout setting would otherwise shift
    // every later column by the columns it has more or fewer.
    for (int variant = 0; variant < 8; ++variant) {
        CompetitionOptions other = options;
        other.classColumnShown = variant & 1;
        other.thirdLaneOn = variant & 2;
        other.knockoutStart = (variant & 4) ? KnockoutStart::Viertelfinale : KnockoutStart::Achtelfinale;
        const int s = score(shownColumns(round, other));
        if (s > bestScore) {
            best = other;
            bestScore = s;
        }
    }
    return best;
}

SheetBlock tableBlock(const ResultGrid& grid, CompetitionRound round, const CompetitionOptions& options,
                      const NumberFormat& format)
{
    SheetBlock block;
    block.firstRow = blockFirstRow(round);
    block.rows = grid.rowCount();
    block.width = grid.columnCount() - (options.classColumnShown ? 0 : 1);
    block.values.resize(std::size_t(block.rows) * std::size_t(block.width));
    const std::vector<int> columns = shownColumns(round, options);
    block.tableWidth = std::min(int(columns.size()), block.width);
    block.hundredths.resize(std::size_t(block.width));
    for (int i = 0; i < block.tableWidth; ++i)
        block.hundredths[std::size_t(i)] =
            columnContent(round, columns[std::size_t(i)]) == ColumnContent::Seconds;
    for (int r = 0; r < block.rows; ++r) {
        for (std::size_t i = 0; i < columns.size() && int(i) < block.width; ++i)
            block.values[std::size_t(r * block.width) + i] =
                CellValue::fromCellText(grid.cell(columns[i], r), format);
    }
    return block;
}

std::vector<PlacedCell> headingCells(const Competition& competition, CompetitionRound round,
                                     const CompetitionOptions& options)
{
    const std::vector<int> shown = shownColumns(round, options);
    // The sheet column (from 1) a table column is saved in.
    auto sheetColumn = [&shown](auto column) {
        return int(std::find(shown.begin(), shown.end(), columnIndex(column)) - shown.begin()) + 1;
    };
    std::vector<PlacedCell> cells;
    auto place = [&](int col, const QStringList& bar, int index) {
        cells.push_back({1, col, CellValue::ofText(bar.value(index)), CellFill::None});
    };
    if (round == CompetitionRound::Vorrunde) {
        const QStringList& top = competition.tables().laneHeadings();
        place(sheetColumn(lanePenaltyColumn(1)), top, 1);
        place(sheetColumn(lanePenaltyColumn(2)), top, 2);
        if (options.thirdLaneOn)
            place(sheetColumn(lanePenaltyColumn(3)), top, 3);
        place(sheetColumn(VorrundeColumn::RankingValue), top, 4);
    } else if (round == CompetitionRound::GesamtErgebnis) {
        const QStringList& top = competition.tables().roundHeadings();
        place(sheetColumn(OverallColumn::VorrundeResult), top, 1);
        if (options.knockoutStart != KnockoutStart::Viertelfinale)
            place(sheetColumn(OverallColumn::AchtelfinaleErgebnis), top, 2);
        place(sheetColumn(OverallColumn::ViertelfinaleErgebnis), top, 3);
        place(sheetColumn(OverallColumn::HalbfinaleErgebnis), top, 4);
        place(sheetColumn(OverallColumn::FinaleErgebnis), top, 5);
        place(sheetColumn(OverallColumn::BestResult), top, 6);
    }
    return cells;
}

std::vector<ColumnGroup> columnGroups(const Competition& competition, CompetitionRound round,
                                      const CompetitionOptions& options)
{
    const std::vector<int> shown = shownColumns(round, options);
    std::vector<ColumnGroup> groups;
    auto group = [&](auto first, int count, const QString& caption) {
        const auto at = std::find(shown.begin(), shown.end(), columnIndex(first));
        if (at != shown.end())
            groups.push_back({int(at - shown.begin()), count, caption});
    };
    if (round == CompetitionRound::Vorrunde) {
        const QStringList& top = competition.tables().laneHeadings();
        for (int lane = 1; lane <= 3; ++lane)
            group(laneTimeColumn(lane), 3, top.value(lane));
        group(VorrundeColumn::RankingValue, 1, top.value(4));
    } else if (round == CompetitionRound::GesamtErgebnis) {
        const QStringList& top = competition.tables().roundHeadings();
        group(OverallColumn::VorrundeResult, 1, top.value(1));
        for (CompetitionRound knockout : {CompetitionRound::Achtelfinale, CompetitionRound::Viertelfinale,
                                          CompetitionRound::Halbfinale, CompetitionRound::Finale})
            group(knockoutTimeColumn(knockout), 3, top.value(roundIndex(knockout) + 1));
        group(OverallColumn::BestResult, 1, top.value(6));
    }
    return groups;
}

CompetitionOptions savedLayout(const ResultGrid& grid, CompetitionRound round,
                               const CompetitionOptions& options)
{
    CompetitionOptions saved = options;
    const int cls = classColumn(round);
    for (int r = 1; r < grid.rowCount() && !saved.classColumnShown; ++r)
        saved.classColumnShown = !grid.cell(cls, r).trimmed().isEmpty();
    // runs on lane 3 are saved when lane 3 was switched off after they were run
    if (round == CompetitionRound::Vorrunde)
        saved.thirdLaneOn = saved.thirdLaneOn || hasLane3Runs(grid);
    return saved;
}

ProtocolSheet protocolSheet(const Competition& competition, CompetitionRound round)
{
    return protocolSheet(competition, round,
                         savedLayout(competition.grid(round), round, competition.options()));
}

ProtocolSheet protocolSheet(const Competition& competition, CompetitionRound round,
                            const CompetitionOptions& saved)
{
    ProtocolSheet sheet;
    sheet.name = competition.tables().pageCaption(round);
    sheet.block = tableBlock(competition.grid(round), round, saved, competition.numberFormat());
    sheet.headings = headingCells(competition, round, saved);
    return sheet;
}

std::vector<PlacedCell> bracketCells(const Competition& competition)
{
    const NumberFormat& format = competition.numberFormat();
    const ResultGrid& g1 = competition.grid(CompetitionRound::Vorrunde);
    const ResultGrid& g2 = competition.grid(CompetitionRound::Achtelfinale);
    const ResultGrid& g3 = competition.grid(CompetitionRound::Viertelfinale);
    const ResultGrid& g4 = competition.grid(CompetitionRound::Halbfinale);
    const ResultGrid& g5 = competition.grid(CompetitionRound::Finale);
    const ResultGrid& g6 = competition.grid(CompetitionRound::GesamtErgebnis);

    std::vector<PlacedCell> cells;
    auto put = [&](int row, int col, const QString& text, CellFill fill = CellFill::None) {
        cells.push_back({row, col, CellValue::fromCellText(text, format), fill});
    };
    auto wonFill = [](const ResultGrid& g, int row) {
        return g.cell(KnockoutColumn::Outcome, row) == QLatin1String("+") ? CellFill::Green : CellFill::Red;
    };
    auto placeFill = [&](int row, const char* place) {
        return g5.cell(KnockoutColumn::Outcome, row) == QLatin1String(place) ? CellFill::Green
                                                                             : CellFill::Red;
    };

    put(2, 1, QString::number(g1.rowCount() - 1));
    for (int r = 1; r < g1.rowCount(); ++r)
        put(r + 2, 1, g1.cell(VorrundeColumn::Mannschaft, r));
    for (int r = 1; r <= 16; ++r)
        put(2 * r + 2, 3, g2.cell(KnockoutColumn::Mannschaft, r), wonFill(g2, r));
    for (int r = 1; r <= 8; ++r)
        put(4 * r + 1, 5, g3.cell(KnockoutColumn::Mannschaft, r), wonFill(g3, r));
    for (int r = 1; r <= 4; ++r)
        put(8 * r - 1, 7, g4.cell(KnockoutColumn::Mannschaft, r), wonFill(g4, r));

    const bool firstWon = g4.cell(KnockoutColumn::Outcome, 1) == QLatin1String("+");
    put(10, 10, g4.cell(KnockoutColumn::Mannschaft, firstWon ? 1 : 2), placeFill(3, "1"));
    put(12, 9, g4.cell(KnockoutColumn::Mannschaft, firstWon ? 2 : 1), placeFill(1, "3"));
    const bool thirdWon = g4.cell(KnockoutColumn::Outcome, 3) == QLatin1String("+");
    put(28, 10, g4.cell(KnockoutColumn::Mannschaft, thirdWon ? 3 : 4), placeFill(4, "1"));
    put(26, 9, g4.cell(KnockoutColumn::Mannschaft, thirdWon ? 4 : 3), placeFill(2, "3"));

    put(17, 12, g6.cell(OverallColumn::Mannschaft, 1), CellFill::Gold);
    put(19, 12, g6.cell(OverallColumn::Mannschaft, 2), CellFill::Silver);
    put(21, 12, g6.cell(OverallColumn::Mannschaft, 3), CellFill::Bronze);
    return cells;
}

} // namespace brv
