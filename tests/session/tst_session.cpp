#include "competition/CompetitionFixture.h"
#include "files/FileLimit.h"
#include "session/SessionFixture.h"

#include "competition/Competition.h"
#include "files/AtomicFile.h"
#include "protocol/ProtocolFiles.h"
#include "settings/SettingsStore.h"
#include "timing/ContactDecoder.h"
#include "timing/RaceClock.h"
#include "timing/SerialLineMonitor.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

using namespace brv;

// The program without a single widget: the session loads the settings, a competition day's
// heats run from START to the times in the protocol, and the end closes the ports and writes
// the settings.
class TestSession final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void heatFromStartToProtocol();
    void recordedRunsAreKept();
    void endClosesPortsAndWritesSettings();
    void unpluggedContactPortComesBack();
    void contactPortState_data();
    void contactPortState();
    void startupWatchesEveryAssignedPort();
    void statusMessage();
    void wrongSettingIsNamed();
    void fullDiskKeepsTheOldFile_data();
    void fullDiskKeepsTheOldFile();
};

void TestSession::heatFromStartToProtocol()
{
    test::SessionFixture fixture;
    Settings settings;
    settings.inputPort[2] = 1; // Ziel1 on COM1, DTR to DSR
    settings.inputLine[2] = 1;
    QVERIFY(saveSettings(*fixture.store, settings));
    AppSession& session = fixture.newSession();
    QVERIFY(session.contactPort(1).isConnected());
    const ProtocolResult loaded = session.loadProtocol(QStringLiteral(BRV_EXAMPLE_WORKBOOK));
    QVERIFY2(loaded.ok, qPrintable(loaded.message));

    Competition& c = session.competition();
    RaceClock& clock = session.clock();
    const ResultGrid& v = c.grid(CompetitionRound::Vorrunde);
    const QString sep = c.numberFormat().decimalSeparator();
    QCOMPARE(c.lanes().selector(1).index, 0);
    QCOMPARE(c.lanes().selector(2).index, 1);

    QVERIFY(clock.command(ClockCommand::Start).trigger());
    QCOMPARE(clock.runState(), RunState::Running);
    // lane 1 by its finish contact, lane 2 by the key
    fixture.ticks.advance(45670);
    // the port's thread waits for a line change before the contact closes
    QTRY_VERIFY(fixture.backends.at(0)->waiting());
    fixture.backends.at(0)->setLines(ModemBit::DSR);
    QTRY_VERIFY(!clock.controls().lane(1).armed);
    QCOMPARE(v.cell(VorrundeColumn::Lane1Zeit, 1), QStringLiteral("45") + sep + QStringLiteral("67"));
    fixture.ticks.advance(1000);
    QVERIFY(clock.command(ClockCommand::Stop2).trigger());
    QCOMPARE(clock.runState(), RunState::Finished);
    QCOMPARE(v.cell(VorrundeColumn::Lane2Zeit, 2), QStringLiteral("46") + sep + QStringLiteral("67"));

    // the finished heat is in the automatic text copy
    QFile autosave(session.files().autosavePath());
    QVERIFY(autosave.open(QIODevice::ReadOnly));
    QVERIFY(autosave.readAll().contains((QStringLiteral("46") + sep + QStringLiteral("67")).toUtf8()));
}

