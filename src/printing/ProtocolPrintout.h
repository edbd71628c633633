#pragma once

#include <QString>

namespace brv {

class PrintDocument;
class ResultGrid;

// The paged printout of one protocol table.
namespace protocol_printout {

// The page rectangle: the printable area less these margins, in 0.1 mm.
inline constexpr int kMarginLeft = 160;
inline constexpr int kMarginRight = 60;
inline constexpr int kMarginTop = 60;
inline constexpr int kMarginBottom = 60;
// The table's font size is the largest from kLargestSize down that fits the page's width.
inline constexpr int kLargestSize = 63;
inline constexpr int kSmallestSize = 2;

} // namespace protocol_printout

// Lays `grid` out page by page into `document`: every column, hidden ones too, in the largest
// "Courier New" that fits the page's width; on each page the date top right, `title` centred,
// the frame with a line before each column and the caption row, the page number and the maker's
// name at the foot; a hair line after the last row. Returns the table's font size, or 0 when the
// table is too wide even at the smallest size: then no page is added.
int renderProtocol(PrintDocument& document, const ResultGrid& grid, const QString& title,
                   const QString& date);

} // namespace brv
