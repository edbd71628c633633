#pragma once

#include "competition/LaneSelector.h"
#include "competition/ResultGrid.h"

#include <QObject>

#include <array>

namespace brv {

// Which team stands on which lane: the three lane selectors, lane 3's on/off box, and how the
// teams move on after a heat. Every change is announced by changed().
class LaneAssignment final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LaneAssignment)

public:
    explicit LaneAssignment(QObject* parent = nullptr) : QObject(parent) {}

    // "%3s %s" of the Nr. and Mannschaft cells of a row: how a lane shows its team.
    static QString entryText(const ResultGrid& table, int row);

    const LaneSelector& selector(int lane) const { return m_selectors[std::size_t(lane - 1)]; }
    // Whether the lane's on/off box is on; only lane 3 shows it.
    bool inUse(int lane) const { return selector(lane).inUse; }

    // Every selector chooses among the rows of `table`, nothing selected.
    void fill(const ResultGrid& table);
    // The rows the lanes take (0: none): the first teams without a result, so that no recorded
    // run is overwritten. In the Vorrunde the teams with the fewest runs go first, lane n takes
    // the first team, not taken by a lane before it, whose run on lane n is empty (so each team
    // runs once on every lane); in a knockout round lanes 1 and 2 take the first heat in which a
    // team has no result, a lane whose team of that heat has run stays empty. Lanes that are
    // not `active` take nobody.
    static std::array<int, 3> firstRowsWithoutResult(const ResultGrid& table,
                                                     const std::array<bool, 3>& active = {true, true, true});
    // Whether a team's run in the lane's columns (the lane's group in the Vorrunde, the round's
    // run in a knockout table) holds a time or a mark.
    static bool runRecorded(const ResultGrid& table, int row, int lane);
    // A page is entered: the selectors list its teams, and each `active` lane (shown and in use)
    // takes its row of firstRowsWithoutResult().
    void enterPage(const ResultGrid& table, const std::array<bool, 3>& active);
    // After a load: like enterPage, for the lanes `active` says are shown and in use.
    void enterLoadedPage(const ResultGrid& table, const std::array<bool, 3>& active);
    // The operator picks a row (as its index, row less one); the lane shows nothing when the
    // row is not in its list.
    void select(int lane, int index);
    // Locked while the lane runs.
    void setEnabled(int lane, bool enabled);
    // Lane 3's box: switched on it lists the teams of `table` and, when `takeTeam`, takes the
    // first team without a run on it that no other lane holds; switched off it lists nothing.
    void setLane3On(bool on, const ResultGrid& table, bool takeTeam = true);
    // After a heat every `active` lane takes the next team without a result on it
    // (firstRowsWithoutResult); at the end of the list a lane stays empty.
    void advance(const ResultGrid& table, const std::array<bool, 3>& active);
    // The Vorrunde's rows were edited: every selector chooses among them anew. A row inserted at
    // `row` (shift +1) or removed there (shift -1) moves the lanes behind it with their teams;
    // a lane on a removed row shows nothing.
    void relist(const ResultGrid& table, int row = 0, int shift = 0);
    // Takes the three selectors as a journal kept them.
    void restore(const std::array<LaneSelector, 3>& selectors);

Q_SIGNALS:
    void changed();

private:
    LaneSelector& at(int lane) { return m_selectors[std::size_t(lane - 1)]; }

    std::array<LaneSelector, 3> m_selectors;
};

} // namespace brv
