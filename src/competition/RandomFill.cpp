#include "competition/RandomFill.h"

namespace brv {

quint32 RandomGenerator::bounded(quint32 range)
{
    m_seed = m_seed * 134775813u + 1u;
    return quint32((quint64(range) * quint64(m_seed)) >> 32);
}

void RandomFill::fill(ResultGrid& table, CompetitionRound round, int lanes, quint32 base,
                      const NumberFormat& format)
{
    if (round == CompetitionRound::Vorrunde) {
        for (int lane = 1; lane <= lanes; ++lane) {
            for (int r = 1; r < table.rowCount(); ++r) {
                const quint32 t = m_random.bounded(8 * base) + 4 * base;
                const quint32 f = m_random.bounded(12);
                table.setCell(laneTimeColumn(lane), r, format.runTime(qint32(t)));
                table.setCell(lanePenaltyColumn(lane), r, QString::number(f));
                table.setCell(laneResultColumn(lane), r, format.runTime(qint32(f * 1000 + t)));
            }
        }
    } else if (isKnockoutRound(round)) {
        for (int r = 1; r < table.rowCount(); ++r) {
            if (table.cell(KnockoutColumn::Nr, r).isEmpty() ||
                table.cell(KnockoutColumn::Mannschaft, r).isEmpty())
                continue;
            const quint32 t = m_random.bounded(7 * base) + 3 * base;
            const quint32 f = m_random.bounded(9);
            table.setCell(KnockoutColumn::Zeit, r, format.runTime(qint32(t)));
            table.setCell(KnockoutColumn::Fehler, r, QString::number(f));
            table.setCell(KnockoutColumn::Gesamt, r, format.runTime(qint32(f * 1000 + t)));
        }
    }
}

} // namespace brv
