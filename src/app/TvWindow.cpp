#include "app/TvWindow.h"

#include "app/widgets/LanePanel.h"
#include "version.h"

#include <QImageReader>
#include <QLabel>
#include <QLinearGradient>
#include <QPaintEvent>
#include <QPainter>

namespace brv {

namespace {

// The panels' dark grey is the lane panels' dim digit colour.
const QColor kDarkGrey(kDigitColours[0].red, kDigitColours[0].green, kDigitColours[0].blue);

// The layout's font sizes are points at 96 dpi; as pixels they keep their size to the
// rectangles whatever the monitor's resolution.
int pixelsOf(int points)
{
    return std::max(1, points * 4 / 3);
}

QFont fontOf(QFont font, int points)
{
    font.setPixelSize(pixelsOf(points));
    return font;
}

void setColours(QWidget* widget, const QColor& background, const QColor& text)
{
    QPalette pal = widget->palette();
    pal.setColor(QPalette::Window, background);
    pal.setColor(QPalette::WindowText, text);
    widget->setPalette(pal);
}

// The timer panel's background: white at the top to dark grey at the bottom.
class TimerBackground final : public QWidget
{
public:
    explicit TimerBackground(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QLinearGradient gradient(0, 0, 0, height());
        gradient.setColorAt(0, Qt::white);
        gradient.setColorAt(1, kDarkGrey);
        QPainter(this).fillRect(event->rect(), gradient);
    }
};

} // namespace

// Text in coloured parts on one line, each part drawn first in black and then in its colour
// shifted left and up by a tenth of the font size. With `fitted`, the font size follows the
// box: the brand mark.
class ShadowText final : public QWidget
{
public:
    using Part = std::pair<QString, QColor>;

    ShadowText(QList<Part> parts, Qt::Alignment alignment, bool fitted, QWidget* parent)
        : QWidget(parent), m_parts(std::move(parts)), m_alignment(alignment), m_fitted(fitted)
    {}

protected:
    void resizeEvent(QResizeEvent*) override
    {
        if (!m_fitted)
            return;
        QString text;
        for (const Part& part : m_parts)
            text += part.first;
        QFont f = font();
        const int points = brandFontSize(size(), [&](int candidate) {
            return QFontMetrics(fontOf(f, candidate)).horizontalAdvance(text);
        });
        setFont(fontOf(f, points));
    }

    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::TextAntialiasing);
        const QFontMetrics metrics(font());
        int width = 0;
        for (const Part& part : m_parts)
            width += metrics.horizontalAdvance(part.first);
        const int shift = std::max(1, font().pixelSize() / 10);
        int x = m_alignment.testFlag(Qt::AlignRight) ? this->width() - width : (this->width() - width) / 2;
        const int baseline = (height() - metrics.height()) / 2 + metrics.ascent();
        for (const auto& [text, colour] : m_parts) {
            p.setPen(Qt::black);
            p.drawText(x, baseline, text);
            p.setPen(colour);
            p.drawText(x - shift, baseline - shift, text);
            x += metrics.horizontalAdvance(text);
        }
    }

private:
    QList<Part> m_parts;
    Qt::Alignment m_alignment;
    bool m_fitted;
};

