#pragma once

#include "app/HelpWindow.h"
#include "competition/Competition.h"
#include "protocol/ProtocolFiles.h"
#include "session/AppSession.h"
#include "settings/ProgramFiles.h"
#include "settings/Settings.h"
#include "version.h"

#include <QMainWindow>
#include <QPointer>
#include <QPushButton>

#include <array>
#include <memory>

class QAction;
class QCalendarWidget;
class QFrame;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QTabWidget;
class QTimer;
class QToolButton;

namespace brv {

class ContactDecoder;
class HeadingBar;
class ProtocolTableModel;
class ProtocolTableView;
class RaceClock;
class SettingsBackend;
class TvPresenter;
class SoundPlayer;
class SerialLineMonitor;
class ConfirmDialog;
class AboutDialog;
class BracketSchemeDialog;
class SettingsDialog;
class LanePanel;
class TvWindow;
class PrintCommands;

// START and RESET act when the mouse button goes down, not on release; Space and Enter act too.
class PressButton final : public QPushButton
{
    Q_OBJECT

public:
    using QPushButton::QPushButton;

Q_SIGNALS:
    void activated();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

// The program's main window: lane panels and run controls at the top, the six protocol tables
// below. It shows the state of the competition and the race clock and forwards the operator's
// actions to them; the logic lives in those.
class MainWindow final : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainWindow)

public:
    // Shows a started session; the session outlives the window.
    explicit MainWindow(AppSession& session, QWidget* parent = nullptr);
    // Hands its bounds, the title and the chosen file type to the session's settings.
    ~MainWindow() override;

    AppSession& session() { return m_session; }
    Competition& competition() { return m_competition; }
    RaceClock& clock() { return m_clock; }
    ContactDecoder& decoder() { return m_decoder; }
    LanePanel* lanePanel(int lane) const { return m_lanePanels[std::size_t(lane - 1)]; }
    ProtocolTableView* table(CompetitionRound round) const { return m_views[std::size_t(roundIndex(round))]; }
    QTabWidget* pages() const { return m_roundTabs; }
    ConfirmDialog* confirmDialog() const { return m_confirmDialog; }
    BracketSchemeDialog* bracketSchemeDialog() const { return m_bracketSchemeDialog; }
    SettingsDialog* settingsDialog() const { return m_settingsDialog; }
    TvWindow* tvWindow() const { return m_tvWindow.get(); }
    // The manual's window once [F1] has opened it.
    HelpWindow* helpWindow() const { return m_helpWindow; }
    PrintCommands& printCommands() { return *m_printCommands; }
    QLabel* statusPanel(int panel) const { return m_statusPanels[std::size_t(panel)]; }
    QWidget* laneArea() const { return m_laneArea; }

    // Loads a protocol as the load command does; false with the message shown in a box
    // (or only returned when `quiet`).
    bool loadProtocol(const QString& path, bool quiet = false, QString* message = nullptr);

    // Shows a failure the operator must read (a file not written or not loaded); a message box
    // unless a test puts in its own, which never blocks.
    std::function<void(const QString& message)> showWarning;
    // The save dialog: the file chosen among `filters`, empty when cancelled; `selected` comes in
    // as the filter to propose and goes out as the one chosen. Qt's file dialog unless a test puts
    // in its own.
    std::function<QString(const QString& proposal, const QStringList& filters, QString* selected)>
        chooseSaveFile;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createTopBar(QWidget* parent);
    void createLaneArea(QWidget* parent);
    void createButtonRow(QWidget* parent);
    void createPages(QWidget* parent);
    void createStatusBar();
    void createCommands();
    QAction* addCommand(const QString& caption, const QKeySequence& key, std::function<void()> action);
    void runStartup();

    void refreshControls();
    void refreshLanes();
    // The views follow the core's current cell and close an editor whose edit has ended.
    void syncViews();
    void scheduleViewSync();
    void refreshStatus(int panel);
    void refreshCaptions();
    void showLaneTime(int lane);
    // the TV display: the lanes' teams; with them the best result and its team
    void layoutLanes();
    void layoutColumns();
    void layoutHeadingBars();
    void syncTabToCompetition();
    void onTabChanged(int index);
    void showContextMenu(const QPoint& globalPos);
    void showTime();

