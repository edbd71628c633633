#include "printing/ProtocolPrintout.h"

#include "competition/Competition.h"
#include "printing/PrintDocument.h"

#include <QFontMetricsF>

#include <algorithm>
#include <optional>
#include <vector>

namespace brv {

using namespace protocol_printout;

namespace {

const QString kTableFamily = QStringLiteral("Courier New");
const QString kHeadingFamily = QStringLiteral("Times New Roman");
// a millimetre between the columns, half a millimetre from each line to the text
constexpr double kColumnGap = 10;
constexpr double kTextInset = 5;

class ProtocolPages
{
public:
    ProtocolPages(PrintDocument& document, const ProtocolPrintoutContent& content)
        : m_doc(document), m_content(content), m_grid(*content.grid),
          m_right(document.pageSize().width() - kMarginRight),
          m_bottom(document.pageSize().height() - kMarginBottom)
    {
        const auto team = std::find(content.columns.begin(), content.columns.end(),
                                    isKnockoutRound(content.round) ? columnIndex(KnockoutColumn::Mannschaft)
                                                                   : columnIndex(VorrundeColumn::Mannschaft));
        m_teamColumn = team == content.columns.end() ? -1 : int(team - content.columns.begin());
        // the widths grow with the size alike: the texts widest at one size are the widest at
        // every other, and only those are measured again
        const QFontMetricsF metrics(PrintDocument::makeFont(kTableFamily, kLargestSize));
        for (int c : content.columns) {
            std::vector<std::pair<double, QString>> texts;
            double widest = 0;
            for (int r = 0; r < m_grid.rowCount(); ++r) {
                texts.emplace_back(metrics.horizontalAdvance(m_grid.cell(c, r)), m_grid.cell(c, r));
                widest = std::max(widest, texts.back().first);
            }
            QStringList& candidates = m_widestTexts.emplace_back();
            for (const auto& [width, text] : texts) {
                if (width >= 0.9 * widest && !candidates.contains(text))
                    candidates << text;
            }
        }
    }

    // The largest size whose columns end within the page rectangle (half a millimetre over is
    // allowed), or 0: with every name whole, unless that lowers the size below the one at which
    // names of kNameCharacters fit; then the team column takes what the others leave, and a
    // longer name is cut there.
    int fitSize()
    {
        const int whole = largestFitting(false);
        const int floor = largestFitting(true);
        if (whole >= floor) {
            fits(whole, false);
            return whole;
        }
        fits(floor, true);
        // the team column widens to the page rectangle's edge
        const double room = m_right - m_x.back();
        for (std::size_t i = std::size_t(m_teamColumn) + 1; i < m_x.size(); ++i)
            m_x[i] += room;
        m_cutNames = true;
        return floor;
    }

    void render(int size)
    {
        m_tableFont = m_doc.addFont(kTableFamily, size);
        m_groupFont = m_doc.addFont(kTableFamily, size, true);
        // the headings stay readable over a table in a small size
        m_titleFont = m_doc.addFont(kHeadingFamily, std::max(size * 4 / 3, 36), true);
        QFont italic = PrintDocument::makeFont(kHeadingFamily, std::max(size, 28));
        italic.setItalic(true);
        m_captionFont = m_doc.addFont(italic);
        m_smallFont = m_doc.addFont(kHeadingFamily, std::max(size * 3 / 4, 22));
        m_rowHeight = m_doc.lineHeight(m_tableFont);
        m_tableMetrics.emplace(m_doc.font(m_tableFont));

        startPage();
        // a table without teams keeps one blank row, which is not printed
        const bool noTeams = m_grid.dataRowCount() == 1 && m_grid.isRowBlank(1);
        for (int r = 1; r < m_grid.rowCount() && !noTeams; ++r) {
            // a row that does not fit goes onto a new page, and stays there even when that page
            // is too short for it
            if (r > 1 && m_y >= m_foot - m_rowHeight)
                startPage();
            drawRow(r);
            m_y += m_rowHeight;
        }
        // the hair line under the table
        m_doc.drawFrame(QRectF(QPointF(m_left, m_y), QPointF(m_right, m_y + 1)));
    }

private:
    // x[0] .. x[n]: each shown column as wide as its widest text, caption included, and the gap;
    // the team column at most as wide as kNameCharacters when `capped`. True when they fit.
    bool fits(int size, bool capped)
    {
        const QFontMetricsF metrics(PrintDocument::makeFont(kTableFamily, size));
        m_x = {double(m_left)};
        for (std::size_t i = 0; i < m_content.columns.size(); ++i) {
            double widest = 0;
            for (const QString& text : m_widestTexts[i])
                widest = std::max(widest, metrics.horizontalAdvance(text));
            if (capped && int(i) == m_teamColumn)
                widest =
                    std::min(widest, metrics.horizontalAdvance(QString(kNameCharacters, QLatin1Char('M'))));
            m_x.push_back(m_x.back() + widest + kColumnGap);
        }
        return m_x.back() <= m_right + 5;
    }

