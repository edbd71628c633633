#include "settings/SettingsApply.h"

namespace brv {

CompetitionOptions competitionOptions(const Settings& settings)
{
    CompetitionOptions options;
    options.rankingMode = settings.rankingMode;
    options.thirdLaneOn = settings.thirdLaneOn;
    options.knockoutStart = settings.knockoutStart;
    options.pairing = settings.pairing;
    options.commonStart = settings.commonStart;
    options.classColumnShown = settings.classColumnShown;
    options.classColumnCaption = settings.classColumnCaption;
    return options;
}

void takeCompetitionOptions(Settings& settings, const CompetitionOptions& options)
{
    settings.rankingMode = options.rankingMode;
    settings.thirdLaneOn = options.thirdLaneOn;
    settings.knockoutStart = options.knockoutStart;
    settings.pairing = options.pairing;
    settings.commonStart = options.commonStart;
    settings.classColumnShown = options.classColumnShown;
    settings.classColumnCaption = options.classColumnCaption;
}

void applySettingsAtStartup(const Settings& settings, Competition& competition,
                            const StartupPortOpener& openPorts)
{
    // The options carry the class header, lane 3, the first knockout round and the start mode;
    // the contact ports open before the ranking captions are written.
    competition.setOptions(competitionOptions(settings));
    competition.applyClassCaption();
    if (openPorts)
        openPorts();
    competition.applyRankingCaptions();
}

} // namespace brv
