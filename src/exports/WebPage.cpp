#include "exports/WebPage.h"

#include "competition/Competition.h"
#include "exports/Markup.h"
#include "protocol/ProtocolLayout.h"
#include "version.h"

namespace brv {

namespace {

using markup::html;

const QString kLineEnd = QStringLiteral("\r\n");

const char* const kStyle =
    "<style>\r\n"
    "body {font-family: Verdana, Arial, Helvetica, sans-serif; font-size: 12px; background-color: #F4F4F4; "
    "margin: 8px; text-align: center}\r\n"
    "h1 {font-size: 26px; font-style: italic; margin: 8px 0}\r\n"
    "h2 {font-size: 17px; font-style: italic; font-weight: normal; margin: 4px 0 8px}\r\n"
    ".tabelle {overflow-x: auto; max-width: 100%}\r\n"
    "table {border-collapse: collapse; background-color: #FFFFFF; width: 100%; font-size: 12px}\r\n"
    "th, td {border: 1px dashed #F4F4F4; padding: 2px 4px; white-space: pre; text-align: left}\r\n"
    "th {background-color: #999999; color: #FFFFFF; text-align: center}\r\n"
    "td.r {text-align: right; font-variant-numeric: tabular-nums}\r\n"
    "td.c {text-align: center}\r\n"
    ".name {position: sticky; left: 0; z-index: 1}\r\n"
    "td.name {background-color: #FFFFFF; white-space: pre-wrap; min-width: 10em}\r\n"
    ".hersteller {text-align: right; font-family: Arial, Helvetica, sans-serif; font-size: 14px}\r\n"
    "</style>\r\n";

// How a column looks: its alignment ("r" right, "c" centred, "" left) and its background.
struct ColumnLook
{
    const char* align;
    const char* colour;
};

constexpr const char* kLaneColours[] = {"#FFF2F2", "#FFFFEA", "#EEFDF0"};

// The colours tell the column kinds apart: each lane of the Vorrunde, a round's time, penalty and
// result, the places and results brought along.
ColumnLook columnLook(CompetitionRound round, int column)
{
    if (columnContent(round, column) == ColumnContent::Text)
        return {"", nullptr};
    switch (round) {
    case CompetitionRound::Vorrunde: {
        const int lane = laneOfColumn(column);
        if (lane > 0) {
            const bool penalty = column == columnIndex(lanePenaltyColumn(lane));
            return {penalty ? "c" : "r", kLaneColours[lane - 1]};
        }
        if (column == columnIndex(VorrundeColumn::RankingValue))
            return {"r", "#E0E0FF"};
        if (column == columnIndex(VorrundeColumn::Place))
            return {"c", "#E0E0FF"};
        return {"r", nullptr};
    }
    case CompetitionRound::GesamtErgebnis: {
        const auto at = [column](OverallColumn c) { return column == columnIndex(c); };
        if (at(OverallColumn::Place))
            return {"r", nullptr};
        if (at(OverallColumn::VorrundeResult))
            return {"r", "#E0E0FF"};
        if (at(OverallColumn::BestResult))
            return {"c", "#E0E0FF"};
        if (at(OverallColumn::FinaleErgebnis))
            return {"r", "#FFFFEA"};
        switch ((column - columnIndex(OverallColumn::AchtelfinaleZeit)) % 3) {
        case 0:
            return {"r", "#FFFFEA"};
        case 1:
            return {"c", "#FFF2F2"};
        default:
            return {"r", "#EEFDF0"};
        }
    }
    default:
        switch (KnockoutColumn(column)) {
        case KnockoutColumn::PlaceBefore:
            return {"c", nullptr};
        case KnockoutColumn::BroughtResult:
            return {"r", "#E0E0FF"};
        case KnockoutColumn::Zeit:
            return {"r", "#FFFFEA"};
        case KnockoutColumn::Fehler:
            return {"c", "#FFF2F2"};
        case KnockoutColumn::Gesamt:
            return {"r", "#EEFDF0"};
        case KnockoutColumn::Outcome:
            return {"c", "#E0E0FF"};
        default:
            return {"r", nullptr};
        }
    }
}

// The row of group captions over the Vorrunde and the overall table, the columns without one
// under empty cells; a knockout table has none.
QString groupRow(const WebPageContent& page, int columnCount)
{
    if (page.groups.empty())
        return {};
    QString row = QStringLiteral("<tr>");
    int at = 0;
    auto emptyCells = [&row](int span) {
        if (span > 0)
            row += QStringLiteral("<th colspan=\"%1\"></th>").arg(span);
    };
    for (const ColumnGroup& group : page.groups) {
        emptyCells(group.first - at);
        row += QStringLiteral("<th colspan=\"%1\">").arg(group.count) + html(group.caption) +
               QStringLiteral("</th>");
        at = group.first + group.count;
    }
    emptyCells(columnCount - at);
    return row + QStringLiteral("</tr>\r\n");
}

} // namespace

WebPageContent webPageContent(const Competition& competition, CompetitionRound round,
                              const QString& competitionTitle, const QString& applicationTitle)
{
    WebPageContent content;
    content.grid = &competition.grid(round);
    content.round = round;
    content.options = competition.options();
    content.pageCaption = competition.tables().pageCaption(round);
    content.competitionTitle = competitionTitle;
    content.applicationTitle = applicationTitle;
    content.groups = columnGroups(competition, round, content.options);
    return content;
}

QByteArray webPage(const WebPageContent& page)
{
    const ResultGrid& grid = *page.grid;
    const QString title = html(page.applicationTitle);
    const QString caption = html(page.pageCaption);
    const std::vector<int> columns = shownColumns(page.round, page.options);
    const int nameColumn = isKnockoutRound(page.round) ? columnIndex(KnockoutColumn::Mannschaft)
                                                       : columnIndex(VorrundeColumn::Mannschaft);

    QString s = QStringLiteral("<!DOCTYPE html>\r\n<html lang=\"de\">\r\n<head>\r\n");
    s += QStringLiteral("<meta charset=\"iso-8859-1\">\r\n");
    s += QStringLiteral("<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\r\n");
    s += QStringLiteral("<!-- ") + kMakerWebAddress + QStringLiteral(" software -->\r\n");
    s += QStringLiteral("<title>") + title + QLatin1Char(' ') + caption + QStringLiteral("</title>\r\n");
    s += QStringLiteral("<meta name=\"keywords\" content=\"") + title + QStringLiteral("\">\r\n");
    s += QStringLiteral("<meta name=\"description\" content=\"") + QLatin1StringView(version::kMaker) +
         QStringLiteral(" professional software development for all\">\r\n");
    s += QLatin1StringView(kStyle);
    s += QStringLiteral("</head>\r\n<body>\r\n");
    s += QStringLiteral("<h1>") + html(page.competitionTitle) + QStringLiteral("</h1>\r\n");
    s += QStringLiteral("<h2>") + caption + QStringLiteral("</h2>\r\n");

    s += QStringLiteral("<div class=\"tabelle\">\r\n<table>\r\n<colgroup>");
    for (int c : columns) {
        const ColumnLook look = columnLook(page.round, c);
        s += look.colour
                 ? QStringLiteral("<col style=\"background-color: %1\">").arg(QLatin1StringView(look.colour))
                 : QStringLiteral("<col>");
    }
    s += QStringLiteral("</colgroup>\r\n<thead>\r\n");
    s += groupRow(page, int(columns.size()));
    s += QStringLiteral("<tr>");
    for (int c : columns) {
        s += (c == nameColumn ? QStringLiteral("<th class=\"name\">") : QStringLiteral("<th>")) +
             html(grid.cell(c, 0)) + QStringLiteral("</th>");
    }
    s += QStringLiteral("</tr>\r\n</thead>\r\n<tbody>\r\n");

    for (int r = 1; r < grid.rowCount(); ++r) {
        s += QStringLiteral("<tr>");
        for (int c : columns) {
            const QString& text = grid.cell(c, r);
            const char* align = c == nameColumn ? "name" : columnLook(page.round, c).align;
            s += *align ? QStringLiteral("<td class=\"%1\">").arg(QLatin1StringView(align))
                        : QStringLiteral("<td>");
            s += (text.trimmed().isEmpty() ? QStringLiteral("&nbsp;") : html(text)) + QStringLiteral("</td>");
        }
        s += QStringLiteral("</tr>\r\n");
    }
    s += QStringLiteral("</tbody>\r\n</table>\r\n</div>\r\n");

    s += QStringLiteral("<p class=\"hersteller\"><a href=\"") + kMakerWebAddress +
         QStringLiteral("\" title=\"") + title + QStringLiteral("\">") + QLatin1StringView(version::kMaker) +
         QStringLiteral(" Software</a></p>\r\n");
    s += QStringLiteral("</body>\r\n</html>\r\n");
    // every character beyond Latin-1 is a reference by now
    return s.toLatin1();
}

} // namespace brv
