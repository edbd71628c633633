#include "app/MainWindow.h"

#include "app/AboutDialog.h"
#include "app/BracketSchemeDialog.h"
#include "app/ConfirmDialog.h"
#include "app/PrintCommands.h"
#include "app/ProtocolPages.h"
#include "app/ProtocolTableView.h"
#include "app/SettingsDialog.h"
#include "app/TvPresenter.h"
#include "app/TvWindow.h"
#include "app/WindowFitter.h"
#include "app/widgets/ButtonRow.h"
#include "app/widgets/LaneArea.h"
#include "app/widgets/LanePanel.h"
#include "app/widgets/MainStatusBar.h"
#include "app/widgets/TopBar.h"
#include "exports/ProtocolExports.h"
#include "session/ProgramLock.h"
#include "settings/CertificateEditor.h"
#include "settings/WindowPlacement.h"
#include "timing/ContactDecoder.h"
#include "timing/RaceClock.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace brv {

namespace {

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
    m_topBar = new TopBar(this, central);
    m_laneArea = new LaneArea(m_session, central);
    m_buttonRow = new ButtonRow(m_session, central);
    m_pages = new ProtocolPages(m_competition, central);
    layout->addWidget(m_topBar);
    layout->addWidget(m_laneArea, 0);
    layout->addWidget(m_buttonRow);
    layout->addWidget(m_pages, 1);
    setCentralWidget(central);
    m_statusBar = new MainStatusBar(this);
    setStatusBar(m_statusBar);
    createTableMenu();
    createCommands();

    connect(m_topBar->helpButton(), &QToolButton::clicked, this, [this] { openHelp(manual_page::kStart); });
    connect(m_topBar->aboutButton(), &QToolButton::clicked, this, &MainWindow::showAbout);
    connect(m_topBar->settingsButton(), &QToolButton::clicked, this, &MainWindow::editSettings);
    connect(m_buttonRow, &ButtonRow::loadWanted, this, &MainWindow::chooseAndLoadProtocol);
    connect(m_buttonRow, &ButtonRow::saveWanted, this, &MainWindow::saveProtocol);
    connect(m_buttonRow, &ButtonRow::spreadsheetWanted, this, &MainWindow::showInSpreadsheet);
    connect(m_buttonRow, &ButtonRow::webPageWanted, this, &MainWindow::showWebPage);
    connect(m_buttonRow, &ButtonRow::tvWanted, this, &MainWindow::toggleTv);
    connect(m_buttonRow, &ButtonRow::printerWanted, this, [this] { m_printCommands->setUpPrinter(); });
    connect(m_buttonRow, &ButtonRow::certificatesWanted, this,
            [this] { m_printCommands->printCertificates(); });
    connect(m_pages, &ProtocolPages::roundWanted, this, &MainWindow::onRoundWanted);
    connect(m_pages, &ProtocolPages::contextMenuWanted, this, &MainWindow::showContextMenu);

    runStartup();
    // a press on a button of the window is the operator's next action: the message before goes
    for (QWidget* part : {static_cast<QWidget*>(m_topBar), static_cast<QWidget*>(m_laneArea),
                          static_cast<QWidget*>(m_buttonRow)}) {
        for (QAbstractButton* button : part->findChildren<QAbstractButton*>())
            connect(button, &QAbstractButton::pressed, &m_session, &AppSession::operatorActs);
    }

    // the secondary windows, created once after the main window; each opens on its screen whole
    new WindowFitter(this);
    m_confirmDialog = new ConfirmDialog(this);
    m_aboutDialog = new AboutDialog(this);
    m_bracketSchemeDialog = new BracketSchemeDialog(this);
    m_settingsDialog = new SettingsDialog(this);
    m_printCommands = std::make_unique<PrintCommands>(
        m_session, this, [this] { return m_topBar->dateText(); }, [this] { return m_dialogFolder; });
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
    connect(m_tvWindow.get(), &TvWindow::shownChanged, m_buttonRow, &ButtonRow::setTvShown);
    m_tvPresenter =
        std::make_unique<TvPresenter>(m_clock, m_competition, m_session.bestResult(), *m_tvWindow);

    connect(&m_competition, &Competition::lanesChanged, this, &MainWindow::refreshLanes);
    connect(&m_competition, &Competition::currentCellChanged, this, &MainWindow::scheduleViewSync);
    connect(&m_competition, &Competition::editEnded, this, &MainWindow::scheduleViewSync);
    connect(&m_competition.tables(), &ProtocolTables::tableChanged, this, &MainWindow::scheduleViewSync);
    connect(&m_competition.tables(), &ProtocolTables::captionsChanged, m_pages, &ProtocolPages::showCaptions);
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
    connect(&m_clock, &RaceClock::laneTimeChanged, m_laneArea, &LaneArea::showTime);
    connect(&m_decoder, &ContactDecoder::contactLogAppended, m_pages->contactLog(),
            &QPlainTextEdit::appendPlainText);

