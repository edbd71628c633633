#include "printing/ProtocolPrintout.h"

#include "competition/ResultGrid.h"
#include "printing/PrintDocument.h"
#include "version.h"

#include <QFontMetricsF>

#include <algorithm>
#include <vector>

namespace brv {

using namespace protocol_printout;

namespace {

const QString kTableFamily = QStringLiteral("Courier New");
const QString kHeadingFamily = QStringLiteral("Times New Roman");
// a millimetre between the columns, half a millimetre from each line to the text
constexpr double kColumnGap = 10;
constexpr double kTextInset = 5;

// x[0] .. x[n]: each column as wide as its widest text, caption included, and the gap.
std::vector<double> columnEdges(const ResultGrid& grid, const QFontMetricsF& metrics, double left)
{
    std::vector<double> x{left};
    for (int c = 0; c < grid.columnCount(); ++c) {
        double widest = 0;
        for (int r = 0; r < grid.rowCount(); ++r)
            widest = std::max(widest, metrics.horizontalAdvance(grid.cell(c, r)));
        x.push_back(x.back() + widest + kColumnGap);
    }
    return x;
}

class ProtocolPages
{
public:
    ProtocolPages(PrintDocument& document, const ResultGrid& grid, const QString& title, const QString& date)
        : m_doc(document), m_grid(grid), m_title(title), m_date(date),
          m_right(document.pageSize().width() - kMarginRight),
          m_bottom(document.pageSize().height() - kMarginBottom)
    {}

    // The largest size whose columns end within the page rectangle (half a millimetre over is
    // allowed), or 0. Wider texts never get narrower at a larger size, so the sizes that fit
    // are all below the ones that do not.
    int fitSize()
    {
        auto fits = [this](int size) {
            const QFontMetricsF metrics(PrintDocument::makeFont(kTableFamily, size));
            m_x = columnEdges(m_grid, metrics, m_left);
            return m_x.back() <= m_right + 5;
        };
        if (!fits(kSmallestSize))
            return 0;
        int good = kSmallestSize;
        int bad = kLargestSize + 1;
        while (bad - good > 1) {
            const int mid = (good + bad) / 2;
            (fits(mid) ? good : bad) = mid;
        }
        fits(good);
        return good;
    }

    void render(int size)
    {
        m_tableFont = m_doc.addFont(kTableFamily, size);
        m_titleFont = m_doc.addFont(kHeadingFamily, size, true);
        m_dateFont = m_doc.addFont(kHeadingFamily, size / 4 * 3);
        m_rowHeight = m_doc.lineHeight(m_tableFont);
        m_headingHeight = m_doc.lineHeight(m_titleFont);

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
    void startPage()
    {
        m_doc.newPage();
        ++m_pageNumber;
        m_doc.drawText(m_right, m_top - m_doc.lineHeight(m_dateFont), Qt::AlignRight, m_date, m_dateFont);
        m_doc.drawText((m_left + m_right) / 2.0, m_top, Qt::AlignHCenter, m_title, m_titleFont);
        m_y = m_top + m_headingHeight;
        m_foot = m_bottom - m_headingHeight;
        m_doc.drawText(m_right, m_foot, Qt::AlignRight, QStringLiteral("Seite: %1").arg(m_pageNumber),
                       m_titleFont);
        m_doc.drawText(m_left, m_foot, Qt::AlignLeft, QString(version::kMaker), m_titleFont);

        for (std::size_t c = 0; c + 1 < m_x.size(); ++c)
            m_doc.drawLine(QPointF(m_x[c], m_y), QPointF(m_x[c], m_foot));
        m_doc.drawFrame(QRectF(QPointF(m_left, m_y), QPointF(m_right, m_foot)));
        m_doc.drawFrame(QRectF(QPointF(m_left, m_y), QPointF(m_right, m_y + m_headingHeight)));
        drawRow(0);
        m_y += m_headingHeight;
    }

    // The team column starts after its line, every other column ends before the next line.
    void drawRow(int row)
    {
        for (int c = 0; c < m_grid.columnCount(); ++c) {
            const QString& text = m_grid.cell(c, row);
            if (text.isEmpty())
                continue;
            if (c == 1)
                m_doc.drawText(m_x[std::size_t(c)] + kTextInset, m_y, Qt::AlignLeft, text, m_tableFont);
            else
                m_doc.drawText(m_x[std::size_t(c) + 1] - kTextInset, m_y, Qt::AlignRight, text, m_tableFont);
        }
    }

    PrintDocument& m_doc;
    const ResultGrid& m_grid;
    const QString& m_title;
    const QString& m_date;
    const int m_left = kMarginLeft;
    const int m_top = kMarginTop;
    const int m_right;
    const int m_bottom;
    std::vector<double> m_x;
    int m_tableFont = -1;
    int m_titleFont = -1;
    int m_dateFont = -1;
    double m_rowHeight = 0;
    double m_headingHeight = 0;
    double m_y = 0;
    double m_foot = 0;
    int m_pageNumber = 0;
};

} // namespace

int renderProtocol(PrintDocument& document, const ResultGrid& grid, const QString& title, const QString& date)
{
    ProtocolPages pages(document, grid, title, date);
    const int size = pages.fitSize();
    if (size > 0)
        pages.render(size);
    return size;
}

} // namespace brv
