#pragma once

#include "competition/CompetitionRound.h"
#include "session/AppEnvironment.h"
#include "settings/ProgramFiles.h"
#include "settings/Settings.h"

#include <QObject>

#include <memory>

namespace brv {

class Competition;
class PublicBestResult;
class CompetitionJournal;
class LiveServer;
class ProgramLock;
class ContactDecoder;
class ContactPortKeeper;
struct ContactInputs;
class ProtocolExports;
class ProtocolFiles;
class RaceClock;
class SerialLineMonitor;
class SettingsBackend;
class SoundPlayer;
struct ProtocolResult;

// One run of the program without its windows: it loads the settings, builds the competition,
// the race clock, the contact inputs with their two serial ports and the protocol files, and
// wires them; at the end it closes the ports and writes the settings. The main window shows
// this state and forwards the operator's actions; a test drives whole heats through it alone.
// The window's commands that wait for the run controls: the settings and loading for the end of
// a heat, the commands that write, print or clear the table for a table with data.
enum class SessionCommand { Settings, Load, Output };

class AppSession final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AppSession)

public:
    explicit AppSession(AppEnvironment environment, QObject* parent = nullptr);
    // Ends the session if end() has not run.
    ~AppSession() override;

    // The start-up: the program's lock taken, settings in effect, contact inputs set, ports
    // opened, captions written and the Vorrunde entered. False when another program holds the
    // lock of the same journal: then nothing was opened, and end() writes nothing.
    bool start();
    // Closes the serial ports (their threads end first), then writes the settings. Runs once.
    // False when the settings could not be written; the status message then says why.
    bool end();

    Competition& competition() { return *m_competition; }
    RaceClock& clock() { return *m_clock; }
    // The best result the TV display and the live results show.
    const PublicBestResult& bestResult() const { return *m_bestResult; }
    ContactDecoder& decoder() { return *m_decoder; }
    ProtocolFiles& files() { return *m_files; }
    // The web page and the document of the current table; also the save command's writers of them.
    ProtocolExports& exports() { return *m_exports; }
    // Null when the session keeps no journal or its file could not be opened.
    CompetitionJournal* journal() { return m_journal.get(); }
    // The lock of the journal; a second start asks the first through it to show its window.
    // Null without a journal.
    ProgramLock* programLock() { return m_lock.get(); }
    LiveServer& liveServer() { return *m_live; }
    SerialLineMonitor& contactPort(int number) { return number == 1 ? *m_contactPort1 : *m_contactPort2; }
    // The settings in effect; the window writes its own (bounds, title, file type) before end().
    Settings& settings() { return m_settings; }
    const ProgramFiles& programFiles() const { return m_programFiles; }
    const AppEnvironment& environment() const { return m_env; }
    // The usable serial ports found at start-up, before the program opened its own.
    quint64 availablePorts() const { return m_availablePorts; }
    // The settings dialog's port entries, searched anew: the usable ports, the ports the program
    // holds open and the ports the inputs are set to (so that a confirmed dialog does not drop
    // the wiring of an adapter that is unplugged just now).
    QStringList portChoices() const;
    // How the contact ports run, one line each for the settings dialog: the port thread's
    // priority and the adapter's latency timer, or why the port is not open; with what the
    // operator can do where the priority is not real-time or the port does not open.
    QString contactPortState() const;

    // Puts confirmed settings into effect at once, in this order: the start signal and the
    // competition options; lane 3 off empties its lane, switched on it is in use; a page that is no longer
    // offered gives way to the Vorrunde; the class caption; the contact ports; the ranking captions. Then the
    // settings are written to the store, so that a crash does not lose them; a failure to write
    // is shown in the message panel. settingsApplied() tells the window to show the rest.
    void applySettings(const Settings& confirmed);

    // Puts contact inputs into effect: the decoder reads them, the two port components take the
    // ports portsWhenApplied() gives and are kept open, a missing one tried again every
    // portRetryInterval. The message panel names a port that cannot be opened and each input
    // that no component watches. Start-up applies the loaded settings' inputs here.
    void applyContactInputs(const ContactInputs& inputs);

    // Loads a protocol as the load command does; the journal writes what it changed at once.
    ProtocolResult loadProtocol(const QString& path);

    // ---- what the clock and the competition decide together
    // The page changes unless a heat runs on it (the message panel says so); a finished heat that
    // waits for RESET gets it first. False when the page stays.
    bool changePage(CompetitionRound round);
    // "Alle Seiten füllen", not while a heat runs.
    void fillAllPages();
    // The team of the current row goes onto the lane, unless the lane runs or has run in this
    // heat: its time belongs to the team it started with until RESET.
    void assignRowToLane(int lane);
    // Whether the window's command may run now; when not, the message panel says why.
    bool allows(SessionCommand command);
    // Writes the current table as a web page and hands it to the browser; the message panel
    // says where it went and whether the browser opened. Not ok: the message box's text.
    ProtocolResult showWebPage();
    // The operator does something (a key, a click on a button or a tab): the message of the
    // action before goes, and what this one raises takes its place.
    void operatorActs();
    // Lane 3's on/off box.
    void setLane3On(bool on);

    // The live results server as the settings want it: listening on their port while switched
    // on (a port that cannot be had is named in the message panel), closed otherwise.
    // liveResultsText() is what the window shows of it: the address, why it is not reachable,
    // or nothing while it is switched off.
    void applyLiveResults();
    QString liveResultsText() const { return m_liveText; }

    // Undo and redo of the table changes, one operator action at a time, from the journal (so
    // they go on after a restart that restored it). Refused while a heat runs, since its teams
    // would move; the message panel says what was undone or why not.
    bool canUndo() const;
    bool canRedo() const;
    bool undo();
    bool redo();

    // The status bar's message panel: the latest warning (tied qualifying places, an autosave
    // that failed), or what a save or load is doing while it runs.
    QString statusMessage() const { return m_statusMessage; }
    // A message raised while a save or load runs is shown when it has ended.
    void setStatusMessage(const QString& text);

