// Random results, so that a whole competition can be run through without a race.
#include "Competition.h"

namespace brv {

bool Competition::shiftDown() const
{
    return m_shift && m_shift->shiftDown();
}

void Competition::RandomResultFill()
{
    const quint32 base = shiftDown() ? 1000 : 10000;
    ResultGrid& current = CurrentGrid();

    if (m_currentRound == CompetitionRound::Vorrunde) {
        const int groups = m_options.thirdLaneOn ? 3 : 2;
        for (int group = 0; group < groups; ++group) {
            const int z = 3 + 3 * group;
            for (int r = 1; r < current.RowCount(); ++r) {
                const quint32 t = m_random.Random(8 * base) + 4 * base;
                const quint32 f = m_random.Random(12);
                current.setCell(z, r, m_format.runTime(qint32(t)));
                current.setCell(z + 1, r, QString::number(f));
                current.setCell(z + 2, r, m_format.runTime(qint32(f * 1000 + t)));
            }
        }
    } else if (isKnockoutRound(m_currentRound)) {
        for (int r = 1; r < current.RowCount(); ++r) {
            if (current.cell(1, r).isEmpty() || current.cell(2, r).isEmpty())
                continue;
            const quint32 t = m_random.Random(7 * base) + 3 * base;
            const quint32 f = m_random.Random(9);
            current.setCell(5, r, m_format.runTime(qint32(t)));
            current.setCell(6, r, QString::number(f));
            current.setCell(7, r, m_format.runTime(qint32(f * 1000 + t)));
        }
    }
    RecalculateRound();
}

void Competition::FillAllPages()
{
    for (CompetitionRound round : kAllRounds) {
        if (round == CompetitionRound::Achtelfinale && m_options.knockoutStart != 0)
            continue;
        setCurrentRound(round);
        RandomResultFill();
        BuildNextRound();
        PageControl1Change(round);
        RecalculateRound();
    }
}

} // namespace brv
