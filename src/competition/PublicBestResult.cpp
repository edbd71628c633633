#include "competition/PublicBestResult.h"

#include "competition/Competition.h"

namespace brv {

PublicBestResult::PublicBestResult(const Competition& competition, QObject* parent)
    : QObject(parent), m_competition(competition)
{
    connect(&competition, &Competition::resultsEvaluated, this, [this] { take(true); });
    connect(&competition, &Competition::resultsReset, this, [this] { take(false); });
}

void PublicBestResult::take(bool keepWhenNone)
{
    std::optional<BestResult> best = bestResult(m_competition.tables(), m_competition.numberFormat());
    if (!best && keepWhenNone)
        return;
    const bool same = best.has_value() == m_best.has_value() &&
                      (!best || (best->milliseconds == m_best->milliseconds && best->team == m_best->team));
    m_best = std::move(best);
    if (!same)
        Q_EMIT changed();
}

} // namespace brv
