#include "app/MedalPainter.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace brv {

void paintMedal(QPainter& painter, const QRect& box, Medal medal)
{
    QColor metal;
    QColor ribbon;
    switch (medal) {
    case Medal::Gold:
        metal = QColor(0xFF, 0xCC, 0x33);
        ribbon = QColor(0xD0, 0x20, 0x20);
        break;
    case Medal::Silver:
        metal = QColor(0xC8, 0xC8, 0xC8);
        ribbon = QColor(0x20, 0x40, 0xC0);
        break;
    case Medal::Bronze:
        metal = QColor(0xCD, 0x7F, 0x32);
        ribbon = QColor(0x20, 0x90, 0x30);
        break;
    case Medal::None:
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal w = box.width();
    const qreal h = box.height();
    // ribbon: two bands from the top edge to the disc
    QPainterPath band;
    band.moveTo(box.left() + w * 0.15, box.top());
    band.lineTo(box.left() + w * 0.45, box.top());
    band.lineTo(box.left() + w * 0.60, box.top() + h * 0.45);
    band.lineTo(box.left() + w * 0.35, box.top() + h * 0.45);
    band.closeSubpath();
    band.moveTo(box.left() + w * 0.85, box.top());
    band.lineTo(box.left() + w * 0.55, box.top());
    band.lineTo(box.left() + w * 0.40, box.top() + h * 0.45);
    band.lineTo(box.left() + w * 0.65, box.top() + h * 0.45);
    band.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(ribbon);
    painter.drawPath(band);
    // disc
    const QRectF disc(box.left() + w * 0.18, box.top() + h * 0.36, w * 0.64, h * 0.64);
    QRadialGradient shine(disc.center() - QPointF(disc.width() * 0.2, disc.height() * 0.2),
                          disc.width() * 0.7);
    shine.setColorAt(0, metal.lighter(150));
    shine.setColorAt(1, metal.darker(125));
    painter.setBrush(shine);
    painter.setPen(QPen(metal.darker(160), 0.8));
    painter.drawEllipse(disc);
    painter.restore();
}

} // namespace brv
