#pragma once

#include "competition/CompetitionRound.h"

#include <array>
#include <type_traits>

namespace brv {

// The column layouts of the protocol tables. Every table keeps its captions in row 0 and one
// team per data row; these enums name its columns, so no code counts columns itself.

// The Vorrunde: every team runs once on every lane; the runs are grouped by lane, not by
// attempt, so a time stopped on lane L always goes to the group of lane L.
enum class VorrundeColumn : int {
    Nr,         // start number
    Mannschaft, // team name
    Klasse,     // class; shown only with the class column on
    Lane1Zeit,  // lane 1's run: time, penalty seconds, total
    Lane1Fehler,
    Lane1Gesamt,
    Lane2Zeit,
    Lane2Fehler,
    Lane2Gesamt,
    Lane3Zeit, // lane 3's group stays empty with two lanes
    Lane3Fehler,
    Lane3Gesamt,
    RankingValue, // "Summe" or "Zeit", by the ranking mode
    Place,        // "Pl.": the place, or a ranking value that is not a number ("DIS", empty)
};
inline constexpr int kVorrundeColumnCount = 14;

// A knockout round (Achtelfinale to Finale). Rows 2k-1 and 2k are heat k.
enum class KnockoutColumn : int {
    PlaceBefore,   // "Pl.": the place the team brought into this round
    Nr,            // start number
    Mannschaft,    // team name
    Klasse,        // class
    BroughtResult, // "Vorrunde": the result the team brought into this round
    Zeit,          // this round's run: time, penalty seconds, total
    Fehler,
    Gesamt,
    Outcome, // "Pl.": "+" or "-" for the heat; the final place 1 to 4 in the Finale
};
inline constexpr int kKnockoutColumnCount = 9;

// The overall table ("Gesamt-Ergebnis").
enum class OverallColumn : int {
    Place,          // "Platz": the overall place
    Mannschaft,     // team name
    Klasse,         // class
    VorrundeResult, // the Vorrunde's ranking value
    AchtelfinaleZeit,
    AchtelfinaleFehler,
    AchtelfinaleErgebnis,
    ViertelfinaleZeit,
    ViertelfinaleFehler,
    ViertelfinaleErgebnis,
    HalbfinaleZeit,
    HalbfinaleFehler,
    HalbfinaleErgebnis,
    FinaleZeit,
    FinaleFehler,
    FinaleErgebnis,
    BestResult, // the team's best single result
};
inline constexpr int kOverallColumnCount = 17;

template <typename T>
inline constexpr bool isTableColumn = std::is_same_v<T, VorrundeColumn> ||
                                      std::is_same_v<T, KnockoutColumn> || std::is_same_v<T, OverallColumn>;

// The position of a column in its table, for the code that walks all columns.
template <typename Column>
requires isTableColumn<Column>
inline constexpr int columnIndex(Column column)
{
    return static_cast<int>(column);
}

// The column `offset` places to the right (negative: to the left) in the same table.
template <typename Column>
requires isTableColumn<Column>
inline constexpr Column columnAfter(Column column, int offset)
{
    return static_cast<Column>(static_cast<int>(column) + offset);
}

// Columns of a table of the given round: 14, 9, 9, 9, 9, 17.
inline constexpr int roundColumnCount(CompetitionRound round)
{
    switch (round) {
    case CompetitionRound::Vorrunde:
        return kVorrundeColumnCount;
    case CompetitionRound::GesamtErgebnis:
        return kOverallColumnCount;
    default:
        return kKnockoutColumnCount;
    }
}

// The columns of lane 1 to 3's run in the Vorrunde.
inline constexpr VorrundeColumn laneTimeColumn(int lane)
{
    return columnAfter(VorrundeColumn::Lane1Zeit, 3 * (lane - 1));
}
inline constexpr VorrundeColumn lanePenaltyColumn(int lane)
{
    return columnAfter(VorrundeColumn::Lane1Fehler, 3 * (lane - 1));
}
inline constexpr VorrundeColumn laneResultColumn(int lane)
{
    return columnAfter(VorrundeColumn::Lane1Gesamt, 3 * (lane - 1));
}

// The lane (1 to 3) whose run a Vorrunde column belongs to; 0 for the other columns.
inline constexpr int laneOfColumn(int col)
{
    return col >= columnIndex(VorrundeColumn::Lane1Zeit) && col <= columnIndex(VorrundeColumn::Lane3Gesamt)
               ? (col - columnIndex(VorrundeColumn::Lane1Zeit)) / 3 + 1
               : 0;
}

// The overall table's columns of a knockout round's run (Achtelfinale to Finale).
inline constexpr OverallColumn knockoutTimeColumn(CompetitionRound round)
{
    return columnAfter(OverallColumn::AchtelfinaleZeit, 3 * (roundIndex(round) - 1));
}
inline constexpr OverallColumn knockoutPenaltyColumn(CompetitionRound round)
{
    return columnAfter(OverallColumn::AchtelfinaleFehler, 3 * (roundIndex(round) - 1));
}
inline constexpr OverallColumn knockoutResultColumn(CompetitionRound round)
{
    return columnAfter(OverallColumn::AchtelfinaleErgebnis, 3 * (roundIndex(round) - 1));
}

// The overall table's result columns: the Vorrunde's and each knockout round's.
inline constexpr std::array<OverallColumn, 5> kOverallResultColumns{
    OverallColumn::VorrundeResult, OverallColumn::AchtelfinaleErgebnis, OverallColumn::ViertelfinaleErgebnis,
    OverallColumn::HalbfinaleErgebnis, OverallColumn::FinaleErgebnis};

// The class column of a round's table.
inline constexpr int classColumn(CompetitionRound round)
{
    return isKnockoutRound(round) ? columnIndex(KnockoutColumn::Klasse) : columnIndex(VorrundeColumn::Klasse);
}

} // namespace brv
