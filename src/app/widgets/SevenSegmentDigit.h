#pragma once

#include <QColor>
#include <QWidget>

namespace brv {

// One painted seven-segment digit with a decimal-point corner.
class SevenSegmentDigit final : public QWidget
{
    Q_OBJECT

public:
    // Segment patterns of 0 to 9; bit 0 top, 1 middle, 2 bottom, 3 upper left, 4 upper right,
    // 5 lower left, 6 lower right, 7 the decimal-point corner.
    static constexpr quint8 kPatterns[10] = {0x7D, 0x50, 0x37, 0x57, 0x5A, 0x4F, 0x6F, 0x51, 0x7F, 0x5F};

    explicit SevenSegmentDigit(QWidget* parent = nullptr);

    int value() const { return m_value; }
    // A value outside 0 to 9 shows 0 and reports an overflow.
    void setValue(int value);
    quint8 segmentPattern() const { return m_binary; }
    void setSegmentPattern(quint8 pattern);
    QColor litColour() const { return m_on; }
    void setLitColour(const QColor& colour);
    QColor unlitColour() const { return m_off; }
    void setUnlitColour(const QColor& colour);
    QColor backgroundColour() const { return m_background; }
    void setBackgroundColour(const QColor& colour);
    int thickness() const { return m_thickness; }
    // Ignored when it exceeds half the width or half the height.
    void setThickness(int thickness);
    int separation() const { return m_separation; }
    void setSeparation(int separation);
    quint8 borderStyle() const { return m_borderStyle; }
    void setBorderStyle(quint8 style);

    QSize sizeHint() const override { return QSize(16, 32); }

Q_SIGNALS:
    void overflowed();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_value = 0;
    quint8 m_binary = 0x7D;
    QColor m_on{255, 255, 0};
    QColor m_off{Qt::black};
    QColor m_background{Qt::black};
    int m_thickness = 2;
    int m_separation = 1;
    quint8 m_borderStyle = 1;
};

} // namespace brv
