#include "TimingTestSupport.h"
#include "competition/Competition.h"
#include "session/HeatWiring.h"
#include "timing/RaceClock.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace brv;
using namespace brv::test;

namespace {

// A competition with four teams in the Vorrunde, a hand-set tick and silent sounds.
struct Fixture
{
    explicit Fixture(bool commonStart = true, bool thirdLane = false, int teams = 4)
    {
        CompetitionOptions options;
        options.commonStart = commonStart;
        options.thirdLaneOn = thirdLane;
        competition.setOptions(options);
        enterVorrunde(competition, teams);
        clock = std::make_unique<RaceClock>(competition, ticks, &sounds);
        wireHeat(*clock, competition, [this] { ++autosaves; });
    }
    // lane 3's box, as the session switches it
    void lane3(bool on)
    {
        competition.setLane3On(on);
        clock->lane3Switched(on);
    }

    const RunControls& c() const { return clock->controls(); }
    QString zeit(int team, int lane) const
    {
        return competition.grid(CompetitionRound::Vorrunde)
            .cell(laneTimeColumn(lane), vorrundeRow(competition, team));
    }

    Competition competition;
    ManualTickSource ticks{100000};
    FakeSounds sounds;
    std::unique_ptr<RaceClock> clock;
    int autosaves = 0;
};

} // namespace

class TestRaceClock final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void commonStartArmsActiveLanes_data();
    void commonStartArmsActiveLanes();
    void stopRecordsTruncatedTime_data();
    void stopRecordsTruncatedTime();
    void disabledCommandsDoNothing_data();
    void disabledCommandsDoNothing();
    void endingTheRun_data();
    void endingTheRun();
    void perLaneSingleLaneFinishesRun();
    void perLaneStartOfInactiveLaneDoesNothing();
    void startSound_data();
    void startSound();
    void stopTickIsReadBeforeStopSound();
    void displayTickSignalsOnlyChangedHundredths();
    void lockout();
    void lane3BoxShowsZeroInItsColours();
    void leavingPageRunsPendingReset();
    void readiness_data();
    void readiness();
    void protocolButtonsFollowTheTable();
    void noStartCutsARunShort_data();
    void noStartCutsARunShort();
};

void TestRaceClock::commonStartArmsActiveLanes_data()
{
    QTest::addColumn<bool>("thirdLane");
    QTest::addColumn<bool>("lane3Box");
    QTest::addColumn<bool>("lane3Armed");
    QTest::newRow("two lanes") << false << true << false;
    QTest::newRow("three lanes") << true << true << true;
    QTest::newRow("three lanes, lane 3 switched off") << true << false << false;
}

void TestRaceClock::commonStartArmsActiveLanes()
{
    QFETCH(bool, thirdLane);
    QFETCH(bool, lane3Box);
    QFETCH(bool, lane3Armed);
    Fixture f(true, thirdLane, 6);
    if (!lane3Box)
        f.lane3(false);
    QSignalSpy states(f.clock.get(), &RaceClock::runStateChanged);
    QVERIFY(f.clock->command(ClockCommand::Start).trigger());
    QVERIFY(f.c().lane(1).armed && f.c().lane(2).armed);
    QCOMPARE(f.c().lane(3).armed, lane3Armed);
    for (int lane = 1; lane <= 3; ++lane)
        QCOMPARE(f.c().lane(lane).startTick, 100000u);
    // the run is locked: no second START, no settings, no loading, no other teams
    QVERIFY(!f.c().startShown && !f.c().startCommandEnabled && !f.c().settingsEnabled && !f.c().loadEnabled);
    QVERIFY(!f.competition.lanes().selector(1).enabled && !f.competition.lanes().selector(2).enabled);

    f.ticks.set(110000);
    f.clock->command(ClockCommand::Stop1).trigger();
    QCOMPARE(f.clock->runState(), RunState::Finishing);
    QVERIFY(f.c().resetShown && !f.c().resetEnabled && f.clock->displayTickActive());
    QVERIFY(!f.c().falseStartShown && !f.clock->command(ClockCommand::FalseStart).isEnabled());
    f.ticks.advance(1000);
    f.clock->onDisplayTick(); // a stopped lane keeps its time, a lane not in use shows none
    QCOMPARE(QList<qint32>(
                 {f.clock->laneMilliseconds(1), f.clock->laneMilliseconds(2), f.clock->laneMilliseconds(3)}),
             QList<qint32>({10000, 11000, lane3Armed ? 11000 : 0}));
    f.clock->command(ClockCommand::Stop2).trigger();
    if (lane3Armed) {
        QCOMPARE(f.clock->runState(), RunState::Finishing);
        QCOMPARE(f.autosaves, 0);
        f.clock->command(ClockCommand::Stop3).trigger();
    }
    QCOMPARE(f.clock->runState(), RunState::Finished);
    QCOMPARE(f.autosaves, 1);
    QVERIFY(f.c().resetEnabled && f.c().resetRed && !f.clock->displayTickActive() &&
            !f.c().displayTickRunning);
    // the heat is recalculated: the Gesamt of lane 1's team is written
    QCOMPARE(f.competition.grid(CompetitionRound::Vorrunde)
                 .cell(VorrundeColumn::Lane1Gesamt, vorrundeRow(f.competition, 1)),
             QStringLiteral("10,00"));
    QVERIFY(f.clock->command(ClockCommand::Reset).trigger());
    QList<RunState> seen;
    for (const QList<QVariant>& args : states)
        seen << args.first().value<RunState>();
    QCOMPARE(seen,
             (QList<RunState>{RunState::Running, RunState::Finishing, RunState::Finished, RunState::Idle}));
}

