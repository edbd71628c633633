#pragma once

#include <QColor>
#include <QWidget>

namespace brv {

// One painted seven-segment digit with a decimal-point corner.
class TDigit final : public QWidget
{
    Q_OBJECT

public:
    // Segment patterns of 0 to 9; bit 0 top, 1 middle, 2 bottom, 3 upper left, 4 upper right,
    // 5 lower left, 6 lower right, 7 the decimal-point corner.
    static constexpr quint8 kPatterns[10] = {0x7D, 0x50, 0x37, 0x57, 0x5A, 0x4F, 0x6F, 0x51, 0x7F, 0x5F};

    explicit TDigit(QWidget* parent = nullptr);

    int Value() const { return m_value; }
    // A value outside 0 to 9 shows 0 and reports an overflow.
    void setValue(int value);
    quint8 ValueBinary() const { return m_binary; }
    void setValueBinary(quint8 pattern);
    QColor ColorOn() const { return m_on; }
    void setColorOn(const QColor& colour);
    QColor ColorOff() const { return m_off; }
    void setColorOff(const QColor& colour);
    QColor Color() const { return m_background; }
    void setColor(const QColor& colour);
    int Thickness() const { return m_thickness; }
    // Ignored when it exceeds half the width or half the height.
    void setThickness(int thickness);
    int Separation() const { return m_separation; }
    void setSeparation(int separation);
    quint8 BorderStyle() const { return m_borderStyle; }
    void setBorderStyle(quint8 style);

    QSize sizeHint() const override { return QSize(16, 32); }

Q_SIGNALS:
    void OnOverflow();

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
