#include "app/MainWindow.h"

#include "app/AboutDialog.h"
#include "app/BracketSchemeDialog.h"
#include "app/ConfirmDialog.h"
#include "app/LiveAddressPanel.h"
#include "app/PrintCommands.h"
#include "app/ProtocolTableModel.h"
#include "app/ProtocolTableView.h"
#include "app/RoundTabBar.h"
#include "app/SettingsDialog.h"
#include "app/StatusPanel.h"
#include "app/TvPresenter.h"
#include "app/TvWindow.h"
#include "app/widgets/LanePanel.h"
#include "exports/ProtocolExports.h"
#include "session/ProgramLock.h"
#include "settings/CertificateEditor.h"
#include "settings/JsonSettingsBackend.h"
#include "settings/SettingsApply.h"
#include "settings/SettingsStore.h"
#include "settings/WindowPlacement.h"
#include "timing/ContactDecoder.h"
#include "timing/ContactInputs.h"
#include "timing/RaceClock.h"
#include "timing/SerialDevices.h"
#include "timing/SerialLineMonitor.h"

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTime>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <climits>

namespace brv {

namespace {

constexpr int kTopBarHeight = 44;

// Column widths of the tables in pixels. The team name takes what the other columns leave.
constexpr int kRestWidth = 0;
constexpr int kHiddenColumn = -1;

int vorrundeColumnWidth(VorrundeColumn column, bool classShown, bool thirdLane)
{
    switch (column) {
    case VorrundeColumn::Nr:
        return 42;
    case VorrundeColumn::Mannschaft:
        return kRestWidth;
    case VorrundeColumn::Klasse:
        return classShown ? 66 : kHiddenColumn;
    case VorrundeColumn::Lane1Zeit:
    case VorrundeColumn::Lane1Gesamt:
    case VorrundeColumn::Lane2Zeit:
    case VorrundeColumn::Lane2Gesamt:
        return 74;
    case VorrundeColumn::Lane1Fehler:
    case VorrundeColumn::Lane2Fehler:
        return 51;
    case VorrundeColumn::Lane3Zeit:
    case VorrundeColumn::Lane3Gesamt:
        return thirdLane ? 72 : kHiddenColumn;
    case VorrundeColumn::Lane3Fehler:
        return thirdLane ? 51 : kHiddenColumn;
    case VorrundeColumn::RankingValue:
        return 88;
    case VorrundeColumn::Place:
        return 35;
    }
    return kHiddenColumn;
}

int knockoutColumnWidth(KnockoutColumn column, bool classShown)
{
    switch (column) {
    case KnockoutColumn::PlaceBefore:
    case KnockoutColumn::Nr:
    case KnockoutColumn::Outcome:
        return 49;
    case KnockoutColumn::Mannschaft:
        return kRestWidth;
    case KnockoutColumn::Klasse:
        return classShown ? 71 : kHiddenColumn;
    case KnockoutColumn::BroughtResult:
    case KnockoutColumn::Zeit:
    case KnockoutColumn::Gesamt:
        return 104;
    case KnockoutColumn::Fehler:
        return 74;
    }
    return kHiddenColumn;
}

// `fromViertelfinale`: the knockout starts with the Viertelfinale, the Achtelfinale run is hidden.
int overallColumnWidth(OverallColumn column, bool classShown, bool fromViertelfinale)
{
    const int achtelfinale = roundIndex(CompetitionRound::Achtelfinale);
    const int knockoutFirst = columnIndex(knockoutTimeColumn(CompetitionRound::Achtelfinale));
    const int col = columnIndex(column);
    if (col >= knockoutFirst && col <= columnIndex(knockoutResultColumn(CompetitionRound::Finale))) {
        const CompetitionRound round = roundAt((col - knockoutFirst) / 3 + achtelfinale);
        if (round == CompetitionRound::Achtelfinale && fromViertelfinale)
            return kHiddenColumn;
        if (column == knockoutTimeColumn(round))
            return 55;
        if (column == knockoutPenaltyColumn(round))
            return 32;
        return 67;
    }
    switch (column) {
    case OverallColumn::Place:
        return 45;
    case OverallColumn::Mannschaft:
        return kRestWidth;
    case OverallColumn::Klasse:
        return classShown ? 89 : kHiddenColumn;
    case OverallColumn::VorrundeResult:
        return 86;
    case OverallColumn::BestResult:
        return 68;
    default:
        return kHiddenColumn;
    }
}
constexpr int kButtonRowHeight = 34;

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

QPixmap logoPicture()
{
    QPixmap pixmap(36, 36);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), 2));
    p.setBrush(QColor(0xFF, 0xF4, 0xD0));
    p.drawEllipse(QRectF(4, 7, 26, 26));
    p.drawRect(QRectF(14, 2, 6, 4));
    p.setPen(QPen(QColor(0xD0, 0x20, 0x20), 2.5));
    p.drawLine(QPointF(17, 20), QPointF(17, 11));
    p.drawLine(QPointF(17, 20), QPointF(24, 23));
    return pixmap;
}

QToolButton* toolButton(QWidget* parent, const QString& text, const QString& hint)
{
    auto* button = new QToolButton(parent);
    button->setText(text);
    button->setToolTip(hint);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setMinimumSize(30, 28);
    return button;
}

class SystemShift final : public ShiftKeyState
{
public:
    bool shiftDown() const override
    {
        return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier);
    }
};

SystemShift& systemShift()
{
    static SystemShift shift;
    return shift;
}

} // namespace

// ---------------------------------------------------------------- PressButton

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

// ---------------------------------------------------------------- construction

