#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace brv {

// Which table a grid is; fixes its comparison kind per column.
enum class GridId { SortGrid1, SortGrid2, SortGrid3, SortGrid4, SortGrid5, SortGrid6, SortGrid9 };

enum class CompareKind { Text, Numeric, Result };
enum class SortDirection { Ascending, Descending };

// One table of text cells. Row 0 holds the captions; rows 1 .. RowCount-1 hold one team each.
// Reading outside the table gives an empty text and writing outside it is ignored, so no cell
// content and no table size can make a computation fail.
class ResultGrid
{
public:
    ResultGrid(GridId id, int colCount, int rowCount);

    GridId id() const { return m_id; }
    int ColCount() const { return m_colCount; }
    int RowCount() const { return m_rowCount; }
    // At least 2 rows; a larger count appends empty rows, a smaller one drops rows at the end.
    void setRowCount(int rowCount);
    // Raises the row count to at least `rowCount`; never shrinks.
    void raiseRowCount(int rowCount);
    int dataRowCount() const { return m_rowCount - 1; }

    const QString& cell(int col, int row) const;
    void setCell(int col, int row, const QString& text);

    QStringList rowCells(int row) const;
    void setRowCells(int row, const QStringList& cells);

    // First data row whose cell in `col` equals `text`, or -1.
    int findRow(int col, const QString& text) const;
    // True when every cell of the row is empty or blanks only.
    bool isRowBlank(int row) const;
    // Empties cells [firstCol, lastCol] of every data row.
    void clearDataCells(int firstCol, int lastCol);

    // Current cell and selection mode (row mode selects the whole row; edit mode one cell).
    int Row = 1;
    int Col = 0;
    bool editMode = false;

    // Sort settings.
    bool CanSort = false;
    int SortCol = 0;
    SortDirection sortDirection = SortDirection::Ascending;
    QString SecondaryIndex;

    CompareKind compareKind(int col) const;

    // Rows are reordered by the sort through this.
    void reorderDataRows(const std::vector<int>& newOrderOfOldRows);

private:
    GridId m_id;
    int m_colCount;
    int m_rowCount;
    std::vector<QString> m_cells; // row-major
};

} // namespace brv