// A recorded run is replaced only after a question; only lanes with a team start; lane 3
// switched off keeps its runs in the tables and the workbook.
void TestSession::recordedRunsAreKept()
{
    test::SessionFixture fixture;
    Settings settings;
    settings.thirdLaneOn = true;
    QVERIFY(saveSettings(*fixture.store, settings));
    AppSession& session = fixture.newSession();
    QVERIFY(session.loadProtocol(QStringLiteral(BRV_EXAMPLE_WORKBOOK)).ok);
    Competition& c = session.competition();
    RaceClock& clock = session.clock();
    const ResultGrid& v = c.grid(CompetitionRound::Vorrunde);
    test::FixedAnswer no(false);
    test::FixedAnswer yes(true);
    c.setYesNoQuestion(&no);
    const QString team1 = v.cell(VorrundeColumn::Mannschaft, 1);
    const QString typed = QStringLiteral("25") + c.numberFormat().decimalSeparator() + QStringLiteral("37");
    session.setLane3On(false);
    session.setLane3On(true); // switched on again, lane 3 takes a team
    QCOMPARE(c.lanes().selector(3).index, 2);

    // lane 2 without a team: lanes 1 and 3 run, and RESET ends the heat; a time typed meanwhile
    // is replaced only after "Ja"
    c.lanes().select(2, -1);
    QVERIFY(clock.command(ClockCommand::Start).trigger());
    QCOMPARE(QList<bool>({clock.controls().lane(1).armed, clock.controls().lane(2).armed,
                          clock.controls().lane(3).armed}),
             QList<bool>({true, false, true}));
    c.selectCell(VorrundeColumn::Lane1Zeit, 1);
    c.setEditText(typed);
    c.editEnter();
    fixture.ticks.advance(30000);
    QVERIFY(clock.command(ClockCommand::Stop1).trigger() && clock.command(ClockCommand::Stop3).trigger());
    QCOMPARE(no.lastQuestion, team1 + QStringLiteral(" hat schon ") + typed +
                                  QStringLiteral(". Neuer Lauf ersetzt die Zeit?"));
    QCOMPARE(v.cell(VorrundeColumn::Lane1Zeit, 1) + ' ' + v.cell(VorrundeColumn::Lane3Zeit, 3),
             typed + ' ' + c.numberFormat().runTime(30000));
    QVERIFY(clock.command(ClockCommand::Reset).trigger());
    QCOMPARE(clock.runState(), RunState::Idle);

    // a team that has run, put on its lane by hand, starts again only after "Ja"
    c.selectCell(VorrundeColumn::Nr, 1);
    session.assignRowToLane(1);
    no.lastQuestion.clear();
    QVERIFY(clock.command(ClockCommand::Start).trigger());
    QCOMPARE(clock.runState(), RunState::Idle);
    QCOMPARE(no.lastQuestion, team1 + QStringLiteral(" hat schon ") + typed +
                                  QStringLiteral(". Neuer Lauf ersetzt die Zeit?"));
    c.fillWithRandomResults();
    QCOMPARE(no.lastQuestion,
             "Vorrunde mit Zufallszahlen füllen? Die vorhandenen Ergebnisse werden überschrieben.");
    QCOMPARE(v.cell(VorrundeColumn::Lane1Zeit, 1), typed);

    // every run recorded: RESET puts nobody on the lanes
    c.setYesNoQuestion(&yes);
    c.fillWithRandomResults();
    c.advanceLanes();
    QCOMPARE(c.laneTeam(1) + c.laneTeam(2) + c.laneTeam(3), "");

    // lane 3 switched off after it ran: asked first; its runs stay, count and are saved
    const QString sum = v.cell(VorrundeColumn::RankingValue, 1);
    const QString lane3 = v.cell(VorrundeColumn::Lane3Zeit, 1);
    settings.thirdLaneOn = false;
    c.setYesNoQuestion(&no);
    session.applySettings(settings);
    QVERIFY(session.settings().thirdLaneOn);
    c.setYesNoQuestion(&yes);
    session.applySettings(settings);
    QCOMPARE(yes.lastQuestion,
             "In der Vorrunde stehen Zeiten auf Bahn 3. Bahn 3 ausschalten? Die Zeiten bleiben "
             "und zählen weiter.");
    QVERIFY(!session.settings().thirdLaneOn);
    c.recalculateRound();
    QCOMPARE(v.cell(VorrundeColumn::Lane3Zeit, 1) + ' ' + v.cell(VorrundeColumn::RankingValue, 1),
             lane3 + ' ' + sum);
    const QString path = fixture.folder.filePath(QStringLiteral("drei.xlsx"));
    QVERIFY(session.files().saveCommand(1, path).ok);
    c.clearResults();
    QVERIFY(session.loadProtocol(path).ok);
    QCOMPARE(v.cell(VorrundeColumn::Lane3Zeit, 1), lane3);
}

