#include "app/widgets/ButtonRow.h"

#include "app/widgets/LanePanel.h"
#include "app/widgets/TopBar.h"
#include "competition/Competition.h"
#include "session/AppSession.h"
#include "timing/ContactDecoder.h"
#include "timing/RaceClock.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>

namespace brv {

namespace {

const QColor kStartGreen(0, 160, 0);
const QColor kResetRed(255, 0, 0);

// The start-barrier symbol: 0 blocked, 1 armed.
QPixmap barrierPicture(bool armed)
{
    QPixmap pixmap(30, 30);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(0x50, 0x50, 0x50));
    p.drawRect(2, 4, 5, 24);
    p.drawRect(23, 4, 5, 24);
    const QColor beam = armed ? QColor(0, 200, 0) : QColor(220, 0, 0);
    p.setPen(QPen(beam, 3));
    p.drawLine(QPointF(7, 12), QPointF(23, 12));
    if (!armed) {
        p.setPen(QPen(QColor(220, 0, 0), 2.5));
        p.drawLine(QPointF(10, 17), QPointF(20, 27));
        p.drawLine(QPointF(20, 17), QPointF(10, 27));
    } else {
        p.setPen(QPen(QColor(0, 160, 0), 2.5));
        p.drawLine(QPointF(10, 22), QPointF(14, 26));
        p.drawLine(QPointF(14, 26), QPointF(21, 17));
    }
    return pixmap;
}

QHBoxLayout* panelLayout(QWidget* panel)
{
    return static_cast<QHBoxLayout*>(panel->layout());
}

} // namespace

void PressButton::mousePressEvent(QMouseEvent* event)
{
    QPushButton::mousePressEvent(event);
    if (event->button() == Qt::LeftButton && isEnabled())
        Q_EMIT activated();
}

