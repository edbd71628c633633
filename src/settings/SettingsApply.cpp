#include "SettingsApply.h"

namespace brv {

CompetitionOptions competitionOptions(const Settings& settings)
{
    CompetitionOptions options;
    options.rankingMode = settings.Platznach;
    options.thirdLaneOn = settings.OnZiel3;
    options.knockoutStart = settings.q16_8;
    options.pairingMode = settings.Make;
    options.commonStart = settings.OnStart;
    options.classShown = settings.Klasse;
    options.classCaption = settings.ColHideName;
    return options;
}

void applyLaneStartButtons(Competition& competition, bool commonStart)
{
    for (LaneControls& lane : competition.controls().lanes)
        lane.startButtonVisible = !commonStart;
    Q_EMIT competition.controlsChanged();
}

void applySettingsAtStartup(const Settings& settings, Competition& competition,
                            const StartupPortOpener& openPorts)
{
    // Steps 1, 2 and 6: the options carry the class header, lane 3 and the first knockout round.
    competition.setOptions(competitionOptions(settings));
    competition.applyClassCaption();
    applyLaneStartButtons(competition, settings.OnStart);
    if (openPorts)
        openPorts(settings.InputPort[1], settings.InputPort[2]);
    competition.ApplyRankingCaptions();
}

} // namespace brv