void TestRaceClock::stopRecordsTruncatedTime_data()
{
    QTest::addColumn<quint32>("start");
    QTest::addColumn<quint32>("elapsed");
    QTest::addColumn<qint32>("ms");
    QTest::addColumn<QString>("text");
    // how milliseconds are written (9 ms as 0,00, no minutes) is the number format's own test
    QTest::newRow("12 345 ms") << 100000u << 12345u << 12345 << "12,34";
    QTest::newRow("across the tick's wrap-around") << 0xFFFFFF00u << 1512u << 1512 << "1,51";
    // a stop in the first second is a slip: refused, the lane runs on
    QTest::newRow("within the first second") << 100000u << 999u << 0 << "";
    // a start read at tick 0 is kept as 0xFFFFFFFF, since 0 means "not started"
    QTest::newRow("start at tick 0") << 0u << 1000u << 1001 << "1,00";
}

void TestRaceClock::stopRecordsTruncatedTime()
{
    QFETCH(quint32, start);
    QFETCH(quint32, elapsed);
    QFETCH(qint32, ms);
    QFETCH(QString, text);
    Fixture f;
    f.ticks.set(start);
    f.clock->command(ClockCommand::Start).trigger();
    f.ticks.advance(elapsed);
    QVERIFY(f.clock->command(ClockCommand::Stop1).trigger());
    QCOMPARE(f.zeit(1, 1), text);
    QCOMPARE(f.clock->laneMilliseconds(1), ms);
    QCOMPARE(f.clock->command(ClockCommand::Stop1).isEnabled(), text.isEmpty()); // refused: runs on
}

void TestRaceClock::disabledCommandsDoNothing_data()
{
    QTest::addColumn<bool>("running");
    QTest::addColumn<int>("command");
    QTest::newRow("[F6] before a start") << false << int(ClockCommand::Stop1);
    QTest::newRow("[F4] before a start") << false << int(ClockCommand::FalseStart);
    QTest::newRow("[F10] before a start") << false << int(ClockCommand::Reset);
    QTest::newRow("[F5] while running") << true << int(ClockCommand::Start);
    QTest::newRow("[F8] with lane 3 off while running") << true << int(ClockCommand::Stop3);
}

// [F4] after a stop and a second stop of a lane are checked with the runs that stop.
void TestRaceClock::disabledCommandsDoNothing()
{
    QFETCH(bool, running);
    QFETCH(int, command);
    Fixture f;
    if (running)
        f.clock->command(ClockCommand::Start).trigger();
    const RunState before = f.clock->runState();
    const QStringList row1 = f.competition.grid(CompetitionRound::Vorrunde).rowCells(1);
    f.ticks.advance(777);
    QVERIFY(!f.clock->command(ClockCommand(command)).trigger());
    QCOMPARE(f.clock->runState(), before);
    QCOMPARE(f.competition.grid(CompetitionRound::Vorrunde).rowCells(1), row1);
    QCOMPARE(f.autosaves, 0);
}

