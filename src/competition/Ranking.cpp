// Recalculation of a page: Gesamt, ranking values and places in the Vorrunde, "+"/"-" in the
// knockout heats, places 1 to 4 in the Finale.
#include "competition/Ranking.h"

#include "competition/ProtocolTables.h"
#include "competition/TableSort.h"

#include <algorithm>
#include <cmath>

namespace brv {

void sortAndNumber(ResultGrid& grid, const NumberFormat& format)
{
    if (grid.id() == TableId::GesamtErgebnis)
        return;
    sortTable(grid, grid.sortColumn, format);
    // The place column is the last one of both tables.
    if (grid.sortColumn != 0 && (grid.id() == TableId::Vorrunde || grid.id() == TableId::Finale)) {
        const int last = grid.id() == TableId::Vorrunde ? columnIndex(VorrundeColumn::Place)
                                                        : columnIndex(KnockoutColumn::Outcome);
        int counter = 0;
        for (int r = 1; r < grid.rowCount(); ++r) {
            const QString value = grid.cell(grid.sortColumn, r);
            if (format.toNumber(value.trimmed())) {
                ++counter;
                grid.setCell(last, r, QString::number(counter));
            } else {
                grid.setCell(last, r, value);
            }
        }
    }
}

std::optional<QString> recalculateVorrunde(ResultGrid& g, const CompetitionOptions& options,
                                           const NumberFormat& format)
{
    const bool third = options.thirdLaneOn;
    const int lanes = third ? 3 : 2;
    const QString aus(mark::Void);

    for (int r = 1; r < g.rowCount(); ++r) {
        int ausCount = 0;
        for (int lane = 1; lane <= lanes; ++lane) {
            const double zeit = format.numberOr(g.cell(laneTimeColumn(lane), r), 0);
            const double fehler = format.numberOr(g.cell(lanePenaltyColumn(lane), r), 0);
            if (zeit > 0) {
                g.setCell(laneResultColumn(lane), r, format.fixed2(zeit + fehler));
            } else if (g.cell(laneTimeColumn(lane), r) == aus || g.cell(lanePenaltyColumn(lane), r) == aus) {
                g.setCell(laneResultColumn(lane), r, aus);
                ++ausCount;
            }
        }
        double g1 = format.numberOr(g.cell(VorrundeColumn::Lane1Gesamt, r), kNoResult);
        double g2 = format.numberOr(g.cell(VorrundeColumn::Lane2Gesamt, r), kNoResult);
        double g3 = third ? format.numberOr(g.cell(VorrundeColumn::Lane3Gesamt, r), kNoResult) : kNoResult;

        if (options.rankingMode == RankingMode::BestSum) {
            const double s12 = g1 + g2;
            const double s13 = g1 + g3;
            const double s23 = g2 + g3;
            if (s12 < kNoResult && s12 <= s13 && s12 <= s23)
                g.setCell(VorrundeColumn::RankingValue, r, format.fixed2(s12));
            else if (s13 < kNoResult && s13 <= s12 && s13 <= s23)
                g.setCell(VorrundeColumn::RankingValue, r, format.fixed2(s13));
            else if (third && s23 < kNoResult && s23 <= s12 && s23 <= s13)
                g.setCell(VorrundeColumn::RankingValue, r, format.fixed2(s23));
            if (ausCount >= (third ? 2 : 1))
                g.setCell(VorrundeColumn::RankingValue, r, QString(mark::Disqualified));
        } else if (options.rankingMode == RankingMode::BestTime) {
            if (g1 == 0)
                g1 = kNoResult;
            if (g2 == 0)
                g2 = kNoResult;
            if (g3 == 0)
                g3 = kNoResult;
            if (g1 < kNoResult && g1 <= g2 && g1 <= g3)
                g.setCell(VorrundeColumn::RankingValue, r, format.fixed2(g1));
            else if (g2 < kNoResult && g2 <= g1 && g2 <= g3)
                g.setCell(VorrundeColumn::RankingValue, r, format.fixed2(g2));
            else if (third && g3 < kNoResult && g3 <= g1 && g3 <= g2)
                g.setCell(VorrundeColumn::RankingValue, r, format.fixed2(g3));
            if (ausCount >= (third ? 3 : 2))
                g.setCell(VorrundeColumn::RankingValue, r, QString(mark::Disqualified));
        }
    }

    return rankVorrunde(g, format);
}

std::optional<QString> rankVorrunde(ResultGrid& g, const NumberFormat& format)
{
    // Rank: row numbers stand in for the start numbers while the table is sorted, so that the
    // start order can be restored afterwards.
    std::vector<QString> numbers(static_cast<std::size_t>(g.rowCount()));
    for (int r = 1; r < g.rowCount(); ++r) {
        numbers[std::size_t(r)] = g.cell(VorrundeColumn::Nr, r);
        g.setCell(VorrundeColumn::Nr, r, QString::number(r));
    }
    const int selectedRow = g.currentRow;

    g.sortColumn = columnIndex(VorrundeColumn::RankingValue);
    g.sortEnabled = true;
    sortAndNumber(g, format);
    std::optional<QString> warning;
    // a tie at the cut counts between real results only, not between two teams without one
    auto tied = [&g, &format](int a, int b) {
        return format.toNumber(g.cell(VorrundeColumn::RankingValue, a)).has_value() &&
               g.cell(VorrundeColumn::RankingValue, a) == g.cell(VorrundeColumn::RankingValue, b);
    };
    if (g.rowCount() >= 18) {
        warning = tied(16, 17) ? QStringLiteral(" Plätze 16 und 17 prüfen!") : QString();
    } else if (g.rowCount() >= 10) {
        warning = tied(8, 9) ? QStringLiteral(" Plätze 8 und 9 prüfen!") : QString();
    }

    g.sortColumn = columnIndex(VorrundeColumn::Nr);
    sortAndNumber(g, format);
    g.sortEnabled = false;
    for (int r = 1; r < g.rowCount(); ++r)
        g.setCell(VorrundeColumn::Nr, r, numbers[std::size_t(r)]);
    g.currentRow = selectedRow;
    return warning;
}

void recalculateKnockout(ResultGrid& g, CompetitionRound round, const NumberFormat& format)
{
    const int heats = roundTeamCount(round) / 2;
    for (int k = 1; k <= heats; ++k) {
        const int first = 2 * k - 1;
        const int second = 2 * k;
        // a team whose opponent's row is empty (a bye) wins by running alone
        const bool firstTeam = !g.cell(KnockoutColumn::Mannschaft, first).trimmed().isEmpty();
        const bool secondTeam = !g.cell(KnockoutColumn::Mannschaft, second).trimmed().isEmpty();
        if (firstTeam != secondTeam) {
            const int alone = firstTeam ? first : second;
            if (!g.cell(KnockoutColumn::Gesamt, alone).isEmpty())
                g.setCell(KnockoutColumn::Outcome, alone, QString(mark::Won));
            continue;
        }
        if (g.cell(KnockoutColumn::Gesamt, first).isEmpty() ||
            g.cell(KnockoutColumn::Gesamt, second).isEmpty())
            continue;
        const double a = format.numberOr(g.cell(KnockoutColumn::Gesamt, first), kNoResult);
        const double b = format.numberOr(g.cell(KnockoutColumn::Gesamt, second), kNoResult);
        if (a > 0 && b > 0) {
            const bool firstWins = a < b;
            g.setCell(KnockoutColumn::Outcome, first, QString(firstWins ? mark::Won : mark::Lost));
            g.setCell(KnockoutColumn::Outcome, second, QString(firstWins ? mark::Lost : mark::Won));
        }
    }
}

void recalculateFinale(ResultGrid& g, const NumberFormat& format)
{
    // rows 1-2: match for places 3 and 4; rows 3-4: match for places 1 and 2
    for (int match = 0; match < 2; ++match) {
        const int first = 1 + 2 * match;
        const int second = first + 1;
        const std::optional<double> a = format.toNumber(g.cell(KnockoutColumn::Gesamt, first));
        const std::optional<double> b = format.toNumber(g.cell(KnockoutColumn::Gesamt, second));
        if (!a || !b)
            continue;
        if (*a > 0 && *b > 0) {
            const int better = match == 0 ? 3 : 1;
            const bool firstBetter = *a < *b;
            g.setCell(KnockoutColumn::Outcome, first, QString::number(firstBetter ? better : better + 1));
            g.setCell(KnockoutColumn::Outcome, second, QString::number(firstBetter ? better + 1 : better));
        }
    }
}

void writeProvisionalRanking(ResultGrid& g, int row, RankingMode mode, const NumberFormat& format)
{
    std::array<double, 3> values{};
    std::array<bool, 3> counted{};
    int count = 0;
    for (int i = 0; i < 3; ++i) {
        if (const std::optional<double> v = format.toNumber(g.cell(laneTimeColumn(i + 1), row))) {
            values[std::size_t(i)] = *v;
            counted[std::size_t(i)] = true;
            ++count;
        }
    }
    if (mode == RankingMode::BestSum) {
        if (count == 3) {
            std::array<double, 3> sorted = values;
            std::sort(sorted.begin(), sorted.end());
            g.setCell(VorrundeColumn::RankingValue, row, format.fixed2(sorted[0] + sorted[1]));
        } else if (count == 2) {
            double sum = 0;
            for (int i = 0; i < 3; ++i)
                sum += counted[std::size_t(i)] ? values[std::size_t(i)] : 0.0;
            g.setCell(VorrundeColumn::RankingValue, row, format.fixed2(sum));
        }
    } else if (mode == RankingMode::BestTime) {
        int best = -1;
        double bestValue = kNoResult;
        for (int i = 0; i < 3; ++i) {
            const double v =
                counted[std::size_t(i)] && values[std::size_t(i)] != 0 ? values[std::size_t(i)] : kNoResult;
            if (v < bestValue) {
                bestValue = v;
                best = i;
            }
        }
        if (best >= 0)
            g.setCell(VorrundeColumn::RankingValue, row, g.cell(laneTimeColumn(best + 1), row));
    }
}

std::optional<BestResult> bestResult(const ProtocolTables& tables, const NumberFormat& format)
{
    double best = kNoResult;
    QString name;

    const ResultGrid& v = tables.grid(CompetitionRound::Vorrunde);
    for (int r = 1; r < v.rowCount(); ++r) {
        const double g1 = format.numberOr(v.cell(VorrundeColumn::Lane1Gesamt, r), kNoResult);
        const double g2 = format.numberOr(v.cell(VorrundeColumn::Lane2Gesamt, r), kNoResult);
        const double g3 = format.numberOr(v.cell(VorrundeColumn::Lane3Gesamt, r), kNoResult);
        double value = kNoResult;
        if (g1 < g2 && g1 < g3)
            value = g1;
        else if (g2 < g1 && g2 < g3)
            value = g2;
        else if (g3 < g1 && g3 < g2)
            value = g3;
        if (value < best) {
            best = value;
            name = v.cell(VorrundeColumn::Mannschaft, r);
        }
    }
    for (CompetitionRound round : {CompetitionRound::Achtelfinale, CompetitionRound::Viertelfinale,
                                   CompetitionRound::Halbfinale, CompetitionRound::Finale}) {
        const ResultGrid& k = tables.grid(round);
        for (int r = 1; r < k.rowCount(); ++r) {
            const double value = format.numberOr(k.cell(KnockoutColumn::Gesamt, r), kNoResult);
            if (value < best) {
                best = value;
                name = k.cell(KnockoutColumn::Mannschaft, r);
            }
        }
    }
    if (best > 0 && best < kNoResult)
        return BestResult{qint32(std::llround(best * 1000.0)), name};
    return std::nullopt;
}

} // namespace brv
