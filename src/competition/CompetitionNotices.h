#pragma once

#include <QList>
#include <QMetaType>

namespace brv {

// Why a typed value was not taken.
enum class InputRefusal {
    NoValidTime,                // the typed time is none ("4,2,5", "0"); the old one stays
    PenaltyWithoutTime,         // a penalty needs a time
    OnlyNameAfterFirstRun,      // after the first run only a team's name can be corrected
    NoRowInsertedAfterFirstRun, // rows stay as they are after the first run
    NoRowRemovedAfterFirstRun,
    OnlyEmptyRowRemoved, // a row with a team is not removed
};

// What the places tell the operator: two teams level on the last qualifying place (8 or 16),
// or the places of a small field whose opponent is missing (a bye).
struct PlaceNotice
{
    enum class Kind { None, TieAt8, TieAt16, Byes };
    Kind kind = Kind::None;
    QList<int> places; // the byes
    bool operator==(const PlaceNotice&) const = default;
};

} // namespace brv

Q_DECLARE_METATYPE(brv::PlaceNotice)