void TestRaceClock::endingTheRun_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<bool>("stopped");  // both lanes stopped first
    QTest::addColumn<int>("lane1Team"); // the selector's index afterwards
    QTest::newRow("[F4] false start: the teams stay") << int(ClockCommand::FalseStart) << false << 0;
    QTest::newRow("[F10] RESET: the next teams") << int(ClockCommand::Reset) << true << 2;
    QTest::newRow("0,00 abandons the run") << int(ClockCommand::Clear) << false << 0;
}

// A false start, RESET and "0,00" all make START ready again; only RESET advances the lanes,
// only the false start sounds, only "0,00" readies the lanes' own starts.
void TestRaceClock::endingTheRun()
{
    QFETCH(int, command);
    QFETCH(bool, stopped);
    QFETCH(int, lane1Team);
    Fixture f;
    f.clock->command(ClockCommand::Start).trigger();
    f.ticks.advance(3000);
    f.clock->onDisplayTick();
    if (stopped) {
        f.clock->command(ClockCommand::Stop1).trigger();
        f.clock->command(ClockCommand::Stop2).trigger();
    }
    f.sounds.played.clear();
    QSignalSpy ready(f.clock.get(), &RaceClock::readyForStart);
    QVERIFY(f.clock->command(ClockCommand(command)).trigger());
    QCOMPARE(ready.size(), 1);
    QCOMPARE(f.clock->runState(), RunState::Idle);
    QCOMPARE(f.competition.lanes().selector(1).index, lane1Team);
    QCOMPARE(f.competition.lanes().selector(2).index, lane1Team + 1);
    QVERIFY(f.competition.lanes().selector(1).enabled && f.competition.lanes().selector(2).enabled);
    QVERIFY(f.c().startShown && f.c().startButtonEnabled && f.c().startCommandEnabled &&
            f.c().settingsEnabled);
    QVERIFY(!f.c().resetShown && !f.c().resetEnabled && !f.c().resetRed && !f.c().falseStartShown);
    QVERIFY(!f.clock->displayTickActive());
    QCOMPARE(f.clock->laneMilliseconds(1), 0);
    QCOMPARE(f.c().lane(1).startTick, 0u);
    QCOMPARE(f.zeit(1, 1).isEmpty(), !stopped); // RESET keeps the recorded time
    QCOMPARE(f.c().lane(1).startButtonEnabled, command == int(ClockCommand::Clear));
    const bool falseStart = command == int(ClockCommand::FalseStart);
    QCOMPARE(f.sounds.played.size(), falseStart ? 1 : 0);
    if (falseStart)
        QVERIFY(f.sounds.played.first().sound == Sound::Fehlstart && !f.sounds.played.first().waited);
}

void TestRaceClock::perLaneSingleLaneFinishesRun()
{
    Fixture f(false);
    f.clock->command(ClockCommand::Start1).trigger();
    f.ticks.advance(4000);
    f.clock->command(ClockCommand::Stop1).trigger();
    QCOMPARE(f.clock->runState(), RunState::Finished);
    QCOMPARE(f.autosaves, 1);

    // Lane 2 runs later: RESET must wait for it.
    f.clock->command(ClockCommand::Start2).trigger();
    QCOMPARE(f.clock->runState(), RunState::Finishing);
    QVERIFY(!f.clock->command(ClockCommand::Reset).isEnabled());
    f.ticks.advance(2500);
    f.clock->command(ClockCommand::Stop2).trigger();
    QCOMPARE(f.zeit(2, 2), QStringLiteral("2,50"));
    QCOMPARE(f.autosaves, 2);
    QVERIFY(f.clock->command(ClockCommand::Reset).isEnabled());
}

void TestRaceClock::perLaneStartOfInactiveLaneDoesNothing()
{
    Fixture f(false);
    QVERIFY(f.clock->command(ClockCommand::Start3).trigger()); // the command always runs ...
    QCOMPARE(f.c().lane(3).startTick, 0u);                     // ... but lane 3 is not shown
    QVERIFY(f.c().startButtonEnabled);
}