void TestSession::endClosesPortsAndWritesSettings()
{
    test::SessionFixture fixture;
    Settings settings;
    settings.inputPort[2] = 1;
    QVERIFY(saveSettings(*fixture.store, settings));
    AppSession& session = fixture.newSession();
    QVERIFY(session.contactPort(1).isConnected());
    session.settings().windowWidth = 1111;
    QSignalSpy lost(&session, &AppSession::contactPortLost);
    session.end();
    QVERIFY(!session.contactPort(1).isConnected());
    QCOMPARE(lost.size(), 0); // closing at the end is no lost adapter
    QCOMPARE(loadSettings(*fixture.store, 1).windowWidth, 1111);
    session.settings().windowWidth = 2222;
    session.end(); // once only
    QCOMPARE(loadSettings(*fixture.store, 1).windowWidth, 1111);
}

// A contact port missing at start-up, or unplugged later, is opened again once it is back.
void TestSession::unpluggedContactPortComesBack()
{
    test::SessionFixture fixture;
    Settings settings;
    settings.inputPort[1] = 3; // Start on COM3, not plugged in yet
    settings.inputLine[1] = 2;
    QVERIFY(saveSettings(*fixture.store, settings));
    fixture.session = std::make_unique<AppSession>(fixture.environment());
    fixture.backends.at(0)->unplug();
    fixture.session->start();
    AppSession& session = *fixture.session;
    QVERIFY(!session.contactPort(1).isConnected());
    QVERIFY(session.statusMessage().contains(
        QStringLiteral("COM3 nicht verfügbar (nicht vorhanden – Adapter einstecken")));
    fixture.backends.at(0)->plugIn();
    QTRY_VERIFY(session.contactPort(1).isConnected());
    QVERIFY(session.statusMessage().contains(QStringLiteral("COM3 wieder verbunden")));
    QVERIFY(session.decoder().startBarrierSymbolVisible());

    QSignalSpy lost(&session, &AppSession::contactPortLost);
    fixture.backends.at(0)->unplug();
    QTRY_COMPARE(lost.size(), 1);
    QCOMPARE(lost.at(0).at(0).toInt(), 3);
    QVERIFY(session.statusMessage().contains(QStringLiteral("COM3 getrennt")));
    QVERIFY(!session.contactPort(1).isConnected());
    QVERIFY(!session.decoder().startBarrierSymbolVisible());
    session.setStatusMessage(QString());
    fixture.backends.at(0)->plugIn();
    QTRY_VERIFY(session.contactPort(1).isConnected());
    QCOMPARE(session.contactPort(1).port(), 3);
    QVERIFY(session.statusMessage().contains(QStringLiteral("COM3 wieder verbunden")));
    QCOMPARE(lost.size(), 1);
}

void TestSession::contactPortState_data()
{
    QTest::addColumn<int>("error"); // errno of the failed open; 0: the port opens
    QTest::addColumn<QString>("named");
    QTest::newRow("no permission")
        << EACCES << "COM3 nicht verfügbar (keine Berechtigung – den Benutzer in die Gruppe „dialout“";
    QTest::newRow("busy") << EBUSY << "COM3 nicht verfügbar (belegt – ein anderes Programm";
    QTest::newRow("other") << EIO
                           << QStringLiteral("COM3 nicht verfügbar (Fehler: %1)").arg(qt_error_string(EIO));
    QTest::newRow("open")
        << 0 << "COM3: Priorität normal, Latenz-Timer 1 ms – für Echtzeit den Benutzer in die Gruppe";
}

