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
        const int groups = m_options.thirdLaneOn ? 3 : 2;
        for (int group = 0; group < groups; ++group) {
            const int z = 3 + 3 * group;
            for (int r = 1; r < current.rowCount(); ++r) {
                const quint32 t = m_random.bounded(8 * base) + 4 * base;
                const quint32 f = m_random.bounded(12);
                current.setCell(z, r, m_format.runTime(qint32(t)));
                current.setCell(z + 1, r, QString::number(f));
                current.setCell(z + 2, r, m_format.runTime(qint32(f * 1000 + t)));
            }
        }
    } else if (isKnockoutRound(m_currentRound)) {
        for (int r = 1; r < current.rowCount(); ++r) {
            if (current.cell(1, r).isEmpty() || current.cell(2, r).isEmpty())
                continue;
            const quint32 t = m_random.bounded(7 * base) + 3 * base;
            const quint32 f = m_random.bounded(9);
            current.setCell(5, r, m_format.runTime(qint32(t)));
            current.setCell(6, r, QString::number(f));
            current.setCell(7, r, m_format.runTime(qint32(f * 1000 + t)));
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