void TestRaceClock::startSound_data()
{
    QTest::addColumn<int>("trigger");
    QTest::addColumn<bool>("filePresent");
    QTest::addColumn<bool>("played");
    QTest::addColumn<quint32>("startTick");
    QTest::newRow("Audio with sound: run begins when it ends") << 1 << true << true << 102500u;
    QTest::newRow("Audio without sound file: the contact's tick") << 1 << false << false << 99000u;
    QTest::newRow("Kontakt: nothing played, the contact's tick") << 0 << true << false << 99000u;
}

void TestRaceClock::startSound()
{
    QFETCH(int, trigger);
    QFETCH(bool, filePresent);
    QFETCH(bool, played);
    QFETCH(quint32, startTick);
    Fixture f;
    f.clock->setStartSignal(StartSignal(trigger));
    if (!filePresent)
        f.sounds.present.erase(Sound::Start);
    f.sounds.whilePlaying = [&f](Sound, bool waited) {
        if (waited)
            f.ticks.advance(2500);
    };
    f.clock->command(ClockCommand::Start)
        .trigger(99000u); // even a contact's tick gives way to the sound's end
    QCOMPARE(f.c().lane(1).startTick, startTick);
    QCOMPARE(!f.sounds.played.isEmpty(), played);
    if (played)
        QVERIFY(f.sounds.played.first().sound == Sound::Start && f.sounds.played.first().waited);
}

void TestRaceClock::stopTickIsReadBeforeStopSound()
{
    Fixture f;
    f.clock->command(ClockCommand::Start).trigger();
    f.ticks.advance(5000);
    f.sounds.whilePlaying = [&f](Sound, bool) { f.ticks.advance(300); };
    f.clock->command(ClockCommand::Stop1).trigger();
    QCOMPARE(f.clock->laneMilliseconds(1), 5000);
    QCOMPARE(f.sounds.played.last().sound, Sound::Stopp);
    QVERIFY(!f.sounds.played.last().waited);
}

void TestRaceClock::displayTickSignalsOnlyChangedHundredths()
{
    Fixture f;
    QSignalSpy spy(f.clock.get(), &RaceClock::laneTimeChanged);
    f.clock->command(ClockCommand::Start).trigger();
    f.ticks.advance(1234);
    f.clock->onDisplayTick();
    QCOMPARE(spy.count(), 2); // lanes 1 and 2
    QCOMPARE(f.clock->laneMilliseconds(1), 1234);
    f.ticks.advance(5); // 1239: still 1,23
    f.clock->onDisplayTick();
    QCOMPARE(spy.count(), 2);
    f.ticks.advance(1); // 1240
    f.clock->onDisplayTick();
    QCOMPARE(spy.count(), 4);
    // the display tick runs by itself
    f.ticks.advance(1000);
    QTRY_COMPARE(f.clock->laneMilliseconds(1), 2240);
}

// A lock-out runs for a second from its edge; the edges at 999 and 1000 ms are in the contact
// decoder's test.
void TestRaceClock::lockout()
{
    Fixture f;
    QVERIFY(!f.clock->lockoutRunning(2, 5000));
    f.clock->startLockout(2, 5000);
    QVERIFY(f.clock->lockoutRunning(2, 5000));
    QVERIFY(!f.clock->lockoutRunning(2, 4999)); // an edge from before
    QVERIFY(!f.clock->lockoutRunning(1, 5000));
    f.clock->cancelLockouts();
    QVERIFY(!f.clock->lockoutRunning(2, 5000));
    // an edge of the other port handed over late does not move a lock-out back
    f.clock->startLockout(1, 5000);
    f.clock->startLockout(1, 4990);
    QVERIFY(f.clock->lockoutRunning(1, 5995));
    f.clock->startLockout(1, 7000);
    QVERIFY(f.clock->lockoutRunning(1, 7999));
}

