#include "TFormMain.h"

#include "ComPort.h"
#include "ContactDecoder.h"
#include "ContactInputs.h"
#include "JsonSettingsBackend.h"
#include "ProtocolTableModel.h"
#include "ProtocolTableView.h"
#include "QtSoundPlayer.h"
#include "RaceClock.h"
#include "RoundTabBar.h"
#include "SerialDevices.h"
#include "SettingsApply.h"
#include "SettingsStore.h"
#include "SmallDialogs.h"
#include "TFrame1.h"

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QDate>
#include <QDesktopServices>
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
#include <QUrl>
#include <QVBoxLayout>

namespace brv {

namespace {

constexpr int kTopBarHeight = 44;
constexpr int kButtonRowHeight = 34;
constexpr int kMinimumWidth = 960;
constexpr int kMinimumHeight = 463;

const QColor kStartGreen(0, 160, 0);
const QColor kZielYellow(255, 204, 51);
const QColor kResetRed(255, 0, 0);

// Colours a button, or gives it the system's button face back; only touches it on change.
void setButtonColour(QAbstractButton* button, const QColor& colour)
{
    const QString sheet = colour.isValid()
                              ? QStringLiteral("QPushButton { background-color: %1; }").arg(colour.name())
                              : QString();
    if (button->styleSheet() != sheet)
        button->setStyleSheet(sheet);
}

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

class DesktopFileOpener final : public SystemFileOpener
{
public:
    bool openFile(const QString& path) override
    {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    }
};

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

TFormMain::TFormMain(AppEnvironment environment, QWidget* parent)
    : QMainWindow(parent), m_env(std::move(environment))
{
    if (m_env.programFilePath.isEmpty())
        m_env.programFilePath = QCoreApplication::applicationFilePath();

    m_competition = std::make_unique<Competition>(NumberFormat::fromLocale(QLocale()));
    m_competition->setShiftKeyState(&systemShift());

    // 1. caption and the date box; 2. paths beside the program
    setWindowTitle(kApplicationTitle + QStringLiteral(" v. 1.8"));
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    m_programFiles = ProgramFiles::detect(m_env.programFilePath);

    SoundPlayer* sounds = m_env.sounds;
    if (!sounds && !m_env.silent) {
        // 14. the four sounds are handed to the sound service once
        m_ownSounds = std::make_unique<QtSoundPlayer>(m_programFiles.ProgramDir);
        sounds = m_ownSounds.get();
    }
    m_clock =
        std::make_unique<RaceClock>(*m_competition, m_env.ticks ? *m_env.ticks : steadyTickSource(), sounds);
    m_decoder = std::make_unique<ContactDecoder>(*m_clock);
    auto makePort = [this] {
        auto port = m_env.serialBackend ? std::make_unique<TComPort>(m_env.serialBackend())
                                        : std::make_unique<TComPort>();
        port->setTickSource(m_clock->ticks());
        configureContactPort(*port);
        m_decoder->attach(*port);
        // a port that closes itself (its adapter was unplugged) is reported
        auto decoderClose = port->OnClose;
        port->OnClose = [this, decoderClose](TComPort& sender) {
            if (decoderClose)
                decoderClose(sender);
            onPortClosed(sender);
        };
        return port;
    };
    m_comPort1 = makePort();
    m_comPort2 = makePort();

    m_files = std::make_unique<ProtocolFiles>(*m_competition);
    m_files->setProgramPath(m_env.programFilePath);
    m_files->setApplicationTitle(kApplicationTitle);
    if (!m_env.shell)
        m_opener = std::make_unique<DesktopFileOpener>();
    m_files->setFileOpener(m_opener ? m_opener.get() : nullptr);
    m_clock->setAutosave([this] { m_files->autosaveAfterHeat(); });

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
    layout->addWidget(PageControl1, 1);
    setCentralWidget(central);
    createStatusBar();
    createCommands();

    runStartup();

    // the secondary windows, created once after the main window
    m_yesNo = new TFDlgYesNo(this);
    m_info = new TFormInfo(this);
    m_sxema = new TFormSxema(this);
    m_competition->setYesNoQuestion(m_yesNo);

    connect(m_competition.get(), &Competition::controlsChanged, this, &TFormMain::refreshControls);
    connect(m_competition.get(), &Competition::lanesChanged, this, &TFormMain::refreshLanes);
    connect(m_competition.get(), &Competition::tablesChanged, this, &TFormMain::scheduleTableRefresh);
    connect(m_competition.get(), &Competition::captionsChanged, this, &TFormMain::refreshCaptions);
    connect(m_competition.get(), &Competition::statusChanged, this, &TFormMain::refreshStatus);
    connect(m_competition.get(), &Competition::layoutRequested, this, [this] {
        layoutLanes();
        layoutColumns();
    });
    connect(m_competition.get(), &Competition::pageChanged, this, &TFormMain::syncTabToCompetition);
    connect(m_clock.get(), &RaceClock::controlsChanged, this, &TFormMain::refreshControls);
    connect(m_clock.get(), &RaceClock::laneTimeChanged, this, &TFormMain::showLaneTime);
    connect(m_decoder.get(), &ContactDecoder::startBarrierSymbolChanged, ImageLSstart, &QWidget::setVisible);
    connect(m_decoder.get(), &ContactDecoder::startLightBarrierChanged, this,
            [this](bool armed) { ImageLSstart->setPixmap(barrierPicture(armed)); });
    connect(m_decoder.get(), &ContactDecoder::memoAppended, Memo1, &QPlainTextEdit::appendPlainText);
    ImageLSstart->setVisible(m_decoder->startBarrierSymbolVisible());

    refreshCaptions();
    refreshLanes();
    refreshControls();
    refreshTables();
    for (int panel = 0; panel < 4; ++panel)
        refreshStatus(panel);
    layoutLanes();
    layoutColumns();
}

TFormMain::~TFormMain()
{
    // the ports' threads end before anything else goes
    m_closingPorts = true;
    closeContactPorts(*m_comPort1, *m_comPort2);
    // then every setting is written
    m_settings.setWindowBounds(normalGeometry());
    m_settings.Title = Title->text();
    m_settings.FilterInd = m_saveFilterIndex;
    if (m_store)
        saveSettings(*m_store, m_settings);
    // the widgets show the competition and the clock: they go before them
    m_competition->disconnect(this);
    m_clock->disconnect(this);
    m_decoder->disconnect(this);
    delete m_yesNo;
    delete m_info;
    delete m_sxema;
    delete takeCentralWidget();
}

void TFormMain::runStartup()
{
    // 1. the date box
    Paneldate->setText(QLocale().toString(QDate::currentDate(), QLocale::ShortFormat));
    // 3. lanes and tables are bound; the current table is the Vorrunde
    // 4. the start-barrier symbol shows "blocked"
    ImageLSstart->setPixmap(barrierPicture(false));
    // 6. the clock starts with all start ticks 0 (the clock's own state)
    // 7./8. file-type names and the settings
    m_store = m_env.settingsStore ? m_env.settingsStore
                                  : std::shared_ptr<SettingsBackend>(userSettingsBackend(m_programFiles));
    const int monitors = m_env.monitorCount.value_or(int(QGuiApplication::screens().size()));
    m_settings = loadSettings(*m_store, std::max(1, monitors));
    m_settings.Nadpis.fillDefaultLines();
    if (m_settings.Left && m_settings.Top)
        move(*m_settings.Left, *m_settings.Top);
    resize(std::max(kMinimumWidth, m_settings.Width), std::max(kMinimumHeight, m_settings.Height));
    Title->setText(m_settings.Title);
    m_saveFilterIndex = m_settings.FilterInd;
    m_clock->setStartTrigger(m_settings.Startznach);
    // 9. the calendar shows today
    m_calendar->setSelectedDate(QDate::currentDate());

    ContactInputs inputs;
    for (int n = 1; n <= kContactInputCount; ++n) {
        inputs[n].port = m_settings.InputPort[n];
        inputs[n].line = m_settings.InputLine[n];
        inputs[n].event = m_settings.InputEvent[n];
    }
    m_decoder->setInputs(inputs);

    // 13. the file types of the dialogs (built when a dialog opens)
    // 15. the load button's hint, the help file
    sbLoad->setToolTip(QStringLiteral("[Ctrl+O] Protokoll öffnen"));
    m_helpPresent = QFileInfo::exists(m_programFiles.helpFilePath);
    bHelp->setEnabled(m_helpPresent);
    // 16. usable serial ports, before the program opens its own
    m_availablePorts = m_env.availablePorts ? *m_env.availablePorts : AvailablePorts();
    // 17. the save dialog proposes the program's name with ".txt", both dialogs start beside it
    m_saveFileName = QFileInfo(m_env.programFilePath).completeBaseName() + QStringLiteral(".txt");
    m_dialogFolder = m_programFiles.ProgramDir;
    // 18. the time
    showTime();

    // 10., 11., 19., 20., 21.: the settings take effect (class captions, lane buttons, ports,
    // ranking captions, the Achtelfinale page)
    applySettingsAtStartup(m_settings, *m_competition, [this, inputs](int, int) {
        openContactPorts(*m_comPort1, *m_comPort2, portsAtStartup(inputs));
    });
    m_competition->writeCaptions();
    PageControl1->setTabVisible(roundIndex(CompetitionRound::Achtelfinale),
                                m_competition->isPageVisible(CompetitionRound::Achtelfinale));
    m_syncingTabs = true;
    PageControl1->setCurrentIndex(0);
    m_syncingTabs = false;
    m_competition->PageControl1Change(CompetitionRound::Vorrunde);
    // 22. the mouse pointer goes to the load button once the window is shown
}

// ---------------------------------------------------------------- widgets

void TFormMain::createTopBar(QWidget* parent)
{
    m_topBar = new QWidget(parent);
    m_topBar->setFixedHeight(kTopBarHeight);
    auto* layout = new QHBoxLayout(m_topBar);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(4);
    bHelp = toolButton(m_topBar, QStringLiteral("?"), QStringLiteral("[F1] Hilfe"));
    bCFG = toolButton(m_topBar, QStringLiteral("⚙"), QStringLiteral("[F2] Einstellungen"));
    bInfo = toolButton(m_topBar, QStringLiteral("i"), QStringLiteral("[F3] Information"));
    for (QToolButton* b : {bHelp, bCFG, bInfo}) {
        QFont f = b->font();
        f.setBold(true);
        f.setPointSize(f.pointSize() + 3);
        b->setFont(f);
        layout->addWidget(b);
    }
    auto* logo = new QLabel(m_topBar);
    logo->setPixmap(logoPicture());
    auto* product = new QLabel(kApplicationTitle, m_topBar);
    QFont productFont = product->font();
    productFont.setBold(true);
    productFont.setItalic(true);
    productFont.setPointSize(productFont.pointSize() + 5);
    product->setFont(productFont);
    product->setStyleSheet(QStringLiteral("color: #800000;"));
    layout->addSpacing(8);
    layout->addWidget(logo);
    layout->addWidget(product);
    Title = new QLabel(m_topBar);
    Title->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont titleFont = Title->font();
    titleFont.setBold(true);
    titleFont.setPointSize(titleFont.pointSize() + 4);
    Title->setFont(titleFont);
    Title->setVisible(false);
    layout->addWidget(Title, 1);
    layout->addStretch(0);

    auto* clockBox = new QFrame(m_topBar);
    clockBox->setAutoFillBackground(true);
    QPalette pal = clockBox->palette();
    pal.setColor(QPalette::Window, Qt::black);
    clockBox->setPalette(pal);
    auto* clockLayout = new QHBoxLayout(clockBox);
    clockLayout->setContentsMargins(8, 2, 8, 2);
    Paneldate = new QLabel(clockBox);
    Paneldate->setStyleSheet(QStringLiteral("color: #00E000; font-weight: bold;"));
    Paneldate->setCursor(Qt::PointingHandCursor);
    Paneldate->installEventFilter(this);
    PanelTime = new QLabel(clockBox);
    PanelTime->setStyleSheet(QStringLiteral("color: #FF9933; font-weight: bold;"));
    clockLayout->addWidget(Paneldate);
    clockLayout->addSpacing(10);
    clockLayout->addWidget(PanelTime);
    layout->addWidget(clockBox);

    // the calendar panel, opened from the date box
    PanelCal = new QFrame(this);
    PanelCal->setFrameShape(QFrame::Box);
    PanelCal->setAutoFillBackground(true);
    auto* calLayout = new QVBoxLayout(PanelCal);
    calLayout->setContentsMargins(2, 2, 2, 2);
    auto* heading = new QHBoxLayout;
    auto* calTitle = new QLabel(QStringLiteral("Kalender"), PanelCal);
    calTitle->setCursor(Qt::PointingHandCursor);
    calTitle->installEventFilter(this);
    calTitle->setObjectName(QStringLiteral("PanelCalHeading"));
    auto* calClose = new QToolButton(PanelCal);
    calClose->setText(QStringLiteral("×"));
    calClose->setToolTip(QStringLiteral("Abbrechen"));
    connect(calClose, &QToolButton::clicked, PanelCal, &QWidget::hide);
    heading->addWidget(calTitle, 1);
    heading->addWidget(calClose);
    m_calendar = new QCalendarWidget(PanelCal);
    m_calendar->setVerticalHeaderFormat(QCalendarWidget::ISOWeekNumbers);
    m_calendar->setGridVisible(true);
    calLayout->addLayout(heading);
    calLayout->addWidget(m_calendar);
    PanelCal->adjustSize();
    PanelCal->hide();

    m_timeTimer = new QTimer(this);
    m_timeTimer->setInterval(10000);
    connect(m_timeTimer, &QTimer::timeout, this, &TFormMain::showTime);
    m_timeTimer->start();
}

void TFormMain::createLaneArea(QWidget* parent)
{
    m_laneArea = new QWidget(parent);
    m_laneArea->setMinimumHeight(120);
    m_laneArea->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    for (int lane = 1; lane <= 3; ++lane) {
        auto* frame = new TFrame1(lane, m_laneArea);
        m_frames[std::size_t(lane - 1)] = frame;
        connect(frame->bZiel, &QPushButton::clicked, this,
                [this, lane] { m_clock->stopCommand(lane).trigger(); });
        connect(frame->bStart, &QPushButton::clicked, this,
                [this, lane] { m_clock->startCommand(lane).trigger(); });
        connect(frame->cbBuhn, &QComboBox::activated, this, [this, lane](int index) {
            // FrameTncbBuhnChange
            m_competition->selector(lane).select(index);
            m_competition->UpdateLaneReadiness();
            m_competition->ShowLaneTeamsOnTv();
            scheduleTableRefresh();
        });
    }
    connect(m_frames[2]->cbON, &QCheckBox::clicked, this,
            [this](bool checked) { m_clock->setLane3On(checked); });
    m_laneArea->installEventFilter(this);
}

void TFormMain::createButtonRow(QWidget* parent)
{
    m_buttonRow = new QWidget(parent);
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

    sbLoad = toolButton(m_buttonPanels[0], QStringLiteral("Öffnen"), QString());
    ImageLSstart = new QLabel(m_buttonPanels[0]);
    ImageLSstart->setToolTip(QStringLiteral("[F11] START-LS blockieren"));
    ImageLSstart->setFixedSize(30, 30);
    ImageLSstart->setCursor(Qt::PointingHandCursor);
    ImageLSstart->installEventFilter(this);
    ImageLSstart->hide();

    // START, "&Fehlstart" and RESET share one place
    auto* startStack = new QWidget(m_buttonPanels[0]);
    startStack->setFixedSize(130, 30);
    bSTART = new PressButton(QStringLiteral("START"), startStack);
    bFSTART = new QPushButton(QStringLiteral("&Fehlstart"), startStack);
    bRESET = new PressButton(QStringLiteral("RESET"), startStack);
    bRESET->setToolTip(QStringLiteral("[F10]"));
    for (QPushButton* b : {static_cast<QPushButton*>(bSTART), bFSTART, static_cast<QPushButton*>(bRESET)}) {
        b->setGeometry(0, 0, 130, 30);
        QFont f = b->font();
        f.setBold(true);
        b->setFont(f);
    }
    bFSTART->setAutoDefault(true); // Enter on the focused button is a false start
    bFSTART->hide();
    bRESET->hide();
    connect(bSTART, &PressButton::activated, this, [this] { m_clock->mStart().trigger(); });
    connect(bFSTART, &QPushButton::clicked, this, [this] { m_clock->mFStart().trigger(); });
    connect(bRESET, &PressButton::activated, this, [this] { m_clock->mReset().trigger(); });

    for (int lane = 1; lane <= 3; ++lane) {
        QWidget* panel = m_buttonPanels[std::size_t(lane - 1)];
        auto* b = toolButton(panel, QString::number(lane),
                             QStringLiteral("Laufbahn %1. Aus dem Protokoll zu nehmen").arg(lane));
        QFont f = b->font();
        f.setBold(true);
        b->setFont(f);
        connect(b, &QToolButton::clicked, this, [this, lane] { m_competition->AssignRowToLane(lane); });
        sbLane[std::size_t(lane - 1)] = b;
    }
    left->addWidget(sbLoad);
    left->addWidget(ImageLSstart);
    left->addWidget(startStack);
    left->addStretch();
    left->addWidget(sbLane[0]);

    sbSave = toolButton(m_buttonPanels[1], QStringLiteral("Speichern"),
                        QStringLiteral("[Ctrl+S] Protokoll speichern unter"));
    sbPrint = toolButton(m_buttonPanels[1], QStringLiteral("Drucken"),
                         QStringLiteral("[Ctrl+D] Protokoll drucken"));
    sbExcel = toolButton(m_buttonPanels[1], QStringLiteral("Excel"), QStringLiteral("Datei in MS Excel"));
    sbHTML = toolButton(m_buttonPanels[1], QStringLiteral("HTML"), QStringLiteral("[Ctrl+H] Als Webseite"));
    sbClsAll = toolButton(m_buttonPanels[1], QStringLiteral("Löschen"),
                          QStringLiteral("[Ctrl+A] Ergebnisse entfernen"));
    sbTV = toolButton(m_buttonPanels[1], QStringLiteral("TV"), QStringLiteral("[Ctrl+T] TV-Modus EIN/AUS"));
    sbTV->setCheckable(true);
    sbGramoty = toolButton(m_buttonPanels[1], QStringLiteral("Urkunden"),
                           QStringLiteral("[Ctrl+U] Urkunden drucken"));
    for (QToolButton* b : {sbSave, sbPrint, sbExcel, sbHTML, sbClsAll, sbTV, sbGramoty})
        middle->addWidget(b);
    middle->addStretch();
    middle->addWidget(sbLane[1]);

    bRESET2 = new QPushButton(QStringLiteral("0,00"), m_buttonPanels[2]);
    bRESET2->setToolTip(QStringLiteral("Reset"));
    bRESET2->setFocusPolicy(Qt::NoFocus);
    setButtonColour(bRESET2, kResetRed);
    connect(bRESET2, &QPushButton::clicked, this, [this] { m_clock->bRESET2().trigger(); });
    right->addWidget(bRESET2);
    right->addStretch();
    right->addWidget(sbLane[2]);

    connect(sbLoad, &QToolButton::clicked, this, &TFormMain::sbLoadClick);
    connect(sbSave, &QToolButton::clicked, this, &TFormMain::sbSaveClick);
    connect(sbExcel, &QToolButton::clicked, this, &TFormMain::sbExcelClick);
    connect(sbClsAll, &QToolButton::clicked, this, [this] { m_competition->ClearResults(); });
    connect(bHelp, &QToolButton::clicked, this, &TFormMain::openHelp);
    connect(bInfo, &QToolButton::clicked, this, &TFormMain::showInfo);
}

void TFormMain::createPages(QWidget* parent)
{
    PageControl1 = new RoundTabWidget(parent);
    PageControl1->setTabPosition(QTabWidget::South);
    PageControl1->setDocumentMode(true);
    m_tableMenu = new QMenu(this);
    m_recalculateAction = m_tableMenu->addAction(QStringLiteral("Neu auswerten"), this,
                                                 [this] { m_competition->RecalculateRound(); });
    m_tableMenu->addAction(QStringLiteral("Aus"), this, [this] { m_competition->markVoid(); });
    m_tableMenu->addAction(QStringLiteral("Dis"), this, [this] { m_competition->markDisqualified(); });
    m_tableMenu->addSeparator();
    // 5. the captions of the two filling commands
    m_tableMenu->addAction(QStringLiteral("Mit Zufallszahlen füllen"), this,
                           [this] { m_competition->RandomResultFill(); });
    m_tableMenu->addAction(QStringLiteral("Alle Seiten füllen"), this, [this] {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_competition->FillAllPages();
        QApplication::restoreOverrideCursor();
        syncTabToCompetition();
    });

    for (CompetitionRound round : kAllRounds) {
        auto* model = new ProtocolTableModel(*m_competition, round, this);
        auto* view = new ProtocolTableView(*m_competition, model, nullptr);
        m_models[std::size_t(roundIndex(round))] = model;
        m_views[std::size_t(roundIndex(round))] = view;
        if (round != CompetitionRound::GesamtErgebnis)
            connect(view, &ProtocolTableView::contextMenuWanted, this, &TFormMain::showContextMenu);
        connect(view, &ProtocolTableView::cellSelected, this, &TFormMain::scheduleTableRefresh);

        auto* page = new QWidget;
        auto* layout = new QVBoxLayout(page);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        if (round == CompetitionRound::Vorrunde) {
            m_sortGridTop = new HeadingBar(page);
            layout->addWidget(m_sortGridTop);
            Memo1 = new QPlainTextEdit(page);
            Memo1->setReadOnly(true);
            Memo1->hide();
        } else if (round == CompetitionRound::GesamtErgebnis) {
            m_sortGridTop7 = new HeadingBar(page);
            layout->addWidget(m_sortGridTop7);
        }
        view->setParent(page);
        layout->addWidget(view, 1);
        PageControl1->addTab(page, m_competition->pageCaption(round));
    }
    connect(PageControl1, &QTabWidget::currentChanged, this, &TFormMain::onTabChanged);
}

void TFormMain::createStatusBar()
{
    auto* bar = statusBar();
    bar->setSizeGripEnabled(true);
    for (std::size_t i = 0; i < m_statusPanels.size(); ++i) {
        m_statusPanels[i] = new QLabel(bar);
        m_statusPanels[i]->setFrameShape(QFrame::Panel);
        m_statusPanels[i]->setFrameShadow(QFrame::Sunken);
    }
    m_statusPanels[0]->setFixedWidth(60);
    m_statusPanels[1]->setText(QStringLiteral(" Brenvolutaris – Zeitmessung für Feuerwehr-Wettkämpfe"));
    m_statusPanels[1]->setFixedWidth(330);
    m_statusPanels[3]->setFixedWidth(110);
    bar->addWidget(m_statusPanels[0]);
    bar->addWidget(m_statusPanels[1]);
    bar->addWidget(m_statusPanels[2], 1);
    bar->addPermanentWidget(m_statusPanels[3]);
}

QAction* TFormMain::addCommand(const QString& caption, const QKeySequence& key, std::function<void()> action)
{
    // the commands live in menus that are never shown; they answer their keys anywhere in the window
    auto* command = new QAction(caption, this);
    command->setShortcut(key);
    command->setShortcutContext(Qt::WindowShortcut);
    connect(command, &QAction::triggered, this, [action = std::move(action)] { action(); });
    addAction(command);
    return command;
}

void TFormMain::createCommands()
{
    addCommand(QStringLiteral("Hilfe"), Qt::Key_F1, [this] { openHelp(); });
    addCommand(QStringLiteral("H&ilfe"), QKeySequence(Qt::ALT | Qt::Key_H), [this] { openHelp(); });
    addCommand(QStringLiteral("&Einstellungen"), Qt::Key_F2, [] {});
    addCommand(QStringLiteral("Info"), Qt::Key_F3, [this] { showInfo(); });
    addCommand(QStringLiteral("Fehler"), Qt::Key_F4, [this] { m_clock->mFStart().trigger(); });
    addCommand(QStringLiteral("Start"), Qt::Key_F5, [this] { m_clock->mStart().trigger(); });
    addCommand(QStringLiteral("Stop1"), Qt::Key_F6, [this] { m_clock->mSTOP1().trigger(); });
    addCommand(QStringLiteral("Stop2"), Qt::Key_F7, [this] { m_clock->mStop2().trigger(); });
    addCommand(QStringLiteral("Stop3"), Qt::Key_F8, [this] { m_clock->mStop3().trigger(); });
    addCommand(QStringLiteral("00:00"), Qt::Key_F10, [this] { m_clock->mReset().trigger(); });
    addCommand(QStringLiteral("Block LS"), Qt::Key_F11, [this] { m_decoder->toggleStartLightBarrier(); });
    addCommand(QStringLiteral("&Drucker"), QKeySequence(Qt::CTRL | Qt::Key_D), [] {});
    addCommand(QStringLiteral("&Beenden"), QKeySequence(Qt::ALT | Qt::Key_B), [this] { close(); });
    addCommand(QStringLiteral("Open"), QKeySequence(Qt::CTRL | Qt::Key_O), [this] {
        if (m_competition->controls().loadEnabled)
            sbLoadClick();
    });
    addCommand(QStringLiteral("Save"), QKeySequence(Qt::CTRL | Qt::Key_S), [this] {
        if (m_competition->controls().saveEnabled)
            sbSaveClick();
    });
    addCommand(QStringLiteral("Gramoty"), QKeySequence(Qt::CTRL | Qt::Key_U), [] {});
    for (int lane = 1; lane <= 3; ++lane) {
        addCommand(QString::number(lane), QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_0 + lane)),
                   [this, lane] { m_competition->AssignRowToLane(lane); });
        addCommand(QStringLiteral("Start %1").arg(lane), QKeySequence(Qt::ALT | Qt::Key(Qt::Key_0 + lane)),
                   [this, lane] { m_clock->startCommand(lane).trigger(); });
    }
    addCommand(QStringLiteral("TV Modus"), QKeySequence(Qt::CTRL | Qt::Key_T), [] {});
    addCommand(QStringLiteral("Clear"), QKeySequence(Qt::CTRL | Qt::Key_A), [this] {
        if (m_competition->controls().clearEnabled)
            m_competition->ClearResults();
    });
    addCommand(QStringLiteral("Html"), QKeySequence(Qt::CTRL | Qt::Key_H), [] {});
    addCommand(QStringLiteral("Protokol"), QKeySequence(Qt::CTRL | Qt::Key_P), [] {});
    addCommand(QStringLiteral("Excel"), QKeySequence(Qt::CTRL | Qt::Key_E), [this] {
        if (m_competition->controls().saveEnabled)
            sbExcelClick();
    });
}

