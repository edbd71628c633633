#include "TFrame1.h"

#include "TDigit.h"

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
        m_digits[i] = new TDigit(this);
    m_comma = new QLabel(QStringLiteral(","), this);
    m_comma->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    showDigits(ShowLaneTime(0, true));
}

void TimePanel::showDigits(const LaneDigits& digits)
{
    for (int i = 0; i < 5; ++i) {
        m_digits[std::size_t(i)]->setValue(digits.values[std::size_t(i)]);
        m_digits[std::size_t(i)]->setColorOn(toColor(digits.colour(i)));
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
    TDigit* d1 = m_digits[0];
    const int digitWidth = int(std::lround(w / 5.5));
    const int digitHeight = std::max(8, h - 2 * kTopMargin);
    const int thickness = std::max(1, int(std::lround(w / 55.0)));
    d1->setGeometry(thickness, kTopMargin, digitWidth, digitHeight);
    d1->setThickness(thickness);
    int x = thickness;
    for (int i = 1; i < 4; ++i) {
        x += digitWidth + thickness;
        m_digits[std::size_t(i)]->setGeometry(x, kTopMargin, digitWidth, digitHeight);
        m_digits[std::size_t(i)]->setThickness(d1->Thickness());
    }
    TDigit* d5 = m_digits[4];
    const int smallWidth = digitWidth / 2;
    d5->setGeometry(w - thickness - smallWidth, kTopMargin, smallWidth, digitHeight / 2);
    d5->setThickness((d1->Thickness() / 3) * 2);
    TDigit* d4 = m_digits[3];
    d4->move(d5->x() - thickness - digitWidth, kTopMargin);
    const int gapLeft = m_digits[2]->geometry().right() + 1;
    QFont font = m_comma->font();
    font.setPixelSize(std::max(6, int(std::lround(w / 7.0))));
    font.setBold(true);
    m_comma->setFont(font);
    m_comma->setGeometry(gapLeft, 0, std::max(1, d4->x() - gapLeft), h);
}

TFrame1::TFrame1(int lane, QWidget* parent) : QWidget(parent), m_lane(lane)
{
    static const QColor bars[3] = {QColor(255, 208, 208), QColor(255, 255, 208), QColor(208, 255, 208)};
    PanelT = new TimePanel(this);
    Panel1 = new QWidget(this);
    Panel1->setAutoFillBackground(true);
    QPalette pal = Panel1->palette();
    pal.setColor(QPalette::Window, bars[std::clamp(lane, 1, 3) - 1]);
    Panel1->setPalette(pal);

    LabBahn = new QLabel(QStringLiteral("Bahn %1").arg(lane), Panel1);
    QFont bold = LabBahn->font();
    bold.setBold(true);
    LabBahn->setFont(bold);
    cbON = new QCheckBox(Panel1);
    cbON->setChecked(true);
    cbON->setVisible(lane == 3);
    bZiel = new QPushButton(QStringLiteral("ZIEL"), Panel1);
    bZiel->setEnabled(false);
    bZiel->setToolTip(QStringLiteral("[F%1]").arg(5 + lane));
    bZiel->setFocusPolicy(Qt::NoFocus);
    cbBuhn = new QComboBox(Panel1);
    cbBuhn->setMaxVisibleItems(20);
    cbBuhn->setEnabled(false);
    cbBuhn->setMinimumContentsLength(8);
    cbBuhn->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cbBuhn->setFont(QFont(QStringLiteral("Monospace")));
    bStart = new QPushButton(QStringLiteral("START"), Panel1);
    bStart->setVisible(false);
    bStart->setEnabled(false);
    bStart->setToolTip(QStringLiteral("[Alt+%1]").arg(lane));
    bStart->setFocusPolicy(Qt::NoFocus);

    auto* bar = new QHBoxLayout(Panel1);
    bar->setContentsMargins(4, 2, 4, 2);
    bar->setSpacing(4);
    bar->addWidget(LabBahn);
    bar->addWidget(cbON);
    bar->addWidget(bZiel);
    bar->addWidget(cbBuhn, 1);
    bar->addWidget(bStart);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(0);
    layout->addWidget(PanelT, 1);
    layout->addWidget(Panel1);
}

void TFrame1::setControlBarHeight(int height)
{
    Panel1->setVisible(height > 0);
    if (height > 0)
        Panel1->setFixedHeight(height);
}

} // namespace brv
