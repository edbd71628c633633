#include "app/widgets/SevenSegmentDigit.h"

#include <QPainter>
#include <QPolygon>

namespace brv {

SevenSegmentDigit::SevenSegmentDigit(QWidget* parent) : QWidget(parent)
{
    resize(16, 32);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void SevenSegmentDigit::setValue(int value)
{
    const bool overflow = value < 0 || value > 9;
    m_value = overflow ? 0 : value;
    setSegmentPattern(kPatterns[m_value]);
    if (overflow)
        Q_EMIT overflowed();
}

void SevenSegmentDigit::setSegmentPattern(quint8 pattern)
{
    if (pattern == m_binary)
        return;
    m_binary = pattern;
    update();
}

void SevenSegmentDigit::setLitColour(const QColor& colour)
{
    if (colour == m_on)
        return;
    m_on = colour;
    update();
}

void SevenSegmentDigit::setUnlitColour(const QColor& colour)
{
    if (colour == m_off)
        return;
    m_off = colour;
    update();
}

void SevenSegmentDigit::setBackgroundColour(const QColor& colour)
{
    if (colour == m_background)
        return;
    m_background = colour;
    update();
}

void SevenSegmentDigit::setThickness(int thickness)
{
    if (thickness > width() / 2 || thickness > height() / 2 || thickness == m_thickness)
        return;
    m_thickness = thickness;
    update();
}

void SevenSegmentDigit::setSeparation(int separation)
{
    if (separation == m_separation)
        return;
    m_separation = separation;
    update();
}

void SevenSegmentDigit::setBorderStyle(quint8 style)
{
    if (style == m_borderStyle)
        return;
    m_borderStyle = style;
    update();
}

void SevenSegmentDigit::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_background);
    painter.setPen(m_background);

    const int W = width() - 1;
    const int H = height() - 1;
    const int t = m_thickness;
    const int p = m_separation;
    auto segment = [&](int bit, const QPolygon& polygon) {
        painter.setBrush((m_binary >> bit) & 1 ? m_on : m_off);
        painter.drawPolygon(polygon);
    };
    auto horizontal = [&](int y) {
        return QPolygon({QPoint(p + t, y + t), QPoint(2 * t + p, y), QPoint(W - 2 * t - p, y),
                         QPoint(W - t - p, y + t), QPoint(W - 2 * t - p, y + 2 * t),
                         QPoint(2 * t + p, y + 2 * t)});
    };
    auto vertical = [&](int x, int o) {
        return QPolygon({QPoint(x, 2 * t + o + p), QPoint(x + t, t + o + p), QPoint(x + 2 * t, 2 * t + o + p),
                         QPoint(x + 2 * t, H / 2 - t + o - p), QPoint(x + t, H / 2 + o - p),
                         QPoint(x, H / 2 - t + o - p)});
    };
    segment(0, horizontal(0));
    segment(1, horizontal(H / 2 - t));
    segment(2, horizontal(H - 2 * t));
    segment(3, vertical(0, 0));
    segment(4, vertical(W - 2 * t, 0));
    segment(5, vertical(0, H / 2 - t));
    segment(6, vertical(W - 2 * t, H / 2 - t));
    segment(7, QPolygon({QPoint(W, H), QPoint(W - 2 * t + p, H), QPoint(W, H - 2 * t + p)}));
}

} // namespace brv
