#pragma once

#include "settings/Settings.h"

#include "competition/Competition.h"

#include <functional>

namespace brv {

// The settings the competition logic reads, taken from the record as they are.
CompetitionOptions competitionOptions(const Settings& settings);
// The other way round: the settings take the options a competition runs with (a restored one).
void takeCompetitionOptions(Settings& settings, const CompetitionOptions& options);

// Opens the contact ports at start-up; which ports open for the six inputs, which port component
// watches which, and opening them is the race timing's business.
using StartupPortOpener = std::function<void()>;

// Brings a freshly created competition in line with the loaded settings, in this order:
//  1. the options, and the class column caption in every table;
//  2. the lane-3 button follows Competition::laneVisible(3), that is thirdLaneOn;
//  3. the lane START buttons are shown only without a common start;
//  4. `openPorts` (when set);
//  5. the ranking headers for the ranking mode;
//  6. the Achtelfinale page follows Competition::isPageVisible(), that is a knockout that
//     starts with the Achtelfinale.
// The main window shows the result from the competition's state, and sets its competition title
// label from Settings::competitionTitle itself.
void applySettingsAtStartup(const Settings& settings, Competition& competition,
                            const StartupPortOpener& openPorts = {});

} // namespace brv
