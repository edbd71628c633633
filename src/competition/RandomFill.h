#pragma once

#include "competition/CellText.h"
#include "competition/CompetitionRound.h"
#include "competition/ResultGrid.h"

namespace brv {

// Pseudo-random numbers that repeat after every program start: a 32-bit linear congruential
// generator with seed 0, taking the upper half of the 64-bit product.
class RandomGenerator
{
public:
    quint32 bounded(quint32 range);
    quint32 seed() const { return m_seed; }

private:
    quint32 m_seed = 0;
};

// Random results, so that a whole competition can be run through without a race. Times are
// drawn in milliseconds from `base` upwards: 4 to 12 bases and 0 to 11 penalty seconds in the
// Vorrunde, 3 to 10 bases and 0 to 8 seconds in a knockout heat (base 10000, or 1000 with Shift).
class RandomFill
{
public:
    void fill(ResultGrid& table, CompetitionRound round, int lanes, quint32 base, const NumberFormat& format);
    RandomGenerator& generator() { return m_random; }

private:
    RandomGenerator m_random;
};

} // namespace brv
