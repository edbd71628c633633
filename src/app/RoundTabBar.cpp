#include "app/RoundTabBar.h"

#include "competition/CellStyle.h"

#include <QPainter>

namespace brv {

namespace {

QColor roundColour(int page)
{
    static constexpr quint32 colours[] = {colour::Vorrunde,   colour::Achtelfinale, colour::Viertelfinale,
                                          colour::Halbfinale, colour::Finale,       colour::Gesamt};
    return QColor::fromRgb(page >= 0 && page < 6 ? colours[page] : colour::Gesamt);
}

} // namespace

RoundTabBar::RoundTabBar(QWidget* parent) : QTabBar(parent)
{
    setShape(QTabBar::RoundedSouth);
    setDrawBase(false);
}

QSize RoundTabBar::tabSizeHint(int index) const
{
    QSize size = QTabBar::tabSizeHint(index);
    QFont bold = font();
    bold.setBold(true);
    size.setWidth(QFontMetrics(bold).horizontalAdvance(tabText(index)) + 24);
    size.setHeight(std::max(size.height(), QFontMetrics(bold).height() + 12));
    return size;
}

void RoundTabBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    for (int i = 0; i < count(); ++i) {
        if (!isTabVisible(i))
            continue;
        const QRect r = tabRect(i);
        const bool active = i == currentIndex();
        painter.fillRect(r, roundColour(i));
        painter.setPen(QColor(0x80, 0x80, 0x80));
        painter.drawRect(r.adjusted(0, 0, -1, -1));
        QFont font = this->font();
        font.setBold(active);
        painter.setFont(font);
        QColor text = i == 0 ? Qt::white : Qt::black;
        if (active)
            text = i == 0 ? QColor(0xFF, 0xFF, 0x00) : QColor(0x00, 0x00, 0xFF);
        painter.setPen(text);
        const QPoint corner = r.topLeft() + (active ? QPoint(7, 7) : QPoint(3, 1));
        painter.drawText(QRect(corner, r.bottomRight()), Qt::AlignLeft | Qt::AlignTop, tabText(i));
    }
}

HeadingBar::HeadingBar(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void HeadingBar::setHeadings(const QList<Heading>& headings)
{
    m_headings = headings;
    update();
}

QSize HeadingBar::sizeHint() const
{
    return QSize(100, fontMetrics().height() + 6);
}

void HeadingBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QFont bold = font();
    bold.setBold(true);
    painter.setFont(bold);
    int x = 0;
    for (const Heading& h : m_headings) {
        if (h.width <= 0)
            continue;
        const QRect r(x, 0, h.width, height());
        painter.fillRect(r, h.background.isValid() ? h.background : palette().color(QPalette::Button));
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawRect(r.adjusted(0, 0, -1, -1));
        painter.setPen(h.foreground.isValid() ? h.foreground : palette().color(QPalette::ButtonText));
        painter.drawText(r, Qt::AlignCenter, h.text);
        x += h.width;
    }
}

} // namespace brv
