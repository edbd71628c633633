// How the tables are drawn where colour or pictures carry meaning.
#include "competition/Competition.h"

#include <algorithm>

namespace brv {

namespace {

constexpr Qt::Alignment kLeft = Qt::AlignLeft | Qt::AlignVCenter;

Medal medalFor(int place)
{
    switch (place) {
    case 1:
        return Medal::Gold;
    case 2:
        return Medal::Silver;
    case 3:
        return Medal::Bronze;
    default:
        return Medal::None;
    }
}

// The lane colour of a Vorrunde lane's run.
quint32 laneColour(int lane)
{
    return lane == 1 ? colour::Lane1 : (lane == 2 ? colour::Lane2 : colour::Lane3);
}

// The knockout round whose run an overall column belongs to; the Vorrunde for the other columns.
CompetitionRound overallRunRound(int col)
{
    const int first = columnIndex(knockoutTimeColumn(CompetitionRound::Achtelfinale));
    if (col < first || col > columnIndex(knockoutResultColumn(CompetitionRound::Finale)))
        return CompetitionRound::Vorrunde;
    return roundAt((col - first) / 3 + roundIndex(CompetitionRound::Achtelfinale));
}

bool isOverallResultColumn(int col)
{
    return std::any_of(kOverallResultColumns.begin(), kOverallResultColumns.end(),
                       [col](OverallColumn c) { return columnIndex(c) == col; });
}

} // namespace

bool Competition::onLane(int row, CompetitionRound round, bool lane3) const
{
    // the teams on the lanes stand out on their page
    if (round != m_currentRound)
        return false;
    return row == m_lanes.selector(1).row() || row == m_lanes.selector(2).row() ||
           (lane3 && row == m_lanes.selector(3).row());
}

CellStyle Competition::cellStyle(CompetitionRound round, int col, int row) const
{
    CellStyle style;
    if (row == 0) {
        style.fontPointSize = 10;
        return style;
    }
    const ResultGrid& g = grid(round);

    if (round == CompetitionRound::Vorrunde) {
        const int lane = laneOfColumn(col);
        if (lane > 0)
            style.background = laneColour(lane);
        else if (col == columnIndex(VorrundeColumn::RankingValue) ||
                 col == columnIndex(VorrundeColumn::Place))
            style.background = colour::Ranking;
        if (col == columnIndex(VorrundeColumn::Mannschaft) || col == columnIndex(VorrundeColumn::Klasse))
            style.alignment = kLeft;
        // the best run of the row stands out
        if (lane > 0 && col == columnIndex(laneResultColumn(lane))) {
            const double g1 = m_format.numberOr(g.cell(VorrundeColumn::Lane1Gesamt, row), kNoResult);
            const double g2 = m_format.numberOr(g.cell(VorrundeColumn::Lane2Gesamt, row), kNoResult);
            const double g3 = m_format.numberOr(g.cell(VorrundeColumn::Lane3Gesamt, row), kNoResult);
            const double mine = lane == 1 ? g1 : (lane == 2 ? g2 : g3);
            const double otherA = lane == 1 ? g2 : g1;
            const double otherB = lane == 3 ? g2 : g3;
            if (mine < otherA && mine < otherB) {
                style.bold = true;
                style.background = *style.background | 0xF0F0F0;
            }
        }
        if (onLane(row, round, laneVisible(3)))
            style.foreground = colour::Red;
        return style;
    }

    if (isKnockoutRound(round)) {
        switch (KnockoutColumn(col)) {
        case KnockoutColumn::PlaceBefore:
        case KnockoutColumn::BroughtResult:
            style.background = colour::Ranking;
            break;
        case KnockoutColumn::Zeit:
            style.background = colour::Lane2;
            break;
        case KnockoutColumn::Fehler:
            style.background = colour::Lane1;
            break;
        case KnockoutColumn::Gesamt:
            style.background = colour::Lane3;
            break;
        case KnockoutColumn::Outcome:
            style.background = colour::Outcome;
            break;
        default:
            break;
        }
        if (col == columnIndex(KnockoutColumn::Mannschaft) || col == columnIndex(KnockoutColumn::Klasse))
            style.alignment = kLeft;
        if (onLane(row, round, false))
            style.foreground = colour::Red;
        if (round == CompetitionRound::Finale && col == columnIndex(KnockoutColumn::Outcome)) {
            if (const std::optional<int> place =
                    NumberFormat::toInteger(g.cell(KnockoutColumn::Outcome, row));
                place) {
                style.medal = medalFor(*place);
                if (style.medal != Medal::None) {
                    style.medalTextLeft = 10;
                    style.alignment = Qt::AlignLeft | Qt::AlignTop;
                }
            }
        }
        return style;
    }

    // overall result
    // a knockout round's run is blank below the teams that reached the round
    const CompetitionRound run = overallRunRound(col);
    if (run != CompetitionRound::Vorrunde && row > roundTeamCount(run))
        style.background = colour::White;
    if (!style.background) {
        if (isOverallResultColumn(col))
            style.background = colour::Lane3;
        else if (run != CompetitionRound::Vorrunde && col == columnIndex(knockoutTimeColumn(run)))
            style.background = colour::Lane2;
        else if (run != CompetitionRound::Vorrunde && col == columnIndex(knockoutPenaltyColumn(run)))
            style.background = colour::Lane1;
        else if (col == columnIndex(OverallColumn::BestResult))
            style.background = colour::Ranking;
    }
    if (col == columnIndex(OverallColumn::Mannschaft) || col == columnIndex(OverallColumn::Klasse))
        style.alignment = kLeft;
    if (isOverallResultColumn(col)) {
        int bestCol = -1;
        double best = 0;
        for (OverallColumn c : kOverallResultColumns) {
            if (const std::optional<double> value = m_format.toNumber(g.cell(c, row));
                value && (bestCol < 0 || *value < best)) {
                best = *value;
                bestCol = columnIndex(c);
            }
        }
        if (bestCol == col) {
            style.bold = true;
            style.background = colour::BestOverall;
            style.foreground = colour::Green;
        }
    }
    if (col == columnIndex(OverallColumn::Place) && row <= 3 &&
        !g.cell(OverallColumn::FinaleErgebnis, row).trimmed().isEmpty()) {
        if (const std::optional<int> place = NumberFormat::toInteger(g.cell(OverallColumn::Place, row));
            place) {
            style.medal = medalFor(*place);
            if (style.medal != Medal::None) {
                style.medalTextLeft = 7;
                style.alignment = Qt::AlignLeft | Qt::AlignTop;
            }
        }
    }
    return style;
}

} // namespace brv
