#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPointF>
#include <QRectF>
#include <QRgb>
#include <QSize>
#include <QString>

#include <vector>

class QIODevice;
class QImage;
class QPagedPaintDevice;
class QPainter;

namespace brv {

// One drawing step of a page. Coordinates are 0.1 mm from the top-left corner of the printable
// area.
struct PageItem
{
    enum Kind : quint8 {
        Text,  // `text` in `font`; `box` is the text's cell, its top at the top of the ascent
        Line,  // from box.topLeft() to box.bottomRight()
        Frame, // the outline of `box`
    };
    Kind kind = Text;
    QRectF box;
    QString text;
    int font = -1; // the document's font, for text
    QRgb colour = 0xFF000000u;
};

// A printout held as vector drawings, one list of items per page, on a surface of 0.1 mm whose
// origin is the top-left corner of the printable area. The same pages are replayed at any
// resolution: on the printer, into a PDF, into an image or on the preview's screen.
//
// Text is laid out with unhinted font metrics, so a text measured here is as wide on every
// device the pages are replayed on.
class PrintDocument
{
public:
    static constexpr int kUnitsPerMm = 10;

    // Pages as large as the paint rectangle of `layout`: the paper less the printer's margins.
    explicit PrintDocument(const QPageLayout& layout = defaultLayout());
    // A4 portrait without margins.
    static QPageLayout defaultLayout();

    const QPageLayout& pageLayout() const { return m_layout; }
    // The printable area in 0.1 mm.
    QSize pageSize() const { return m_size; }
    int pageCount() const { return int(m_pages.size()); }
    const std::vector<PageItem>& page(int index) const { return m_pages[std::size_t(index)]; }
    const QFont& font(int index) const { return m_fonts[std::size_t(index)].font; }

    // A font whose em height is `size` × 96 / 72 units, as a font of `size` points on a surface
    // of 96 dots per inch: size 30 gives 4 mm.
    static QFont makeFont(const QString& family, int size, bool bold = false);
    // The font's index to draw and measure with.
    int addFont(QFont font);
    int addFont(const QString& family, int size, bool bold = false)
    {
        return addFont(makeFont(family, size, bold));
    }
    double textWidth(int font, const QString& text) const;
    // The height of a line of text (ascent and descent).
    double lineHeight(int font) const;

    // Drawing goes onto the last page; a new document has none.
    void newPage();
    // `x` is where the text starts (Qt::AlignLeft), its middle (Qt::AlignHCenter) or its end
    // (Qt::AlignRight); `top` is the top of its cell.
    void drawText(double x, double top, Qt::Alignment alignment, const QString& text, int font,
                  QRgb colour = 0xFF000000u);
    void drawLine(QPointF from, QPointF to);
    void drawFrame(const QRectF& rect);

    // Draws one page; the painter's transform maps 0.1 mm to the device.
    void paintPage(QPainter& painter, int index) const;
    // Every page on `device`, one device page each, at the device's resolution; the painter's
    // origin is the top-left corner of the device's printable area. An empty document prints
    // nothing. False when the device cannot be painted on.
    bool print(QPagedPaintDevice& device) const;
    // The pages as a PDF on paper of the document's layout.
    bool writePdf(QIODevice* out) const;
    // One page on white, `pixelsPerMm` pixels to the millimetre.
    QImage pageImage(int index, double pixelsPerMm) const;

private:
    struct Font
    {
        QFont font;
        QFontMetricsF metrics;
    };

    QPageLayout m_layout;
    QSize m_size;
    std::vector<Font> m_fonts;
    std::vector<std::vector<PageItem>> m_pages;
};

} // namespace brv
