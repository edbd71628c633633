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
    if (grid.sortColumn != 0 && grid.id() == TableId::Vorrunde) {
        const int last = columnIndex(VorrundeColumn::Place);
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

bool hasLane3Runs(const ResultGrid& vorrunde)
{
    for (int r = 1; r < vorrunde.rowCount(); ++r) {
        for (VorrundeColumn c :
             {VorrundeColumn::Lane3Zeit, VorrundeColumn::Lane3Fehler, VorrundeColumn::Lane3Gesamt})
            if (!vorrunde.cell(c, r).trimmed().isEmpty())
                return true;
    }
    return false;
}

std::optional<PlaceNotice> recalculateVorrunde(ResultGrid& g, const CompetitionOptions& options,
                                               const NumberFormat& format)
{
    // lane 3's runs count while lane 3 is on, and when it was switched off after teams ran on it
    const bool third = options.thirdLaneOn || hasLane3Runs(g);
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

        // a team ranks only on the runs it has: without enough of them it has no ranking value;
        // a team marked "Dis" stays disqualified
        bool disqualified = false;
        for (int lane = 1; lane <= 3; ++lane)
            disqualified = disqualified || g.cell(laneTimeColumn(lane), r) == mark::Disqualified;
        QString value;
        if (options.rankingMode == RankingMode::BestSum) {
            const double s12 = g1 + g2;
            const double s13 = g1 + g3;
            const double s23 = g2 + g3;
            if (s12 < kNoResult && s12 <= s13 && s12 <= s23)
                value = format.fixed2(s12);
            else if (s13 < kNoResult && s13 <= s12 && s13 <= s23)
                value = format.fixed2(s13);
            else if (third && s23 < kNoResult && s23 <= s12 && s23 <= s13)
                value = format.fixed2(s23);
            disqualified = disqualified || ausCount >= (third ? 2 : 1);
        } else if (options.rankingMode == RankingMode::BestTime) {
            if (g1 == 0)
                g1 = kNoResult;
            if (g2 == 0)
                g2 = kNoResult;
            if (g3 == 0)
                g3 = kNoResult;
            if (g1 < kNoResult && g1 <= g2 && g1 <= g3)
                value = format.fixed2(g1);
            else if (g2 < kNoResult && g2 <= g1 && g2 <= g3)
                value = format.fixed2(g2);
            else if (third && g3 < kNoResult && g3 <= g1 && g3 <= g2)
                value = format.fixed2(g3);
            disqualified = disqualified || ausCount >= (third ? 3 : 2);
        } else {
            continue; // another mode ranks nobody and leaves the value as it is
        }
        g.setCell(VorrundeColumn::RankingValue, r, disqualified ? QString(mark::Disqualified) : value);
    }

    return rankVorrunde(g, format);
}

std::optional<PlaceNotice> rankVorrunde(ResultGrid& g, const NumberFormat& format)
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
    std::optional<PlaceNotice> warning;
    // a tie at the cut counts between real results only, not between two teams without one
    auto tied = [&g, &format](int a, int b) {
        return format.toNumber(g.cell(VorrundeColumn::RankingValue, a)).has_value() &&
               g.cell(VorrundeColumn::RankingValue, a) == g.cell(VorrundeColumn::RankingValue, b);
    };
    if (g.rowCount() >= 18) {
        warning = PlaceNotice{tied(16, 17) ? PlaceNotice::Kind::TieAt16 : PlaceNotice::Kind::None, {}};
    } else if (g.rowCount() >= 10) {
        warning = PlaceNotice{tied(8, 9) ? PlaceNotice::Kind::TieAt8 : PlaceNotice::Kind::None, {}};
    }

    g.sortColumn = columnIndex(VorrundeColumn::Nr);
    sortAndNumber(g, format);
    g.sortEnabled = false;
    for (int r = 1; r < g.rowCount(); ++r)
        g.setCell(VorrundeColumn::Nr, r, numbers[std::size_t(r)]);
    g.currentRow = selectedRow;
    return warning;
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