void PressButton::keyPressEvent(QKeyEvent* event)
{
    if (!event->isAutoRepeat() &&
        (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        if (isEnabled())
            Q_EMIT activated();
        event->accept();
        return;
    }
    QPushButton::keyPressEvent(event);
}

ButtonRow::ButtonRow(AppSession& session, QWidget* parent) : QWidget(parent), m_session(session)
{
    setObjectName(QStringLiteral("buttonRow"));
    setFixedHeight(kHeight);
    for (auto& panel : m_panels) {
        panel = new QWidget(this);
        auto* layout = new QHBoxLayout(panel);
        layout->setContentsMargins(2, 1, 2, 1);
        layout->setSpacing(2);
    }
    RaceClock& clock = session.clock();
    ContactDecoder& decoder = session.decoder();

    m_loadButton =
        toolButton(m_panels[0], QStringLiteral("Öffnen"), QStringLiteral("[Ctrl+O] Protokoll öffnen"));
    m_startBarrierIndicator = new QLabel(m_panels[0]);
    m_startBarrierIndicator->setToolTip(QStringLiteral("[F11] START-LS blockieren"));
    m_startBarrierIndicator->setFixedSize(30, 30);
    m_startBarrierIndicator->setCursor(Qt::PointingHandCursor);
    m_startBarrierIndicator->installEventFilter(this);
    m_startBarrierIndicator->setPixmap(barrierPicture(false));

    // START, "&Fehlstart" and RESET share one place
    auto* startStack = new QWidget(m_panels[0]);
    startStack->setFixedSize(130, 30);
    m_startButton = new PressButton(QStringLiteral("START"), startStack);
    m_falseStartButton = new QPushButton(QStringLiteral("&Fehlstart"), startStack);
    m_resetButton = new PressButton(QStringLiteral("RESET"), startStack);
    m_resetButton->setToolTip(QStringLiteral("[F10]"));
    for (QPushButton* b : {static_cast<QPushButton*>(m_startButton), m_falseStartButton,
                           static_cast<QPushButton*>(m_resetButton)}) {
        b->setGeometry(0, 0, 130, 30);
        QFont f = b->font();
        f.setBold(true);
        b->setFont(f);
    }
    m_falseStartButton->setAutoDefault(true); // Enter on the focused button is a false start
    m_falseStartButton->hide();
    m_resetButton->hide();
    connect(m_startButton, &PressButton::activated, this,
            [&clock] { clock.command(ClockCommand::Start).trigger(); });
    connect(m_falseStartButton, &QPushButton::clicked, this,
            [&clock] { clock.command(ClockCommand::FalseStart).trigger(); });
    connect(m_resetButton, &PressButton::activated, this,
            [&clock] { clock.command(ClockCommand::Reset).trigger(); });

    for (int lane = 1; lane <= 3; ++lane) {
        auto* b = toolButton(m_panels[std::size_t(lane - 1)], QString::number(lane),
                             QStringLiteral("Laufbahn %1. Aus dem Protokoll zu nehmen").arg(lane));
        b->setObjectName(QStringLiteral("laneAssignButton%1").arg(lane));
        QFont f = b->font();
        f.setBold(true);
        b->setFont(f);
        connect(b, &QToolButton::clicked, this, [this, lane] { m_session.assignRowToLane(lane); });
        m_laneAssignButtons[std::size_t(lane - 1)] = b;
    }
    QHBoxLayout* left = panelLayout(m_panels[0]);
    left->addWidget(m_loadButton);
    left->addWidget(m_startBarrierIndicator);
    left->addWidget(startStack);
    left->addStretch();
    left->addWidget(m_laneAssignButtons[0]);

    m_saveButton = toolButton(m_panels[1], QStringLiteral("Speichern"),
                              QStringLiteral("[Ctrl+S] Protokoll speichern unter"));
    m_printButton =
        toolButton(m_panels[1], QStringLiteral("Drucken"), QStringLiteral("[Ctrl+D] Protokoll drucken"));
    m_spreadsheetButton =
        toolButton(m_panels[1], QStringLiteral("Excel"), QStringLiteral("Datei in MS Excel"));
    m_webPageButton =
        toolButton(m_panels[1], QStringLiteral("HTML"), QStringLiteral("[Ctrl+H] Als Webseite"));
    m_clearResultsButton =
        toolButton(m_panels[1], QStringLiteral("Löschen"), QStringLiteral("[Ctrl+A] Ergebnisse entfernen"));
    m_tvButton = toolButton(m_panels[1], QStringLiteral("TV"), QStringLiteral("[Ctrl+T] TV-Modus EIN/AUS"));
    m_tvButton->setCheckable(true);
    m_certificatesButton =
        toolButton(m_panels[1], QStringLiteral("Urkunden"), QStringLiteral("[Ctrl+U] Urkunden drucken"));
    for (QToolButton* b : {m_saveButton, m_printButton, m_spreadsheetButton, m_webPageButton,
                           m_clearResultsButton, m_tvButton, m_certificatesButton})
        panelLayout(m_panels[1])->addWidget(b);
    panelLayout(m_panels[1])->addStretch();
    panelLayout(m_panels[1])->addWidget(m_laneAssignButtons[1]);

    m_abortButton = new QPushButton(QStringLiteral("0,00"), m_panels[2]);
    m_abortButton->setToolTip(QStringLiteral("Reset"));
    m_abortButton->setFocusPolicy(Qt::NoFocus);
    setButtonColour(m_abortButton, kResetRed);
    connect(m_abortButton, &QPushButton::clicked, this,
            [&clock] { clock.command(ClockCommand::Clear).trigger(); });
    panelLayout(m_panels[2])->addWidget(m_abortButton);
    panelLayout(m_panels[2])->addStretch();
    panelLayout(m_panels[2])->addWidget(m_laneAssignButtons[2]);

    const std::pair<QObject*, QLatin1StringView> named[] = {
        {m_startButton, QLatin1StringView("startButton")},
        {m_falseStartButton, QLatin1StringView("falseStartButton")},
        {m_resetButton, QLatin1StringView("resetButton")},
        {m_abortButton, QLatin1StringView("abortButton")},
        {m_loadButton, QLatin1StringView("loadButton")},
        {m_saveButton, QLatin1StringView("saveButton")},
        {m_printButton, QLatin1StringView("printButton")},
        {m_spreadsheetButton, QLatin1StringView("spreadsheetButton")},
        {m_webPageButton, QLatin1StringView("webPageButton")},
        {m_clearResultsButton, QLatin1StringView("clearResultsButton")},
        {m_tvButton, QLatin1StringView("tvButton")},
        {m_certificatesButton, QLatin1StringView("certificatesButton")},
        {m_startBarrierIndicator, QLatin1StringView("startBarrierIndicator")},
    };
    for (const auto& [object, name] : named)
        object->setObjectName(name);

    connect(m_loadButton, &QToolButton::clicked, this, &ButtonRow::loadWanted);
    connect(m_saveButton, &QToolButton::clicked, this, &ButtonRow::saveWanted);
    connect(m_spreadsheetButton, &QToolButton::clicked, this, &ButtonRow::spreadsheetWanted);
    connect(m_webPageButton, &QToolButton::clicked, this, &ButtonRow::webPageWanted);
    connect(m_clearResultsButton, &QToolButton::clicked, this,
            [this] { m_session.competition().clearResults(); });
    connect(m_tvButton, &QToolButton::clicked, this, &ButtonRow::tvWanted);
    connect(m_printButton, &QToolButton::clicked, this, &ButtonRow::printerWanted);
    connect(m_certificatesButton, &QToolButton::clicked, this, &ButtonRow::certificatesWanted);

    // the focus rules: "&Fehlstart" after a start, RESET after a finished run, START after a reset
    connect(&clock, &RaceClock::runStateChanged, this, [this, &clock](RunState state) {
        if (state == RunState::Running && clock.controls().falseStartShown)
            m_falseStartButton->setFocus();
        else if (state == RunState::Finished)
            m_resetButton->setFocus();
    });
    connect(&clock, &RaceClock::readyForStart, this, [this] { m_startButton->setFocus(); });
    connect(&decoder, &ContactDecoder::startBarrierSymbolChanged, m_startBarrierIndicator,
            &QWidget::setVisible);
    connect(&decoder, &ContactDecoder::startLightBarrierChanged, this,
            [this](bool armed) { m_startBarrierIndicator->setPixmap(barrierPicture(armed)); });
    m_startBarrierIndicator->setVisible(decoder.startBarrierSymbolVisible());
}

void ButtonRow::showControls(const RunControls& c)
{
    m_startButton->setVisible(c.startShown);
    m_startButton->setEnabled(c.startButtonEnabled);
    setButtonColour(m_startButton, c.startGreen ? kStartGreen : QColor());
    m_falseStartButton->setVisible(c.falseStartShown);
    m_falseStartButton->setEnabled(c.falseStartEnabled);
    m_resetButton->setVisible(c.resetShown);
    m_resetButton->setEnabled(c.resetEnabled);
    setButtonColour(m_resetButton, c.resetRed ? kResetRed : QColor());

    m_loadButton->setEnabled(c.loadEnabled);
    for (int i = 0; i < 3; ++i)
        m_laneAssignButtons[std::size_t(i)]->setEnabled(c.assignEnabled[std::size_t(i)]);
    for (QToolButton* b : {m_saveButton, m_printButton, m_spreadsheetButton, m_webPageButton})
        b->setEnabled(c.saveEnabled);
    m_certificatesButton->setEnabled(c.certificatesEnabled);
    m_clearResultsButton->setEnabled(c.clearEnabled);
}

void ButtonRow::setTvShown(bool shown)
{
    m_tvButton->setChecked(shown);
}

void ButtonRow::setLanes(bool shown, int count)
{
    m_lanesShown = shown;
    m_laneCount = count;
    // "0,00" sits in the third lane's panel, or left of "1" when there are two lanes
    QHBoxLayout* left = panelLayout(m_panels[0]);
    if (count == 3 && m_abortButton->parentWidget() != m_panels[2])
        panelLayout(m_panels[2])->insertWidget(0, m_abortButton);
    else if (count == 2 && m_abortButton->parentWidget() != m_panels[0])
        left->insertWidget(left->indexOf(m_laneAssignButtons[0]), m_abortButton);
    m_abortButton->setVisible(shown);
    m_laneAssignButtons[1]->setVisible(shown);
    m_laneAssignButtons[2]->setVisible(shown && count == 3);
    layoutPanels();
}

void ButtonRow::layoutPanels()
{
    // the panels take the widths and left edges of the lanes; the middle one goes left on the
    // overall page, and it grows to the right rather than cut its buttons' captions
    const int rowWidth = width();
    const int outer = rowWidth / m_laneCount;
    m_panels[0]->setVisible(m_lanesShown);
    m_panels[2]->setVisible(m_lanesShown && m_laneCount == 3);
    if (!m_lanesShown) {
        m_panels[1]->setGeometry(0, 0, std::max(outer, m_panels[1]->sizeHint().width()), kHeight);
        return;
    }
    m_panels[0]->setGeometry(0, 0, outer, kHeight);
    if (m_laneCount == 2) {
        m_panels[1]->setGeometry(outer, 0, rowWidth - outer, kHeight);
        return;
    }
    const int middleWidth = std::min(std::max(outer, m_panels[1]->sizeHint().width()),
                                     rowWidth - outer - m_panels[2]->sizeHint().width());
    m_panels[1]->setGeometry(outer, 0, middleWidth, kHeight);
    m_panels[2]->setGeometry(outer + middleWidth, 0, rowWidth - outer - middleWidth, kHeight);
}

void ButtonRow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutPanels();
}

bool ButtonRow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_startBarrierIndicator && event->type() == QEvent::MouseButtonPress) {
        m_session.decoder().toggleStartLightBarrier();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace brv
