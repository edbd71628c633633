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

    // "%3s %s" of the Nr. and Mannschaft cells of a row.
    static QString entryText(const ResultGrid& table, int row);

    const LaneSelector& selector(int lane) const { return m_selectors[std::size_t(lane - 1)]; }
    // Whether the lane's on/off box is on; only lane 3 shows it.
    bool inUse(int lane) const { return selector(lane).inUse; }

    // Every selector lists the teams of `table`, nothing selected.
    void fill(const ResultGrid& table);
    // The rows the lanes take when a page is entered (0: none): the first teams without a result,
    // so that no recorded run is overwritten. In the Vorrunde lane n takes the first team, not
    // taken by a lane before it, whose run on lane n is empty; in a knockout round lanes 1 and 2
    // take the first heat in which a team has no result.
    static std::array<int, 3> firstRowsWithoutResult(const ResultGrid& table);
    // A page is entered: the selectors list its teams, and each lane in use takes its row of
    // firstRowsWithoutResult().
    void enterPage(const ResultGrid& table);
    // After a load: like enterPage, for the lanes `active` says are shown and in use.
    void enterLoadedPage(const ResultGrid& table, const std::array<bool, 3>& active);
    // The operator picks an entry; the lane shows nothing when the entry is not in its list.
    void select(int lane, int index);
    void selectText(int lane, const QString& entry);
    // Locked while the lane runs.
    void setEnabled(int lane, bool enabled);
    void setLane3On(bool on);
    // After a heat every lane in use moves on by the number of lanes that ran, wrapping round;
    // in the Vorrunde a team that has run on a lane swaps with its neighbour so that each team
    // gets to run on every lane.
    void advance(int lanesRunning, const ResultGrid* vorrunde, bool thirdLaneOn);
    // The Vorrunde's teams were edited: every selector lists them anew. A row inserted at
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
