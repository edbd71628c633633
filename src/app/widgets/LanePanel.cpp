#include "app/widgets/LanePanel.h"

#include "app/widgets/SevenSegmentDigit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
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

void TimePanel::setBackgroundColour(const QColor& colour)
{
    QPalette pal = palette();
    pal.setColor(QPalette::Window, colour);
    setPalette(pal);
    for (SevenSegmentDigit* digit : m_digits) {
        digit->setBackgroundColour(colour);
        digit->setUnlitColour(colour);
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

void setButtonColour(QAbstractButton* button, const QColor& colour)
{
    const QString sheet = colour.isValid()
                              ? QStringLiteral("QPushButton { background-color: %1; }").arg(colour.name())
                              : QString();
    if (button->styleSheet() != sheet)
        button->setStyleSheet(sheet);
}

LanePanel::LanePanel(int lane, QWidget* parent) : QWidget(parent), m_lane(lane)
{
    static const QColor bars[3] = {QColor(255, 208, 208), QColor(255, 255, 208), QColor(208, 255, 208)};
    m_timePanel = new TimePanel(this);
    m_timePanel->setObjectName(QStringLiteral("timePanel"));
    m_controlBar = new QWidget(this);
    m_controlBar->setObjectName(QStringLiteral("controlBar"));
    m_controlBar->setAutoFillBackground(true);
    QPalette pal = m_controlBar->palette();
    pal.setColor(QPalette::Window, bars[std::clamp(lane, 1, 3) - 1]);
    m_controlBar->setPalette(pal);

    auto* laneLabel = new QLabel(QStringLiteral("Bahn %1").arg(lane), m_controlBar);
    laneLabel->setObjectName(QStringLiteral("laneLabel"));
    QFont bold = laneLabel->font();
    bold.setBold(true);
    laneLabel->setFont(bold);
    m_inUse = new QCheckBox(m_controlBar);
    m_inUse->setObjectName(QStringLiteral("laneInUse"));
    m_inUse->setChecked(true);
    m_inUse->setVisible(lane == 3);
    m_finishButton = new QPushButton(QStringLiteral("ZIEL"), m_controlBar);
    m_finishButton->setObjectName(QStringLiteral("finishButton"));
    m_finishButton->setEnabled(false);
    m_finishButton->setToolTip(QStringLiteral("[F%1]").arg(5 + lane));
    m_finishButton->setFocusPolicy(Qt::NoFocus);
    m_teamSelector = new QComboBox(m_controlBar);
    m_teamSelector->setObjectName(QStringLiteral("teamSelector"));
    // at most 20 entries: a long team list scrolls instead of covering the screen (the styles that
    // open the list around the current entry ignore the limit unless told not to)
    m_teamSelector->setMaxVisibleItems(20);
    m_teamSelector->setStyleSheet(QStringLiteral("combobox-popup: 0;"));
    m_teamSelector->setEnabled(false);
    m_teamSelector->setMinimumContentsLength(8);
    m_teamSelector->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_teamSelector->setFont(QFont(QStringLiteral("Monospace")));
    m_startButton = new QPushButton(QStringLiteral("START"), m_controlBar);
    m_startButton->setObjectName(QStringLiteral("laneStartButton"));
    m_startButton->setVisible(false);
    m_startButton->setEnabled(false);
    m_startButton->setToolTip(QStringLiteral("[Alt+%1]").arg(lane));
    m_startButton->setFocusPolicy(Qt::NoFocus);

    auto* bar = new QHBoxLayout(m_controlBar);
    bar->setContentsMargins(4, 2, 4, 2);
    bar->setSpacing(4);
    bar->addWidget(laneLabel);
    bar->addWidget(m_inUse);
    bar->addWidget(m_finishButton);
    bar->addWidget(m_teamSelector, 1);
    bar->addWidget(m_startButton);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(0);
    layout->addWidget(m_timePanel, 1);
    layout->addWidget(m_controlBar);

    connect(m_finishButton, &QPushButton::clicked, this, &LanePanel::finishClicked);
    connect(m_startButton, &QPushButton::clicked, this, &LanePanel::startClicked);
    connect(m_teamSelector, &QComboBox::activated, this, &LanePanel::teamChosen);
    connect(m_inUse, &QCheckBox::clicked, this, &LanePanel::inUseClicked);
}

void LanePanel::setFinishArmed(bool armed)
{
    m_finishButton->setEnabled(armed);
    setButtonColour(m_finishButton, armed ? QColor(255, 204, 51) : QColor());
}

void LanePanel::setStartButton(bool visible, bool enabled, bool green)
{
    m_startButton->setVisible(visible);
    m_startButton->setEnabled(enabled);
    setButtonColour(m_startButton, green ? QColor(0, 160, 0) : QColor());
}

void LanePanel::setTeams(const QStringList& entries, int current, bool enabled)
{
    const QSignalBlocker block(m_teamSelector);
    bool same = m_teamSelector->count() == entries.size();
    for (int i = 0; same && i < entries.size(); ++i)
        same = m_teamSelector->itemText(i) == entries.at(i);
    if (!same) {
        m_teamSelector->clear();
        m_teamSelector->addItems(entries);
    }
    m_teamSelector->setCurrentIndex(current);
    m_teamSelector->setEnabled(enabled);
}

void LanePanel::setTeamsEnabled(bool enabled)
{
    m_teamSelector->setEnabled(enabled);
}

void LanePanel::setInUse(bool inUse)
{
    if (m_inUse->isChecked() != inUse)
        m_inUse->setChecked(inUse);
}

void LanePanel::setControlBarHeight(int height)
{
    m_controlBar->setVisible(height > 0);
    if (height > 0)
        m_controlBar->setFixedHeight(height);
}

} // namespace brv
