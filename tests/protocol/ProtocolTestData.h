#pragma once

#include "competition/Competition.h"

#include <QString>

namespace brv::test {

// A competition of `teams` teams with results in every table, in German number format.
inline void fillCompetition(Competition& c, int teams)
{
    ResultGrid& g1 = c.grid(CompetitionRound::Vorrunde);
    g1.setRowCount(teams + 1);
    for (int i = 1; i <= teams; ++i) {
        g1.setCell(VorrundeColumn::Nr, i, QString::number(i));
        g1.setCell(VorrundeColumn::Mannschaft, i, QStringLiteral("FF Dorf %1").arg(i));
        g1.setCell(VorrundeColumn::Klasse, i, i % 2 ? QStringLiteral("A") : QStringLiteral("B"));
        g1.setCell(VorrundeColumn::Lane1Zeit, i,
                   QStringLiteral("%1,%2").arg(20 + i % 7).arg(i % 10 * 10, 2, 10, QLatin1Char('0')));
        g1.setCell(VorrundeColumn::Lane1Fehler, i, QStringLiteral("0"));
        g1.setCell(VorrundeColumn::Lane1Gesamt, i, g1.cell(VorrundeColumn::Lane1Zeit, i));
        g1.setCell(VorrundeColumn::Lane2Zeit, i, QStringLiteral("21,05"));
        g1.setCell(VorrundeColumn::Lane2Fehler, i, QStringLiteral("5"));
        g1.setCell(VorrundeColumn::Lane2Gesamt, i, QStringLiteral("26,05"));
        g1.setCell(VorrundeColumn::Lane3Zeit, i, i % 3 ? QStringLiteral("19,99") : QStringLiteral("AUS"));
        g1.setCell(VorrundeColumn::Lane3Fehler, i, QStringLiteral("0"));
        g1.setCell(VorrundeColumn::Lane3Gesamt, i, QStringLiteral("19,99"));
        g1.setCell(VorrundeColumn::RankingValue, i, QStringLiteral("%1,00").arg(40 + i));
        g1.setCell(VorrundeColumn::Place, i, QString::number(i));
    }
    for (CompetitionRound round : {CompetitionRound::Achtelfinale, CompetitionRound::Viertelfinale,
                                   CompetitionRound::Halbfinale, CompetitionRound::Finale}) {
        ResultGrid& g = c.grid(round);
        for (int r = 1; r < g.rowCount(); ++r) {
            g.setCell(KnockoutColumn::PlaceBefore, r, QString::number(r));
            g.setCell(KnockoutColumn::Nr, r, QString::number(r * 3));
            g.setCell(KnockoutColumn::Mannschaft, r,
                      QStringLiteral("FF %1 %2").arg(roundCaption(round)).arg(r));
            g.setCell(KnockoutColumn::Klasse, r, QStringLiteral("K"));
            g.setCell(KnockoutColumn::BroughtResult, r, QStringLiteral("40,50"));
            g.setCell(KnockoutColumn::Zeit, r, QStringLiteral("20,10"));
            g.setCell(KnockoutColumn::Fehler, r, QStringLiteral("0"));
            g.setCell(KnockoutColumn::Gesamt, r, QStringLiteral("20,10"));
            g.setCell(KnockoutColumn::Outcome, r,
                      round == CompetitionRound::Finale
                          ? QString::number(5 - r)
                          : (r % 2 ? QStringLiteral("+") : QStringLiteral("-")));
        }
    }
    ResultGrid& g6 = c.grid(CompetitionRound::GesamtErgebnis);
    g6.setRowCount(teams + 1);
    for (int i = 1; i <= teams; ++i) {
        for (int col = 0; col < g6.columnCount(); ++col)
            g6.setCell(col, i,
                       col == 1 ? QStringLiteral("FF Gesamt %1").arg(i)
                                : QStringLiteral("%1,5").arg(i + col));
        g6.setCell(OverallColumn::Place, i, QString::number(i));
        g6.setCell(OverallColumn::Klasse, i, QStringLiteral("A"));
    }
}

inline CompetitionOptions options(bool classShown, bool thirdLane, int knockoutStart)
{
    CompetitionOptions o;
    o.classColumnShown = classShown;
    o.thirdLaneOn = thirdLane;
    o.knockoutStart = KnockoutStart(knockoutStart);
    return o;
}

} // namespace brv::test