    // Wider texts never get narrower at a larger size, so the sizes that fit are all below the
    // ones that do not.
    int largestFitting(bool capped)
    {
        if (!fits(kSmallestSize, capped))
            return 0;
        int good = kSmallestSize;
        int bad = kLargestSize + 1;
        while (bad - good > 1) {
            const int mid = (good + bad) / 2;
            (fits(mid, capped) ? good : bad) = mid;
        }
        return good;
    }

    void startPage()
    {
        m_doc.newPage();
        ++m_pageNumber;
        const double middle = (m_left + m_right) / 2.0;
        m_doc.drawText(m_right, m_top - m_doc.lineHeight(m_smallFont), Qt::AlignRight, m_content.date,
                       m_smallFont);
        m_doc.drawText(middle, m_top, Qt::AlignHCenter, m_content.competitionTitle, m_titleFont);
        m_y = m_top + m_doc.lineHeight(m_titleFont);
        m_doc.drawText(middle, m_y, Qt::AlignHCenter, m_content.pageCaption, m_captionFont);
        m_y += 1.5 * m_doc.lineHeight(m_captionFont);
        m_foot = m_bottom - m_doc.lineHeight(m_smallFont);
        m_doc.drawText(m_right, m_foot, Qt::AlignRight, QStringLiteral("Seite: %1").arg(m_pageNumber),
                       m_smallFont);
        m_doc.drawText(m_left, m_foot, Qt::AlignLeft, m_content.protocolName, m_smallFont);

        // the lane or round captions, each framed over its columns
        if (!m_content.groups.empty()) {
            for (const ColumnGroup& group : m_content.groups) {
                const double from = m_x[std::size_t(group.first)];
                // the last column reaches to the frame's right side
                const std::size_t end = std::size_t(group.first + group.count);
                const double to = end + 1 == m_x.size() ? m_right : m_x[end];
                m_doc.drawFrame(QRectF(QPointF(from, m_y), QPointF(to, m_y + m_rowHeight)));
                m_doc.drawText((from + to) / 2, m_y, Qt::AlignHCenter, fitted(group.caption, to - from),
                               m_groupFont);
            }
            m_y += m_rowHeight;
        }
        for (std::size_t c = 1; c + 1 < m_x.size(); ++c)
            m_doc.drawLine(QPointF(m_x[c], m_y), QPointF(m_x[c], m_foot));
        m_doc.drawFrame(QRectF(QPointF(m_left, m_y), QPointF(m_right, m_foot)));
        m_doc.drawFrame(QRectF(QPointF(m_left, m_y), QPointF(m_right, m_y + m_rowHeight)));
        drawRow(0);
        m_y += m_rowHeight;
    }

    // The text, cut with "…" when it is wider than a column of `width`.
    QString fitted(const QString& text, double width) const
    {
        return m_tableMetrics->elidedText(text, Qt::ElideRight, width - 2 * kTextInset);
    }

    void drawRow(int row)
    {
        for (std::size_t i = 0; i < m_content.columns.size(); ++i) {
            const int c = m_content.columns[i];
            QString text = m_grid.cell(c, row);
            if (text.isEmpty())
                continue;
            if (columnContent(m_content.round, c) != ColumnContent::Text) {
                m_doc.drawText(m_x[i + 1] - kTextInset, m_y, Qt::AlignRight, text, m_tableFont);
                continue;
            }
            if (m_cutNames && int(i) == m_teamColumn)
                text = fitted(text, m_x[i + 1] - m_x[i]);
            m_doc.drawText(m_x[i] + kTextInset, m_y, Qt::AlignLeft, text, m_tableFont);
        }
    }

    PrintDocument& m_doc;
    const ProtocolPrintoutContent& m_content;
    const ResultGrid& m_grid;
    const int m_left = kMarginLeft;
    const int m_top = kMarginTop;
    const int m_right;
    const int m_bottom;
    std::vector<QStringList> m_widestTexts; // of each shown column
    int m_teamColumn = -1;
    bool m_cutNames = false;
    std::vector<double> m_x;
    std::optional<QFontMetricsF> m_tableMetrics;
    int m_tableFont = -1;
    int m_groupFont = -1;
    int m_titleFont = -1;
    int m_captionFont = -1;
    int m_smallFont = -1;
    double m_rowHeight = 0;
    double m_y = 0;
    double m_foot = 0;
    int m_pageNumber = 0;
};

} // namespace

ProtocolPrintoutContent protocolPrintoutContent(const Competition& competition, CompetitionRound round,
                                                const QString& competitionTitle, const QString& protocolName,
                                                const QString& date)
{
    return {&competition.grid(round),
            round,
            shownColumns(round, competition.options()),
            columnGroups(competition, round, competition.options()),
            competitionTitle,
            competition.tables().pageCaption(round),
            protocolName,
            date};
}

int renderProtocol(PrintDocument& document, const ProtocolPrintoutContent& content)
{
    ProtocolPages pages(document, content);
    const int size = pages.fitSize();
    if (size > 0)
        pages.render(size);
    return size;
}

} // namespace brv