    m_pages->showCaptions();
    refreshLanes();
    refreshControls();
    syncViews();
    for (int lane = 1; lane <= 3; ++lane)
        m_laneArea->showTime(lane);
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
    settings.competitionTitle = m_topBar->title();
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

LanePanel* MainWindow::lanePanel(int lane) const
{
    return m_laneArea->panel(lane);
}

ProtocolTableView* MainWindow::table(CompetitionRound round) const
{
    return m_pages->table(round);
}

QTabWidget* MainWindow::pages() const
{
    return m_pages;
}

QLabel* MainWindow::statusPanel(int panel) const
{
    return m_statusBar->panel(panel);
}

QWidget* MainWindow::laneArea() const
{
    return m_laneArea;
}

void MainWindow::runStartup()
{
    // the session has put the settings into effect; the window shows them
    const Settings& settings = m_session.settings();
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
    m_topBar->setTitle(settings.competitionTitle);
    m_saveFilterIndex = settings.saveFilterIndex;

    m_helpPresent = QFileInfo::exists(m_session.programFiles().manualStartPage);
    m_topBar->helpButton()->setEnabled(m_helpPresent);
    // the save dialog proposes the program's name with ".txt", both dialogs start where the
    // program writes (beside it, or in the user's folder when it is installed)
    m_saveFileName =
        QFileInfo(m_session.environment().programFilePath).completeBaseName() + QStringLiteral(".txt");
    m_dialogFolder = m_session.programFiles().outputDir;
    showDocumentState(); // a competition restored from the journal brings its file

    m_pages->setRoundShown(CompetitionRound::Achtelfinale,
                           m_competition.isPageVisible(CompetitionRound::Achtelfinale));
    m_pages->showRound(m_competition.currentRound());
    // the mouse pointer goes to the load button once the window is shown
}

void MainWindow::createTableMenu()
{
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
    // undo and redo answer their keys anywhere in the window, also with nothing to do (the message
    // panel says so); the menu shows them greyed then
    m_tableMenu->addSeparator();
    QAction* undo = addCommand(QStringLiteral("Rückgängig"), QKeySequence(Qt::CTRL | Qt::Key_Z),
                               [this] { m_session.undo(); });
    QAction* redo = addCommand(QStringLiteral("Wiederholen"), QKeySequence(Qt::CTRL | Qt::Key_Y),
                               [this] { m_session.redo(); });
    undo->setObjectName(QStringLiteral("undoAction"));
    redo->setObjectName(QStringLiteral("redoAction"));
    m_tableMenu->addActions({undo, redo});
    connect(m_tableMenu, &QMenu::aboutToShow, this, [this, undo, redo] {
        undo->setEnabled(m_session.canUndo());
        redo->setEnabled(m_session.canRedo());
    });
    connect(m_tableMenu, &QMenu::aboutToHide, this, [undo, redo] {
        undo->setEnabled(true);
        redo->setEnabled(true);
    });
}

QAction* MainWindow::addCommand(const QString& caption, const QKeySequence& key, std::function<void()> action)
{
    // the commands live in menus that are never shown; they answer their keys anywhere in the
    // window, once per press: a held key that the keyboard repeats must not start a lane again
    auto* command = new QAction(caption, this);
    command->setShortcut(key);
    command->setShortcutContext(Qt::WindowShortcut);
    command->setAutoRepeat(false);
    connect(command, &QAction::triggered, this, [this, action = std::move(action)] {
        m_session.operatorActs();
        action();
    });
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
    // a clock key that does nothing says why
    addCommand(QStringLiteral("Fehler"), Qt::Key_F4, [this] { m_clock.request(ClockCommand::FalseStart); });
    addCommand(QStringLiteral("Start"), Qt::Key_F5, [this] { m_clock.request(ClockCommand::Start); });
    addCommand(QStringLiteral("Stop1"), Qt::Key_F6, [this] { m_clock.request(ClockCommand::Stop1); });
    addCommand(QStringLiteral("Stop2"), Qt::Key_F7, [this] { m_clock.request(ClockCommand::Stop2); });
    addCommand(QStringLiteral("Stop3"), Qt::Key_F8, [this] { m_clock.request(ClockCommand::Stop3); });
    addCommand(QStringLiteral("00:00"), Qt::Key_F10, [this] { m_clock.request(ClockCommand::Reset); });
    addCommand(QStringLiteral("Block LS"), Qt::Key_F11, [this] { m_decoder.toggleStartLightBarrier(); });
    addCommand(QStringLiteral("&Drucker"), QKeySequence(Qt::CTRL | Qt::Key_D), [this] {
        if (m_session.allows(SessionCommand::Output))
            m_printCommands->setUpPrinter();
    });
    addCommand(QStringLiteral("&Beenden"), QKeySequence(Qt::ALT | Qt::Key_B), [this] { close(); });
    addCommand(QStringLiteral("Open"), QKeySequence(Qt::CTRL | Qt::Key_O), [this] {
        if (m_session.allows(SessionCommand::Load))
            chooseAndLoadProtocol();
    });
    addCommand(QStringLiteral("Save"), QKeySequence(Qt::CTRL | Qt::Key_S), [this] {
        if (m_session.allows(SessionCommand::Output))
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
        if (m_session.allows(SessionCommand::Output))
            m_competition.clearResults();
    });
    addCommand(QStringLiteral("Html"), QKeySequence(Qt::CTRL | Qt::Key_H), [this] {
        if (m_session.allows(SessionCommand::Output))
            showWebPage();
    });
    addCommand(QStringLiteral("Protokol"), QKeySequence(Qt::CTRL | Qt::Key_P), [this] {
        if (m_session.allows(SessionCommand::Output))
            printWebPage();
    });
    addCommand(QStringLiteral("Excel"), QKeySequence(Qt::CTRL | Qt::Key_E), [this] {
        if (m_session.allows(SessionCommand::Output))
            showInSpreadsheet();
    });
}

// ---------------------------------------------------------------- showing the state

void MainWindow::refreshControls()
{
    const RunControls& c = m_clock.controls();
    m_buttonRow->showControls(c);
    m_topBar->settingsButton()->setEnabled(c.settingsEnabled);
    if (m_settingsDialog)
        m_settingsDialog->setConfirmAllowed(c.settingsEnabled);
    m_laneArea->showControls(c);
}

void MainWindow::refreshLanes()
{
    m_laneArea->showTeams();
    m_pages->showLaneRows();
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
    m_pages->syncViews();
    refreshStatus(0);
}

void MainWindow::refreshStatus(int panel)
{
    if (panel == 0)
        m_statusBar->showTeamCount(m_competition.currentGrid().teamCount());
    else if (panel == 2)
        m_statusBar->setMessage(m_session.statusMessage());
    else if (panel == 3)
        m_statusBar->showAddress(m_session.liveResultsText(), size());
}

// ---------------------------------------------------------------- layout

void MainWindow::layoutLanes()
{
    const bool shown = m_competition.laneAreaVisible();
    const int n = m_competition.lanesShown();
    m_laneArea->setVisible(shown);
    m_laneArea->setLaneCount(n, m_clock.controls());
    m_buttonRow->setLanes(shown, n);
}

void MainWindow::layoutColumns()
{
    m_pages->layoutColumns();
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    // the lane area takes about a third of the height
    m_laneArea->setFixedHeight(std::max(120, (height() - TopBar::kHeight - ButtonRow::kHeight) * 30 / 100));
    layoutLanes();
    layoutColumns();
    refreshStatus(3);
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
        // the default size on a small screen (1024 x 600) is cut to the work area, frame and all
        WindowFitter::fit(*this);
        // 22. the mouse pointer to the centre of the load button
        if (m_session.environment().moveMouse) {
            QToolButton* load = m_buttonRow->loadButton();
            QCursor::setPos(load->mapToGlobal(load->rect().center()));
        }
    }
}

// ---------------------------------------------------------------- pages

void MainWindow::onRoundWanted(CompetitionRound round)
{
    // leaving a page builds the next round; entering one refills the lanes. A page that may not
    // be left now keeps its tab. A message does not outlive its page.
    m_session.operatorActs();
    if (!m_session.changePage(round)) {
        syncTabToCompetition();
        return;
    }
    layoutLanes();
    layoutColumns();
    syncViews();
}

void MainWindow::syncTabToCompetition()
{
    m_pages->showRound(m_competition.currentRound());
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
    const ProtocolResult result = m_session.showWebPage();
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
    if (!m_session.allows(SessionCommand::Settings))
        return;
    Settings current = m_session.settings();
    current.setWindowBounds(normalGeometry());
    current.competitionTitle = m_topBar->title();
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
    m_topBar->setTitle(settings.competitionTitle);
    // the session has chosen the page already
    m_pages->setRoundShown(CompetitionRound::Achtelfinale,
                           m_competition.isPageVisible(CompetitionRound::Achtelfinale));
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