MainWindow::MainWindow(AppSession& session, QWidget* parent)
    : QMainWindow(parent), m_session(session), m_competition(session.competition()), m_clock(session.clock()),
      m_decoder(session.decoder()), m_files(session.files())
{
    showWarning = [this](const QString& message) {
        QMessageBox::warning(this, QString(version::kProgramName), message);
    };
    chooseSaveFile = [this](const QString& proposal, const QStringList& filters, QString* selected) {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Protokoll speichern unter"), proposal,
                                            filters.join(QStringLiteral(";;")), selected);
    };
    m_competition.setShiftKeyState(&systemShift());
    setWindowTitle(QString(version::kProgramName) + QStringLiteral(" v. ") + version::kVersion +
                   QStringLiteral("[*]"));
    setMinimumSize(version::kMinimumWindowWidth, version::kMinimumWindowHeight);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    createTopBar(central);
    createLaneArea(central);
    createButtonRow(central);
    createPages(central);
    layout->addWidget(m_topBar);
    layout->addWidget(m_laneArea, 0);
    layout->addWidget(m_buttonRow);
    layout->addWidget(m_roundTabs, 1);
    setCentralWidget(central);
    createStatusBar();
    createCommands();

    const std::pair<QObject*, QLatin1StringView> named[] = {
        {m_startButton, QLatin1StringView("startButton")},
        {m_falseStartButton, QLatin1StringView("falseStartButton")},
        {m_resetButton, QLatin1StringView("resetButton")},
        {m_abortButton, QLatin1StringView("abortButton")},
        {m_helpButton, QLatin1StringView("helpButton")},
        {m_settingsButton, QLatin1StringView("settingsButton")},
        {m_aboutButton, QLatin1StringView("aboutButton")},
        {m_loadButton, QLatin1StringView("loadButton")},
        {m_saveButton, QLatin1StringView("saveButton")},
        {m_printButton, QLatin1StringView("printButton")},
        {m_spreadsheetButton, QLatin1StringView("spreadsheetButton")},
        {m_webPageButton, QLatin1StringView("webPageButton")},
        {m_clearResultsButton, QLatin1StringView("clearResultsButton")},
        {m_tvButton, QLatin1StringView("tvButton")},
        {m_certificatesButton, QLatin1StringView("certificatesButton")},
        {m_laneAssignButtons[0], QLatin1StringView("laneAssignButton1")},
        {m_laneAssignButtons[1], QLatin1StringView("laneAssignButton2")},
        {m_laneAssignButtons[2], QLatin1StringView("laneAssignButton3")},
        {m_startBarrierIndicator, QLatin1StringView("startBarrierIndicator")},
        {m_competitionTitleLabel, QLatin1StringView("competitionTitleLabel")},
        {m_dateLabel, QLatin1StringView("dateLabel")},
        {m_timeLabel, QLatin1StringView("timeLabel")},
        {m_calendarPanel, QLatin1StringView("calendarPanel")},
        {m_roundTabs, QLatin1StringView("roundTabs")},
        {m_contactLog, QLatin1StringView("contactLog")},
    };
    for (const auto& [object, name] : named)
        object->setObjectName(name);

    runStartup();

    // the secondary windows, created once after the main window
    m_confirmDialog = new ConfirmDialog(this);
    m_aboutDialog = new AboutDialog(this);
    m_bracketSchemeDialog = new BracketSchemeDialog(this);
    m_settingsDialog = new SettingsDialog(this);
    m_printCommands = std::make_unique<PrintCommands>(
        m_session, this, [this] { return m_dateLabel->text(); }, [this] { return m_dialogFolder; });
    connect(m_settingsDialog, &SettingsDialog::bracketSchemeWanted, m_bracketSchemeDialog,
            &BracketSchemeDialog::showFor);
    connect(m_settingsDialog, &SettingsDialog::helpWanted, this,
            [this] { openHelp(manual_page::kSettings); });
    connect(&m_session, &AppSession::settingsApplied, this, &MainWindow::showAppliedSettings);
    // a second start of the program brings this window to the front
    if (ProgramLock* lock = m_session.programLock()) {
        connect(lock, &ProgramLock::showRequested, this, [this] {
            setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
            show();
            raise();
            activateWindow();
        });
    }
    connect(&m_files, &ProtocolFiles::documentStateChanged, this, &MainWindow::showDocumentState);
    connect(&m_files, &ProtocolFiles::saved, this, [this](const QString& path) {
        m_session.setStatusMessage(QStringLiteral(" Gespeichert: ") + QDir::toNativeSeparators(path));
    });
    m_competition.setYesNoQuestion(m_confirmDialog);
    // the TV display, hidden until it is switched on; it follows the competition while hidden
    m_tvWindow = std::make_unique<TvWindow>();
    m_tvWindow->setBannerFile(m_session.settings().tvTitleImage);
    m_tvWindow->setMonitor(m_session.settings().tvMonitor);
    connect(m_tvWindow.get(), &TvWindow::shownChanged, m_tvButton, &QToolButton::setChecked);
    m_tvPresenter =
        std::make_unique<TvPresenter>(m_clock, m_competition, m_session.bestResult(), *m_tvWindow);

    connect(&m_competition, &Competition::lanesChanged, this, &MainWindow::refreshLanes);
    connect(&m_competition, &Competition::currentCellChanged, this, &MainWindow::scheduleViewSync);
    connect(&m_competition, &Competition::editEnded, this, &MainWindow::scheduleViewSync);
    connect(&m_competition.tables(), &ProtocolTables::tableChanged, this, &MainWindow::scheduleViewSync);
    connect(&m_competition.tables(), &ProtocolTables::captionsChanged, this, &MainWindow::refreshCaptions);
    // the session's messages, from the one start-up left (a missing contact port) on
    connect(&m_session, &AppSession::statusMessageChanged, this, [this] { refreshStatus(2); });
    connect(&m_session, &AppSession::liveResultsChanged, this, [this] { refreshStatus(3); });
    refreshStatus(2);
    refreshStatus(3);
    connect(&m_competition, &Competition::layoutRequested, this, [this] {
        layoutLanes();
        layoutColumns();
    });
    connect(&m_competition, &Competition::pageChanged, this, &MainWindow::syncTabToCompetition);
    connect(&m_clock, &RaceClock::controlsChanged, this, &MainWindow::refreshControls);
    // the focus rules: "&Fehlstart" after a start, RESET after a finished run, START after a reset
    connect(&m_clock, &RaceClock::runStateChanged, this, [this](RunState state) {
        if (state == RunState::Running && m_clock.controls().falseStartShown)
            m_falseStartButton->setFocus();
        else if (state == RunState::Finished)
            m_resetButton->setFocus();
    });
    connect(&m_clock, &RaceClock::readyForStart, this, [this] { m_startButton->setFocus(); });
    connect(&m_clock, &RaceClock::laneTimeChanged, this, &MainWindow::showLaneTime);
    connect(&m_decoder, &ContactDecoder::startBarrierSymbolChanged, m_startBarrierIndicator,
            &QWidget::setVisible);
    connect(&m_decoder, &ContactDecoder::startLightBarrierChanged, this,
            [this](bool armed) { m_startBarrierIndicator->setPixmap(barrierPicture(armed)); });
    connect(&m_decoder, &ContactDecoder::contactLogAppended, m_contactLog, &QPlainTextEdit::appendPlainText);
    m_startBarrierIndicator->setVisible(m_decoder.startBarrierSymbolVisible());

    refreshCaptions();
    refreshLanes();
    refreshControls();
    syncViews();
    for (int lane = 1; lane <= 3; ++lane)
        showLaneTime(lane);
    m_tvPresenter->showAll();
    for (int panel = 0; panel < 4; ++panel)
        refreshStatus(panel);
    layoutLanes();
    layoutColumns();
}

MainWindow::~MainWindow()
{
    Settings& settings = m_session.settings();
    settings.setWindowBounds(normalGeometry());
    settings.competitionTitle = m_competitionTitleLabel->text();
    settings.saveFilterIndex = m_saveFilterIndex;
    // the widgets show the competition and the clock, which outlive them
    m_competition.disconnect(this);
    m_clock.disconnect(this);
    m_decoder.disconnect(this);
    m_session.disconnect(this);
    delete m_confirmDialog;
    delete m_aboutDialog;
    delete m_bracketSchemeDialog;
    delete m_settingsDialog;
    m_tvPresenter.reset();
    m_tvWindow.reset();
    m_printCommands.reset();
    delete takeCentralWidget();
}