// ---------------------------------------------------------------- showing the state

void TFormMain::refreshControls()
{
    const RunControls& c = m_competition->controls();
    bSTART->setVisible(c.startShown);
    bSTART->setEnabled(c.startButtonEnabled);
    setButtonColour(bSTART, c.startGreen ? kStartGreen : QColor());
    bFSTART->setVisible(c.falseStartShown);
    bFSTART->setEnabled(c.falseStartEnabled);
    bRESET->setVisible(c.resetShown);
    bRESET->setEnabled(c.resetEnabled);
    setButtonColour(bRESET, c.resetRed ? kResetRed : QColor());

    bCFG->setEnabled(c.settingsEnabled);
    sbLoad->setEnabled(c.loadEnabled);
    for (int i = 0; i < 3; ++i)
        sbLane[std::size_t(i)]->setEnabled(c.assignEnabled[std::size_t(i)]);
    for (QToolButton* b : {sbSave, sbPrint, sbExcel, sbHTML})
        b->setEnabled(c.saveEnabled);
    sbClsAll->setEnabled(c.clearEnabled);
    sbGramoty->setEnabled(c.certificatesEnabled);

    for (int lane = 1; lane <= 3; ++lane) {
        TFrame1* frame = m_frames[std::size_t(lane - 1)];
        const LaneControls& l = c.lane(lane);
        frame->bZiel->setEnabled(l.armed);
        setButtonColour(frame->bZiel, l.armed ? kZielYellow : QColor());
        frame->bStart->setVisible(l.startButtonVisible);
        frame->bStart->setEnabled(l.startButtonEnabled);
        setButtonColour(frame->bStart, l.startButtonGreen ? kStartGreen : QColor());
        frame->cbBuhn->setEnabled(m_competition->selector(lane).enabled);
        if (lane == 3 && frame->cbON->isChecked() != l.onChecked)
            frame->cbON->setChecked(l.onChecked);
    }

    // the focus rules: "&Fehlstart" after a start, RESET after a finished run, START after a reset
    const FocusTarget focus = c.focus;
    if (focus != FocusTarget::None) {
        m_competition->controls().focus = FocusTarget::None;
        switch (focus) {
        case FocusTarget::Start:
            bSTART->setFocus();
            break;
        case FocusTarget::FalseStart:
            bFSTART->setFocus();
            break;
        case FocusTarget::Reset:
            bRESET->setFocus();
            break;
        case FocusTarget::ProtocolPanel:
            PageControl1->setFocus();
            break;
        case FocusTarget::None:
            break;
        }
    }
}