void TestRaceClock::lane3BoxShowsZeroInItsColours()
{
    Fixture f(true, true, 6);
    f.clock->command(ClockCommand::Clear).trigger(); // "0,00" makes the lanes' own starts ready
    QVERIFY(f.c().lane(3).startButtonEnabled);
    QSignalSpy spy(f.clock.get(), &RaceClock::laneTimeChanged);
    f.lane3(false);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.first().first().toInt(), 3);
    QVERIFY(!f.clock->laneDisplay(3).bright[2]); // which digits are bright is the display's test
    QVERIFY(!f.c().lane(3).startButtonEnabled);

    f.lane3(true);
    QCOMPARE(spy.count(), 2);
    QVERIFY(f.c().lane(3).startButtonEnabled); // again with lanes 1 and 2
    QVERIFY(f.clock->laneDisplay(3).bright[2]);
}

void TestRaceClock::leavingPageRunsPendingReset()
{
    Fixture f;
    f.clock->command(ClockCommand::Start).trigger();
    f.ticks.advance(1000);
    f.clock->command(ClockCommand::Stop1).trigger();
    f.clock->command(ClockCommand::Stop2).trigger(); // finished: RESET waits
    f.clock->resetIfFinished();                      // a page left gives the heat its RESET first
    QCOMPARE(f.clock->runState(), RunState::Idle);
    QVERIFY(f.c().startShown && !f.c().resetShown);
}

void TestRaceClock::readiness_data()
{
    QTest::addColumn<bool>("common");
    QTest::addColumn<bool>("three");
    QTest::addColumn<QList<int>>("indexes");
    QTest::addColumn<bool>("ready");
    QTest::newRow("two teams") << true << false << QList<int>{0, 1, 2} << true;
    QTest::newRow("same team twice") << true << false << QList<int>{1, 1, 2} << false;
    QTest::newRow("lane 3 without a team") << true << true << QList<int>{0, 1, -1} << true;
    QTest::newRow("per-lane, two lanes") << false << false << QList<int>{0, 1, 2} << true;
    QTest::newRow("per-lane, same team twice") << false << true << QList<int>{2, 2, 0} << false;
    QTest::newRow("per-lane, three lanes") << false << true << QList<int>{0, 1, 2} << true;
}

// START is ready when lanes 1 and 2 hold two different teams and no run goes on; the clock
// follows the operator's choices in the lane selectors by itself.
void TestRaceClock::readiness()
{
    QFETCH(bool, common);
    QFETCH(bool, three);
    QFETCH(QList<int>, indexes);
    QFETCH(bool, ready);
    Fixture f(common, three, 4);
    for (int lane = 1; lane <= 3; ++lane)
        f.competition.lanes().select(lane, indexes[lane - 1]);
    QCOMPARE(f.c().startButtonEnabled, ready);
    QCOMPARE(f.c().startGreen, ready);
    for (int lane = 1; lane <= 3; ++lane)
        QCOMPARE(f.c().lane(lane).startButtonVisible, !common);
    if (common) {
        if (!ready)
            return;
        f.clock->command(ClockCommand::Start).trigger();
        f.competition.lanes().select(1, 3); // a change during the run does not make START ready
        QVERIFY(!f.c().startButtonEnabled);
        return;
    }
    // a started lane's own button goes off; lane 3's is there only with three lanes
    QVERIFY(f.clock->startCommand(2).trigger());
    QVERIFY(f.c().lane(1).startButtonEnabled && f.c().lane(1).startButtonGreen);
    QVERIFY(!f.c().lane(2).startButtonEnabled);
    QCOMPARE(f.c().lane(3).startButtonEnabled, three);
    QCOMPARE(f.c().startButtonEnabled, ready);
    QVERIFY(f.c().startShown && !f.competition.lanes().selector(2).enabled);
    f.ticks.advance(400);
    QVERIFY(f.clock->startCommand(1).trigger());
    QCOMPARE(f.c().lane(1).startTick - f.c().lane(2).startTick, 400u);
    // with no lane's own start left, START gives way to a RESET that waits for the run
    QCOMPARE(f.c().startShown, three);
    QCOMPARE(f.c().resetShown && !f.c().resetEnabled, !three);
    QCOMPARE(f.c().startButtonEnabled, three && ready);
}