void MainWindow::runStartup()
{
    // the session has put the settings into effect; the window shows them
    const Settings& settings = m_session.settings();
    m_dateLabel->setText(QLocale().toString(QDate::currentDate(), QLocale::ShortFormat));
    m_startBarrierIndicator->setPixmap(barrierPicture(false));
    // the bounds are stored without the frame (normalGeometry()), so they are given back the same
    // way: move() would place the frame there and the window would creep down at every start.
    // They are kept to the screens: a window no screen shows helps nobody, and a huge one would
    // take the memory for its pixels.
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.append(screen->availableGeometry());
    const WindowPlacement place = placeWindow(settings, screens);
    const QSize size(std::max(version::kMinimumWindowWidth, place.size.width()),
                     std::max(version::kMinimumWindowHeight, place.size.height()));
    if (place.position)
        setGeometry(QRect(*place.position, size));
    else
        resize(size);
    QStringList refused;
    if (place.sizeRefused)
        refused << QStringLiteral("die Fenstergröße %1 x %2 passt auf keinen Bildschirm, es gilt %3 x %4")
                       .arg(settings.windowWidth)
                       .arg(settings.windowHeight)
                       .arg(size.width())
                       .arg(size.height());
    if (place.positionRefused)
        refused << QStringLiteral("die Fensterposition %1, %2 liegt auf keinem Bildschirm")
                       .arg(*settings.windowLeft)
                       .arg(*settings.windowTop);
    if (!refused.isEmpty())
        m_session.setStatusMessage(QStringLiteral(" Einstellungen: ") + refused.join(QStringLiteral("; ")));
    m_competitionTitleLabel->setText(settings.competitionTitle);
    m_competitionTitleLabel->setVisible(!settings.competitionTitle.isEmpty());
    m_saveFilterIndex = settings.saveFilterIndex;
    m_calendar->setSelectedDate(QDate::currentDate());

    m_loadButton->setToolTip(QStringLiteral("[Ctrl+O] Protokoll öffnen"));
    m_helpPresent = QFileInfo::exists(m_session.programFiles().manualStartPage);
    m_helpButton->setEnabled(m_helpPresent);
    // the save dialog proposes the program's name with ".txt", both dialogs start where the
    // program writes (beside it, or in the user's folder when it is installed)
    m_saveFileName =
        QFileInfo(m_session.environment().programFilePath).completeBaseName() + QStringLiteral(".txt");
    m_dialogFolder = m_session.programFiles().outputDir;
    showDocumentState(); // a competition restored from the journal brings its file
    showTime();

    m_roundTabs->setTabVisible(roundIndex(CompetitionRound::Achtelfinale),
                               m_competition.isPageVisible(CompetitionRound::Achtelfinale));
    m_syncingTabs = true;
    m_roundTabs->setCurrentIndex(roundIndex(m_competition.currentRound()));
    m_syncingTabs = false;
    // the mouse pointer goes to the load button once the window is shown
}

// ---------------------------------------------------------------- widgets

void MainWindow::createTopBar(QWidget* parent)
{
    m_topBar = new QWidget(parent);
    m_topBar->setFixedHeight(kTopBarHeight);
    auto* layout = new QHBoxLayout(m_topBar);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(4);
    m_helpButton = toolButton(m_topBar, QStringLiteral("?"), QStringLiteral("[F1] Hilfe"));
    m_settingsButton = toolButton(m_topBar, QStringLiteral("⚙"), QStringLiteral("[F2] Einstellungen"));
    m_aboutButton = toolButton(m_topBar, QStringLiteral("i"), QStringLiteral("[F3] Information"));
    for (QToolButton* b : {m_helpButton, m_settingsButton, m_aboutButton}) {
        QFont f = b->font();
        f.setBold(true);
        f.setPointSize(f.pointSize() + 3);
        b->setFont(f);
        layout->addWidget(b);
    }
    auto* logo = new QLabel(m_topBar);
    logo->setPixmap(logoPicture());
    auto* product = new QLabel(QString(version::kProgramName), m_topBar);
    QFont productFont = product->font();
    productFont.setBold(true);
    productFont.setItalic(true);
    productFont.setPointSize(productFont.pointSize() + 5);
    product->setFont(productFont);
    product->setStyleSheet(QStringLiteral("color: #800000;"));
    layout->addSpacing(8);
    layout->addWidget(logo);
    layout->addWidget(product);
    m_competitionTitleLabel = new QLabel(m_topBar);
    m_competitionTitleLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont titleFont = m_competitionTitleLabel->font();
    titleFont.setBold(true);
    titleFont.setPointSize(titleFont.pointSize() + 4);
    m_competitionTitleLabel->setFont(titleFont);
    m_competitionTitleLabel->setVisible(false);
    layout->addWidget(m_competitionTitleLabel, 1);
    layout->addStretch(0);

    auto* clockBox = new QFrame(m_topBar);
    clockBox->setAutoFillBackground(true);
    QPalette pal = clockBox->palette();
    pal.setColor(QPalette::Window, Qt::black);
    clockBox->setPalette(pal);
    auto* clockLayout = new QHBoxLayout(clockBox);
    clockLayout->setContentsMargins(8, 2, 8, 2);
    m_dateLabel = new QLabel(clockBox);
    m_dateLabel->setStyleSheet(QStringLiteral("color: #00E000; font-weight: bold;"));
    m_dateLabel->setCursor(Qt::PointingHandCursor);
    m_dateLabel->installEventFilter(this);
    m_timeLabel = new QLabel(clockBox);
    m_timeLabel->setStyleSheet(QStringLiteral("color: #FF9933; font-weight: bold;"));
    clockLayout->addWidget(m_dateLabel);
    clockLayout->addSpacing(10);
    clockLayout->addWidget(m_timeLabel);
    layout->addWidget(clockBox);

    // the calendar panel, opened from the date box
    m_calendarPanel = new QFrame(this);
    m_calendarPanel->setFrameShape(QFrame::Box);
    m_calendarPanel->setAutoFillBackground(true);
    auto* calLayout = new QVBoxLayout(m_calendarPanel);
    calLayout->setContentsMargins(2, 2, 2, 2);
    auto* heading = new QHBoxLayout;
    auto* calTitle = new QLabel(QStringLiteral("Kalender"), m_calendarPanel);
    calTitle->setCursor(Qt::PointingHandCursor);
    calTitle->installEventFilter(this);
    calTitle->setObjectName(QStringLiteral("calendarHeading"));
    auto* calClose = new QToolButton(m_calendarPanel);
    calClose->setText(QStringLiteral("×"));
    calClose->setToolTip(QStringLiteral("Abbrechen"));
    connect(calClose, &QToolButton::clicked, m_calendarPanel, &QWidget::hide);
    heading->addWidget(calTitle, 1);
    heading->addWidget(calClose);
    m_calendar = new QCalendarWidget(m_calendarPanel);
    m_calendar->setVerticalHeaderFormat(QCalendarWidget::ISOWeekNumbers);
    m_calendar->setGridVisible(true);
    calLayout->addLayout(heading);
    calLayout->addWidget(m_calendar);
    m_calendarPanel->adjustSize();
    m_calendarPanel->hide();

    m_timeTimer = new QTimer(this);
    m_timeTimer->setInterval(10000);
    connect(m_timeTimer, &QTimer::timeout, this, &MainWindow::showTime);
    m_timeTimer->start();
}

void MainWindow::createLaneArea(QWidget* parent)
{
    m_laneArea = new QWidget(parent);
    m_laneArea->setMinimumHeight(120);
    m_laneArea->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    // the lanes shown share the width equally
    auto* lanes = new QHBoxLayout(m_laneArea);
    lanes->setContentsMargins(0, 0, 0, 0);
    lanes->setSpacing(0);
    for (int lane = 1; lane <= 3; ++lane) {
        auto* frame = new LanePanel(lane, m_laneArea);
        frame->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Expanding);
        lanes->addWidget(frame, 1);
        m_lanePanels[std::size_t(lane - 1)] = frame;
        connect(frame, &LanePanel::finishClicked, this,
                [this, lane] { m_clock.stopCommand(lane).trigger(); });
        connect(frame, &LanePanel::startClicked, this,
                [this, lane] { m_clock.startCommand(lane).trigger(); });
        connect(frame, &LanePanel::teamChosen, this,
                [this, lane](int index) { m_competition.lanes().select(lane, index); });
    }
    connect(m_lanePanels[2], &LanePanel::inUseClicked, this,
            [this](bool checked) { m_session.setLane3On(checked); });
    m_laneArea->installEventFilter(this);
}

