#include "printing/PrintDocument.h"

#include "version.h"

#include <QImage>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

#include <cmath>

namespace brv {

namespace {

int units(double millimetres)
{
    // whole tenths of a millimetre, as the printer's pixels divided down
    return int(std::floor(millimetres * PrintDocument::kUnitsPerMm + 1e-6));
}

} // namespace

PrintDocument::PrintDocument(const QPageLayout& layout) : m_layout(layout)
{
    const QRectF area = layout.paintRect(QPageLayout::Millimeter);
    m_size = QSize(units(area.width()), units(area.height()));
}

QPageLayout PrintDocument::defaultLayout()
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(), QPageLayout::Millimeter);
}

QFont PrintDocument::makeFont(const QString& family, int size, bool bold)
{
    QFont font(family);
    font.setPixelSize(std::max(1, int(std::lround(size * 96 / 72.0))));
    font.setBold(bold);
    // unhinted: widths grow with the size and do not depend on the device
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

int PrintDocument::addFont(QFont font)
{
    font.setHintingPreference(QFont::PreferNoHinting);
    for (std::size_t i = 0; i < m_fonts.size(); ++i) {
        if (m_fonts[i].font == font)
            return int(i);
    }
    m_fonts.push_back({font, QFontMetricsF(font)});
    return int(m_fonts.size() - 1);
}

double PrintDocument::textWidth(int font, const QString& text) const
{
    return m_fonts[std::size_t(font)].metrics.horizontalAdvance(text);
}

double PrintDocument::lineHeight(int font) const
{
    return m_fonts[std::size_t(font)].metrics.height();
}

void PrintDocument::newPage()
{
    m_pages.emplace_back();
}

void PrintDocument::drawText(double x, double top, Qt::Alignment alignment, const QString& text, int font,
                             QRgb colour)
{
    const double width = textWidth(font, text);
    if (alignment & Qt::AlignRight)
        x -= width;
    else if (alignment & Qt::AlignHCenter)
        x -= width / 2;
    m_pages.back().push_back({PageItem::Text, QRectF(x, top, width, lineHeight(font)), text, font, colour});
}

void PrintDocument::drawLine(QPointF from, QPointF to)
{
    m_pages.back().push_back({PageItem::Line, QRectF(from, to), {}, -1, 0xFF000000u});
}

void PrintDocument::drawFrame(const QRectF& rect)
{
    m_pages.back().push_back({PageItem::Frame, rect, {}, -1, 0xFF000000u});
}

void PrintDocument::paintPage(QPainter& painter, int index) const
{
    painter.save();
    // lines are a tenth of a millimetre, and never thinner than a device pixel
    QPen pen(Qt::black, 1.0);
    if (painter.transform().m11() < 1.0)
        pen.setCosmetic(true);
    painter.setBrush(Qt::NoBrush);
    painter.setBackgroundMode(Qt::TransparentMode);
    int currentFont = -1;
    for (const PageItem& item : page(index)) {
        pen.setColor(QColor::fromRgba(item.colour));
        painter.setPen(pen);
        switch (item.kind) {
        case PageItem::Text:
            if (item.font != currentFont) {
                currentFont = item.font;
                painter.setFont(font(currentFont));
            }
            painter.drawText(
                QPointF(item.box.left(), item.box.top() + m_fonts[std::size_t(item.font)].metrics.ascent()),
                item.text);
            break;
        case PageItem::Line:
            painter.drawLine(item.box.topLeft(), item.box.bottomRight());
            break;
        case PageItem::Frame:
            painter.drawRect(item.box);
            break;
        }
    }
    painter.restore();
}

bool PrintDocument::print(QPagedPaintDevice& device) const
{
    if (m_pages.empty())
        return true;
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const double perUnitX = device.logicalDpiX() / 254.0;
    const double perUnitY = device.logicalDpiY() / 254.0;
    for (int i = 0; i < pageCount(); ++i) {
        if (i > 0 && !device.newPage())
            return false;
        painter.save();
        painter.scale(perUnitX, perUnitY);
        paintPage(painter, i);
        painter.restore();
    }
    return painter.end();
}

bool PrintDocument::writePdf(QIODevice* out) const
{
    QPdfWriter writer(out);
    writer.setPageLayout(m_layout);
    writer.setCreator(QString(version::kProgramName));
    return print(writer);
}

QImage PrintDocument::pageImage(int index, double pixelsPerMm) const
{
    const double scale = pixelsPerMm / kUnitsPerMm;
    QImage image(int(std::ceil(m_size.width() * scale)), int(std::ceil(m_size.height() * scale)),
                 QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(scale, scale);
    paintPage(painter, index);
    return image;
}

} // namespace brv