// Why a contact port did not open reaches the status bar and the settings dialog in the
// operator's words, with the remedy; an open port tells its priority and latency timer.
void TestSession::contactPortState()
{
    QFETCH(int, error);
    QFETCH(QString, named);
    test::SessionFixture fixture;
    Settings settings;
    settings.inputPort[1] = 3;
    settings.inputLine[1] = 2;
    QVERIFY(saveSettings(*fixture.store, settings));
    fixture.session = std::make_unique<AppSession>(fixture.environment());
    if (error)
        fixture.backends.at(0)->failNextOpen(TestSerialBackend::OpenFailure::Handle, error);
    fixture.backends.at(0)->setLineLatency({LineLatency::Request::Granted, 0, 1});
    fixture.session->start();
    QCOMPARE(fixture.session->statusMessage().contains(named), error != 0);
    QVERIFY2(fixture.session->contactPortState().contains(named),
             qPrintable(fixture.session->contactPortState()));
    QCOMPARE(fixture.session->decoder().contactLog().filter(QStringLiteral("Latenz-Timer 1 ms")).size(),
             error ? 0 : 1);
}

// Start-up gives the ports out as applying the settings does: Ziel2's COM3 replaces Ziel1's
// COM2, and every input left without a port component is named.
void TestSession::startupWatchesEveryAssignedPort()
{
    test::SessionFixture fixture;
    Settings settings;
    const int ports[] = {1, 2, 3, 0, 8, 1}; // Start, Ziel1, Ziel2, Ziel3, Start 2, Start 3
    for (int n = 1; n <= kContactInputCount; ++n) {
        settings.inputPort[n] = ports[n - 1];
        settings.inputLine[n] = 1;
    }
    QVERIFY(saveSettings(*fixture.store, settings));
    AppSession& session = fixture.newSession();
    QVERIFY(session.contactPort(1).isConnected());
    QVERIFY(session.contactPort(2).isConnected());
    QCOMPARE(session.contactPort(2).port(), 3);
    QCOMPARE(session.statusMessage(),
             QStringLiteral(" Ziel1 (COM2) wird nicht überwacht, Start 2 (COM8) wird nicht überwacht"));
}

// The message panel shows what a load does while it runs and then the message from before it,
// a tie at the qualifying places, and an autosave that failed.
void TestSession::statusMessage()
{
    test::SessionFixture fixture;
    AppSession& session = fixture.newSession();
    QStringList shown;
    connect(&session, &AppSession::statusMessageChanged, this, [&](const QString& text) { shown << text; });
    QVERIFY(session.loadProtocol(QStringLiteral(BRV_EXAMPLE_WORKBOOK)).ok);
    // the example's twenty teams have no results yet: no tie between empty results
    QCOMPARE(shown, (QStringList{QStringLiteral(" Protokoll öffnen..."), QString()}));
    session.setStatusMessage(QStringLiteral("vorher"));
    QVERIFY(session.loadProtocol(QStringLiteral(BRV_EXAMPLE_WORKBOOK)).ok);
    QCOMPARE(session.statusMessage(), QStringLiteral("vorher"));

    // results for everybody, places 16 and 17 level: the warning; all different: it goes
    Competition& c = session.competition();
    ResultGrid& v = c.grid(CompetitionRound::Vorrunde);
    for (int tie : {1, 0}) {
        for (int r = 1; r < v.rowCount(); ++r) {
            v.setCell(VorrundeColumn::Lane1Zeit, r, QString::number(30 + std::min(r, 17 - tie)));
            v.setCell(VorrundeColumn::Lane2Zeit, r, QStringLiteral("30"));
        }
        c.recalculateRound();
        QCOMPARE(session.statusMessage(), tie ? QStringLiteral(" Plätze 16 und 17 prüfen!") : QString());
    }

    const QString blocked = fixture.folder.filePath(QStringLiteral("prog.txt"));
    QVERIFY(QDir().mkpath(blocked)); // a folder where the autosave file belongs
    session.files().setProgramPath(fixture.folder.filePath(QStringLiteral("prog")));
    QVERIFY(!session.files().autosaveAfterHeat());
    QCOMPARE(session.statusMessage(), ProtocolFiles::kWriteErrorText + QDir::toNativeSeparators(blocked));
}

