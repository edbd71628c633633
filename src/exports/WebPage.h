#pragma once

#include "competition/CompetitionOptions.h"
#include "competition/CompetitionRound.h"
#include "protocol/ProtocolLayout.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace brv {

class Competition;
class ResultGrid;

// The maker's web address, in the page's comment and in the link at its foot.
inline const QString kMakerWebAddress = QStringLiteral("https://tempvalorhub.example/");

// What the web page shows of one table.
struct WebPageContent
{
    const ResultGrid* grid = nullptr;
    // The table's layout: the Vorrunde, a knockout round or the overall table.
    CompetitionRound round = CompetitionRound::Vorrunde;
    // Which columns are shown: the class column, the third lane, the Achtelfinale's.
    CompetitionOptions options;
    QString pageCaption;
    QString competitionTitle;
    QString applicationTitle;
    // The captions over the column groups: the lanes' over the Vorrunde, the rounds' over the
    // overall table (the heading bars).
    std::vector<ColumnGroup> groups;
};

// The page of `round`'s table as the competition holds it now.
WebPageContent webPageContent(const Competition& competition, CompetitionRound round,
                              const QString& competitionTitle, const QString& applicationTitle);

// The table as one HTML5 page in ISO-8859-1 with CR LF line ends, readable on a phone: heading,
// then the table in a box of its own that scrolls sideways while the team names stay in view,
// with the group captions (over the Vorrunde and the overall table), the column captions, the
// columns' colours, numbers aligned right, one row per team with "&nbsp;" for a blank cell and
// blanks kept; at its foot the maker's link. Texts are escaped (markup::html).
QByteArray webPage(const WebPageContent& content);

} // namespace brv
