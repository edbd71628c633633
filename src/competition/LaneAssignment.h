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
    // A page is entered: the selectors list its teams, and lane n takes team n where it is in use.
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
    // Takes the three selectors as a journal kept them.
    void restore(const std::array<LaneSelector, 3>& selectors);

Q_SIGNALS:
    void changed();

private:
    LaneSelector& at(int lane) { return m_selectors[std::size_t(lane - 1)]; }

    std::array<LaneSelector, 3> m_selectors;
};

} // namespace brv
