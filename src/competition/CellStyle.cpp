// How the tables are drawn where colour or pictures carry meaning.
#include "competition/Competition.h"

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

} // namespace

CellStyle Competition::cellStyle(CompetitionRound round, int col, int row) const
{
    CellStyle style;
    if (row == 0) {
        style.fontPointSize = 10;
        return style;
    }
    const ResultGrid& g = grid(round);

    if (round == CompetitionRound::Vorrunde) {
        if (col >= 3 && col <= 5)
            style.background = colour::Lane1;
        else if (col >= 6 && col <= 8)
            style.background = colour::Lane2;
        else if (col >= 9 && col <= 11)
            style.background = colour::Lane3;
        else if (col >= 12 && col <= 13)
            style.background = colour::Ranking;
        if (col == 1 || col == 2)
            style.alignment = kLeft;
        if (col == 5 || col == 8 || col == 11) {
            const double g1 = numberOr(g.cell(5, row), kNoResult);
            const double g2 = numberOr(g.cell(8, row), kNoResult);
            const double g3 = numberOr(g.cell(11, row), kNoResult);
            const double mine = col == 5 ? g1 : (col == 8 ? g2 : g3);
            const double otherA = col == 5 ? g2 : g1;
            const double otherB = col == 11 ? g2 : g3;
            if (mine < otherA && mine < otherB) {
                style.bold = true;
                style.background = *style.background | 0xF0F0F0;
            }
        }
        const QString entry = laneEntryText(g, row);
        if (entry == selector(1).text() || entry == selector(2).text() ||
            (laneVisible(3) && entry == selector(3).text()))
            style.foreground = colour::Red;
        return style;
    }

    if (isKnockoutRound(round)) {
        switch (col) {
        case 0:
        case 4:
            style.background = colour::Ranking;
            break;
        case 5:
            style.background = colour::Lane2;
            break;
        case 6:
            style.background = colour::Lane1;
            break;
        case 7:
            style.background = colour::Lane3;
            break;
        case 8:
            style.background = colour::Outcome;
            break;
        default:
            break;
        }
        if (col == 2 || col == 3)
            style.alignment = kLeft;
        const QString entry = laneEntryText(g, row);
        if (entry == selector(1).text() || entry == selector(2).text())
            style.foreground = colour::Red;
        if (round == CompetitionRound::Finale && col == 8) {
            if (const std::optional<int> place = NumberFormat::toInteger(g.cell(8, row)); place) {
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
    if (col >= 4 && col <= 15) {
        const int teamsInRound = col <= 6 ? 16 : (col <= 9 ? 8 : 4);
        if (row > teamsInRound)
            style.background = colour::White;
    }
    if (!style.background) {
        if (col == 3 || col == 6 || col == 9 || col == 12 || col == 15)
            style.background = colour::Lane3;
        else if (col == 4 || col == 7 || col == 10 || col == 13)
            style.background = colour::Lane2;
        else if (col == 5 || col == 8 || col == 11 || col == 14)
            style.background = colour::Lane1;
        else if (col == 16)
            style.background = colour::Ranking;
    }
    if (col == 1 || col == 2)
        style.alignment = kLeft;
    if (col == 3 || col == 6 || col == 9 || col == 12 || col == 15) {
        int bestCol = -1;
        double best = 0;
        for (int c : {3, 6, 9, 12, 15}) {
            if (const std::optional<double> value = m_format.toNumber(g.cell(c, row));
                value && (bestCol < 0 || *value < best)) {
                best = *value;
                bestCol = c;
            }
        }
        if (bestCol == col) {
            style.bold = true;
            style.background = colour::BestOverall;
            style.foreground = colour::Green;
        }
    }
    if (col == 0 && row <= 3 && !g.cell(15, row).trimmed().isEmpty()) {
        if (const std::optional<int> place = NumberFormat::toInteger(g.cell(0, row)); place) {
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