void TFormMain::refreshLanes()
{
    for (int lane = 1; lane <= 3; ++lane) {
        QComboBox* box = m_frames[std::size_t(lane - 1)]->cbBuhn;
        const LaneSelector& selector = m_competition->selector(lane);
        const QSignalBlocker block(box);
        bool same = box->count() == selector.count();
        for (int i = 0; same && i < selector.count(); ++i)
            same = box->itemText(i) == selector.entries.at(i);
        if (!same) {
            box->clear();
            box->addItems(selector.entries);
        }
        box->setCurrentIndex(selector.index);
        box->setEnabled(selector.enabled);
    }
}

void TFormMain::scheduleTableRefresh()
{
    if (m_tableRefreshPending)
        return;
    m_tableRefreshPending = true;
    QTimer::singleShot(0, this, &TFormMain::refreshTables);
}

void TFormMain::refreshTables()
{
    m_tableRefreshPending = false;
    for (ProtocolTableModel* model : m_models)
        model->refresh();
    for (ProtocolTableView* view : m_views) {
        if (!view->isEditing())
            view->syncSelection();
    }
    refreshStatus(0);
}

void TFormMain::refreshStatus(int panel)
{
    if (panel == 0)
        m_statusPanels[0]->setText(QStringLiteral(" %1").arg(m_competition->CurrentGrid().dataRowCount()));
    else if (panel == 2)
        m_statusPanels[2]->setText(m_competition->statusText(2));
}