void MainWindow::createButtonRow(QWidget* parent)
{
    m_buttonRow = new QWidget(parent);
    m_buttonRow->setObjectName(QStringLiteral("buttonRow"));
    m_buttonRow->setFixedHeight(kButtonRowHeight);
    for (auto& panel : m_buttonPanels) {
        panel = new QWidget(m_buttonRow);
        auto* layout = new QHBoxLayout(panel);
        layout->setContentsMargins(2, 1, 2, 1);
        layout->setSpacing(2);
    }
    auto* left = static_cast<QHBoxLayout*>(m_buttonPanels[0]->layout());
    auto* middle = static_cast<QHBoxLayout*>(m_buttonPanels[1]->layout());
    auto* right = static_cast<QHBoxLayout*>(m_buttonPanels[2]->layout());

    m_loadButton = toolButton(m_buttonPanels[0], QStringLiteral("Öffnen"), QString());
    m_startBarrierIndicator = new QLabel(m_buttonPanels[0]);
    m_startBarrierIndicator->setToolTip(QStringLiteral("[F11] START-LS blockieren"));
    m_startBarrierIndicator->setFixedSize(30, 30);
    m_startBarrierIndicator->setCursor(Qt::PointingHandCursor);
    m_startBarrierIndicator->installEventFilter(this);
    m_startBarrierIndicator->hide();

    // START, "&Fehlstart" and RESET share one place
    auto* startStack = new QWidget(m_buttonPanels[0]);
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
            [this] { m_clock.command(ClockCommand::Start).trigger(); });
    connect(m_falseStartButton, &QPushButton::clicked, this,
            [this] { m_clock.command(ClockCommand::FalseStart).trigger(); });
    connect(m_resetButton, &PressButton::activated, this,
            [this] { m_clock.command(ClockCommand::Reset).trigger(); });

    for (int lane = 1; lane <= 3; ++lane) {
        QWidget* panel = m_buttonPanels[std::size_t(lane - 1)];
        auto* b = toolButton(panel, QString::number(lane),
                             QStringLiteral("Laufbahn %1. Aus dem Protokoll zu nehmen").arg(lane));
        QFont f = b->font();
        f.setBold(true);
        b->setFont(f);
        connect(b, &QToolButton::clicked, this, [this, lane] { m_session.assignRowToLane(lane); });
        m_laneAssignButtons[std::size_t(lane - 1)] = b;
    }
    left->addWidget(m_loadButton);
    left->addWidget(m_startBarrierIndicator);
    left->addWidget(startStack);
    left->addStretch();
    left->addWidget(m_laneAssignButtons[0]);

    m_saveButton = toolButton(m_buttonPanels[1], QStringLiteral("Speichern"),
                              QStringLiteral("[Ctrl+S] Protokoll speichern unter"));
    m_printButton = toolButton(m_buttonPanels[1], QStringLiteral("Drucken"),
                               QStringLiteral("[Ctrl+D] Protokoll drucken"));
    m_spreadsheetButton =
        toolButton(m_buttonPanels[1], QStringLiteral("Excel"), QStringLiteral("Datei in MS Excel"));
    m_webPageButton =
        toolButton(m_buttonPanels[1], QStringLiteral("HTML"), QStringLiteral("[Ctrl+H] Als Webseite"));
    m_clearResultsButton = toolButton(m_buttonPanels[1], QStringLiteral("Löschen"),
                                      QStringLiteral("[Ctrl+A] Ergebnisse entfernen"));
    m_tvButton =
        toolButton(m_buttonPanels[1], QStringLiteral("TV"), QStringLiteral("[Ctrl+T] TV-Modus EIN/AUS"));
    m_tvButton->setCheckable(true);
    m_certificatesButton = toolButton(m_buttonPanels[1], QStringLiteral("Urkunden"),
                                      QStringLiteral("[Ctrl+U] Urkunden drucken"));
    for (QToolButton* b : {m_saveButton, m_printButton, m_spreadsheetButton, m_webPageButton,
                           m_clearResultsButton, m_tvButton, m_certificatesButton})
        middle->addWidget(b);
    middle->addStretch();
    middle->addWidget(m_laneAssignButtons[1]);

    m_abortButton = new QPushButton(QStringLiteral("0,00"), m_buttonPanels[2]);
    m_abortButton->setToolTip(QStringLiteral("Reset"));
    m_abortButton->setFocusPolicy(Qt::NoFocus);
    setButtonColour(m_abortButton, kResetRed);
    connect(m_abortButton, &QPushButton::clicked, this,
            [this] { m_clock.command(ClockCommand::Clear).trigger(); });
    right->addWidget(m_abortButton);
    right->addStretch();
    right->addWidget(m_laneAssignButtons[2]);

    connect(m_loadButton, &QToolButton::clicked, this, &MainWindow::chooseAndLoadProtocol);
    connect(m_saveButton, &QToolButton::clicked, this, &MainWindow::saveProtocol);
    connect(m_spreadsheetButton, &QToolButton::clicked, this, &MainWindow::showInSpreadsheet);
    connect(m_webPageButton, &QToolButton::clicked, this, &MainWindow::showWebPage);
    connect(m_clearResultsButton, &QToolButton::clicked, this, [this] { m_competition.clearResults(); });
    connect(m_helpButton, &QToolButton::clicked, this, [this] { openHelp(manual_page::kStart); });
    connect(m_aboutButton, &QToolButton::clicked, this, &MainWindow::showAbout);
    connect(m_settingsButton, &QToolButton::clicked, this, &MainWindow::editSettings);
    connect(m_tvButton, &QToolButton::clicked, this, &MainWindow::toggleTv);
    connect(m_printButton, &QToolButton::clicked, this, [this] { m_printCommands->setUpPrinter(); });
    connect(m_certificatesButton, &QToolButton::clicked, this,
            [this] { m_printCommands->printCertificates(); });
}

void MainWindow::createPages(QWidget* parent)
{
    m_roundTabs = new RoundTabWidget(parent);
    m_roundTabs->setTabPosition(QTabWidget::South);
    m_roundTabs->setDocumentMode(true);
    m_tableMenu = new QMenu(this);
    m_recalculateAction = m_tableMenu->addAction(QStringLiteral("Neu auswerten"), this,
                                                 [this] { m_competition.recalculateRound(); });
    m_tableMenu->addAction(QStringLiteral("Aus"), this, [this] { m_competition.markVoid(); });
    m_tableMenu->addAction(QStringLiteral("Dis"), this, [this] { m_competition.markDisqualified(); });
    m_tableMenu->addSeparator();
    // 5. the captions of the two filling commands
    m_tableMenu->addAction(QStringLiteral("Mit Zufallszahlen füllen"), this,
                           [this] { m_competition.fillWithRandomResults(); });
    m_tableMenu->addAction(QStringLiteral("Alle Seiten füllen"), this, [this] {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_session.fillAllPages();
        QApplication::restoreOverrideCursor();
        syncTabToCompetition();
    });
    // undo and redo answer their keys anywhere in the window; greyed while there is nothing to do
    m_tableMenu->addSeparator();
    QAction* undo = addCommand(QStringLiteral("Rückgängig"), QKeySequence(Qt::CTRL | Qt::Key_Z),
                               [this] { m_session.undo(); });
    QAction* redo = addCommand(QStringLiteral("Wiederholen"), QKeySequence(Qt::CTRL | Qt::Key_Y),
                               [this] { m_session.redo(); });
    undo->setObjectName(QStringLiteral("undoAction"));
    redo->setObjectName(QStringLiteral("redoAction"));
    m_tableMenu->addActions({undo, redo});
    auto showUndoState = [this, undo, redo] {
        undo->setEnabled(m_session.canUndo());
        redo->setEnabled(m_session.canRedo());
    };
    connect(&m_session, &AppSession::undoStateChanged, this, showUndoState);
    showUndoState();

    for (CompetitionRound round : kAllRounds) {
        auto* model = new ProtocolTableModel(m_competition, round, this);
        auto* view = new ProtocolTableView(m_competition, model, nullptr);
        m_models[std::size_t(roundIndex(round))] = model;
        m_views[std::size_t(roundIndex(round))] = view;
        if (round != CompetitionRound::GesamtErgebnis)
            connect(view, &ProtocolTableView::contextMenuWanted, this, &MainWindow::showContextMenu);
        // the heading bars follow the column widths, the stretched team column's too
        if (round == CompetitionRound::Vorrunde || round == CompetitionRound::GesamtErgebnis)
            connect(view->horizontalHeader(), &QHeaderView::sectionResized, this,
                    &MainWindow::layoutHeadingBars);

        auto* page = new QWidget;
        auto* layout = new QVBoxLayout(page);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        if (round == CompetitionRound::Vorrunde) {
            m_laneHeadingBar = new HeadingBar(page);
            layout->addWidget(m_laneHeadingBar);
            m_contactLog = new QPlainTextEdit(page);
            m_contactLog->setReadOnly(true);
            m_contactLog->hide();
        } else if (round == CompetitionRound::GesamtErgebnis) {
            m_roundHeadingBar = new HeadingBar(page);
            layout->addWidget(m_roundHeadingBar);
        }
        view->setParent(page);
        layout->addWidget(view, 1);
        m_roundTabs->addTab(page, m_competition.tables().pageCaption(round));
    }
    connect(m_roundTabs, &QTabWidget::currentChanged, this, &MainWindow::onTabChanged);
}

