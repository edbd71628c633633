#include "competition/ResultGrid.h"

#include <algorithm>

namespace brv {

namespace {
const QString kEmpty;
}

ResultGrid::ResultGrid(TableId id, int colCount, int rowCount)
    : m_id(id), m_colCount(std::max(1, colCount)), m_rowCount(0)
{
    setRowCount(rowCount);
}

ResultGrid::ResultGrid(const ResultGrid& other)
    : currentRow(other.currentRow), currentColumn(other.currentColumn), editMode(other.editMode),
      sortEnabled(other.sortEnabled), sortColumn(other.sortColumn), sortDirection(other.sortDirection),
      secondarySortColumns(other.secondarySortColumns), m_id(other.m_id), m_colCount(other.m_colCount),
      m_rowCount(other.m_rowCount), m_cells(other.m_cells)
{}

ResultGrid& ResultGrid::operator=(const ResultGrid& other)
{
    if (this == &other)
        return *this;
    currentRow = other.currentRow;
    currentColumn = other.currentColumn;
    editMode = other.editMode;
    sortEnabled = other.sortEnabled;
    sortColumn = other.sortColumn;
    sortDirection = other.sortDirection;
    secondarySortColumns = other.secondarySortColumns;
    m_id = other.m_id;
    m_colCount = other.m_colCount;
    m_rowCount = other.m_rowCount;
    m_cells = other.m_cells;
    changed(-1);
    return *this;
}

void ResultGrid::setRowCount(int rowCount)
{
    const int before = m_rowCount;
    m_rowCount = std::max(2, rowCount);
    m_cells.resize(std::size_t(m_rowCount) * std::size_t(m_colCount));
    currentRow = std::clamp(currentRow, 1, m_rowCount - 1);
    if (m_rowCount != before)
        changed(-1);
}

void ResultGrid::raiseRowCount(int rowCount)
{
    if (rowCount > m_rowCount)
        setRowCount(rowCount);
}

const QString& ResultGrid::cell(int col, int row) const
{
    if (col < 0 || col >= m_colCount || row < 0 || row >= m_rowCount)
        return kEmpty;
    return m_cells[std::size_t(row) * std::size_t(m_colCount) + std::size_t(col)];
}

void ResultGrid::setCell(int col, int row, const QString& text)
{
    if (col < 0 || col >= m_colCount || row < 0 || row >= m_rowCount)
        return;
    QString& stored = m_cells[std::size_t(row) * std::size_t(m_colCount) + std::size_t(col)];
    if (stored == text)
        return;
    stored = text;
    changed(row);
}

QStringList ResultGrid::rowCells(int row) const
{
    QStringList cells;
    cells.reserve(m_colCount);
    for (int c = 0; c < m_colCount; ++c)
        cells.append(cell(c, row));
    return cells;
}

void ResultGrid::setRowCells(int row, const QStringList& cells)
{
    for (int c = 0; c < m_colCount; ++c)
        setCell(c, row, c < cells.size() ? cells.at(c) : QString());
}

int ResultGrid::findRow(int col, const QString& text) const
{
    for (int r = 1; r < m_rowCount; ++r) {
        if (cell(col, r) == text)
            return r;
    }
    return -1;
}

bool ResultGrid::isRowBlank(int row) const
{
    for (int c = 0; c < m_colCount; ++c) {
        if (!cell(c, row).trimmed().isEmpty())
            return false;
    }
    return true;
}

int ResultGrid::teamCount() const
{
    // the overall table has no start number
    int number = -1;
    int name = columnIndex(OverallColumn::Mannschaft);
    if (m_id == TableId::Vorrunde) {
        number = columnIndex(VorrundeColumn::Nr);
        name = columnIndex(VorrundeColumn::Mannschaft);
    } else if (m_id != TableId::GesamtErgebnis) {
        number = columnIndex(KnockoutColumn::Nr);
        name = columnIndex(KnockoutColumn::Mannschaft);
    }
    int teams = 0;
    for (int r = 1; r < m_rowCount; ++r) {
        if (!cell(name, r).trimmed().isEmpty() || !cell(number, r).trimmed().isEmpty())
            ++teams;
    }
    return teams;
}

void ResultGrid::clearDataCells(int firstCol, int lastCol)
{
    for (int r = 1; r < m_rowCount; ++r) {
        for (int c = firstCol; c <= lastCol; ++c)
            setCell(c, r, QString());
    }
}

CompareKind ResultGrid::compareKind(int col) const
{
    switch (m_id) {
    case TableId::Vorrunde:
        if (col == columnIndex(VorrundeColumn::Nr) || col == columnIndex(VorrundeColumn::Place))
            return CompareKind::Numeric;
        if (col >= columnIndex(VorrundeColumn::Lane1Zeit) && col <= columnIndex(VorrundeColumn::RankingValue))
            return CompareKind::Result;
        return CompareKind::Text;
    case TableId::Achtelfinale:
    case TableId::Viertelfinale:
    case TableId::Halbfinale:
    case TableId::Finale:
        if (col == columnIndex(KnockoutColumn::PlaceBefore))
            return CompareKind::Numeric;
        if (col == columnIndex(KnockoutColumn::Gesamt))
            return CompareKind::Result;
        return CompareKind::Text;
    case TableId::GesamtErgebnis:
        break;
    }
    return CompareKind::Text;
}

void ResultGrid::reorderDataRows(const std::vector<int>& newOrderOfOldRows)
{
    std::vector<QString> cells(m_cells.size());
    std::move(m_cells.begin(), m_cells.begin() + m_colCount, cells.begin());
    int target = 1;
    for (int oldRow : newOrderOfOldRows) {
        auto from = m_cells.begin() + std::ptrdiff_t(oldRow) * m_colCount;
        std::move(from, from + m_colCount, cells.begin() + std::ptrdiff_t(target) * m_colCount);
        ++target;
    }
    m_cells = std::move(cells);
    changed(-1);
}

} // namespace brv
