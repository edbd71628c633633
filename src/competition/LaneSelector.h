#pragma once

#include <QString>
#include <QStringList>

namespace brv {

// One lane's team selector: the teams of the current page as lane entry texts, one per data
// row in row order (entry index = row - 1), and the selected entry.
struct LaneSelector
{
    QStringList entries;
    int index = -1;       // -1 = nothing selected
    bool enabled = false; // locked while the lane runs
    bool inUse = true;    // the on/off box; only lane 3 shows it

    int count() const { return int(entries.size()); }
    QString text() const { return index >= 0 && index < entries.size() ? entries.at(index) : QString(); }
    // Selecting outside the list leaves nothing selected.
    void select(int newIndex) { index = newIndex >= 0 && newIndex < entries.size() ? newIndex : -1; }
    void selectText(const QString& text) { index = int(entries.indexOf(text)); }
};

} // namespace brv