TvWindow::TvWindow(std::unique_ptr<ScreenLayout> screens)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus),
      m_screens(std::move(screens))
{
    setWindowTitle(QString(version::kProgramName) + QStringLiteral(" – TV"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    // closing the main window ends the program, even while the TV display is shown
    setAttribute(Qt::WA_QuitOnClose, false);
    setCursor(Qt::BlankCursor);
    setAutoFillBackground(true);
    setColours(this, Qt::black, Qt::white);

    m_banner = new QLabel(this);
    m_banner->setScaledContents(true);

    m_timerPanel = new TimerBackground(this);
    for (int lane = 1; lane <= 3; ++lane) {
        auto* label = new QLabel(QStringLiteral("Bahn %1").arg(lane), m_timerPanel);
        QFont bold = label->font();
        bold.setBold(true);
        label->setFont(bold);
        auto* team = new QLabel(m_timerPanel);
        QFont italic = team->font();
        italic.setItalic(true);
        team->setFont(italic);
        team->setWordWrap(true);
        for (QLabel* l : {label, team}) {
            l->setAlignment(Qt::AlignCenter);
            setColours(l, Qt::white, Qt::black);
        }
        auto* panel = new LanePanel(lane, m_timerPanel);
        panel->setControlBarHeight(0);
        m_laneLabels[std::size_t(lane - 1)] = label;
        m_teamLabels[std::size_t(lane - 1)] = team;
        m_lanePanels[std::size_t(lane - 1)] = panel;
    }

    m_bottomPanel = new QWidget(this);
    m_bottomPanel->setAutoFillBackground(true);
    setColours(m_bottomPanel, kDarkGrey, Qt::white);
    m_bestTeam = new QLabel(m_bottomPanel);
    QFont italic = m_bestTeam->font();
    italic.setItalic(true);
    m_bestTeam->setFont(italic);
    m_bestTeam->setAlignment(Qt::AlignCenter);
    // on the panels' grey the dim digits vanish: the best time shows without leading zeros
    m_bestPanel = new LanePanel(1, m_bottomPanel);
    m_bestPanel->setControlBarHeight(0);
    m_bestPanel->timePanel()->setBackgroundColour(kDarkGrey);
    m_bestCaption = new ShadowText({{QStringLiteral("Bestes Ergebnis:"), Qt::white}}, Qt::AlignRight, false,
                                   m_bottomPanel);
    const QString maker(version::kMaker);
    m_brand = new ShadowText({{maker.left(4), QColor(255, 0, 0)},
                              {maker.mid(4, 5), QColor(0, 255, 0)},
                              {maker.mid(9), QColor(64, 128, 255)}},
                             Qt::AlignHCenter, true, m_bottomPanel);
    QFont arial(QStringLiteral("Arial"));
    arial.setBold(true);
    m_brand->setFont(arial);
    layOut();
}

TvWindow::~TvWindow() = default;

void TvWindow::setScreens(std::unique_ptr<ScreenLayout> screens)
{
    m_screens = std::move(screens);
    moveToMonitor();
}

void TvWindow::setMonitor(int monitor)
{
    m_monitor = monitor;
    moveToMonitor();
}

void TvWindow::moveToMonitor()
{
    const QRect target = m_screens->geometryFor(m_monitor);
    if (!target.isValid() || geometry() == target)
        return;
    setGeometry(target);
    // a hidden window has its resize event only when shown; it is laid out for the monitor now
    layOut();
}

void TvWindow::setBannerFile(const QString& path)
{
    m_bannerFile = path;
}

bool TvWindow::loadBanner()
{
    if (m_bannerFile.isEmpty())
        return false;
    QImageReader reader(m_bannerFile);
    const QImage picture = reader.read();
    if (picture.isNull())
        return false;
    m_banner->setPixmap(QPixmap::fromImage(picture));
    return true;
}

void TvWindow::showLaneDigits(int lane, const LaneDigits& digits)
{
    lanePanel(lane)->showDigits(digits);
}

void TvWindow::setTeamName(int lane, const QString& team)
{
    QLabel* label = teamLabel(lane);
    const QString text = team.trimmed();
    if (label->text() != text)
        label->setText(text);
}

void TvWindow::showBest(qint32 milliseconds, const QString& team)
{
    m_bestPanel->showDigits(laneDigitsFor(milliseconds, true));
    if (m_bestTeam->text() != team)
        m_bestTeam->setText(team);
}

void TvWindow::setThirdLaneShown(bool shown)
{
    m_thirdLane = shown;
    layOut();
}

void TvWindow::showEvent(QShowEvent* event)
{
    // a picture that cannot be read leaves the banner as it was, without a message
    loadBanner();
    moveToMonitor();
    layOut();
    QWidget::showEvent(event);
    Q_EMIT shownChanged(isVisible());
}

void TvWindow::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    Q_EMIT shownChanged(isVisible());
}

void TvWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layOut();
}

void TvWindow::layOut()
{
    const TvLayout t = tvLayout(size(), m_thirdLane);
    m_banner->setGeometry(t.banner);
    m_timerPanel->setGeometry(t.timerPanel);
    m_bottomPanel->setGeometry(t.bottomPanel);
    for (std::size_t i = 0; i < 3; ++i) {
        const bool shown = i < 2 || m_thirdLane;
        m_laneLabels[i]->setGeometry(t.laneLabels[i]);
        m_laneLabels[i]->setFont(fontOf(m_laneLabels[i]->font(), t.laneLabelFont));
        m_teamLabels[i]->setGeometry(t.teamLabels[i]);
        m_teamLabels[i]->setFont(fontOf(m_teamLabels[i]->font(), t.teamLabelFont));
        m_lanePanels[i]->setGeometry(t.lanePanels[i]);
        for (QWidget* w : {static_cast<QWidget*>(m_laneLabels[i]), static_cast<QWidget*>(m_teamLabels[i]),
                           static_cast<QWidget*>(m_lanePanels[i])})
            w->setVisible(shown);
    }
    m_bestTeam->setGeometry(t.bestTeam);
    m_bestTeam->setFont(fontOf(m_bestTeam->font(), t.bestTeamFont));
    m_bestPanel->setGeometry(t.bestPanel);
    m_bestCaption->setGeometry(t.bestLabel);
    m_bestCaption->setFont(fontOf(m_bestCaption->font(), t.bestLabelFont));
    m_brand->setGeometry(t.brand);
}

} // namespace brv
