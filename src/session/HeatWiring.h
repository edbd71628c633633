#pragma once

#include <functional>

namespace brv {

class Competition;
class RaceClock;

// The race clock and the competition of one session, wired: a change of the lanes or the tables
// makes the clock look again whether a heat can start; a finished heat recalculates its page and
// then runs `afterHeat` (the text copy); RESET puts the next teams on the lanes.
void wireHeat(RaceClock& clock, Competition& competition, std::function<void()> afterHeat = {});

} // namespace brv