Q_SIGNALS:
    void statusMessageChanged(const QString& text);
    // A contact port closed by itself: its adapter went away. `comNumber` is the port's COM number.
    // The message panel says so, and again when the port is back.
    void contactPortLost(int comNumber);
    // Confirmed settings are in effect: the window takes title, pages and layout from them.
    void settingsApplied();
    // canUndo() or canRedo() may have changed.
    void undoStateChanged();
    // liveResultsText() may have changed.
    void liveResultsChanged();

private:
    std::unique_ptr<SerialLineMonitor> makeContactPort();
    std::unique_ptr<ContactPortKeeper> makePortKeeper(SerialLineMonitor& port);
    void showStatusMessage(const QString& text);
    void startJournal();
    // Renames an ended or unwanted journal after its day; false (and why in `problems`) when it
    // cannot be renamed: then it stays as it is and no journal is kept.
    bool keepJournalAside(const QString& path, QStringList& problems);
    QString journalPath() const;
    // The competition's part of applySettings().
    void applyToCompetition(const Settings& confirmed);
    bool undoOrRedo(bool back);

    AppEnvironment m_env;
    ProgramFiles m_programFiles;
    std::shared_ptr<SettingsBackend> m_store;
    Settings m_settings;
    std::unique_ptr<SoundPlayer> m_sounds;
    std::unique_ptr<Competition> m_competition;
    std::unique_ptr<PublicBestResult> m_bestResult;
    std::unique_ptr<RaceClock> m_clock;
    std::unique_ptr<ContactDecoder> m_decoder;
    std::unique_ptr<SerialLineMonitor> m_contactPort1;
    std::unique_ptr<SerialLineMonitor> m_contactPort2;
    std::unique_ptr<ContactPortKeeper> m_portKeeper1;
    std::unique_ptr<ContactPortKeeper> m_portKeeper2;
    std::unique_ptr<ProtocolFiles> m_files;
    std::unique_ptr<ProtocolExports> m_exports;
    std::unique_ptr<ProgramLock> m_lock;
    std::unique_ptr<CompetitionJournal> m_journal;
    QString m_journalMessage; // what the journal last said in the message panel
    std::unique_ptr<LiveServer> m_live;
    QString m_liveText;
    quint64 m_availablePorts = 0;
    QString m_statusMessage;
    QString m_messageAfterProgress;
    int m_progressDepth = 0;
    bool m_ended = false;
};

} // namespace brv
