#include "competition/CompetitionFixture.h"
#include "files/FileLimit.h"
#include "protocol/ProtocolTestData.h"

#include "session/SessionFixture.h"

#include "files/AtomicFile.h"
#include "settings/SettingsStore.h"
#include "timing/ContactDecoder.h"
#include "timing/RaceClock.h"
#include "timing/SerialLineMonitor.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>

using namespace brv;

namespace {

// A session on `settings`, stored first; started unless the test has more to set up.
AppSession& startWith(test::SessionFixture& f, const Settings& settings, bool started = true)
{
    f.session.reset();
    const bool saved = saveSettings(*f.store, settings);
    f.session = std::make_unique<AppSession>(f.environment());
    if (saved && started)
        f.session->start();
    return *f.session;
}

// Contact input `input` on COM`port`, on modem line `line`.
Settings onPort(int input, int port, int line)
{
    Settings settings;
    settings.inputPort[input] = port;
    settings.inputLine[input] = line;
    return settings;
}

} // namespace

// The program without a single widget: the session loads the settings, a competition day's
// heats run from START to the times in the protocol, and the end closes the ports and writes
// the settings.
class TestSession final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void heatFromStartToProtocol()
    {
        test::SessionFixture fixture;
        AppSession& session = startWith(fixture, onPort(2, 1, 1)); // Ziel1 on COM1, DTR to DSR
        QVERIFY(session.contactPort(1).isConnected() && session.loadProtocol(BRV_EXAMPLE_WORKBOOK).ok);
        Competition& c = session.competition();
        RaceClock& clock = session.clock();
        const ResultGrid& v = c.grid(CompetitionRound::Vorrunde);
        QVERIFY(clock.command(ClockCommand::Start).trigger());
        // lane 1 by its finish contact (the port's thread waits for a line change), lane 2 by the key
        fixture.ticks.advance(45670);
        QTRY_VERIFY(fixture.backends.at(0)->waiting());
        fixture.backends.at(0)->setLines(ModemBit::DSR);
        QTRY_VERIFY(!clock.controls().lane(1).armed);
        fixture.ticks.advance(1000);
        QVERIFY(clock.command(ClockCommand::Stop2).trigger() && clock.runState() == RunState::Finished);
        const QString lane2 = c.numberFormat().runTime(46670);
        QCOMPARE(v.cell(VorrundeColumn::Lane1Zeit, 1) + v.cell(VorrundeColumn::Lane2Zeit, 2),
                 c.numberFormat().runTime(45670) + lane2);
        // the finished heat is in the automatic text copy
        QVERIFY(test::readFile(session.files().autosavePath()).contains(lane2.toUtf8()));
    }

    // A recorded run is replaced only after a question; only lanes with a team start; lane 3
    // switched off keeps its runs in the tables and the workbook.
    void recordedRunsAreKept()
    {
        test::SessionFixture fixture;
        Settings settings;
        settings.thirdLaneOn = true;
        AppSession& session = startWith(fixture, settings);
        QVERIFY(session.loadProtocol(BRV_EXAMPLE_WORKBOOK).ok);
        Competition& c = session.competition();
        RaceClock& clock = session.clock();
        const ResultGrid& v = c.grid(CompetitionRound::Vorrunde);
        test::FixedAnswer no(false), yes(true);
        c.setYesNoQuestion(&no);
        const QString typed = c.numberFormat().runTime(25370);
        const QString replace =
            v.cell(VorrundeColumn::Mannschaft, 1) + " hat schon " + typed + ". Neuer Lauf ersetzt die Zeit?";
        session.setLane3On(false);
        session.setLane3On(true); // switched on again, lane 3 takes a team
        QCOMPARE(c.lanes().selector(3).index, 2);

        // lane 2 without a team: lanes 1 and 3 run, and RESET ends the heat; a time typed
        // meanwhile is replaced only after "Ja"
        c.lanes().select(2, -1);
        QVERIFY(clock.command(ClockCommand::Start).trigger());
        const RunControls& heat = clock.controls();
        QVERIFY(heat.lane(1).armed && !heat.lane(2).armed && heat.lane(3).armed);
        c.selectCell(VorrundeColumn::Lane1Zeit, 1);
        c.setEditText(typed);
        c.editEnter();
        fixture.ticks.advance(30000);
        QVERIFY(clock.command(ClockCommand::Stop1).trigger() && clock.command(ClockCommand::Stop3).trigger());
        QCOMPARE(no.lastQuestion, replace);
        QCOMPARE(v.cell(VorrundeColumn::Lane1Zeit, 1) + ' ' + v.cell(VorrundeColumn::Lane3Zeit, 3),
                 typed + ' ' + c.numberFormat().runTime(30000));
        QVERIFY(clock.command(ClockCommand::Reset).trigger() && clock.runState() == RunState::Idle);

        // a team that has run, put on its lane by hand, starts again only after "Ja"
        c.selectCell(VorrundeColumn::Nr, 1);
        session.assignRowToLane(1);
        no.lastQuestion.clear();
        QVERIFY(clock.command(ClockCommand::Start).trigger() && clock.runState() == RunState::Idle);
        QCOMPARE(no.lastQuestion, replace);
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
        const QString kept =
            v.cell(VorrundeColumn::Lane3Zeit, 1) + ' ' + v.cell(VorrundeColumn::RankingValue, 1);
        settings.thirdLaneOn = false;
        for (test::FixedAnswer* answer : {&no, &yes}) {
            QVERIFY(session.settings().thirdLaneOn);
            c.setYesNoQuestion(answer);
            session.applySettings(settings);
        }
        QCOMPARE(yes.lastQuestion, "In der Vorrunde stehen Zeiten auf Bahn 3. Bahn 3 ausschalten? Die Zeiten "
                                   "bleiben und zählen weiter.");
        QVERIFY(!session.settings().thirdLaneOn);
        c.recalculateRound();
        QCOMPARE(v.cell(VorrundeColumn::Lane3Zeit, 1) + ' ' + v.cell(VorrundeColumn::RankingValue, 1), kept);
        const QString path = fixture.folder.filePath("drei.xlsx");
        QVERIFY(session.files().saveCommand(1, path).ok);
        c.clearResults();
        QVERIFY(session.loadProtocol(path).ok);
        QCOMPARE(v.cell(VorrundeColumn::Lane3Zeit, 1) + ' ' + v.cell(VorrundeColumn::RankingValue, 1), kept);
    }

    // The end closes the ports (no lost adapter) and writes the settings, once only.
    void endClosesPortsAndWritesSettings()
    {
        test::SessionFixture fixture;
        AppSession& session = startWith(fixture, onPort(2, 1, 0));
        QVERIFY(session.contactPort(1).isConnected());
        QSignalSpy lost(&session, &AppSession::contactPortLost);
        for (const int width : {1111, 2222}) {
            session.settings().windowWidth = width;
            session.end();
            QCOMPARE(loadSettings(*fixture.store, 1).windowWidth, 1111);
        }
        QVERIFY(!session.contactPort(1).isConnected() && lost.isEmpty());
    }

    // A contact port missing at start-up, or unplugged later, is opened again once it is back.
    void unpluggedContactPortComesBack()
    {
        test::SessionFixture fixture;
        AppSession& session = startWith(fixture, onPort(1, 3, 2), false);
        QSignalSpy lost(&session, &AppSession::contactPortLost);
        TestSerialBackend& port = *fixture.backends.at(0);
        port.unplug();
        session.start();
        for (const char* gone :
             {"COM3 nicht verfügbar (nicht vorhanden – Adapter einstecken", "COM3 getrennt"}) {
            QVERIFY2(session.statusMessage().contains(gone), qPrintable(session.statusMessage()));
            QVERIFY(!session.contactPort(1).isConnected() && !session.decoder().startBarrierSymbolVisible());
            port.plugIn();
            QTRY_VERIFY(session.contactPort(1).isConnected());
            QVERIFY(session.statusMessage().contains("COM3 wieder verbunden") &&
                    session.decoder().startBarrierSymbolVisible() && session.contactPort(1).port() == 3);
            const qsizetype before = lost.size();
            port.unplug();
            QTRY_COMPARE(lost.size(), before + 1);
        }
        QCOMPARE(lost.at(0).at(0).toInt(), 3);
    }

    void contactPortState_data()
    {
        QTest::addColumn<int>("error"); // errno of the failed open; 0: the port opens
        QTest::addColumn<QString>("named");
        QTest::newRow("no permission")
            << EACCES << "COM3 nicht verfügbar (keine Berechtigung – den Benutzer in die Gruppe „dialout“";
        QTest::newRow("busy") << EBUSY << "COM3 nicht verfügbar (belegt – ein anderes Programm";
        QTest::newRow("other") << EIO << "COM3 nicht verfügbar (Fehler: " + qt_error_string(EIO) + ')';
        QTest::newRow("open")
            << 0 << "COM3: Priorität normal, Latenz-Timer 1 ms – für Echtzeit den Benutzer in die Gruppe";
    }

    // Why a contact port did not open reaches the status bar and the settings dialog in the
    // operator's words, with the remedy; an open port tells its priority and latency timer.
    void contactPortState()
    {
        QFETCH(int, error);
        QFETCH(QString, named);
        test::SessionFixture fixture;
        AppSession& session = startWith(fixture, onPort(1, 3, 2), false);
        if (error)
            fixture.backends.at(0)->failNextOpen(TestSerialBackend::OpenFailure::Handle, error);
        fixture.backends.at(0)->setLineLatency({LineLatency::Request::Granted, 0, 1});
        session.start();
        QCOMPARE(session.statusMessage().contains(named), error != 0);
        QVERIFY2(session.contactPortState().contains(named), qPrintable(session.contactPortState()));
        QCOMPARE(session.decoder().contactLog().filter("Latenz-Timer 1 ms").size(), error ? 0 : 1);
    }

    // Start-up gives the ports out as applying the settings does: Ziel2's COM3 replaces Ziel1's
    // COM2, and every input left without a port component is named.
    void startupWatchesEveryAssignedPort()
    {
        test::SessionFixture fixture;
        Settings settings;
        const int ports[] = {1, 2, 3, 0, 8, 1}; // Start, Ziel1, Ziel2, Ziel3, Start 2, Start 3
        for (int n = 1; n <= kContactInputCount; ++n) {
            settings.inputPort[n] = ports[n - 1];
            settings.inputLine[n] = 1;
        }
        AppSession& session = startWith(fixture, settings);
        QVERIFY(session.contactPort(1).isConnected() && session.contactPort(2).isConnected() &&
                session.contactPort(2).port() == 3);
        QCOMPARE(session.statusMessage(),
                 " Ziel1 (COM2) wird nicht überwacht, Start 2 (COM8) wird nicht überwacht");
    }

    // The message panel shows what a load does while it runs and then the message from before it,
    // a tie at the qualifying places, and an autosave that failed.
    void statusMessage()
    {
        test::SessionFixture fixture;
        AppSession& session = fixture.newSession();
        QStringList shown;
        connect(&session, &AppSession::statusMessageChanged, this,
                [&](const QString& text) { shown << text; });
        QVERIFY(session.loadProtocol(BRV_EXAMPLE_WORKBOOK).ok);
        // the example's twenty teams have no results yet: no tie between empty results
        QCOMPARE(shown, QStringList({" Protokoll öffnen...", ""}));
        session.setStatusMessage("vorher");
        QVERIFY(session.loadProtocol(BRV_EXAMPLE_WORKBOOK).ok);
        QCOMPARE(session.statusMessage(), "vorher");

        // results for everybody, places 16 and 17 level: the warning; all different: it goes
        Competition& c = session.competition();
        ResultGrid& v = c.grid(CompetitionRound::Vorrunde);
        for (int tie : {1, 0}) {
            for (int r = 1; r < v.rowCount(); ++r) {
                v.setCell(VorrundeColumn::Lane1Zeit, r, QString::number(30 + std::min(r, 17 - tie)));
                v.setCell(VorrundeColumn::Lane2Zeit, r, "30");
            }
            c.recalculateRound();
            QCOMPARE(session.statusMessage(), tie ? " Plätze 16 und 17 prüfen!" : "");
        }

        const QString blocked = fixture.folder.filePath("prog.txt");
        QVERIFY(QDir().mkpath(blocked)); // a folder where the autosave file belongs
        session.files().setProgramPath(fixture.folder.filePath("prog"));
        QVERIFY(!session.files().autosaveAfterHeat());
        QCOMPARE(session.statusMessage(), ProtocolFiles::kWriteErrorText + QDir::toNativeSeparators(blocked));
    }

    // A stored value of another type takes its default, the values after it are still read, and
    // the message panel names it; a file that is no JSON gives the defaults, and where it is kept.
    void wrongSettingIsNamed()
    {
        test::SessionFixture fixture;
        QVERIFY(saveSettings(*fixture.store, Settings())); // makes the folder
        const QString file = fixture.store->filePath();
        QVERIFY(writeFileAtomically(file, R"({"Platznach": "Zeit", "Title": "Pokal"})", nullptr));
        AppSession& session = fixture.newSession();
        QCOMPARE(session.statusMessage(),
                 " Einstellungen mit ungültigem Wert auf den Standard gesetzt: Platznach");
        QCOMPARE(session.settings().competitionTitle, "Pokal");
        fixture.endSession();
        QVERIFY(writeFileAtomically(file, "{\"Platznach\": 1, \"Ti", nullptr));
        QCOMPARE(fixture.newSession().statusMessage(),
                 " Die Einstellungsdatei ist nicht lesbar, es gelten die Standardwerte; sie wird als " +
                     QDir::toNativeSeparators(file) + ".defekt aufbewahrt");
        QCOMPARE(fixture.session->settings().competitionTitle, Settings().competitionTitle);
    }

    void fullDiskKeepsTheOldFile_data()
    {
        QTest::addColumn<int>("filterIndex");     // 0: the settings written at the end, -1: at OK
        QTest::addColumn<bool>("workbookBefore"); // else a text file
        QTest::addColumn<QString>("reason");
        QTest::newRow("text") << 4 << false << "Datenträger";
        QTest::newRow("new workbook over a text") << 1 << false << "Arbeitsmappe";
        QTest::newRow("into an existing workbook") << 1 << true << "Datenträger";
        QTest::newRow("settings") << 0 << false << "Datenträger";
        QTest::newRow("settings confirmed") << -1 << false << "Datenträger";
    }

    // Once the disk is full every write reports the German write error, and the old file stays
    // byte for byte.
    void fullDiskKeepsTheOldFile()
    {
        QFETCH(int, filterIndex);
        QFETCH(bool, workbookBefore);
        QFETCH(QString, reason);
        test::SessionFixture fixture;
        AppSession& session = startWith(fixture, Settings());
        const QString path =
            filterIndex > 0 ? fixture.folder.filePath("protokoll") : fixture.store->filePath();
        if (workbookBefore)
            QVERIFY(session.files().saveCommand(1, path).ok);
        else if (filterIndex > 0)
            QVERIFY(writeFileAtomically(path, "Nr.\tMannschaft\r\n", nullptr));
        const QByteArray before = test::readFile(path);
        QVERIFY(!before.isEmpty());
        session.competition()
            .grid(CompetitionRound::Vorrunde)
            .setCell(VorrundeColumn::Mannschaft, 1, "FF Neu");
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
        QCOMPARE(test::readFile(path), before);
    }
};

QTEST_GUILESS_MAIN(TestSession)
#include "tst_session.moc"