void MainWindow::createStatusBar()
{
    auto* bar = statusBar();
    bar->setSizeGripEnabled(true);
    for (std::size_t i = 0; i < m_statusPanels.size(); ++i) {
        // the last one shows the address of the live results
        m_statusPanels[i] = i == 3 ? static_cast<QLabel*>(new LiveAddressPanel(bar)) : new StatusPanel(bar);
        m_statusPanels[i]->setFrameShape(QFrame::Panel);
        m_statusPanels[i]->setFrameShadow(QFrame::Sunken);
    }
    m_statusPanels[0]->setFixedWidth(60);
    static_cast<StatusPanel*>(m_statusPanels[1])
        ->setFullText(QStringLiteral(" ") + version::kProgramName +
                      QStringLiteral(" – Zeitmessung für Feuerwehr-Wettkämpfe"));
    m_statusPanels[1]->setFixedWidth(330);
    m_statusPanels[3]->setMinimumWidth(110);
    bar->addWidget(m_statusPanels[0]);
    bar->addWidget(m_statusPanels[1]);
    bar->addWidget(m_statusPanels[2], 1);
    bar->addPermanentWidget(m_statusPanels[3]);
}

QAction* MainWindow::addCommand(const QString& caption, const QKeySequence& key, std::function<void()> action)
{
    // the commands live in menus that are never shown; they answer their keys anywhere in the
    // window, once per press: a held key that the keyboard repeats must not start a lane again
    auto* command = new QAction(caption, this);
    command->setShortcut(key);
    command->setShortcutContext(Qt::WindowShortcut);
    command->setAutoRepeat(false);
    connect(command, &QAction::triggered, this, [action = std::move(action)] { action(); });
    addAction(command);
    return command;
}

void MainWindow::createCommands()
{
    addCommand(QStringLiteral("Hilfe"), Qt::Key_F1, [this] { openHelp(manual_page::kStart); });
    addCommand(QStringLiteral("H&ilfe"), QKeySequence(Qt::ALT | Qt::Key_H),
               [this] { openHelp(manual_page::kStart); });
    addCommand(QStringLiteral("&Einstellungen"), Qt::Key_F2, [this] { editSettings(); });
    addCommand(QStringLiteral("Info"), Qt::Key_F3, [this] { showAbout(); });
    addCommand(QStringLiteral("Fehler"), Qt::Key_F4,
               [this] { m_clock.command(ClockCommand::FalseStart).trigger(); });
    addCommand(QStringLiteral("Start"), Qt::Key_F5,
               [this] { m_clock.command(ClockCommand::Start).trigger(); });
    addCommand(QStringLiteral("Stop1"), Qt::Key_F6,
               [this] { m_clock.command(ClockCommand::Stop1).trigger(); });
    addCommand(QStringLiteral("Stop2"), Qt::Key_F7,
               [this] { m_clock.command(ClockCommand::Stop2).trigger(); });
    addCommand(QStringLiteral("Stop3"), Qt::Key_F8,
               [this] { m_clock.command(ClockCommand::Stop3).trigger(); });
    addCommand(QStringLiteral("00:00"), Qt::Key_F10,
               [this] { m_clock.command(ClockCommand::Reset).trigger(); });
    addCommand(QStringLiteral("Block LS"), Qt::Key_F11, [this] { m_decoder.toggleStartLightBarrier(); });
    addCommand(QStringLiteral("&Drucker"), QKeySequence(Qt::CTRL | Qt::Key_D), [this] {
        if (m_clock.controls().saveEnabled)
            m_printCommands->setUpPrinter();
    });
    addCommand(QStringLiteral("&Beenden"), QKeySequence(Qt::ALT | Qt::Key_B), [this] { close(); });
    addCommand(QStringLiteral("Open"), QKeySequence(Qt::CTRL | Qt::Key_O), [this] {
        if (m_clock.controls().loadEnabled)
            chooseAndLoadProtocol();
    });
    addCommand(QStringLiteral("Save"), QKeySequence(Qt::CTRL | Qt::Key_S), [this] {
        if (m_clock.controls().saveEnabled)
            saveProtocol();
    });
    addCommand(QStringLiteral("Gramoty"), QKeySequence(Qt::CTRL | Qt::Key_U),
               [this] { m_printCommands->printProtocol(); });
    for (int lane = 1; lane <= 3; ++lane) {
        addCommand(QString::number(lane), QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_0 + lane)),
                   [this, lane] { m_session.assignRowToLane(lane); });
        addCommand(QStringLiteral("Start %1").arg(lane), QKeySequence(Qt::ALT | Qt::Key(Qt::Key_0 + lane)),
                   [this, lane] { m_clock.startCommand(lane).trigger(); });
    }
    addCommand(QStringLiteral("TV Modus"), QKeySequence(Qt::CTRL | Qt::Key_T), [this] { toggleTv(); });
    addCommand(QStringLiteral("Clear"), QKeySequence(Qt::CTRL | Qt::Key_A), [this] {
        if (m_clock.controls().clearEnabled)
            m_competition.clearResults();
    });
    addCommand(QStringLiteral("Html"), QKeySequence(Qt::CTRL | Qt::Key_H), [this] {
        if (m_clock.controls().saveEnabled)
            showWebPage();
    });
    addCommand(QStringLiteral("Protokol"), QKeySequence(Qt::CTRL | Qt::Key_P), [this] {
        if (m_clock.controls().saveEnabled)
            printWebPage();
    });
    addCommand(QStringLiteral("Excel"), QKeySequence(Qt::CTRL | Qt::Key_E), [this] {
        if (m_clock.controls().saveEnabled)
            showInSpreadsheet();
    });
}

// ---------------------------------------------------------------- showing the state

