#pragma once

#include "AppEnvironment.h"
#include "Competition.h"
#include "ProgramFiles.h"
#include "ProtocolFiles.h"
#include "Settings.h"

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
class SoundPlayer;
class TComPort;
class TFDlgYesNo;
class TFormInfo;
class TFormSxema;
class TFrame1;

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
class TFormMain final : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFormMain)

public:
    static inline const QString kApplicationTitle = QStringLiteral("Brenvolutaris");

    explicit TFormMain(AppEnvironment environment, QWidget* parent = nullptr);
    // Closes the serial ports first, then writes the settings.
    ~TFormMain() override;

    Competition& competition() { return *m_competition; }
    RaceClock& clock() { return *m_clock; }
    ContactDecoder& decoder() { return *m_decoder; }
    ProtocolFiles& protocolFiles() { return *m_files; }
    TComPort& comPort(int number) { return number == 1 ? *m_comPort1 : *m_comPort2; }
    const Settings& settings() const { return m_settings; }
    TFrame1* frame(int lane) const { return m_frames[std::size_t(lane - 1)]; }
    ProtocolTableView* table(CompetitionRound round) const { return m_views[std::size_t(roundIndex(round))]; }
    QTabWidget* pages() const { return PageControl1; }
    TFDlgYesNo* yesNoDialog() const { return m_yesNo; }
    TFormSxema* schemeWindow() const { return m_sxema; }
    QLabel* statusPanel(int panel) const { return m_statusPanels[std::size_t(panel)]; }
    QWidget* laneArea() const { return m_laneArea; }

    // Loads a protocol as the load command does; false with the message shown in a box
    // (or only returned when `quiet`).
    bool loadProtocol(const QString& path, bool quiet = false, QString* message = nullptr);

    // Controls by their names, for the operator's side and for tests.
    PressButton* bSTART = nullptr;
    QPushButton* bFSTART = nullptr;
    PressButton* bRESET = nullptr;
    QPushButton* bRESET2 = nullptr;
    QToolButton* bHelp = nullptr;
    QToolButton* bCFG = nullptr;
    QToolButton* bInfo = nullptr;
    QToolButton* sbLoad = nullptr;
    QToolButton* sbSave = nullptr;
    QToolButton* sbPrint = nullptr;
    QToolButton* sbExcel = nullptr;
    QToolButton* sbHTML = nullptr;
    QToolButton* sbClsAll = nullptr;
    QToolButton* sbTV = nullptr;
    QToolButton* sbGramoty = nullptr;
    std::array<QToolButton*, 3> sbLane{}; // sb1 .. sb3
    QLabel* ImageLSstart = nullptr;
    QLabel* Title = nullptr;
    QLabel* Paneldate = nullptr;
    QLabel* PanelTime = nullptr;
    QFrame* PanelCal = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;

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
    void refreshTables();
    void scheduleTableRefresh();
    void refreshStatus(int panel);
    void refreshCaptions();
    void showLaneTime(int lane);
    void layoutLanes();
    void layoutColumns();
    void syncTabToCompetition();
    void onTabChanged(int index);
    void showContextMenu(const QPoint& globalPos);
    void onPortClosed(TComPort& port);
    void showTime();

    // commands
    void sbLoadClick();
    void sbSaveClick();
    void sbExcelClick();
    void openHelp();
    void showInfo();

    AppEnvironment m_env;
    ProgramFiles m_programFiles;
    std::shared_ptr<SettingsBackend> m_store;
    Settings m_settings;
    std::unique_ptr<SoundPlayer> m_ownSounds;
    std::unique_ptr<Competition> m_competition;
    std::unique_ptr<RaceClock> m_clock;
    std::unique_ptr<ContactDecoder> m_decoder;
    std::unique_ptr<TComPort> m_comPort1;
    std::unique_ptr<TComPort> m_comPort2;
    std::unique_ptr<ProtocolFiles> m_files;
    std::unique_ptr<SystemFileOpener> m_opener;
    bool m_closingPorts = false;
    bool m_syncingTabs = false;
    bool m_tableRefreshPending = false;
    bool m_firstShow = true;
    bool m_helpPresent = false;
    quint64 m_availablePorts = 0;

    // save and load dialogs keep their state between commands
    int m_saveFilterIndex = 2;
    QString m_saveFileName;
    QString m_dialogFolder;

    QWidget* m_topBar = nullptr;
    QWidget* m_laneArea = nullptr;
    QWidget* m_buttonRow = nullptr;
    std::array<QWidget*, 3> m_buttonPanels{};
    std::array<TFrame1*, 3> m_frames{};
    std::array<ProtocolTableModel*, kRoundCount> m_models{};
    std::array<ProtocolTableView*, kRoundCount> m_views{};
    HeadingBar* m_sortGridTop = nullptr;
    HeadingBar* m_sortGridTop7 = nullptr;
    std::array<QLabel*, 4> m_statusPanels{};
    QMenu* m_tableMenu = nullptr;
    QAction* m_recalculateAction = nullptr;
    QCalendarWidget* m_calendar = nullptr;
    QTimer* m_timeTimer = nullptr;

    TFDlgYesNo* m_yesNo = nullptr;
    TFormInfo* m_info = nullptr;
    TFormSxema* m_sxema = nullptr;
};

} // namespace brv