void TFormMain::refreshCaptions()
{
    for (CompetitionRound round : kAllRounds)
        PageControl1->setTabText(roundIndex(round), m_competition->pageCaption(round));
    layoutColumns();
}

void TFormMain::showLaneTime(int lane)
{
    m_frames[std::size_t(lane - 1)]->showDigits(m_clock->laneDisplay(lane));
}

void TFormMain::showTime()
{
    PanelTime->setText(QLocale().toString(QTime::currentTime(), QLocale::ShortFormat));
}

// ---------------------------------------------------------------- layout

void TFormMain::layoutLanes()
{
    const bool shown = m_competition->laneAreaVisible();
    m_laneArea->setVisible(shown);
    m_buttonPanels[0]->setVisible(shown);
    m_buttonPanels[2]->setVisible(shown);
    const int n = m_competition->lanesShown();
    const int width = m_laneArea->width();
    const int outer = width / n;
    const int height = m_laneArea->height();
    m_frames[0]->setGeometry(0, 0, outer, height);
    m_frames[1]->setGeometry(outer, 0, n == 3 ? outer : width - outer, height);
    m_frames[2]->setGeometry(2 * outer, 0, width - 2 * outer, height);
    m_frames[2]->setVisible(n == 3);
    sbLane[2]->setVisible(n == 3);
    for (int i = 0; i < 3; ++i)
        m_frames[std::size_t(i)]->bStart->setVisible(
            m_competition->controls().lanes[std::size_t(i)].startButtonVisible);

    // the button panels take the widths of the lanes; the middle one goes left on the overall page
    const int rowWidth = m_buttonRow->width();
    if (shown) {
        m_buttonPanels[0]->setGeometry(0, 0, outer, kButtonRowHeight);
        m_buttonPanels[1]->setGeometry(outer, 0, n == 3 ? outer : rowWidth - outer, kButtonRowHeight);
        m_buttonPanels[2]->setGeometry(2 * outer, 0, rowWidth - 2 * outer, kButtonRowHeight);
        m_buttonPanels[2]->setVisible(true);
        // with two lanes "0,00" sits at the right end of the middle panel's row
        if (n == 2)
            m_buttonPanels[2]->setGeometry(rowWidth - 80, 0, 80, kButtonRowHeight);
    } else {
        m_buttonPanels[1]->setGeometry(0, 0, outer, kButtonRowHeight);
    }
}

