#pragma once

#include <QString>

#include <array>

namespace brv {

// The six pages of the protocol; the value is the page index.
enum class CompetitionRound {
    Vorrunde = 0,
    Achtelfinale = 1,
    Viertelfinale = 2,
    Halbfinale = 3,
    Finale = 4,
    GesamtErgebnis = 5,
};

inline constexpr int kRoundCount = 6;

inline constexpr std::array<CompetitionRound, kRoundCount> kAllRounds{
    CompetitionRound::Vorrunde,   CompetitionRound::Achtelfinale, CompetitionRound::Viertelfinale,
    CompetitionRound::Halbfinale, CompetitionRound::Finale,       CompetitionRound::GesamtErgebnis};

inline constexpr int roundIndex(CompetitionRound round)
{
    return static_cast<int>(round);
}

inline constexpr CompetitionRound roundAt(int index)
{
    return static_cast<CompetitionRound>(index);
}

inline constexpr bool isKnockoutRound(CompetitionRound round)
{
    return round != CompetitionRound::Vorrunde && round != CompetitionRound::GesamtErgebnis;
}

// Page caption of a round ("Vorrunde" ... "Gesamt-Ergebnis").
QString roundCaption(CompetitionRound round);

// Teams in a knockout round: 16, 8, 4, 4. The Vorrunde and the overall table hold all teams (0).
inline constexpr int roundTeamCount(CompetitionRound round)
{
    switch (round) {
    case CompetitionRound::Achtelfinale:
        return 16;
    case CompetitionRound::Viertelfinale:
        return 8;
    case CompetitionRound::Halbfinale:
    case CompetitionRound::Finale:
        return 4;
    default:
        return 0;
    }
}

// Row count a table starts with (caption row included).
inline constexpr int roundInitialRowCount(CompetitionRound round)
{
    return isKnockoutRound(round) ? roundTeamCount(round) + 1 : 2;
}

} // namespace brv
