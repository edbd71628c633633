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

#include <memory>

class QAction;
class QLabel;
class QMenu;
class QTabWidget;

namespace brv {

class AboutDialog;
class BracketSchemeDialog;
class ButtonRow;
class ConfirmDialog;
class ContactDecoder;
class LaneArea;
class LanePanel;
class MainStatusBar;
class PrintCommands;
class ProtocolPages;
class ProtocolTableView;
class RaceClock;
class SettingsDialog;
class TopBar;
class TvPresenter;
class TvWindow;

// The program's main window: the top bar, the lanes' panels, the button row, the protocol's pages
// and the status bar, one widget each, laid out one below the other. It shows the state of the
// competition and the race clock and forwards the operator's actions and keys to them; the logic
// lives in those.
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
    LanePanel* lanePanel(int lane) const;
    ProtocolTableView* table(CompetitionRound round) const;
    QTabWidget* pages() const;
    ConfirmDialog* confirmDialog() const { return m_confirmDialog; }
    BracketSchemeDialog* bracketSchemeDialog() const { return m_bracketSchemeDialog; }
    SettingsDialog* settingsDialog() const { return m_settingsDialog; }
    TvWindow* tvWindow() const { return m_tvWindow.get(); }
    // The manual's window once [F1] has opened it.
    HelpWindow* helpWindow() const { return m_helpWindow; }
    PrintCommands& printCommands() { return *m_printCommands; }
    QLabel* statusPanel(int panel) const;
    QWidget* laneArea() const;

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

private:
    void createTableMenu();
    void createCommands();
    QAction* addCommand(const QString& caption, const QKeySequence& key, std::function<void()> action);
    void runStartup();

    void refreshControls();
    void refreshLanes();
    // The views follow the core's current cell and close an editor whose edit has ended.
    void syncViews();
    void scheduleViewSync();
    void refreshStatus(int panel);
    void layoutLanes();
    void layoutColumns();
    void syncTabToCompetition();
    void onRoundWanted(CompetitionRound round);
    void showContextMenu(const QPoint& globalPos);

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

    TopBar* m_topBar = nullptr;
    LaneArea* m_laneArea = nullptr;
    ButtonRow* m_buttonRow = nullptr;
    ProtocolPages* m_pages = nullptr;
    MainStatusBar* m_statusBar = nullptr;

    AppSession& m_session;
    Competition& m_competition;
    RaceClock& m_clock;
    ContactDecoder& m_decoder;
    ProtocolFiles& m_files;
    bool m_viewSyncPending = false;
    bool m_firstShow = true;
    bool m_helpPresent = false;

    // save and load dialogs keep their state between commands
    int m_saveFilterIndex = 2;
    QString m_shownFile; // the protocol's file the title and the dialogs were last set for
    QString m_saveFileName;
    QString m_dialogFolder;

    QMenu* m_tableMenu = nullptr;
    QAction* m_recalculateAction = nullptr;

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
