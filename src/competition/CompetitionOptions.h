#pragma once

#include <QString>

namespace brv {

// How the Vorrunde ranks its teams. A stored value outside the named ones is kept as it is and
// ranks nobody.
enum class RankingMode : int {
    BestSum = 0,  // "Beste Summe": the sum of the two best lane results
    BestTime = 1, // "Beste Zeit": the best lane result
};

// The first knockout round.
enum class KnockoutStart : int {
    Achtelfinale = 0,  // 16 teams
    Viertelfinale = 1, // 8 teams; the Achtelfinale page is hidden
};

// How the winners of a knockout round meet in the next one.
enum class Pairing : int {
    ByPlace = 0,            // "nach Platz": by their places in the round
    WinnersKeepBracket = 1, // "Win+Win": the winners of neighbouring heats meet
};

// The settings the competition logic reads.
struct CompetitionOptions
{
    RankingMode rankingMode = RankingMode::BestSum;
    bool thirdLaneOn = false;
    KnockoutStart knockoutStart = KnockoutStart::Achtelfinale;
    Pairing pairing = Pairing::ByPlace;
    bool commonStart = true;
    bool classColumnShown = false;
    QString classColumnCaption = QStringLiteral("Klasse");
};

} // namespace brv