void MainWindow::refreshControls()
{
    const RunControls& c = m_clock.controls();
    m_startButton->setVisible(c.startShown);
    m_startButton->setEnabled(c.startButtonEnabled);
    setButtonColour(m_startButton, c.startGreen ? kStartGreen : QColor());
    m_falseStartButton->setVisible(c.falseStartShown);
    m_falseStartButton->setEnabled(c.falseStartEnabled);
    m_resetButton->setVisible(c.resetShown);
    m_resetButton->setEnabled(c.resetEnabled);
    setButtonColour(m_resetButton, c.resetRed ? kResetRed : QColor());

    m_loadButton->setEnabled(c.loadEnabled);
    m_settingsButton->setEnabled(c.settingsEnabled);
    if (m_settingsDialog)
        m_settingsDialog->setConfirmAllowed(c.settingsEnabled);
    for (int i = 0; i < 3; ++i)
        m_laneAssignButtons[std::size_t(i)]->setEnabled(c.assignEnabled[std::size_t(i)]);
    for (QToolButton* b : {m_saveButton, m_printButton, m_spreadsheetButton, m_webPageButton})
        b->setEnabled(c.saveEnabled);
    m_certificatesButton->setEnabled(c.certificatesEnabled);
    m_clearResultsButton->setEnabled(c.clearEnabled);

    for (int lane = 1; lane <= 3; ++lane) {
        LanePanel* frame = m_lanePanels[std::size_t(lane - 1)];
        const LaneControls& l = c.lane(lane);
        frame->setFinishArmed(l.armed);
        frame->setStartButton(l.startButtonVisible, l.startButtonEnabled, l.startButtonGreen);
        frame->setTeamsEnabled(m_competition.lanes().selector(lane).enabled);
        if (lane == 3)
            frame->setInUse(m_competition.lanes().inUse(3));
    }
}

void MainWindow::refreshLanes()
{
    // each lane lists the page's teams as "%3s %s" of start number and name
    const ResultGrid& table = m_competition.currentGrid();
    QStringList teams;
    for (int r = 1; r < table.rowCount(); ++r)
        teams << LaneAssignment::entryText(table, r);
    for (int lane = 1; lane <= 3; ++lane) {
        const LaneSelector& selector = m_competition.lanes().selector(lane);
        m_lanePanels[std::size_t(lane - 1)]->setTeams(teams.mid(0, selector.count), selector.index,
                                                      selector.enabled);
    }
    // the teams that run next stay in sight in the table; the operator's own scrolling is kept
    // until the lanes take other teams
    std::array<int, 3> rows{};
    for (int lane = 1; lane <= 3; ++lane)
        rows[std::size_t(lane - 1)] =
            m_competition.laneActive(lane) ? m_competition.lanes().selector(lane).index : -1;
    const CompetitionRound page = m_competition.currentRound();
    ProtocolTableView* view = m_views[std::size_t(roundIndex(page))];
    if (!view || (rows == m_shownLaneRows && page == m_shownLanesPage))
        return;
    m_shownLaneRows = rows;
    m_shownLanesPage = page;
    int first = INT_MAX;
    int last = -1;
    for (const int index : rows) {
        if (index >= 0) {
            first = std::min(first, index);
            last = std::max(last, index);
        }
    }
    if (last < 0)
        return;
    const int team = std::min(1, view->model()->columnCount() - 1);
    view->scrollTo(view->model()->index(last, team));
    view->scrollTo(view->model()->index(first, team));
}

void MainWindow::scheduleViewSync()
{
    if (m_viewSyncPending)
        return;
    m_viewSyncPending = true;
    QTimer::singleShot(0, this, &MainWindow::syncViews);
}

void MainWindow::syncViews()
{
    m_viewSyncPending = false;
    for (ProtocolTableView* view : m_views) {
        // an editor stays open only while the core edits that cell (a recalculation or a page
        // change ends the edit)
        const bool coreEditing =
            m_competition.currentRound() == view->round() && m_competition.grid(view->round()).editMode;
        if (view->isEditing() && !coreEditing && !view->isEditingTeam())
            view->closeCellEditor();
        if (!view->isEditing())
            view->syncSelection();
    }
    refreshStatus(0);
}

void MainWindow::refreshStatus(int panel)
{
    if (panel == 0)
        static_cast<StatusPanel*>(m_statusPanels[0])
            ->setFullText(QStringLiteral(" %1").arg(m_competition.currentGrid().dataRowCount()));
    else if (panel == 2)
        static_cast<StatusPanel*>(m_statusPanels[2])->setFullText(m_session.statusMessage());
    else if (panel == 3) {
        // the live results' address while they are switched on, else the window's size
        const QString live = m_session.liveResultsText();
        static_cast<LiveAddressPanel*>(m_statusPanels[3])
            ->setAddress(live.isEmpty() ? QStringLiteral("%1x%2      ").arg(width()).arg(height())
                                        : QLatin1Char(' ') + live);
    }
}

void MainWindow::refreshCaptions()
{
    for (CompetitionRound round : kAllRounds)
        m_roundTabs->setTabText(roundIndex(round), m_competition.tables().pageCaption(round));
    layoutColumns();
}

void MainWindow::showLaneTime(int lane)
{
    const LaneDigits digits = m_clock.laneDisplay(lane);
    m_lanePanels[std::size_t(lane - 1)]->showDigits(digits);
}

void MainWindow::showTime()
{
    m_timeLabel->setText(QLocale().toString(QTime::currentTime(), QLocale::ShortFormat));
}

// ---------------------------------------------------------------- layout

void MainWindow::layoutLanes()
{
    const bool shown = m_competition.laneAreaVisible();
    const int n = m_competition.lanesShown();
    m_laneArea->setVisible(shown);
    m_lanePanels[2]->setVisible(n == 3);
    for (int lane = 1; lane <= 3; ++lane) {
        const LaneControls& l = m_clock.controls().lane(lane);
        m_lanePanels[std::size_t(lane - 1)]->setStartButton(l.startButtonVisible, l.startButtonEnabled,
                                                            l.startButtonGreen);
    }

    // "0,00" sits in the third lane's panel, or left of "1" when there are two lanes
    auto* left = static_cast<QHBoxLayout*>(m_buttonPanels[0]->layout());
    auto* right = static_cast<QHBoxLayout*>(m_buttonPanels[2]->layout());
    if (n == 3 && m_abortButton->parentWidget() != m_buttonPanels[2])
        right->insertWidget(0, m_abortButton);
    else if (n == 2 && m_abortButton->parentWidget() != m_buttonPanels[0])
        left->insertWidget(left->indexOf(m_laneAssignButtons[0]), m_abortButton);
    m_abortButton->setVisible(shown);
    m_laneAssignButtons[1]->setVisible(shown);
    m_laneAssignButtons[2]->setVisible(shown && n == 3);

    // the button panels take the widths and left edges of the lanes; the middle one goes left on
    // the overall page, and it grows to the right rather than cut its buttons' captions
    const int rowWidth = m_buttonRow->width();
    const int outer = rowWidth / n;
    m_buttonPanels[0]->setVisible(shown);
    m_buttonPanels[2]->setVisible(shown && n == 3);
    if (!shown) {
        m_buttonPanels[1]->setGeometry(0, 0, std::max(outer, m_buttonPanels[1]->sizeHint().width()),
                                       kButtonRowHeight);
        return;
    }
    m_buttonPanels[0]->setGeometry(0, 0, outer, kButtonRowHeight);
    if (n == 2) {
        m_buttonPanels[1]->setGeometry(outer, 0, rowWidth - outer, kButtonRowHeight);
        return;
    }
    const int middleWidth = std::min(std::max(outer, m_buttonPanels[1]->sizeHint().width()),
                                     rowWidth - outer - m_buttonPanels[2]->sizeHint().width());
    m_buttonPanels[1]->setGeometry(outer, 0, middleWidth, kButtonRowHeight);
    m_buttonPanels[2]->setGeometry(outer + middleWidth, 0, rowWidth - outer - middleWidth, kButtonRowHeight);
}

