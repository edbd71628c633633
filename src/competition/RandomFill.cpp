// Random results, so that a whole competition can be run through without a race.
#include "competition/Competition.h"

namespace brv {

bool Competition::shiftDown() const
{
    return m_shift && m_shift->shiftDown();
}

void Competition::fillWithRandomResults()
{
    const quint32 base = shiftDown() ? 1000 : 10000;
    ResultGrid& current = currentGrid();

    if (m_currentRound == CompetitionRound::Vorrunde) {
        const int lanes = m_options.thirdLaneOn ? 3 : 2;
        for (int lane = 1; lane <= lanes; ++lane) {
            for (int r = 1; r < current.rowCount(); ++r) {
                const quint32 t = m_random.bounded(8 * base) + 4 * base;
                const quint32 f = m_random.bounded(12);
                current.setCell(laneTimeColumn(lane), r, m_format.runTime(qint32(t)));
                current.setCell(lanePenaltyColumn(lane), r, QString::number(f));
                current.setCell(laneResultColumn(lane), r, m_format.runTime(qint32(f * 1000 + t)));
            }
        }
    } else if (isKnockoutRound(m_currentRound)) {
        for (int r = 1; r < current.rowCount(); ++r) {
            if (current.cell(KnockoutColumn::Nr, r).isEmpty() ||
                current.cell(KnockoutColumn::Mannschaft, r).isEmpty())
                continue;
            const quint32 t = m_random.bounded(7 * base) + 3 * base;
            const quint32 f = m_random.bounded(9);
            current.setCell(KnockoutColumn::Zeit, r, m_format.runTime(qint32(t)));
            current.setCell(KnockoutColumn::Fehler, r, QString::number(f));
            current.setCell(KnockoutColumn::Gesamt, r, m_format.runTime(qint32(f * 1000 + t)));
        }
    }
    recalculateRound();
}

void Competition::fillAllPages()
{
    for (CompetitionRound round : kAllRounds) {
        if (round == CompetitionRound::Achtelfinale && m_options.knockoutStart != KnockoutStart::Achtelfinale)
            continue;
        setCurrentRound(round);
        fillWithRandomResults();
        buildNextRound();
        enterRound(round);
        recalculateRound();
    }
}

} // namespace brv
