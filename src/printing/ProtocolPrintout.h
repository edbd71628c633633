#pragma once

#include "competition/CompetitionRound.h"
#include "protocol/ProtocolLayout.h"

#include <QString>

#include <vector>

namespace brv {

class Competition;
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
// A team name never makes the table smaller than it would be with a name of this many
// characters: a longer one is cut with "…" when the page has no room for it.
inline constexpr int kNameCharacters = 20;

} // namespace protocol_printout

// What the printout shows of one table.
struct ProtocolPrintoutContent
{
    const ResultGrid* grid = nullptr;
    CompetitionRound round = CompetitionRound::Vorrunde;
    // The columns the window shows, left to right, and the captions over groups of them.
    std::vector<int> columns;
    std::vector<ColumnGroup> groups;
    QString competitionTitle;
    QString pageCaption;
    QString protocolName;
    QString date;
};

// The page of `round`'s table as the window shows it now.
ProtocolPrintoutContent protocolPrintoutContent(const Competition& competition, CompetitionRound round,
                                                const QString& competitionTitle, const QString& protocolName,
                                                const QString& date);

// Lays the table out page by page into `document`, the columns of `content` in the largest
// "Courier New" that fits the page's width. On each page: the date top right, the competition's
// title and the page's caption centred, the group captions over their columns, the frame with a
// line before each column and the caption row; the protocol's name and the page number at the
// foot; a hair line after the last row. Names and classes start at their column's left line,
// every other text ends at its column's right line. A team name longer than kNameCharacters
// lowers the size only as far as such a name would, and is cut with "…" where it does not fit.
// Returns the table's font size, or 0 when the table is too wide even at the smallest size:
// then no page is added.
int renderProtocol(PrintDocument& document, const ProtocolPrintoutContent& content);

} // namespace brv
