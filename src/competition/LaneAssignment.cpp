#include "competition/LaneAssignment.h"

#include <algorithm>

namespace brv {

QString LaneAssignment::entryText(const ResultGrid& table, int row)
{
    const bool vorrunde = table.id() == TableId::Vorrunde;
    const QString number =
        vorrunde ? table.cell(VorrundeColumn::Nr, row) : table.cell(KnockoutColumn::Nr, row);
    const QString padded = number.size() < 3 ? QString(3 - number.size(), QLatin1Char(' ')) + number : number;
    return padded + QLatin1Char(' ') +
           (vorrunde ? table.cell(VorrundeColumn::Mannschaft, row)
                     : table.cell(KnockoutColumn::Mannschaft, row));
}

void LaneAssignment::fill(const ResultGrid& table)
{
    QStringList entries;
    entries.reserve(table.dataRowCount());
    for (int r = 1; r < table.rowCount(); ++r)
        entries.append(entryText(table, r));
    for (LaneSelector& selector : m_selectors) {
        selector.entries = entries;
        selector.index = -1;
    }
    Q_EMIT changed();
}

std::array<int, 3> LaneAssignment::firstRowsWithoutResult(const ResultGrid& table)
{
    std::array<int, 3> rows{};
    if (table.id() == TableId::Vorrunde) {
        // the teams with the fewest runs go first, each on a lane it has not run on
        auto runs = [&table](int r) {
            int n = 0;
            for (int lane = 1; lane <= 3; ++lane)
                n += table.cell(laneResultColumn(lane), r).trimmed().isEmpty() ? 0 : 1;
            return n;
        };
        int fewest = 3;
        for (int r = 1; r < table.rowCount(); ++r) {
            if (!table.cell(VorrundeColumn::Mannschaft, r).trimmed().isEmpty())
                fewest = std::min(fewest, runs(r));
        }
        for (int lane = 1; lane <= 3; ++lane) {
            int& chosen = rows[std::size_t(lane - 1)];
            for (int k = fewest; k < 3 && chosen == 0; ++k) {
                for (int r = 1; r < table.rowCount() && chosen == 0; ++r) {
                    const bool taken = std::find(rows.begin(), rows.end(), r) != rows.end();
                    if (!taken && runs(r) == k &&
                        !table.cell(VorrundeColumn::Mannschaft, r).trimmed().isEmpty() &&
                        table.cell(laneResultColumn(lane), r).trimmed().isEmpty())
                        chosen = r;
                }
            }
        }
        return rows;
    }
    auto open = [&table](int r) {
        return !table.cell(KnockoutColumn::Mannschaft, r).trimmed().isEmpty() &&
               table.cell(KnockoutColumn::Gesamt, r).trimmed().isEmpty();
    };
    for (int first = 1; first + 1 < table.rowCount(); first += 2) {
        if (open(first) || open(first + 1))
            return {first, first + 1, 0};
    }
    return rows;
}

void LaneAssignment::enterPage(const ResultGrid& table)
{
    fill(table);
    const std::array<int, 3> rows = firstRowsWithoutResult(table);
    for (int lane = 1; lane <= 3; ++lane) {
        LaneSelector& sel = at(lane);
        sel.enabled = sel.count() > 0;
        if (sel.inUse && rows[std::size_t(lane - 1)] > 0)
            sel.select(rows[std::size_t(lane - 1)] - 1);
    }
    Q_EMIT changed();
}

void LaneAssignment::enterLoadedPage(const ResultGrid& table, const std::array<bool, 3>& active)
{
    fill(table);
    const std::array<int, 3> rows = firstRowsWithoutResult(table);
    for (int lane = 1; lane <= 3; ++lane) {
        LaneSelector& sel = at(lane);
        sel.enabled = sel.count() > 0 && active[std::size_t(lane - 1)];
        if (sel.enabled && rows[std::size_t(lane - 1)] > 0)
            sel.select(rows[std::size_t(lane - 1)] - 1);
    }
    Q_EMIT changed();
}

void LaneAssignment::select(int lane, int index)
{
    at(lane).select(index);
    Q_EMIT changed();
}

void LaneAssignment::selectText(int lane, const QString& entry)
{
    at(lane).selectText(entry);
    Q_EMIT changed();
}

void LaneAssignment::setEnabled(int lane, bool enabled)
{
    if (at(lane).enabled == enabled)
        return;
    at(lane).enabled = enabled;
    Q_EMIT changed();
}

void LaneAssignment::relist(const ResultGrid& table, int row, int shift)
{
    QStringList entries;
    entries.reserve(table.dataRowCount());
    for (int r = 1; r < table.rowCount(); ++r)
        entries.append(entryText(table, r));
    for (LaneSelector& selector : m_selectors) {
        if (selector.entries.isEmpty() && !selector.inUse)
            continue; // lane 3 switched off lists nothing
        const int at = row - 1;
        if (shift > 0 && selector.index >= at)
            ++selector.index;
        else if (shift < 0 && selector.index == at)
            selector.index = -1;
        else if (shift < 0 && selector.index > at)
            --selector.index;
        selector.entries = entries;
        selector.select(selector.index);
    }
    Q_EMIT changed();
}

void LaneAssignment::restore(const std::array<LaneSelector, 3>& selectors)
{
    m_selectors = selectors;
    Q_EMIT changed();
}

void LaneAssignment::setLane3On(bool on)
{
    LaneSelector& sel = at(3);
    sel.inUse = on;
    sel.enabled = on;
    sel.index = -1;
    if (on)
        sel.entries = at(1).entries;
    else
        sel.entries.clear();
    Q_EMIT changed();
}

void LaneAssignment::advance(int lanesRunning, const ResultGrid* vorrunde, bool thirdLaneOn)
{
    const int n = lanesRunning;
    for (int lane = 1; lane <= n; ++lane) {
        LaneSelector& sel = at(lane);
        if (!sel.inUse)
            continue;
        int next = sel.index + n;
        if (next >= sel.count())
            next -= sel.count();
        sel.select(next);
    }

    if (vorrunde) {
        const ResultGrid& g = *vorrunde;
        const int teams = g.dataRowCount();
        LaneSelector& s1 = at(1);
        LaneSelector& s2 = at(2);
        LaneSelector& s3 = at(3);
        auto filled = [&](int lane, int row) { return !g.cell(laneResultColumn(lane), row).isEmpty(); };
        if (!thirdLaneOn && teams % 2 == 0) {
            if (s1.index == 0 && s2.index == 1 && filled(1, 1) && filled(2, 2)) {
                s1.select(1);
                s2.select(0);
            }
        } else if (thirdLaneOn && teams % 3 == 0) {
            if (s1.index == 0 && s2.index == 1 && s3.index == 2 && filled(1, 1) && filled(2, 2) &&
                filled(3, 3)) {
                s1.select(2);
                s2.select(0);
                s3.select(1);
            }
            if (s1.index == 2 && s2.index == 0 && s3.index == 1 && filled(1, 3) && filled(2, 1) &&
                filled(3, 2)) {
                s1.select(1);
                s2.select(2);
                s3.select(0);
            }
        }
    }
    Q_EMIT changed();
}

} // namespace brv
