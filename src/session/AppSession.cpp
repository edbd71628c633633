#include "session/AppSession.h"

#include "competition/Competition.h"
#include "exports/ProtocolExports.h"
#include "journal/CompetitionJournal.h"
#include "live/LiveServer.h"
#include "protocol/ProtocolFiles.h"
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
        m_statusMessage = QStringLiteral(" Einstellungen mit ungültigem Wert auf den Standard gesetzt: ") +
                          settingsReport.resetValues.join(QStringLiteral(", "));
    if (!settingsReport.damagedCopy.isEmpty())
        m_statusMessage =
            QStringLiteral(" Die Einstellungsdatei ist nicht lesbar, es gelten die Standardwerte; "
                           "sie wird als %1 aufbewahrt")
                .arg(QDir::toNativeSeparators(settingsReport.damagedCopy));

    m_competition = std::make_unique<Competition>(NumberFormat::fromLocale(QLocale()));
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
    m_clock->setAutosave([this] { m_files->autosaveAfterHeat(); });
    m_live = std::make_unique<LiveServer>(*m_competition, *m_clock);
    connect(m_competition.get(), &Competition::placeWarningChanged, this, &AppSession::setStatusMessage);
    connect(m_competition.get(), &Competition::inputRefused, this, &AppSession::setStatusMessage);
    connect(m_files.get(), &ProtocolFiles::warning, this, &AppSession::setStatusMessage);
    connect(m_clock.get(), &RaceClock::refused, this, &AppSession::setStatusMessage);
    // What a save or load is doing stands in the panel while it runs; then the message comes
    // back that stood there before, or the one that was raised meanwhile.
    connect(m_files.get(), &ProtocolFiles::progressStarted, this, [this](const QString& text) {
        if (m_progressDepth++ == 0)
            m_messageAfterProgress = m_statusMessage;
        showStatusMessage(text);
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

namespace {

QString contactPortText(int comNumber, const QString& state)
{
    return QStringLiteral(" Kontakt-Port COM%1 %2: Kontakte ohne Funktion – Tasten und Maus arbeiten weiter")
        .arg(comNumber)
        .arg(state);
}

} // namespace

std::unique_ptr<ContactPortKeeper> AppSession::makePortKeeper(SerialLineMonitor& port)
{
    auto keeper = std::make_unique<ContactPortKeeper>(port);
    keeper->setRetryInterval(m_env.portRetryInterval);
    connect(keeper.get(), &ContactPortKeeper::lost, this, [this](int comNumber) {
        setStatusMessage(contactPortText(comNumber, QStringLiteral("getrennt")));
        Q_EMIT contactPortLost(comNumber);
    });
    connect(keeper.get(), &ContactPortKeeper::reconnected, this, [this](int comNumber) {
        setStatusMessage(QStringLiteral(" Kontakt-Port COM%1 wieder verbunden").arg(comNumber));
    });
    return keeper;
}

void AppSession::applyContactInputs(const ContactInputs& inputs)
{
    m_decoder->setInputs(inputs);
    const PortAssignment ports = portsWhenApplied(inputs);
    QStringList notices;
    if (!m_portKeeper1->keep(ports.comPort1))
        notices.append(contactPortText(ports.comPort1, QStringLiteral("nicht verfügbar")));
    if (!m_portKeeper2->keep(ports.comPort2))
        notices.append(contactPortText(ports.comPort2, QStringLiteral("nicht verfügbar")));
    const QStringList unwatched = unwatchedInputs(inputs, ports);
    if (!unwatched.isEmpty())
        notices.append(QLatin1Char(' ') + unwatched.join(QStringLiteral(" wird nicht überwacht, ")) +
                       QStringLiteral(" wird nicht überwacht"));
    if (!notices.isEmpty())
        setStatusMessage(notices.join(QLatin1Char(';')));
}

void AppSession::start()
{
    const ContactInputs inputs = contactInputsOf(m_settings);
    // the usable ports are searched before the program opens its own
    m_availablePorts = m_env.searchPorts ? m_env.searchPorts() : availableSerialPorts();
    applySettingsAtStartup(m_settings, *m_competition, [this, inputs] { applyContactInputs(inputs); });
    m_competition->writeCaptions();
    m_competition->enterRound(CompetitionRound::Vorrunde);
    startJournal();
    applyLiveResults();
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

void AppSession::applySettings(const Settings& confirmed)
{
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
            setStatusMessage(QStringLiteral(" Live-Ergebnisse nicht im Netzwerk: ") + m_live->errorString());
    }
    const QString text = !m_settings.liveResultsOn ? QString()
                         : m_live->isListening()   ? m_live->url()
                                                   : QStringLiteral("Live: ") + m_live->errorString();
    if (text != m_liveText) {
        m_liveText = text;
        Q_EMIT liveResultsChanged();
    }
}

void AppSession::startJournal()
{
    const QString path = m_env.journalPath.value_or(CompetitionJournal::defaultPath());
    if (path.isEmpty())
        return;
    std::optional<JournalSnapshot> restored;
    QString problem;
    switch (CompetitionJournal::state(path)) {
    case CompetitionJournal::State::Unclean:
        if (m_env.recoveryQuestion && m_env.recoveryQuestion->ask(QStringLiteral(
                                          "Der letzte Wettkampf wurde nicht beendet. Wiederherstellen?")))
            restored = CompetitionJournal::read(path, &problem);
        if (!restored && CompetitionJournal::keepAside(path).isEmpty())
            problem = QStringLiteral("Das Journal %1 kann nicht umbenannt werden").arg(path);
        break;
    case CompetitionJournal::State::Closed:
        // a competition that ended cleanly is kept as its own record
        CompetitionJournal::keepAside(path);
        break;
    case CompetitionJournal::State::Missing:
        break;
    }
    if (restored) {
        CompetitionJournal::restore(*restored, *m_competition);
        takeCompetitionOptions(m_settings, restored->options);
    }
    m_journal = std::make_unique<CompetitionJournal>();
    if (!m_journal->open(path, *m_competition, restored.has_value())) {
        problem = m_journal->errorString();
        m_journal.reset();
    } else {
        connect(m_journal.get(), &CompetitionJournal::writeFailed, this, &AppSession::setStatusMessage);
        connect(m_journal.get(), &CompetitionJournal::stepsChanged, this, &AppSession::undoStateChanged);
    }
    Q_EMIT undoStateChanged();
    if (!problem.isEmpty())
        setStatusMessage(QLatin1Char(' ') + problem);
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
    if (!(back ? canUndo() : canRedo()))
        return false;
    // from START to RESET the lanes' teams belong to the heat
    if (!m_clock->controls().settingsEnabled) {
        setStatusMessage(back ? QStringLiteral(" Rückgängig erst nach dem Lauf")
                              : QStringLiteral(" Wiederholen erst nach dem Lauf"));
        return false;
    }
    const QString label = back ? m_journal->undoLabel() : m_journal->redoLabel();
    if (!(back ? m_journal->undo() : m_journal->redo()))
        return false; // the journal's write error is in the message panel
    if (label.isEmpty())
        setStatusMessage(back ? QStringLiteral(" Rückgängig gemacht") : QStringLiteral(" Wiederholt"));
    else
        setStatusMessage((back ? QStringLiteral(" Rückgängig: ") : QStringLiteral(" Wiederholt: ")) + label);
    return true;
}

} // namespace brv