    // commands
    void chooseAndLoadProtocol();
    void saveProtocol();
    void showInSpreadsheet();
    // [F1]: the manual at `page`, in front of the window that has the focus
    void openHelp(const QString& page);
    // [Ctrl+H]: the current table as a web page beside the program, opened in the system's viewer
    void showWebPage();
    // [Ctrl+P]: the same page, printed through the print dialog
    void printWebPage();
    void showAbout();
    // [F2]: the settings dialog; confirmed settings take effect at once
    void editSettings();
    void showAppliedSettings();
    void showDocumentState();
    // [Ctrl+T]: the TV display on or off; the main window stays in front
    void toggleTv();

    // the controls; each carries its name as object name, which tests find it by
    PressButton* m_startButton = nullptr;
    QPushButton* m_falseStartButton = nullptr;
    PressButton* m_resetButton = nullptr;
    QPushButton* m_abortButton = nullptr;
    QToolButton* m_helpButton = nullptr;
    QToolButton* m_settingsButton = nullptr;
    QToolButton* m_aboutButton = nullptr;
    QToolButton* m_loadButton = nullptr;
    QToolButton* m_saveButton = nullptr;
    QToolButton* m_printButton = nullptr;
    QToolButton* m_spreadsheetButton = nullptr;
    QToolButton* m_webPageButton = nullptr;
    QToolButton* m_clearResultsButton = nullptr;
    QToolButton* m_tvButton = nullptr;
    QToolButton* m_certificatesButton = nullptr;
    std::array<QToolButton*, 3> m_laneAssignButtons{};
    QLabel* m_startBarrierIndicator = nullptr;
    QLabel* m_competitionTitleLabel = nullptr;
    QLabel* m_dateLabel = nullptr;
    QLabel* m_timeLabel = nullptr;
    QFrame* m_calendarPanel = nullptr;
    QTabWidget* m_roundTabs = nullptr;
    QPlainTextEdit* m_contactLog = nullptr;

    AppSession& m_session;
    Competition& m_competition;
    RaceClock& m_clock;
    ContactDecoder& m_decoder;
    ProtocolFiles& m_files;
    bool m_syncingTabs = false;
    bool m_viewSyncPending = false;
    // the lanes' rows last scrolled into view, by page
    std::array<int, 3> m_shownLaneRows{};
    CompetitionRound m_shownLanesPage = CompetitionRound::GesamtErgebnis;
    bool m_firstShow = true;
    bool m_helpPresent = false;

    // save and load dialogs keep their state between commands
    int m_saveFilterIndex = 2;
    QString m_shownFile; // the protocol's file the title and the dialogs were last set for
    QString m_saveFileName;
    QString m_dialogFolder;

    QWidget* m_topBar = nullptr;
    QWidget* m_laneArea = nullptr;
    QWidget* m_buttonRow = nullptr;
    std::array<QWidget*, 3> m_buttonPanels{};
    std::array<LanePanel*, 3> m_lanePanels{};
    std::array<ProtocolTableModel*, kRoundCount> m_models{};
    std::array<ProtocolTableView*, kRoundCount> m_views{};
    HeadingBar* m_laneHeadingBar = nullptr;
    HeadingBar* m_roundHeadingBar = nullptr;
    std::array<QLabel*, 4> m_statusPanels{};
    QMenu* m_tableMenu = nullptr;
    QAction* m_recalculateAction = nullptr;
    QCalendarWidget* m_calendar = nullptr;
    QTimer* m_timeTimer = nullptr;

    ConfirmDialog* m_confirmDialog = nullptr;
    AboutDialog* m_aboutDialog = nullptr;
    BracketSchemeDialog* m_bracketSchemeDialog = nullptr;
    SettingsDialog* m_settingsDialog = nullptr;
    QPointer<HelpWindow> m_helpWindow;
    std::unique_ptr<TvWindow> m_tvWindow;
    std::unique_ptr<TvPresenter> m_tvPresenter;
    std::unique_ptr<PrintCommands> m_printCommands;
};

} // namespace brv