void MainWindow::layoutColumns()
{
    const CompetitionOptions& o = m_competition.options();
    const bool cls = o.classColumnShown;
    const bool third = o.thirdLaneOn;
    const bool eight = o.knockoutStart == KnockoutStart::Viertelfinale;
    // widthOf(column) gives a width in pixels, kRestWidth for the column that takes the rest of
    // the table's width (the header stretches it), or kHiddenColumn
    auto apply = [](ProtocolTableView* view, int columnCount, const auto& widthOf) {
        QHeaderView* header = view->horizontalHeader();
        for (int c = 0; c < columnCount; ++c) {
            const int w = widthOf(c);
            view->setColumnHidden(c, w == kHiddenColumn);
            header->setSectionResizeMode(c, w == kRestWidth ? QHeaderView::Stretch : QHeaderView::Fixed);
            if (w > 0)
                header->resizeSection(c, w);
        }
    };
    apply(table(CompetitionRound::Vorrunde), kVorrundeColumnCount,
          [cls, third](int c) { return vorrundeColumnWidth(VorrundeColumn(c), cls, third); });
    for (CompetitionRound round : kAllRounds) {
        if (isKnockoutRound(round))
            apply(table(round), kKnockoutColumnCount,
                  [cls](int c) { return knockoutColumnWidth(KnockoutColumn(c), cls); });
    }
    apply(table(CompetitionRound::GesamtErgebnis), kOverallColumnCount,
          [cls, eight](int c) { return overallColumnWidth(OverallColumn(c), cls, eight); });

    layoutHeadingBars();
}