void TFormMain::layoutColumns()
{
    const CompetitionOptions& o = m_competition->options();
    const bool cls = o.classShown;
    const bool third = o.thirdLaneOn;
    auto apply = [](ProtocolTableView* view, const std::vector<int>& widths) {
        // the rest: the table's width without its frame and a scroll bar, the other columns
        // and one grid line per column
        int rest = view->width() - 2 * view->frameWidth() - view->verticalScrollBar()->sizeHint().width();
        for (int w : widths) {
            if (w > 0)
                rest -= w;
        }
        rest -= int(widths.size());
        for (std::size_t i = 0; i < widths.size(); ++i) {
            const int w = widths[i] == 0 ? std::max(60, rest) : widths[i];
            view->setColumnHidden(int(i), w < 0);
            if (w > 0)
                view->setColumnWidth(int(i), w);
        }
    };
    // 0 = the rest, -1 = hidden
    const std::vector<int> vorrunde{
        42, 0, cls ? 66 : -1, 74, 51, 74, 74, 51, 74, third ? 72 : -1, third ? 51 : -1, third ? 72 : -1,
        88, 35};
    apply(m_views[0], vorrunde);
    const std::vector<int> knockout{49, 49, 0, cls ? 71 : -1, 104, 104, 74, 104, 49};
    for (int i = 1; i <= 4; ++i)
        apply(m_views[std::size_t(i)], knockout);
    const bool eight = o.knockoutStart == 1;
    const std::vector<int> overall{45,
                                   0,
                                   cls ? 89 : -1,
                                   86,
                                   eight ? -1 : 55,
                                   eight ? -1 : 32,
                                   eight ? -1 : 67,
                                   55,
                                   32,
                                   67,
                                   55,
                                   32,
                                   67,
                                   55,
                                   32,
                                   67,
                                   68};
    apply(m_views[5], overall);

    // heading bars over the tables: each group as wide as its columns plus 2
    auto span = [](ProtocolTableView* view, int first, int last) {
        int sum = 0;
        for (int c = first; c <= last; ++c) {
            if (!view->isColumnHidden(c))
                sum += view->columnWidth(c);
        }
        return sum;
    };
    const QStringList& top = m_competition->SortGridTop();
    ProtocolTableView* v = m_views[0];
    m_sortGridTop->setHeadings({{top.value(0), span(v, 0, 2), {}, {}},
                                {top.value(1), span(v, 3, 5), QColor::fromRgb(colour::Lane1), {}},
                                {top.value(2), span(v, 6, 8), QColor::fromRgb(colour::Lane2), {}},
                                {top.value(3), span(v, 9, 11), QColor::fromRgb(colour::Lane3), {}},
                                {top.value(4), span(v, 12, 13), QColor::fromRgb(colour::Ranking), {}}});
    const QStringList& top7 = m_competition->SortGridTop7();
    ProtocolTableView* g = m_views[5];
    const QColor yellow = QColor::fromRgb(colour::Yellow);
    m_sortGridTop7->setHeadings({{top7.value(0), span(g, 0, 2), {}, {}},
                                 {top7.value(1), span(g, 3, 3), QColor::fromRgb(colour::Vorrunde), yellow},
                                 {top7.value(2), span(g, 4, 6), QColor::fromRgb(colour::Achtelfinale), {}},
                                 {top7.value(3), span(g, 7, 9), QColor::fromRgb(colour::Viertelfinale), {}},
                                 {top7.value(4), span(g, 10, 12), QColor::fromRgb(colour::Halbfinale), {}},
                                 {top7.value(5), span(g, 13, 15), QColor::fromRgb(colour::Finale), {}},
                                 {top7.value(6), span(g, 16, 16), QColor::fromRgb(colour::Bestes), yellow}});
}

void TFormMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    // the lane area takes about a third of the height
    m_laneArea->setFixedHeight(std::max(120, (height() - kTopBarHeight - kButtonRowHeight) * 30 / 100));
    layoutLanes();
    layoutColumns();
    m_statusPanels[3]->setText(QStringLiteral("%1x%2      ").arg(width()).arg(height()));
    m_statusPanels[2]->setMinimumWidth(0);
}

void TFormMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    QTimer::singleShot(0, this, [this] {
        layoutLanes();
        layoutColumns();
    });
    if (m_firstShow) {
        m_firstShow = false;
        // 22. the mouse pointer to the centre of the load button
        if (m_env.moveMouse)
            QCursor::setPos(sbLoad->mapToGlobal(sbLoad->rect().center()));
    }
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_laneArea && event->type() == QEvent::Resize) {
        layoutLanes();
    } else if (event->type() == QEvent::MouseButtonPress) {
        if (watched == ImageLSstart) {
            m_decoder->toggleStartLightBarrier();
            return true;
        }
        if (watched == Paneldate) {
            // the calendar at the top edge, its right edge 3 pixels right of the date box's left edge
            PanelCal->adjustSize();
            const QPoint dateLeft = Paneldate->mapTo(this, QPoint(0, 0));
            PanelCal->move(std::max(0, dateLeft.x() + 3 - PanelCal->width()), 0);
            PanelCal->raise();
            PanelCal->show();
            return true;
        }
        if (watched->objectName() == QLatin1String("PanelCalHeading")) {
            PanelCal->hide();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------- pages

void TFormMain::onTabChanged(int index)
{
    if (m_syncingTabs || index < 0)
        return;
    // leaving a page builds the next round; entering one refills the lanes
    m_competition->changePage(roundAt(index));
    layoutLanes();
    layoutColumns();
    refreshTables();
}

void TFormMain::syncTabToCompetition()
{
    const int index = roundIndex(m_competition->currentRound());
    if (PageControl1->currentIndex() != index) {
        m_syncingTabs = true;
        PageControl1->setCurrentIndex(index);
        m_syncingTabs = false;
    }
    layoutLanes();
    layoutColumns();
    scheduleTableRefresh();
}

void TFormMain::showContextMenu(const QPoint& globalPos)
{
    m_recalculateAction->setEnabled(m_competition->canRecalculate());
    m_tableMenu->exec(globalPos);
}

void TFormMain::onPortClosed(TComPort& port)
{
    if (m_closingPorts)
        return;
    // the port closed itself: its device went away
    m_competition->setStatusText(
        2, QStringLiteral(
               " Kontakt-Port COM%1 getrennt: Kontakte ohne Funktion – Tasten und Maus arbeiten weiter")
               .arg(port.Port()));
}

// ---------------------------------------------------------------- commands

bool TFormMain::loadProtocol(const QString& path, bool quiet, QString* message)
{
    const QString panel2 = m_competition->statusText(2);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_competition->setStatusText(2, QStringLiteral(" Protokoll öffnen..."));
    const ProtocolResult result = m_files->loadCommand(path);
    m_competition->setStatusText(2, panel2);
    QApplication::restoreOverrideCursor();
    if (!result.ok) {
        if (message)
            *message = result.message;
        if (!quiet)
            QMessageBox::warning(this, kApplicationTitle, result.message);
        return false;
    }
    // the next save proposes the same file as a workbook
    m_saveFilterIndex = kFilterIndexAfterLoad;
    m_saveFileName = QFileInfo(path).fileName();
    m_dialogFolder = QFileInfo(path).absolutePath();
    syncTabToCompetition();
    refreshLanes();
    refreshControls();
    return true;
}

void TFormMain::sbLoadClick()
{
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("Protokoll öffnen"), m_dialogFolder, loadFilter(m_programFiles.fileTypeNames));
    if (path.isEmpty())
        return;
    loadProtocol(path);
}

void TFormMain::sbSaveClick()
{
    const std::vector<SaveFilterEntry> entries =
        saveFilters(m_programFiles.fileTypeNames, m_files->availableWriters());
    QStringList filters;
    for (const SaveFilterEntry& entry : entries)
        filters << entry.filter;
    QString selected = initialSaveFilter(entries, m_saveFilterIndex).filter;
    const QString proposal = QDir(m_dialogFolder).filePath(m_saveFileName);
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Protokoll speichern unter"), proposal,
                                                filters.join(QStringLiteral(";;")), &selected);
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
    const QString panel2 = m_competition->statusText(2);
    m_competition->setStatusText(2, QStringLiteral(" Protokoll speichern unter..."));
    const ProtocolResult result = m_files->saveCommand(m_saveFilterIndex, path);
    m_competition->setStatusText(2, panel2);
    QApplication::restoreOverrideCursor();
    if (!result.ok)
        QMessageBox::warning(this, kApplicationTitle, result.message);
}

void TFormMain::sbExcelClick()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const ProtocolResult result = m_files->sbExcelClick();
    QApplication::restoreOverrideCursor();
    if (!result.ok)
        QMessageBox::warning(this, kApplicationTitle, result.message);
}

void TFormMain::openHelp()
{
    // the help file beside the program, in the system's viewer for it
    QDesktopServices::openUrl(QUrl::fromLocalFile(m_programFiles.helpFilePath));
}

void TFormMain::showInfo()
{
    m_info->exec();
}

void TFormMain::closeEvent(QCloseEvent* event)
{
    if (m_competition->grid(CompetitionRound::Vorrunde).RowCount() > 2 &&
        !m_yesNo->ask(QStringLiteral("Programm beenden?"))) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace brv
