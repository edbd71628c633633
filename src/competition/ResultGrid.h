#pragma once

#include "competition/TableSchema.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace brv {

// Which table a grid is; fixes its comparison kind per column.
enum class TableId {
    Vorrunde,
    Achtelfinale,
    Viertelfinale,
    Halbfinale,
    Finale,
    GesamtErgebnis,
};

enum class CompareKind { Text, Numeric, Result };
enum class SortDirection { Ascending, Descending };

// One table of text cells. Row 0 holds the captions; rows 1 .. rowCount-1 hold one team each.
// Reading outside the table gives an empty text and writing outside it is ignored, so no cell
// content and no table size can make a computation fail.
class ResultGrid
{
public:
    ResultGrid(TableId id, int colCount, int rowCount);
    // A copy is a table of its own: it does not tell the original's owner of its changes. An
    // assigned table keeps its own observer and tells it that the whole table changed.
    ResultGrid(const ResultGrid& other);
    ResultGrid& operator=(const ResultGrid& other);

    TableId id() const { return m_id; }
    int columnCount() const { return m_colCount; }
    int rowCount() const { return m_rowCount; }
    // At least 2 rows; a larger count appends empty rows, a smaller one drops rows at the end.
    void setRowCount(int rowCount);
    // Raises the row count to at least `rowCount`; never shrinks.
    void raiseRowCount(int rowCount);
    int dataRowCount() const { return m_rowCount - 1; }

    const QString& cell(int col, int row) const;
    void setCell(int col, int row, const QString& text);
    // The same by a column of the table's layout (TableSchema.h).
    template <typename Column>
    requires isTableColumn<Column>
    const QString& cell(Column col, int row) const { return cell(columnIndex(col), row); }
    template <typename Column>
    requires isTableColumn<Column>
    void setCell(Column col, int row, const QString& text) { setCell(columnIndex(col), row, text); }

    QStringList rowCells(int row) const;
    void setRowCells(int row, const QStringList& cells);

    // First data row whose cell in `col` equals `text`, or -1.
    int findRow(int col, const QString& text) const;
    template <typename Column>
    requires isTableColumn<Column>
    int findRow(Column col, const QString& text) const { return findRow(columnIndex(col), text); }
    // Empties cells [firstCol, lastCol] of one row.
    template <typename Column>
    requires isTableColumn<Column>
    void clearRowCells(int row, Column firstCol, Column lastCol)
    {
        for (int c = columnIndex(firstCol); c <= columnIndex(lastCol); ++c)
            setCell(c, row, QString());
    }
    // True when every cell of the row is empty or blanks only.
    bool isRowBlank(int row) const;
    // The rows that hold a team: a start number or a name. An empty row is no team, nor is one
    // with only a class, a place or results in it.
    int teamCount() const;
    // Empties cells [firstCol, lastCol] of every data row.
    void clearDataCells(int firstCol, int lastCol);
    template <typename Column>
    requires isTableColumn<Column>
    void clearDataCells(Column firstCol, Column lastCol)
    {
        clearDataCells(columnIndex(firstCol), columnIndex(lastCol));
    }

    // Current cell and selection mode (row mode selects the whole row; edit mode one cell).
    int currentRow = 1;
    int currentColumn = 0;
    bool editMode = false;

    // Sort settings.
    bool sortEnabled = false;
    int sortColumn = 0;
    SortDirection sortDirection = SortDirection::Ascending;
    // Further sort keys after the sort column, in order; a key equal to the sort column is skipped.
    std::vector<int> secondarySortColumns;

    CompareKind compareKind(int col) const;

    // Rows are reordered by the sort through this.
    void reorderDataRows(const std::vector<int>& newOrderOfOldRows);

    // Told of every change of the cells: the row whose text changed, or -1 when rows were
    // added, dropped or reordered. The owner of the tables announces the changes through it.
    void setChangeObserver(std::function<void(int row)> observer) { m_observer = std::move(observer); }

private:
    void changed(int row)
    {
        if (m_observer)
            m_observer(row);
    }

    std::function<void(int row)> m_observer;
    TableId m_id;
    int m_colCount;
    int m_rowCount;
    std::vector<QString> m_cells; // row-major
};

} // namespace brv
