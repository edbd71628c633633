#pragma once

#include <QString>
#include <QtGlobal>

#include <map>
#include <vector>

namespace brv {

class NumberFormat;

// One value as the protocol puts it into a workbook cell.
struct CellValue
{
    enum class Kind { Empty, Number, Text };
    Kind kind = Kind::Empty;
    double number = 0;
    QString text;

    // A text that converts in the system's number format is a number; the empty text leaves
    // the cell empty; every other text stays text.
    static CellValue fromCellText(const QString& text, const NumberFormat& format);
    static CellValue ofText(const QString& text);
    bool operator==(const CellValue& other) const = default;
};

// Cell fills of the bracket sheet, as RGB.
enum class CellFill : quint32 {
    None = 0xFFFFFFFFu,
    Green = 0x008000u,
    Red = 0xFF0000u,
    Gold = 0xFFCC33u,
    Silver = 0xB0B0B0u,
    Bronze = 0xCD7F32u,
};

// A single cell at a sheet position (row and column counted from 1).
struct PlacedCell
{
    int row = 1;
    int col = 1;
    CellValue value;
    CellFill fill = CellFill::None;
};

// The rectangle of one table on its sheet.
struct SheetBlock
{
    int firstRow = 1;              // sheet row of the caption row, from 1
    int rows = 0;                  // R
    int width = 0;                 // W
    std::vector<CellValue> values; // R x W, row by row
    // The columns from the left that hold the table; the places right of them stay empty.
    int tableWidth = 0;
    // Per column: seconds with hundredths (times, penalties, results), shown as such.
    std::vector<bool> hundredths;

    const CellValue& at(int row, int col) const { return values[std::size_t(row * width + col)]; }
};

// Everything the protocol writes into one of the six table sheets.
struct ProtocolSheet
{
    QString name; // page caption (new workbooks)
    SheetBlock block;
    std::vector<PlacedCell> headings; // row-1 captions (new workbooks, sheets 1 and 6)
};

// The document properties.
struct DocumentProperties
{
    QString author;
    QString title;
    QString subject;
    QString comments;
};

// A sheet as read from a file: its name and the texts of its cells as the spreadsheet shows
// them in General format.
struct SheetContent
{
    QString name;
    // Rows the sheet has in the spreadsheet program (1 048 576 in .xlsx, 65 536 in .xls).
    int totalRows = 1048576;
    // Row (from 1) -> texts of columns 1, 2, ... (index 0 is column 1); only the columns the
    // reader was asked for are kept.
    std::map<int, std::vector<QString>> rows;

    QString text(int row, int col) const;
    void setText(int row, int col, const QString& text);
};

struct WorkbookContent
{
    std::vector<SheetContent> sheets; // worksheets in workbook order
};

// A number as the spreadsheet shows it in General format: up to 15 significant digits, no
// trailing zeros, the given decimal separator.
QString generalNumberText(double value, QChar decimalSeparator);

} // namespace brv
