#include "session/AppSession.h"

#include "competition/Competition.h"
#include "competition/PublicBestResult.h"
#include "exports/ProtocolExports.h"
#include "journal/CompetitionJournal.h"
#include "live/LiveServer.h"
#include "protocol/ProtocolFiles.h"
#include "session/HeatWiring.h"
#include "session/Messages.h"
#include "session/ProgramLock.h"
#include "settings/SettingsApply.h"
#include "settings/SettingsStore.h"
#include "timing/ContactDecoder.h"
#include "timing/ContactInputs.h"
#include "timing/ContactPortKeeper.h"
#include "timing/RaceClock.h"
#include "timing/SerialDevices.h"
#include "timing/SerialLineMonitor.h"
#include "timing/Sound.h"
#include "version.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <array>

namespace brv {

AppSession::AppSession(AppEnvironment environment, QObject* parent)
    : QObject(parent), m_env(std::move(environment))
{
    if (m_env.programFilePath.isEmpty())
        m_env.programFilePath = QCoreApplication::applicationFilePath();
    m_programFiles = ProgramFiles::detect(m_env.programFilePath);

    // the settings first: the program's parts are set up from them
    m_store = m_env.settingsStore ? m_env.settingsStore
                                  : std::shared_ptr<SettingsBackend>(userSettingsBackend(m_programFiles));
    SettingsLoadReport settingsReport;
    m_settings = loadSettings(*m_store, std::max(1, m_env.monitorCount), &settingsReport);
    m_settings.certificateLayout.fillDefaultLines();
    if (!settingsReport.resetValues.isEmpty())
        m_statusMessage = messages::settingsReset(settingsReport.resetValues);
    if (!settingsReport.damagedCopy.isEmpty())
        m_statusMessage = messages::settingsFileDamaged(settingsReport.damagedCopy);

    m_competition = std::make_unique<Competition>(NumberFormat::fromLocale(QLocale()));
    m_bestResult = std::make_unique<PublicBestResult>(*m_competition);
    if (m_env.makeSounds)
        m_sounds = m_env.makeSounds(m_programFiles.dataDir);
    m_clock = std::make_unique<RaceClock>(*m_competition, m_env.ticks ? *m_env.ticks : steadyTickSource(),
                                          m_sounds.get());
    m_clock->setStartSignal(m_settings.startSignal);
    m_decoder = std::make_unique<ContactDecoder>(*m_clock);
    m_contactPort1 = makeContactPort();
    m_contactPort2 = makeContactPort();
    m_portKeeper1 = makePortKeeper(*m_contactPort1);
    m_portKeeper2 = makePortKeeper(*m_contactPort2);

    m_files = std::make_unique<ProtocolFiles>(*m_competition);
    // the automatic text copy and the web page go beside the program, or to the user's folder
    // when the program is installed or its folder is not writable
    const QString writtenBeside = m_programFiles.outputDir + QFileInfo(m_env.programFilePath).fileName();
    m_files->setProgramPath(writtenBeside);
    m_files->setApplicationTitle(version::kProgramName);
    m_files->setFileOpener(m_env.fileOpener);
    m_exports =
        std::make_unique<ProtocolExports>(*m_competition, [this] { return m_settings.competitionTitle; });
    m_exports->setProgramPath(writtenBeside);
    m_exports->setApplicationTitle(version::kProgramName);
    m_exports->setDocumentTemplate(m_programFiles.documentTemplatePath);
    m_exports->setFileOpener(m_env.fileOpener);
    m_files->setDocumentWriter(
        [this](const QString& path, QString* error) { return m_exports->writeDocument(path, error); });
    m_files->setWebPageWriter(
        [this](const QString& path, QString* error) { return m_exports->writeWebPage(path, error); });
    wireHeat(*m_clock, *m_competition, [this] { m_files->autosaveAfterHeat(); });
    m_live = std::make_unique<LiveServer>(*m_competition, *m_clock, *m_bestResult);
    connect(m_competition.get(), &Competition::placeNoticeChanged, this,
            [this](const PlaceNotice& notice) { setStatusMessage(messages::placeNotice(notice)); });
    connect(m_competition.get(), &Competition::inputRefused, this,
            [this](InputRefusal reason, const QString& value) {
                setStatusMessage(messages::inputRefusal(reason, value));
            });
    connect(m_files.get(), &ProtocolFiles::warning, this, &AppSession::setStatusMessage);
    connect(m_clock.get(), &RaceClock::refused, this, [this](ClockRefusal reason, int lane) {
        setStatusMessage(messages::clockRefusal(reason, lane));
    });
    // What a save or load is doing stands in the panel while it runs; then the message comes
    // back that stood there before, or the one that was raised meanwhile.
    connect(m_files.get(), &ProtocolFiles::progressStarted, this, [this](ProtocolProgress what) {
        if (m_progressDepth++ == 0)
            m_messageAfterProgress = m_statusMessage;
        showStatusMessage(messages::protocolProgress(what));
    });
    connect(m_files.get(), &ProtocolFiles::progressEnded, this, [this] {
        if (m_progressDepth > 0 && --m_progressDepth == 0)
            showStatusMessage(m_messageAfterProgress);
    });
}

AppSession::~AppSession()
{
    end();
}

std::unique_ptr<SerialLineMonitor> AppSession::makeContactPort()
{
    auto port = m_env.serialBackend ? std::make_unique<SerialLineMonitor>(m_env.serialBackend())
                                    : std::make_unique<SerialLineMonitor>();
    port->setTickSource(m_clock->ticks());
    configureContactPort(*port);
    m_decoder->attach(*port);
    return port;
}

std::unique_ptr<ContactPortKeeper> AppSession::makePortKeeper(SerialLineMonitor& port)
{
    auto keeper = std::make_unique<ContactPortKeeper>(port);
    keeper->setRetryInterval(m_env.portRetryInterval);
    connect(keeper.get(), &ContactPortKeeper::lost, this, [this](int comNumber) {
        setStatusMessage(messages::contactPortDown(comNumber, messages::contactPortLost()));
        Q_EMIT contactPortLost(comNumber);
    });
    connect(keeper.get(), &ContactPortKeeper::reconnected, this,
            [this](int comNumber) { setStatusMessage(messages::contactPortBack(comNumber)); });
    return keeper;
}

void AppSession::applyContactInputs(const ContactInputs& inputs)
{
    m_decoder->setInputs(inputs);
    const PortAssignment ports = portsWhenApplied(inputs);
    QStringList notices;
    if (!m_portKeeper1->keep(ports.comPort1))
        notices.append(
            messages::contactPortDown(ports.comPort1, messages::contactPortUnavailable(*m_portKeeper1)));
    if (!m_portKeeper2->keep(ports.comPort2))
        notices.append(
            messages::contactPortDown(ports.comPort2, messages::contactPortUnavailable(*m_portKeeper2)));
    const QStringList unwatched = unwatchedInputs(inputs, ports);
    if (!unwatched.isEmpty())
        notices.append(messages::inputsUnwatched(unwatched));
    if (!notices.isEmpty())
        setStatusMessage(notices.join(QLatin1Char(';')));
}

QString AppSession::journalPath() const
{
    return m_env.journalPath.value_or(CompetitionJournal::defaultPath());
}

bool AppSession::start()
{
    // one program per journal: a second start opens no port and touches no file
    if (const QString path = journalPath(); !path.isEmpty()) {
        m_lock = std::make_unique<ProgramLock>(path);
        if (!m_lock->acquire()) {
            m_ended = true;
            return false;
        }
    }
    const ContactInputs inputs = contactInputsOf(m_settings);
    // the usable ports are searched before the program opens its own
    m_availablePorts = m_env.searchPorts ? m_env.searchPorts() : availableSerialPorts();
    applySettingsAtStartup(m_settings, *m_competition, [this, inputs] { applyContactInputs(inputs); });
    m_competition->writeCaptions();
    m_competition->enterRound(CompetitionRound::Vorrunde);
    startJournal();
    applyLiveResults();
    return true;
}

QStringList AppSession::portChoices() const
{
    quint64 ports = m_env.searchPorts ? m_env.searchPorts() : availableSerialPorts();
    auto add = [&ports](int port) {
        if (port >= 1 && port <= kMaxComPort)
            ports |= quint64(1) << (port - 1);
    };
    // the program's own open ports are busy to the search
    for (const SerialLineMonitor* component : {m_contactPort1.get(), m_contactPort2.get()}) {
        if (component->isConnected())
            add(component->port());
    }
    for (int n = 1; n <= kContactInputCount; ++n)
        add(m_settings.inputPort[n]);
    return portChoiceList(ports);
}

QString AppSession::contactPortState() const
{
    QStringList lines;
    const std::array<std::pair<const SerialLineMonitor*, const ContactPortKeeper*>, 2> kept{
        {{m_contactPort1.get(), m_portKeeper1.get()}, {m_contactPort2.get(), m_portKeeper2.get()}}};
    for (const auto& [port, keeper] : kept) {
        if (port->port() == 0)
            continue;
        const QString com = QStringLiteral("COM%1").arg(port->port());
        if (!port->isConnected() || !port->watcher()) {
            lines.append(com + QLatin1Char(' ') + messages::contactPortUnavailable(*keeper));
            continue;
        }
        const PortThreadPriority priority = port->watcher()->priority();
        QString line = com + QStringLiteral(": Priorität %1").arg(portThreadPriorityText(priority));
        if (const std::optional<int> timer = port->lineLatency().timerMs)
            line += QStringLiteral(", Latenz-Timer %1 ms").arg(*timer);
        if (priority != PortThreadPriority::RealTime)
            line += QStringLiteral(" – ") + portThreadRemedyText();
        lines.append(line);
    }
    return lines.isEmpty() ? QStringLiteral("Kein Kontakt-Port eingestellt") : lines.join(QLatin1Char('\n'));
}

void AppSession::applySettings(const Settings& confirmedSettings)
{
    Settings confirmed = confirmedSettings;
    // lane 3 with runs on it stays on unless the operator says otherwise
    if (m_settings.thirdLaneOn && !confirmed.thirdLaneOn && !m_competition->confirmLane3Off())
        confirmed.thirdLaneOn = true;
    // new settings are no step to undo: their captions stay
    if (m_journal)
        m_journal->changeOutsideSteps([this, &confirmed] { applyToCompetition(confirmed); });
    else
        applyToCompetition(confirmed);
    applyLiveResults();
    QString error;
    if (!saveSettings(*m_store, m_settings, &error))
        setStatusMessage(error);
    Q_EMIT settingsApplied();
}

void AppSession::applyToCompetition(const Settings& confirmed)
{
    const bool lane3Before = m_settings.thirdLaneOn;
    m_settings = confirmed;
    m_clock->setStartSignal(m_settings.startSignal);
    m_competition->setOptions(competitionOptions(m_settings));
    // lane 3 off empties it; switched on, it is in use with the page's teams to choose from
    if (!m_settings.thirdLaneOn || !lane3Before)
        m_competition->setLane3On(m_settings.thirdLaneOn);
    if (!m_competition->isPageVisible(m_competition->currentRound()))
        m_competition->enterRound(CompetitionRound::Vorrunde);
    m_competition->applyClassCaption();
    applyContactInputs(contactInputsOf(m_settings));
    m_competition->applyRankingCaptions();
}

void AppSession::applyLiveResults()
{
    m_live->setTitle(m_settings.competitionTitle);
    const auto port = quint16(qBound(0, m_settings.liveResultsPort, 65535));
    if (!m_settings.liveResultsOn) {
        m_live->close();
    } else if (!m_live->isListening() || (port != 0 && m_live->port() != port)) {
        if (!m_live->listen(m_env.liveAddress, port))
            setStatusMessage(messages::liveNotReachable(m_live->errorString()));
    }
    const QString text = !m_settings.liveResultsOn ? QString()
                         : m_live->isListening()   ? m_live->url()
                                                   : QStringLiteral("Live: ") + m_live->errorString();
    if (text != m_liveText) {
        m_liveText = text;
        Q_EMIT liveResultsChanged();
    }
}

bool AppSession::keepJournalAside(const QString& path, QStringList& problems)
{
    if (!CompetitionJournal::keepAside(path).isEmpty())
        return true;
    problems << messages::journalNotKeptAside(path, QFileInfo(QFileInfo(path).absolutePath()).isWritable());
    return false;
}

void AppSession::startJournal()
{
    const QString path = journalPath();
    if (path.isEmpty())
        return;
    std::optional<JournalSnapshot> restored;
    QStringList problems;
    bool keepJournal = true;
    switch (CompetitionJournal::state(path)) {
    case CompetitionJournal::State::Unclean:
        if (m_env.recoveryQuestion && m_env.recoveryQuestion->ask(QStringLiteral(
                                          "Der letzte Wettkampf wurde nicht beendet. Wiederherstellen?"))) {
            QString why;
            restored = CompetitionJournal::read(path, &why);
            if (!restored)
                problems << messages::journalNotRestored(why);
        }
        // a journal that may hold a competition is never overwritten: it is kept aside, or the
        // program runs without one
        if (!restored)
            keepJournal = keepJournalAside(path, problems);
        break;
    case CompetitionJournal::State::Closed:
        // a competition that ended cleanly is kept as its own record
        keepJournal = keepJournalAside(path, problems);
        break;
    case CompetitionJournal::State::Missing:
        break;
    }
    if (restored) {
        CompetitionJournal::restore(*restored, *m_competition);
        takeCompetitionOptions(m_settings, restored->options);
        m_files->restoreDocument(restored->documentFile);
    }
    if (keepJournal) {
        m_journal = std::make_unique<CompetitionJournal>();
        if (!m_journal->open(path, *m_competition, restored.has_value())) {
            problems << messages::noJournal(m_journal->errorString(), restored.has_value());
            m_journal.reset();
        } else {
            m_journal->setDocumentFile(m_files->currentFile());
            connect(m_journal.get(), &CompetitionJournal::writeFailed, this, [this](const QString& message) {
                m_journalMessage = QLatin1Char(' ') + message.trimmed();
                setStatusMessage(m_journalMessage);
            });
            // a failure that is over is no longer shown
            connect(m_journal.get(), &CompetitionJournal::writeRecovered, this, [this] {
                if (m_statusMessage == m_journalMessage)
                    setStatusMessage(QString());
            });
            connect(m_journal.get(), &CompetitionJournal::stepsChanged, this, &AppSession::undoStateChanged);
            connect(m_files.get(), &ProtocolFiles::documentStateChanged, m_journal.get(),
                    [this] { m_journal->setDocumentFile(m_files->currentFile()); });
            connect(m_journal.get(), &CompetitionJournal::documentFileRestored, m_files.get(),
                    &ProtocolFiles::restoreDocument);
        }
    }
    Q_EMIT undoStateChanged();
    if (!problems.isEmpty()) {
        m_journalMessage = messages::journalProblems(problems);
        setStatusMessage(m_journalMessage);
    }
}

bool AppSession::end()
{
    if (m_ended)
        return true;
    m_ended = true;
    // the ports' threads end before anything else
    m_portKeeper1->release();
    m_portKeeper2->release();
    m_live->close();
    QString error;
    const bool saved = saveSettings(*m_store, m_settings, &error);
    if (!saved)
        setStatusMessage(error);
    // the journal is marked closed last: a crash before this point is recovered at the next start
    if (m_journal)
        m_journal->close();
    return saved;
}

void AppSession::setStatusMessage(const QString& text)
{
    if (m_progressDepth > 0)
        m_messageAfterProgress = text;
    else
        showStatusMessage(text);
}

void AppSession::showStatusMessage(const QString& text)
{
    if (text == m_statusMessage)
        return;
    m_statusMessage = text;
    Q_EMIT statusMessageChanged(text);
}

ProtocolResult AppSession::loadProtocol(const QString& path)
{
    // the tables, captions, lanes and page a load changes reach the disk in one sync
    ProtocolResult result;
    auto load = [this, &path, &result] { result = m_files->loadCommand(path); };
    if (m_journal)
        m_journal->writeTogether(load);
    else
        load();
    return result;
}

bool AppSession::changePage(CompetitionRound round)
{
    if (round == m_competition->currentRound())
        return true;
    // a running heat keeps its page: its stops belong to the teams on its lanes
    if (m_clock->heatRunning()) {
        setStatusMessage(messages::clockRefusal(ClockRefusal::PageDuringHeat, 0));
        return false;
    }
    m_clock->resetIfFinished();
    const bool changed = m_competition->changePage(round);
    // a small field may have started at the Viertelfinale: the setting follows
    if (m_competition->options().knockoutStart != m_settings.knockoutStart) {
        takeCompetitionOptions(m_settings, m_competition->options());
        QString error;
        if (!saveSettings(*m_store, m_settings, &error))
            setStatusMessage(error);
        Q_EMIT settingsApplied();
    }
    return changed;
}

void AppSession::fillAllPages()
{
    if (m_clock->heatRunning()) {
        setStatusMessage(messages::clockRefusal(ClockRefusal::PageDuringHeat, 0));
        return;
    }
    m_clock->resetIfFinished();
    m_competition->fillAllPages();
}

void AppSession::assignRowToLane(int lane)
{
    if (const std::optional<ClockRefusal> why = m_clock->assignRefusal(lane)) {
        setStatusMessage(messages::clockRefusal(*why, lane));
        return;
    }
    m_competition->assignRowToLane(lane);
}

bool AppSession::allows(SessionCommand command)
{
    const RunControls& c = m_clock->controls();
    std::optional<ClockRefusal> why;
    if (command == SessionCommand::Settings && !c.settingsEnabled)
        why = ClockRefusal::SettingsDuringHeat;
    else if (command == SessionCommand::Load && !c.loadEnabled)
        why = ClockRefusal::LoadDuringHeat;
    else if (command == SessionCommand::Output && !c.saveEnabled)
        why = ClockRefusal::TableEmpty;
    if (why)
        setStatusMessage(messages::clockRefusal(*why, 0));
    return !why;
}

ProtocolResult AppSession::showWebPage()
{
    const ProtocolResult written = m_exports->writeWebPageFile();
    if (written.ok) {
        // whether the browser opens is the system's business; the operator learns where the page is
        const bool opened = m_env.fileOpener && m_env.fileOpener->openFile(written.path);
        setStatusMessage(messages::webPageWritten(written.path, opened));
    }
    return written;
}

void AppSession::operatorActs()
{
    setStatusMessage(QString());
}

void AppSession::setLane3On(bool on)
{
    m_competition->setLane3On(on);
    m_clock->lane3Switched(on);
}

bool AppSession::canUndo() const
{
    return m_journal && m_journal->canUndo();
}

bool AppSession::canRedo() const
{
    return m_journal && m_journal->canRedo();
}

bool AppSession::undo()
{
    return undoOrRedo(true);
}

bool AppSession::redo()
{
    return undoOrRedo(false);
}

bool AppSession::undoOrRedo(bool back)
{
    if (!(back ? canUndo() : canRedo())) {
        setStatusMessage(messages::nothingToUndo(back));
        return false;
    }
    // from START to RESET the lanes' teams belong to the heat
    if (!m_clock->controls().settingsEnabled) {
        setStatusMessage(messages::undoDuringHeat(back));
        return false;
    }
    const QString label = back ? m_journal->undoLabel() : m_journal->redoLabel();
    if (!(back ? m_journal->undo() : m_journal->redo()))
        return false; // the journal's write error is in the message panel
    setStatusMessage(messages::undoDone(back, label));
    return true;
}

} // namespace brv
