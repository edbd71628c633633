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
    for (LaneSelector& selector : m_selectors) {
        selector.count = table.dataRowCount();
        selector.index = -1;
    }
    Q_EMIT changed();
}

bool LaneAssignment::runRecorded(const ResultGrid& table, int row, int lane)
{
    if (table.id() == TableId::Vorrunde)
        return !table.cell(laneTimeColumn(lane), row).trimmed().isEmpty() ||
               !table.cell(laneResultColumn(lane), row).trimmed().isEmpty();
    return !table.cell(KnockoutColumn::Zeit, row).trimmed().isEmpty() ||
           !table.cell(KnockoutColumn::Gesamt, row).trimmed().isEmpty();
}

std::array<int, 3> LaneAssignment::firstRowsWithoutResult(const ResultGrid& table,
                                                          const std::array<bool, 3>& active)
{
    std::array<int, 3> rows{};
    if (table.id() == TableId::Vorrunde) {
        auto hasTeam = [&table](int r) {
            return !table.cell(VorrundeColumn::Mannschaft, r).trimmed().isEmpty() ||
                   !table.cell(VorrundeColumn::Nr, r).trimmed().isEmpty();
        };
        auto runs = [&table](int r) {
            int n = 0;
            for (int lane = 1; lane <= 3; ++lane)
                n += runRecorded(table, r, lane) ? 1 : 0;
            return n;
        };
        int fewest = 3;
        for (int r = 1; r < table.rowCount(); ++r) {
            if (hasTeam(r))
                fewest = std::min(fewest, runs(r));
        }
        for (int lane = 1; lane <= 3; ++lane) {
            if (!active[std::size_t(lane - 1)])
                continue;
            int& chosen = rows[std::size_t(lane - 1)];
            for (int k = fewest; k < 3 && chosen == 0; ++k) {
                for (int r = 1; r < table.rowCount() && chosen == 0; ++r) {
                    const bool taken = std::find(rows.begin(), rows.end(), r) != rows.end();
                    if (!taken && runs(r) == k && hasTeam(r) && !runRecorded(table, r, lane))
                        chosen = r;
                }
            }
        }
        return rows;
    }
    if (table.id() == TableId::GesamtErgebnis)
        return rows;
    auto open = [&table](int r) {
        return (!table.cell(KnockoutColumn::Mannschaft, r).trimmed().isEmpty() ||
                !table.cell(KnockoutColumn::Nr, r).trimmed().isEmpty()) &&
               !runRecorded(table, r, 1);
    };
    for (int first = 1; first + 1 < table.rowCount(); first += 2) {
        if (open(first) || open(first + 1)) {
            rows[0] = active[0] && open(first) ? first : 0;
            rows[1] = active[1] && open(first + 1) ? first + 1 : 0;
            return rows;
        }
    }
    return rows;
}

void LaneAssignment::enterPage(const ResultGrid& table, const std::array<bool, 3>& active)
{
    fill(table);
    const std::array<int, 3> rows = firstRowsWithoutResult(table, active);
    for (int lane = 1; lane <= 3; ++lane) {
        LaneSelector& sel = at(lane);
        sel.enabled = sel.count > 0;
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
        sel.enabled = sel.count > 0 && active[std::size_t(lane - 1)];
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

void LaneAssignment::setEnabled(int lane, bool enabled)
{
    if (at(lane).enabled == enabled)
        return;
    at(lane).enabled = enabled;
    Q_EMIT changed();
}

void LaneAssignment::relist(const ResultGrid& table, int row, int shift)
{
    for (LaneSelector& selector : m_selectors) {
        if (selector.count == 0 && !selector.inUse)
            continue; // lane 3 switched off lists nothing
        const int at = row - 1;
        if (shift > 0 && selector.index >= at)
            ++selector.index;
        else if (shift < 0 && selector.index == at)
            selector.index = -1;
        else if (shift < 0 && selector.index > at)
            --selector.index;
        selector.count = table.dataRowCount();
        selector.select(selector.index);
    }
    Q_EMIT changed();
}

void LaneAssignment::restore(const std::array<LaneSelector, 3>& selectors)
{
    m_selectors = selectors;
    Q_EMIT changed();
}

void LaneAssignment::setLane3On(bool on, const ResultGrid& table, bool takeTeam)
{
    LaneSelector& sel = at(3);
    sel.inUse = on;
    sel.enabled = on;
    sel.index = -1;
    sel.count = on ? table.dataRowCount() : 0;
    if (on && takeTeam && table.id() == TableId::Vorrunde) {
        // the first team that has not run on lane 3 and stands on no other lane
        for (int r = 1; r < table.rowCount() && sel.index < 0; ++r) {
            if (!entryText(table, r).trimmed().isEmpty() && !runRecorded(table, r, 3) && r != at(1).row() &&
                r != at(2).row())
                sel.index = r - 1;
        }
    }
    Q_EMIT changed();
}

void LaneAssignment::advance(const ResultGrid& table, const std::array<bool, 3>& active)
{
    const std::array<int, 3> rows = firstRowsWithoutResult(table, active);
    for (int lane = 1; lane <= 3; ++lane) {
        if (active[std::size_t(lane - 1)])
            at(lane).select(rows[std::size_t(lane - 1)] - 1);
    }
    Q_EMIT changed();
}

} // namespace brv