void MainWindow::layoutHeadingBars()
{
    // heading bars over the tables: each group as wide as its columns plus 2
    auto span = [](ProtocolTableView* view, auto first, auto last) {
        int sum = 0;
        for (int c = columnIndex(first); c <= columnIndex(last); ++c) {
            if (!view->isColumnHidden(c))
                sum += view->columnWidth(c);
        }
        return sum;
    };
    using V = VorrundeColumn;
    using O = OverallColumn;
    const QStringList& top = m_competition.tables().laneHeadings();
    ProtocolTableView* v = table(CompetitionRound::Vorrunde);
    m_laneHeadingBar->setHeadings(
        {{top.value(0), span(v, V::Nr, V::Klasse), {}, {}},
         {top.value(1), span(v, laneTimeColumn(1), laneResultColumn(1)), QColor::fromRgb(colour::Lane1), {}},
         {top.value(2), span(v, laneTimeColumn(2), laneResultColumn(2)), QColor::fromRgb(colour::Lane2), {}},
         {top.value(3), span(v, laneTimeColumn(3), laneResultColumn(3)), QColor::fromRgb(colour::Lane3), {}},
         {top.value(4), span(v, V::RankingValue, V::Place), QColor::fromRgb(colour::Ranking), {}}});
    const QStringList& top7 = m_competition.tables().roundHeadings();
    ProtocolTableView* g = table(CompetitionRound::GesamtErgebnis);
    const QColor yellow = QColor::fromRgb(colour::Yellow);
    auto runSpan = [&](CompetitionRound round) {
        return span(g, knockoutTimeColumn(round), knockoutResultColumn(round));
    };
    m_roundHeadingBar->setHeadings(
        {{top7.value(0), span(g, O::Place, O::Klasse), {}, {}},
         {top7.value(1), span(g, O::VorrundeResult, O::VorrundeResult), QColor::fromRgb(colour::Vorrunde),
          yellow},
         {top7.value(2), runSpan(CompetitionRound::Achtelfinale), QColor::fromRgb(colour::Achtelfinale), {}},
         {top7.value(3),
          runSpan(CompetitionRound::Viertelfinale),
          QColor::fromRgb(colour::Viertelfinale),
          {}},
         {top7.value(4), runSpan(CompetitionRound::Halbfinale), QColor::fromRgb(colour::Halbfinale), {}},
         {top7.value(5), runSpan(CompetitionRound::Finale), QColor::fromRgb(colour::Finale), {}},
         {top7.value(6), span(g, O::BestResult, O::BestResult), QColor::fromRgb(colour::Bestes), yellow}});
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    // the lane area takes about a third of the height
    m_laneArea->setFixedHeight(std::max(120, (height() - kTopBarHeight - kButtonRowHeight) * 30 / 100));
    layoutLanes();
    layoutColumns();
    refreshStatus(3);
    m_statusPanels[2]->setMinimumWidth(0);
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    QTimer::singleShot(0, this, [this] {
        layoutLanes();
        layoutColumns();
    });
    if (m_firstShow) {
        m_firstShow = false;
        // 22. the mouse pointer to the centre of the load button
        if (m_session.environment().moveMouse)
            QCursor::setPos(m_loadButton->mapToGlobal(m_loadButton->rect().center()));
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_laneArea && event->type() == QEvent::Resize) {
        layoutLanes();
    } else if (event->type() == QEvent::MouseButtonPress) {
        if (watched == m_startBarrierIndicator) {
            m_decoder.toggleStartLightBarrier();
            return true;
        }
        if (watched == m_dateLabel) {
            // the calendar at the top edge, its right edge 3 pixels right of the date box's left edge
            m_calendarPanel->adjustSize();
            const QPoint dateLeft = m_dateLabel->mapTo(this, QPoint(0, 0));
            m_calendarPanel->move(std::max(0, dateLeft.x() + 3 - m_calendarPanel->width()), 0);
            m_calendarPanel->raise();
            m_calendarPanel->show();
            return true;
        }
        if (watched->objectName() == QLatin1String("calendarHeading")) {
            m_calendarPanel->hide();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------- pages

void MainWindow::onTabChanged(int index)
{
    if (m_syncingTabs || index < 0)
        return;
    // leaving a page builds the next round; entering one refills the lanes. A page that may not
    // be left now keeps its tab.
    if (!m_session.changePage(roundAt(index))) {
        syncTabToCompetition();
        return;
    }
    layoutLanes();
    layoutColumns();
    syncViews();
}

void MainWindow::syncTabToCompetition()
{
    const int index = roundIndex(m_competition.currentRound());
    if (m_roundTabs->currentIndex() != index) {
        m_syncingTabs = true;
        m_roundTabs->setCurrentIndex(index);
        m_syncingTabs = false;
    }
    layoutLanes();
    layoutColumns();
    scheduleViewSync();
}

void MainWindow::showContextMenu(const QPoint& globalPos)
{
    m_recalculateAction->setEnabled(m_competition.canRecalculate());
    m_tableMenu->exec(globalPos);
}

// ---------------------------------------------------------------- commands

bool MainWindow::loadProtocol(const QString& path, bool quiet, QString* message)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const ProtocolResult result = m_session.loadProtocol(path);
    QApplication::restoreOverrideCursor();
    if (!result.ok) {
        if (message)
            *message = result.message;
        if (!quiet)
            showWarning(result.message);
        return false;
    }
    // the next save proposes the same file as a workbook (showDocumentState)
    syncTabToCompetition();
    refreshLanes();
    refreshControls();
    return true;
}

void MainWindow::chooseAndLoadProtocol()
{
    if (m_files.hasUnsavedChanges() &&
        !m_confirmDialog->ask(
            QStringLiteral("Die Ergebnisse sind nicht gespeichert. Trotzdem ein Protokoll laden?")))
        return;
    const QString path =
        QFileDialog::getOpenFileName(this, QStringLiteral("Protokoll öffnen"), m_dialogFolder,
                                     loadFilter(m_session.programFiles().fileTypeNames));
    if (path.isEmpty())
        return;
    loadProtocol(path);
}

void MainWindow::saveProtocol()
{
    const std::vector<SaveFilterEntry> entries =
        saveFilters(m_session.programFiles().fileTypeNames, m_files.availableWriters());
    QStringList filters;
    for (const SaveFilterEntry& entry : entries)
        filters << entry.filter;
    QString selected = initialSaveFilter(entries, m_saveFilterIndex).filter;
    const QString proposal = QDir(m_dialogFolder).filePath(m_saveFileName);
    QString path = chooseSaveFile(proposal, filters, &selected);
    if (path.isEmpty())
        return;
    m_saveFilterIndex = filterIndexOf(entries, selected);
    for (const SaveFilterEntry& entry : entries) {
        if (entry.filterIndex == m_saveFilterIndex && QFileInfo(path).suffix().isEmpty())
            path += QLatin1Char('.') + entry.suffix;
    }
    m_saveFileName = QFileInfo(path).fileName();
    m_dialogFolder = QFileInfo(path).absolutePath();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const ProtocolResult result = m_files.saveCommand(m_saveFilterIndex, path);
    QApplication::restoreOverrideCursor();
    if (!result.ok)
        showWarning(result.message);
}

void MainWindow::showInSpreadsheet()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const ProtocolResult result = m_files.showInSpreadsheet();
    QApplication::restoreOverrideCursor();
    if (!result.ok)
        showWarning(result.message);
}

void MainWindow::showWebPage()
{
    const ProtocolResult result = m_session.exports().showWebPage();
    if (!result.ok)
        showWarning(result.message);
}

void MainWindow::printWebPage()
{
    // a page that was not written is not printed
    const ProtocolResult result = m_session.exports().writeWebPageFile();
    if (!result.ok) {
        showWarning(result.message);
        return;
    }
    m_printCommands->printWebPage(result.path);
}

void MainWindow::openHelp(const QString& page)
{
    const QString startPage = m_session.programFiles().manualStartPage;
    if (!QFileInfo::exists(startPage)) {
        m_session.setStatusMessage(QStringLiteral(" Handbuch nicht gefunden: ") +
                                   QDir::toNativeSeparators(startPage));
        return;
    }
    // Over a modal dialog (the settings) the manual belongs to that dialog, which would block
    // input to any other window.
    QWidget* owner = QApplication::activeModalWidget();
    if (!owner)
        owner = this;
    if (!m_helpWindow) {
        m_helpWindow = new HelpWindow(startPage, owner);
    } else if (m_helpWindow->parentWidget() != owner) {
        // a window that is shown stays where the operator put it
        const bool shown = m_helpWindow->isVisible();
        const QRect bounds = m_helpWindow->geometry();
        m_helpWindow->setParent(owner, Qt::Window);
        if (shown)
            m_helpWindow->setGeometry(bounds);
    }
    m_helpWindow->showPage(page);
    m_helpWindow->show();
    m_helpWindow->raise();
    m_helpWindow->activateWindow();
}

void MainWindow::showAbout()
{
    m_aboutDialog->exec();
}

void MainWindow::editSettings()
{
    // a heat that runs keeps its ports and lanes
    if (!m_clock.controls().settingsEnabled)
        return;
    Settings current = m_session.settings();
    current.setWindowBounds(normalGeometry());
    current.competitionTitle = m_competitionTitleLabel->text();
    current.saveFilterIndex = m_saveFilterIndex;
    QList<QSize> monitors;
    for (const QScreen* screen : QGuiApplication::screens())
        monitors.append(screen->size());
    m_settingsDialog->load(
        current, m_session.portChoices(), monitors,
        certificate_text::samples(m_competition, current.competitionTitle, QDate::currentDate(), QLocale()));
    m_settingsDialog->setPortState(m_session.contactPortState());
    m_settingsDialog->setConfirmAllowed(m_clock.controls().settingsEnabled);
    if (m_settingsDialog->exec() == QDialog::Accepted)
        m_session.applySettings(m_settingsDialog->settings());
    table(m_competition.currentRound())->setFocus();
}

void MainWindow::showAppliedSettings()
{
    const Settings& settings = m_session.settings();
    m_competitionTitleLabel->setText(settings.competitionTitle);
    m_competitionTitleLabel->setVisible(!settings.competitionTitle.isEmpty());
    // hiding a tab must not count as leaving the page: the session has chosen the page already
    m_syncingTabs = true;
    m_roundTabs->setTabVisible(roundIndex(CompetitionRound::Achtelfinale),
                               m_competition.isPageVisible(CompetitionRound::Achtelfinale));
    m_syncingTabs = false;
    syncTabToCompetition();
    refreshControls();
    layoutLanes();
    layoutColumns();
    // a picture that cannot be read leaves the one shown
    m_tvWindow->setBannerFile(settings.tvTitleImage);
    m_tvWindow->loadBanner();
    m_tvWindow->setMonitor(settings.tvMonitor);
}

void MainWindow::toggleTv()
{
    m_tvWindow->setVisible(!m_tvWindow->isVisible());
    activateWindow();
    raise();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (m_files.hasUnsavedChanges() && m_competition.tableHasData()) {
        // results that are in no workbook yet: save them, leave them (the journal keeps them), or stay
        QMessageBox box(QMessageBox::Question, QString(version::kProgramName),
                        QStringLiteral("Änderungen speichern?"), QMessageBox::NoButton, this);
        QPushButton* yes = box.addButton(QStringLiteral("Ja"), QMessageBox::YesRole);
        box.addButton(QStringLiteral("Nein"), QMessageBox::NoRole);
        QPushButton* cancel = box.addButton(QStringLiteral("Abbrechen"), QMessageBox::RejectRole);
        box.setDefaultButton(cancel);
        box.setEscapeButton(cancel);
        box.setObjectName(QStringLiteral("saveQuestion"));
        box.exec();
        if (box.clickedButton() == cancel) {
            event->ignore();
            return;
        }
        if (box.clickedButton() == yes) {
            saveProtocol();
            if (m_files.hasUnsavedChanges()) {
                event->ignore(); // not saved after all
                return;
            }
        }
        event->accept();
        return;
    }
    if (m_competition.grid(CompetitionRound::Vorrunde).rowCount() > 2 &&
        !m_confirmDialog->ask(QStringLiteral("Programm beenden?"))) {
        event->ignore();
        return;
    }
    event->accept();
}

void MainWindow::showDocumentState()
{
    // the program, the protocol's file, and a mark while changes are unsaved
    const QString file = m_files.currentFile();
    // a protocol's file (loaded, saved, or back with a restart or undo) is what the dialogs offer
    if (file != m_shownFile) {
        m_shownFile = file;
        if (!file.isEmpty()) {
            m_saveFilterIndex = kFilterIndexAfterLoad;
            m_saveFileName = saveNameAfterLoad(file);
            m_dialogFolder = QFileInfo(file).absolutePath();
        }
    }
    setWindowTitle(QString(version::kProgramName) + QStringLiteral(" v. ") + version::kVersion +
                   (file.isEmpty() ? QString() : QStringLiteral(" – ") + QFileInfo(file).fileName()) +
                   QStringLiteral("[*]"));
    setWindowModified(m_files.hasUnsavedChanges());
}

} // namespace brv