void TestRaceClock::protocolButtonsFollowTheTable()
{
    Fixture f(true, true, 1);
    QSignalSpy changed(f.clock.get(), &RaceClock::controlsChanged);
    QVERIFY(!f.c().saveEnabled && !f.c().clearEnabled); // one team is no protocol yet
    ResultGrid& v = f.competition.grid(CompetitionRound::Vorrunde);
    v.setRowCount(3);
    v.setRowCells(2, {QStringLiteral("2"), QStringLiteral("Team 2")});
    QVERIFY(f.c().saveEnabled && f.c().clearEnabled);
    QCOMPARE(changed.size(), 1);

    QVERIFY(f.c().assignEnabled[2]);
    f.lane3(false);
    QVERIFY(!f.c().assignEnabled[2]);
    f.lane3(true); // the lane 3 selector's teams are the lane assignment's test
    QVERIFY(f.c().assignEnabled[2]);

    QVERIFY(!f.c().certificatesEnabled);
    f.competition.changePage(CompetitionRound::GesamtErgebnis);
    QVERIFY(f.c().certificatesEnabled);
    QVERIFY(!f.c().assignEnabled[2]); // lane 3 is not shown there
    f.competition.changePage(CompetitionRound::Vorrunde);
    f.clock->command(ClockCommand::Start).trigger();
    QVERIFY(!f.c().assignEnabled[0] && !f.c().assignEnabled[1]);
    CompetitionOptions perLane = f.competition.options(); // the start mode changed in the settings
    perLane.commonStart = false;
    f.competition.setOptions(perLane);
    QVERIFY(f.c().lane(1).startButtonVisible);
}

void TestRaceClock::noStartCutsARunShort_data()
{
    const int s = int(ClockCommand::Start), s1 = int(ClockCommand::Start1), s2 = int(ClockCommand::Start2);
    const int stop1 = int(ClockCommand::Stop1), reset = int(ClockCommand::Reset);
    QTest::addColumn<bool>("common");
    QTest::addColumn<QList<int>>("commands"); // a second apart from tick 100000; the last one counts
    QTest::addColumn<quint32>("lane1Start");
    QTest::addColumn<int>("reason"); // a ClockRefusal; -1: none
    QTest::newRow("START leaves a running lane") << false << QList<int>{s1, s} << 100000u << -1;
    QTest::newRow("START leaves a stopped lane") << false << QList<int>{s1, stop1, s} << 100000u << -1;
    QTest::newRow("START with every lane started")
        << false << QList<int>{s2, s1, s} << 101000u << int(ClockRefusal::AllLanesStarted);
    QTest::newRow("Start 1 while it runs")
        << false << QList<int>{s1, s1} << 100000u << int(ClockRefusal::LaneRunning);
    QTest::newRow("Start 1 after its stop")
        << false << QList<int>{s1, stop1, s1} << 100000u << int(ClockRefusal::LaneRanInThisHeat);
    QTest::newRow("Start 1 after RESET") << false << QList<int>{s1, stop1, reset, s1} << 103000u << -1;
    QTest::newRow("Start 1 with a common start")
        << true << QList<int>{s1} << 0u << int(ClockRefusal::LaneStartNeedsOwnStart);
}

// A lane keeps its start until its time is taken.
void TestRaceClock::noStartCutsARunShort()
{
    QFETCH(bool, common);
    QFETCH(QList<int>, commands);
    QFETCH(quint32, lane1Start);
    QFETCH(int, reason);
    Fixture f(common);
    QSignalSpy refused(f.clock.get(), &RaceClock::refused);
    for (int id : commands) {
        f.clock->command(ClockCommand(id)).trigger();
        f.ticks.advance(1000);
    }
    QCOMPARE(f.c().lane(1).startTick, lane1Start);
    if (commands.contains(int(ClockCommand::Stop1))) // a false start would wipe the time taken
        QVERIFY(!f.clock->command(ClockCommand::FalseStart).isEnabled());
    QCOMPARE(refused.size(), int(reason >= 0));
    if (reason >= 0)
        QCOMPARE(int(refused.value(0).value(0).value<ClockRefusal>()), reason);
}

QTEST_GUILESS_MAIN(TestRaceClock)
#include "tst_raceclock.moc"
