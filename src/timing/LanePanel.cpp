#include "timing/LanePanel.h"

#include "timing/SevenSegmentDigit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace brv {

namespace {

QColor toColor(const DigitColour& c)
{
    return QColor(c.red, c.green, c.blue);
}

constexpr int kTopMargin = 4;

} // namespace

TimePanel::TimePanel(QWidget* parent) : QWidget(parent)
{
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    for (std::size_t i = 0; i < m_digits.size(); ++i)
        m_digits[i] = new SevenSegmentDigit(this);
    m_comma = new QLabel(QStringLiteral(","), this);
    m_comma->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    showDigits(laneDigitsFor(0, true));
}

void TimePanel::showDigits(const LaneDigits& digits)
{
    for (int i = 0; i < 5; ++i) {
        m_digits[std::size_t(i)]->setValue(digits.values[std::size_t(i)]);
        m_digits[std::size_t(i)]->setLitColour(toColor(digits.colour(i)));
    }
    const QColor comma = toColor(digits.commaColour());
    if (m_comma->palette().color(QPalette::WindowText) != comma) {
        QPalette pal = m_comma->palette();
        pal.setColor(QPalette::WindowText, comma);
        m_comma->setPalette(pal);
    }
}

void TimePanel::resizeEvent(QResizeEvent*)
{
    const int w = width();
    const int h = height();
    SevenSegmentDigit* d1 = m_digits[0];
    const int digitWidth = int(std::lround(w / 5.5));
    const int digitHeight = std::max(8, h - 2 * kTopMargin);
    const int thickness = std::max(1, int(std::lround(w / 55.0)));
    d1->setGeometry(thickness, kTopMargin, digitWidth, digitHeight);
    d1->setThickness(thickness);
    int x = thickness;
    for (int i = 1; i < 4; ++i) {
        x += digitWidth + thickness;
        m_digits[std::size_t(i)]->setGeometry(x, kTopMargin, digitWidth, digitHeight);
        m_digits[std::size_t(i)]->setThickness(d1->thickness());
    }
    SevenSegmentDigit* d5 = m_digits[4];
    const int smallWidth = digitWidth / 2;
    d5->setGeometry(w - thickness - smallWidth, kTopMargin, smallWidth, digitHeight / 2);
    d5->setThickness((d1->thickness() / 3) * 2);
    SevenSegmentDigit* d4 = m_digits[3];
    d4->move(d5->x() - thickness - digitWidth, kTopMargin);
    const int gapLeft = m_digits[2]->geometry().right() + 1;
    QFont font = m_comma->font();
    font.setPixelSize(std::max(6, int(std::lround(w / 7.0))));
    font.setBold(true);
    m_comma->setFont(font);
    m_comma->setGeometry(gapLeft, 0, std::max(1, d4->x() - gapLeft), h);
}

LanePanel::LanePanel(int lane, QWidget* parent) : QWidget(parent), m_lane(lane)
{
    static const QColor bars[3] = {QColor(255, 208, 208), QColor(255, 255, 208), QColor(208, 255, 208)};
    timePanel = new TimePanel(this);
    controlBar = new QWidget(this);
    controlBar->setAutoFillBackground(true);
    QPalette pal = controlBar->palette();
    pal.setColor(QPalette::Window, bars[std::clamp(lane, 1, 3) - 1]);
    controlBar->setPalette(pal);

    laneLabel = new QLabel(QStringLiteral("Bahn %1").arg(lane), controlBar);
    QFont bold = laneLabel->font();
    bold.setBold(true);
    laneLabel->setFont(bold);
    laneInUse = new QCheckBox(controlBar);
    laneInUse->setChecked(true);
    laneInUse->setVisible(lane == 3);
    finishButton = new QPushButton(QStringLiteral("ZIEL"), controlBar);
    finishButton->setEnabled(false);
    finishButton->setToolTip(QStringLiteral("[F%1]").arg(5 + lane));
    finishButton->setFocusPolicy(Qt::NoFocus);
    teamSelector = new QComboBox(controlBar);
    teamSelector->setMaxVisibleItems(20);
    teamSelector->setEnabled(false);
    teamSelector->setMinimumContentsLength(8);
    teamSelector->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    teamSelector->setFont(QFont(QStringLiteral("Monospace")));
    startButton = new QPushButton(QStringLiteral("START"), controlBar);
    startButton->setVisible(false);
    startButton->setEnabled(false);
    startButton->setToolTip(QStringLiteral("[Alt+%1]").arg(lane));
    startButton->setFocusPolicy(Qt::NoFocus);

    auto* bar = new QHBoxLayout(controlBar);
    bar->setContentsMargins(4, 2, 4, 2);
    bar->setSpacing(4);
    bar->addWidget(laneLabel);
    bar->addWidget(laneInUse);
    bar->addWidget(finishButton);
    bar->addWidget(teamSelector, 1);
    bar->addWidget(startButton);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(0);
    layout->addWidget(timePanel, 1);
    layout->addWidget(controlBar);
}

void LanePanel::setControlBarHeight(int height)
{
    controlBar->setVisible(height > 0);
    if (height > 0)
        controlBar->setFixedHeight(height);
}

} // namespace brv