// A stored value of another type takes its default, the values after it are still read, and the
// message panel names it.
void TestSession::wrongSettingIsNamed()
{
    test::SessionFixture fixture;
    QVERIFY(saveSettings(*fixture.store, Settings())); // makes the folder
    QVERIFY(writeFileAtomically(fixture.store->filePath(), R"({"Platznach": "Zeit", "Title": "Pokal"})",
                                nullptr));
    AppSession& session = fixture.newSession();
    QCOMPARE(session.statusMessage(),
             QStringLiteral(" Einstellungen mit ungültigem Wert auf den Standard gesetzt: Platznach"));
    QCOMPARE(session.settings().competitionTitle, QStringLiteral("Pokal"));

    // a file that is no JSON: the defaults, and where the file is kept
    fixture.endSession();
    QVERIFY(writeFileAtomically(fixture.store->filePath(), "{\"Platznach\": 1, \"Ti", nullptr));
    QCOMPARE(fixture.newSession().statusMessage(),
             " Die Einstellungsdatei ist nicht lesbar, es gelten die Standardwerte; sie wird als " +
                 QDir::toNativeSeparators(fixture.store->filePath()) + ".defekt aufbewahrt");
    QCOMPARE(fixture.session->settings().competitionTitle, Settings().competitionTitle);
}

void TestSession::fullDiskKeepsTheOldFile_data()
{
    QTest::addColumn<int>("filterIndex");     // 0: the settings written at the end, -1: at OK
    QTest::addColumn<bool>("workbookBefore"); // else a text file
    QTest::addColumn<QString>("reason");
    QTest::newRow("text") << 4 << false << QStringLiteral("Datenträger");
    QTest::newRow("new workbook over a text") << 1 << false << QStringLiteral("Arbeitsmappe");
    QTest::newRow("into an existing workbook") << 1 << true << QStringLiteral("Datenträger");
    QTest::newRow("settings") << 0 << false << QStringLiteral("Datenträger");
    QTest::newRow("settings confirmed") << -1 << false << QStringLiteral("Datenträger");
}

// Once the disk is full every write reports the German write error, and the old file stays
// byte for byte.
void TestSession::fullDiskKeepsTheOldFile()
{
    QFETCH(int, filterIndex);
    QFETCH(bool, workbookBefore);
    QFETCH(QString, reason);
    test::SessionFixture fixture;
    QVERIFY(saveSettings(*fixture.store, Settings()));
    AppSession& session = fixture.newSession();
    const QString path =
        filterIndex > 0 ? fixture.folder.filePath(QStringLiteral("protokoll")) : fixture.store->filePath();
    if (workbookBefore)
        QVERIFY(session.files().saveCommand(1, path).ok);
    else if (filterIndex > 0)
        QVERIFY(writeFileAtomically(path, "Nr.\tMannschaft\r\n", nullptr));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    session.competition().grid(CompetitionRound::Vorrunde).setCell(VorrundeColumn::Mannschaft, 1, "FF Neu");
    QString message;
    {
        test::FileSizeLimit limit(16);
        if (filterIndex > 0)
            message = session.files().saveCommand(filterIndex, path).message;
        else if (filterIndex == 0 ? !session.end() : (session.applySettings(session.settings()), true))
            message = session.statusMessage();
    }
    QVERIFY2(message.startsWith(ProtocolFiles::kWriteErrorText + QDir::toNativeSeparators(path) + '\n') &&
                 message.contains(reason),
             qPrintable(message));
    QVERIFY(file.seek(0));
    QCOMPARE(file.readAll(), before);
}

QTEST_GUILESS_MAIN(TestSession)
#include "tst_session.moc"
