#include "protocol/ProtocolLoader.h"

#include "competition/Competition.h"
#include "protocol/ProtocolLayout.h"

#include <array>
#include <vector>

namespace brv {

int tableLength(const SheetContent& sheet, int firstRow)
{
    const int available = sheet.totalRows - firstRow; // L: the block ends above the last row
    int empty = 0;
    int length = available;
    for (int i = 1; i <= available; ++i) {
        if (sheet.text(firstRow + i - 1, 1).isEmpty()) {
            if (++empty == 2) {
                length = i - 2;
                break;
            }
        } else {
            empty = 0;
        }
    }
    return std::max(length, 2);
}

LoadedProtocol tablesFromWorkbook(const WorkbookContent& workbook, const Competition& competition)
{
    LoadedProtocol loaded;
    const std::size_t count = std::min<std::size_t>(workbook.sheets.size(), kRoundCount);
    for (std::size_t k = 0; k < count; ++k) {
        const CompetitionRound round = roundAt(int(k));
        const SheetContent& sheet = workbook.sheets[k];
        auto table = std::make_unique<ResultGrid>(competition.grid(round));
        const int first = blockFirstRow(round);
        const int length = tableLength(sheet, first);
        QStringList blockCaptions;
        for (int j = 1; j <= table->columnCount(); ++j)
            blockCaptions << sheet.text(first, j);
        const std::vector<int> columns =
            blockColumns(round, competition.options(), table->rowCells(0), blockCaptions);
        table->setRowCount(length);
        for (int r = 0; r < length; ++r) {
            for (std::size_t j = 0; j < columns.size(); ++j)
                table->setCell(columns[j], r, sheet.text(first + r, int(j) + 1));
        }
        loaded.tables[k] = std::move(table);
        loaded.present[k] = true;
        loaded.sheetNames[k] = sheet.name;
    }
    return loaded;
}

void reformatLoadedTimes(Competition& competition)
{
    // Times, results and sums come back as the spreadsheet shows them ("2,1", "49,6"); they get
    // their two decimals again. Marks and other texts in between ("AUS", "DIS") are skipped.
    using V = VorrundeColumn;
    using K = KnockoutColumn;
    using O = OverallColumn;
    const std::vector<int> vorrunde{columnIndex(V::Lane1Zeit),   columnIndex(V::Lane1Gesamt),
                                    columnIndex(V::Lane2Zeit),   columnIndex(V::Lane2Gesamt),
                                    columnIndex(V::Lane3Zeit),   columnIndex(V::Lane3Gesamt),
                                    columnIndex(V::RankingValue)};
    const std::vector<int> knockout{columnIndex(K::BroughtResult), columnIndex(K::Zeit),
                                    columnIndex(K::Gesamt)};
    const std::vector<int> overall{columnIndex(O::VorrundeResult),        columnIndex(O::AchtelfinaleZeit),
                                   columnIndex(O::AchtelfinaleErgebnis),  columnIndex(O::ViertelfinaleZeit),
                                   columnIndex(O::ViertelfinaleErgebnis), columnIndex(O::HalbfinaleZeit),
                                   columnIndex(O::HalbfinaleErgebnis),    columnIndex(O::FinaleZeit),
                                   columnIndex(O::FinaleErgebnis),        columnIndex(O::BestResult)};
    const std::array<std::vector<int>, kRoundCount> timeColumns{vorrunde, knockout, knockout,
                                                                knockout, knockout, overall};
    const NumberFormat& format = competition.numberFormat();
    for (int k = 0; k < kRoundCount; ++k) {
        ResultGrid& grid = competition.grid(roundAt(k));
        for (const int col : timeColumns[std::size_t(k)]) {
            for (int r = 1; r < grid.rowCount(); ++r) {
                const QString text = grid.cell(col, r).trimmed();
                if (text.isEmpty())
                    continue;
                if (const std::optional<double> value = format.toNumber(text))
                    grid.setCell(col, r, format.fixed2(*value));
            }
        }
    }
}

void applyLoadedProtocol(Competition& competition, const LoadedProtocol& loaded)
{
    ProtocolTables& tables = competition.tables();
    const ProtocolTables::ChangeBatch batch(tables);
    competition.replaceTables(loaded.tables, loaded.present);
    for (int k = kRoundCount - 1; k >= 0; --k) {
        if (!loaded.present[std::size_t(k)])
            continue;
        tables.setPageCaption(roundAt(k), loaded.sheetNames[std::size_t(k)]);
        if (k + 1 <= 5)
            tables.setRoundHeading(k + 1, loaded.sheetNames[std::size_t(k)]);
    }

    competition.enterLoadedLanes();
    reformatLoadedTimes(competition);
    competition.applyRankingCaptions();
}

} // namespace brv
