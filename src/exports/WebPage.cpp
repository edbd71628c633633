#include "exports/WebPage.h"

#include "competition/Competition.h"
#include "exports/Markup.h"
#include "protocol/ProtocolLayout.h"
#include "version.h"

namespace brv {

namespace {

using markup::html;

const QString kLineEnd = QStringLiteral("\r\n");

const char* const kHead = "<STYLE type=text/css>\r\n"
                          "body {font-family: Verdana, Arial, Helvetica, sans-serif; font-size: 12px; "
                          "background-color: #F4F4F4; text-align: center}\r\n"
                          "\th1 {text-decoration: blink; font-size: 26px}\r\n"
                          "\th3 {  font-style: italic; font-weight: normal}\r\n"
                          "\t.best {font-weight: bold; text-align: center}\r\n"
                          "\ttable {font-family: Verdana, Arial, Helvetica, sans-serif; font-size: 12px}\r\n"
                          "\tth {background-color: #999999; color: #FFFFFF; border: 1px #F4F4F4 dashed}\r\n"
                          "\ttd {  border: #F4F4F4; border-style: dashed; border-top-width: 1px; "
                          "border-right-width: 1px; border-bottom-width: 1px; border-left-width: 1px}\r\n"
                          "</STYLE></HEAD>\r\n<BODY>\r\n";

// Column styles: left-aligned texts, and the colours that tell the column kinds apart.
const char* const kLeft = "<col align=left>";
const char* const kLaneStyles[] = {"<col align=right bgcolor=#FFF2F2><col align=center bgcolor=#FFF2F2><col "
                                   "align=right bgcolor=#FFF2F2>\r\n",
                                   "<col align=right bgcolor=#FFFFEA><col align=center bgcolor=#FFFFEA><col "
                                   "align=right bgcolor=#FFFFEA>\r\n",
                                   "<col align=right bgcolor=#EEFDF0><col align=center bgcolor=#EEFDF0><col "
                                   "align=right bgcolor=#EEFDF0>\r\n"};
const char* const kVorrundeSum = "<col align=right bgcolor=#E0E0FF>\r\n";
const char* const kKnockoutPlace = "<col align=center>";
const char* const kKnockoutRun = "<col align=right bgcolor=#E0E0FF><col align=right bgcolor=#FFFFEA>"
                                 "<col align=center bgcolor=#FFF2F2><col align=right bgcolor=#EEFDF0>";
const char* const kOverallFirstRound = "<col align=right bgcolor=#E0E0FF><col align=right bgcolor=#FFFFEA>"
                                       "<col align=center bgcolor=#FFF2F2>\r\n";
const char* const kOverallNextRound = "<col align=right bgcolor=#EEFDF0><col align=right bgcolor=#FFFFEA>"
                                      "<col align=center bgcolor=#FFF2F2>\r\n";
const char* const kOverallFinale = "<col align=right bgcolor=#FFFFEA><col align=center bgcolor=#E0E0FF>";
const char* const kClosingColumn = "<col align=center bgcolor=#E0E0FF></colgroup>\r\n";

QString groupCell(int span, const QString& caption)
{
    return QStringLiteral("<th colspan=%1>").arg(span) + html(caption);
}

// The row of group captions over the Vorrunde and the overall table; a knockout table has none.
QString groupRow(const WebPageContent& page, int firstSpan)
{
    const QStringList& g = page.groupCaptions;
    QString row;
    if (page.round == CompetitionRound::Vorrunde) {
        row +=
            groupCell(firstSpan, g.value(0)) + groupCell(3, g.value(1)) + groupCell(3, g.value(2)) + kLineEnd;
        if (page.options.thirdLaneOn)
            row += groupCell(3, g.value(3));
        row += groupCell(1, g.value(4)) + groupCell(1, g.value(5)) + QStringLiteral("</tr><tr>");
    } else if (page.round == CompetitionRound::GesamtErgebnis) {
        row += groupCell(firstSpan, g.value(0)) + groupCell(1, g.value(1));
        if (page.options.knockoutStart != KnockoutStart::Viertelfinale)
            row += groupCell(3, g.value(2));
        for (int round = 3; round <= 5; ++round)
            row += groupCell(3, g.value(round));
        row += groupCell(1, g.value(6)) + QStringLiteral("</tr><tr>") + kLineEnd;
    }
    return row;
}

// One <col> per shown column, and one beyond the overall table.
QString columnStyles(const WebPageContent& page)
{
    const bool classShown = page.options.classColumnShown;
    QString styles;
    switch (page.round) {
    case CompetitionRound::Vorrunde:
        styles += QLatin1StringView(kLeft) + QLatin1StringView(kLeft);
        if (classShown)
            styles += QLatin1StringView(kLeft);
        for (int lane = 1; lane <= (page.options.thirdLaneOn ? 3 : 2); ++lane)
            styles += QLatin1StringView(kLaneStyles[lane - 1]);
        styles += QLatin1StringView(kVorrundeSum);
        break;
    case CompetitionRound::GesamtErgebnis: {
        styles += QLatin1StringView(kLeft) + QLatin1StringView(kLeft);
        if (classShown)
            styles += QLatin1StringView(kLeft);
        styles += QLatin1StringView(kOverallFirstRound);
        const int rounds = page.options.knockoutStart == KnockoutStart::Viertelfinale ? 3 : 4;
        for (int round = 2; round <= rounds; ++round)
            styles += QLatin1StringView(kOverallNextRound);
        styles += QLatin1StringView(kOverallFinale);
        break;
    }
    default:
        styles += QLatin1StringView(kKnockoutPlace) + QLatin1StringView(kLeft) + QLatin1StringView(kLeft);
        if (classShown)
            styles += QLatin1StringView(kLeft);
        styles += QLatin1StringView(kKnockoutRun);
        break;
    }
    return styles + QLatin1StringView(kClosingColumn);
}

// The maker's name in its three colours.
QString makerLogo()
{
    return QStringLiteral("<FONT color=#FF0000>Temp</FONT><FONT color=#009900>valor</FONT>"
                          "<FONT color=#0060FF>hub</FONT>");
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
    if (round == CompetitionRound::Vorrunde)
        content.groupCaptions = competition.tables().laneHeadings();
    else if (round == CompetitionRound::GesamtErgebnis)
        content.groupCaptions = competition.tables().roundHeadings();
    return content;
}

QByteArray webPage(const WebPageContent& page)
{
    const ResultGrid& grid = *page.grid;
    const QString title = html(page.applicationTitle);
    const QString caption = html(page.pageCaption);
    const std::vector<int> columns = shownColumns(page.round, page.options);

    QString s = QStringLiteral("<HTML>\r\n<HEAD>\r\n");
    s += QStringLiteral("<!--") + kMakerWebAddress + QStringLiteral(" software -->\r\n");
    s += QStringLiteral("<TITLE>") + title + QLatin1Char(' ') + caption + QStringLiteral("</TITLE>\r\n");
    s += QStringLiteral("<META http-equiv=Content-Type content=\"text/html; charset=iso-8859-1\">\r\n");
    s += QStringLiteral("<META name=keywords content=\"") + title + QStringLiteral("\">\r\n");
    s += QStringLiteral("<META name=description content=\"") + QLatin1StringView(version::kMaker) +
         QStringLiteral(" professional software development for all\">\r\n");
    s += QLatin1StringView(kHead);

    s += QStringLiteral("<h1><center><i>") + html(page.competitionTitle) +
         QStringLiteral("</i> <font face=\"Webdings\" color=\"#FF0000\" size=\"7\">f</font></h1>\r\n");
    s += QStringLiteral("<H3><center>") + caption + QStringLiteral("</H3>\r\n");
    s += QStringLiteral("<table style=\"BORDER-COLLAPSE: collapse\" bgcolor=#FFFFFF cellpadding=2 "
                        "width=100%>\r\n<tr>\r\n");
    s += groupRow(page, page.options.classColumnShown ? 3 : 2);
    for (int c : columns)
        s += QStringLiteral("<th>") + html(grid.cell(c, 0)) + kLineEnd;
    s += QStringLiteral("</tr><colgroup>\r\n");
    s += columnStyles(page);

    for (int r = 1; r < grid.rowCount(); ++r) {
        s += QStringLiteral("<tr>");
        for (int c : columns) {
            const QString& text = grid.cell(c, r);
            s += QStringLiteral("<td>") + (text.trimmed().isEmpty() ? QStringLiteral("&nbsp;") : html(text));
        }
        s += QStringLiteral("</tr>\r\n");
    }

    s += QStringLiteral("</table><FONT face=Arial size=4><B>\r\n");
    s += QStringLiteral("<P align=right><a style=\"cursor:help\" href=\"") + kMakerWebAddress +
         QStringLiteral("\" title=\"") + title + QStringLiteral("\">") + makerLogo() +
         QStringLiteral("</a><FONT color=0 size=3>&nbsp;Software</P>\r\n");
    s += QStringLiteral("</body></html>\r\n");
    // every character beyond Latin-1 is a reference by now
    return s.toLatin1();
}

} // namespace brv
