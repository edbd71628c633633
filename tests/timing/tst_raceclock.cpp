#include "TimingTestSupport.h"
#include "competition/Competition.h"
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
        clock->setAutosave([this] { ++autosaves; });
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
    void commonStartLocksTheRun();
    void stopRecordsTruncatedTime_data();
    void stopRecordsTruncatedTime();
    void stopOfLane2ThenLane1();
    void disabledCommandsDoNothing_data();
    void disabledCommandsDoNothing();
    void falseStart();
    void resetAdvancesLanes();
    void clearAbandonsRun();
    void perLaneStartsHideStart_data();
    void perLaneStartsHideStart();
    void perLaneSingleLaneFinishesRun();
    void commonStartAfterPerLaneStart();
    void perLaneStartOfInactiveLaneDoesNothing();
    void startSound_data();
    void startSound();
    void stopTickIsReadBeforeStopSound();
    void contactTickIsUsed();
    void displayTickSignalsOnlyChangedHundredths();
    void lockout_data();
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
        f.clock->setLane3On(false);
    QSignalSpy states(f.clock.get(), &RaceClock::runStateChanged);
    QVERIFY(f.clock->command(ClockCommand::Start).trigger());
    QVERIFY(f.c().lane(1).armed && f.c().lane(2).armed);
    QCOMPARE(f.c().lane(3).armed, lane3Armed);
    for (int lane = 1; lane <= 3; ++lane)
        QCOMPARE(f.c().lane(lane).startTick, 100000u);

    f.ticks.set(110000);
    f.clock->command(ClockCommand::Stop1).trigger();
    QCOMPARE(f.clock->runState(), RunState::Finishing);
    f.clock->command(ClockCommand::Stop2).trigger();
    if (lane3Armed) {
        QCOMPARE(f.clock->runState(), RunState::Finishing);
        QCOMPARE(f.autosaves, 0);
        f.clock->command(ClockCommand::Stop3).trigger();
    }
    QCOMPARE(f.clock->runState(), RunState::Finished);
    QCOMPARE(f.autosaves, 1);
    QVERIFY(f.clock->command(ClockCommand::Reset).trigger());
    QList<RunState> seen;
    for (const QList<QVariant>& args : states)
        seen << args.first().value<RunState>();
    QCOMPARE(seen,
             (QList<RunState>{RunState::Running, RunState::Finishing, RunState::Finished, RunState::Idle}));
}

void TestRaceClock::commonStartLocksTheRun()
{
    Fixture f;
    f.clock->command(ClockCommand::Start).trigger();
    QCOMPARE(f.clock->runState(), RunState::Running);
    QVERIFY(!f.c().startShown && !f.c().startButtonEnabled && !f.c().startCommandEnabled);
    QVERIFY(f.c().falseStartShown && f.c().falseStartEnabled);
    QVERIFY(!f.c().settingsEnabled && !f.c().loadEnabled);
    QCOMPARE(f.c().assignEnabled, (std::array<bool, 3>{false, false, false}));
    QVERIFY(!f.c().resetEnabled);
    QVERIFY(f.c().displayTickRunning && f.clock->displayTickActive());
    QVERIFY(!f.competition.lanes().selector(1).enabled && !f.competition.lanes().selector(2).enabled);
}

void TestRaceClock::stopRecordsTruncatedTime_data()
{
    QTest::addColumn<quint32>("start");
    QTest::addColumn<quint32>("elapsed");
    QTest::addColumn<qint32>("ms");
    QTest::addColumn<QString>("text");
    QTest::newRow("9 ms") << 100000u << 9u << 9 << "0,00";
    QTest::newRow("10 ms") << 100000u << 10u << 10 << "0,01";
    QTest::newRow("12 345 ms") << 100000u << 12345u << 12345 << "12,34";
    QTest::newRow("61 005 ms, no minutes") << 100000u << 61005u << 61005 << "61,00";
    QTest::newRow("1 000 000 ms") << 100000u << 1000000u << 1000000 << "1000,00";
    QTest::newRow("across the tick's wrap-around") << 0xFFFFFF00u << 512u << 512 << "0,51";
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
    QVERIFY(f.c().lane(1).startTick != 0);
    f.ticks.advance(elapsed);
    QVERIFY(f.clock->command(ClockCommand::Stop1).trigger());
    QCOMPARE(f.zeit(1, 1), text);
    QCOMPARE(f.clock->laneMilliseconds(1), ms);
    QVERIFY(!f.clock->command(ClockCommand::Stop1).isEnabled());
}

void TestRaceClock::stopOfLane2ThenLane1()
{
    Fixture f;
    f.clock->command(ClockCommand::Start).trigger();
    f.ticks.advance(20000);
    f.clock->command(ClockCommand::Stop2).trigger();
    QCOMPARE(f.clock->runState(), RunState::Finishing);
    QVERIFY(f.c().resetShown);
    QVERIFY(!f.c().resetEnabled && !f.clock->command(ClockCommand::Reset).isEnabled());
    QVERIFY(!f.c().falseStartShown && !f.clock->command(ClockCommand::FalseStart).isEnabled());
    QVERIFY(f.clock->displayTickActive());
    QCOMPARE(f.autosaves, 0);
    QCOMPARE(f.zeit(2, 2), QStringLiteral("20,00"));
    f.ticks.advance(1000);
    f.clock->onDisplayTick(); // a stopped lane keeps its time, lane 3 is not shown
    QCOMPARE(QList<qint32>(
                 {f.clock->laneMilliseconds(1), f.clock->laneMilliseconds(2), f.clock->laneMilliseconds(3)}),
             QList<qint32>({21000, 20000, 0}));

    f.ticks.advance(230);
    f.clock->command(ClockCommand::Stop1).trigger();
    QCOMPARE(f.clock->runState(), RunState::Finished);
    QVERIFY(f.c().resetEnabled && f.c().resetRed && f.c().resetShown);
    QVERIFY(!f.clock->displayTickActive() && !f.c().displayTickRunning);
    QCOMPARE(f.autosaves, 1);
    QCOMPARE(f.zeit(1, 1), QStringLiteral("21,23"));
    // Recalculated: Gesamt of both teams written by the full recalculation.
    const ResultGrid& g = f.competition.grid(CompetitionRound::Vorrunde);
    QCOMPARE(g.cell(VorrundeColumn::Lane1Gesamt, vorrundeRow(f.competition, 1)), QStringLiteral("21,23"));
}

void TestRaceClock::disabledCommandsDoNothing_data()
{
    QTest::addColumn<int>("phase"); // 0 idle, 1 running, 2 finished
    QTest::addColumn<int>("command");
    QTest::newRow("[F6] before a start") << 0 << int(ClockCommand::Stop1);
    QTest::newRow("[F8] before a start") << 0 << int(ClockCommand::Stop3);
    QTest::newRow("[F4] before a start") << 0 << int(ClockCommand::FalseStart);
    QTest::newRow("[F10] before a start") << 0 << int(ClockCommand::Reset);
    QTest::newRow("[F5] while running") << 1 << int(ClockCommand::Start);
    QTest::newRow("[F10] while running") << 1 << int(ClockCommand::Reset);
    QTest::newRow("[F8] with lane 3 off while running") << 1 << int(ClockCommand::Stop3);
    QTest::newRow("[F4] after the run") << 2 << int(ClockCommand::FalseStart);
    QTest::newRow("[F6] after the run") << 2 << int(ClockCommand::Stop1);
    QTest::newRow("[F5] after the run") << 2 << int(ClockCommand::Start);
}

void TestRaceClock::disabledCommandsDoNothing()
{
    QFETCH(int, phase);
    QFETCH(int, command);
    Fixture f;
    if (phase >= 1)
        f.clock->command(ClockCommand::Start).trigger();
    if (phase == 2) {
        f.ticks.advance(5000);
        f.clock->command(ClockCommand::Stop1).trigger();
        f.clock->command(ClockCommand::Stop2).trigger();
    }
    const RunState before = f.clock->runState();
    const QStringList row1 = f.competition.grid(CompetitionRound::Vorrunde).rowCells(1);
    const int saves = f.autosaves;
    f.ticks.advance(777);
    QVERIFY(!f.clock->command(ClockCommand(command)).trigger());
    QCOMPARE(f.clock->runState(), before);
    QCOMPARE(f.competition.grid(CompetitionRound::Vorrunde).rowCells(1), row1);
    QCOMPARE(f.autosaves, saves);
}

void TestRaceClock::falseStart()
{
    Fixture f;
    f.clock->command(ClockCommand::Start).trigger();
    f.ticks.advance(800);
    QVERIFY(f.clock->command(ClockCommand::FalseStart).trigger());
    QCOMPARE(f.clock->runState(), RunState::Idle);
    for (int lane = 1; lane <= 3; ++lane) {
        QCOMPARE(f.c().lane(lane).startTick, 0u);
        QVERIFY(!f.clock->stopCommand(lane).trigger());
    }
    QVERIFY(!f.clock->displayTickActive());
    QVERIFY(f.c().startShown && f.c().startCommandEnabled && f.c().startButtonEnabled);
    QVERIFY(!f.c().falseStartShown && !f.c().resetShown);
    QCOMPARE(f.competition.lanes().selector(1).index, 0); // not advanced
    QCOMPARE(f.competition.lanes().selector(2).index, 1);
    QVERIFY(f.zeit(1, 1).isEmpty() && f.zeit(2, 2).isEmpty());
    QCOMPARE(f.sounds.played.size(), 1);
    QCOMPARE(f.sounds.played.first().sound, Sound::Fehlstart);
    QVERIFY(!f.sounds.played.first().waited);
    QCOMPARE(f.autosaves, 0);
}

void TestRaceClock::resetAdvancesLanes()
{
    Fixture f;
    f.clock->command(ClockCommand::Start).trigger();
    f.ticks.advance(3000);
    f.clock->command(ClockCommand::Stop1).trigger();
    f.clock->command(ClockCommand::Stop2).trigger();
    QSignalSpy ready(f.clock.get(), &RaceClock::readyForStart);
    QVERIFY(f.clock->command(ClockCommand::Reset).trigger());
    QCOMPARE(ready.size(), 1);
    QCOMPARE(f.clock->runState(), RunState::Idle);
    QCOMPARE(f.competition.lanes().selector(1).index, 2);
    QCOMPARE(f.competition.lanes().selector(2).index, 3);
    QVERIFY(f.c().startShown && f.c().startButtonEnabled && f.c().settingsEnabled);
    QVERIFY(!f.c().resetShown && !f.c().resetEnabled && !f.c().resetRed);
    QCOMPARE(f.clock->laneMilliseconds(1), 0);
    QVERIFY(f.competition.lanes().selector(1).enabled && f.competition.lanes().selector(2).enabled);
}

void TestRaceClock::clearAbandonsRun()
{
    Fixture f(false);
    f.clock->command(ClockCommand::Start).trigger();
    f.ticks.advance(1500);
    f.clock->onDisplayTick();
    QSignalSpy ready(f.clock.get(), &RaceClock::readyForStart);
    QVERIFY(f.clock->command(ClockCommand::Clear).trigger());
    QCOMPARE(ready.size(), 1);
    QCOMPARE(f.clock->runState(), RunState::Idle);
    QVERIFY(!f.c().lane(1).armed && !f.c().lane(2).armed);
    QVERIFY(!f.clock->displayTickActive());
    QVERIFY(f.c().lane(1).startButtonEnabled && f.c().lane(2).startButtonEnabled);
    QCOMPARE(f.clock->laneMilliseconds(1), 0);
    QCOMPARE(f.competition.lanes().selector(1).index, 0);
    QVERIFY(f.zeit(1, 1).isEmpty());
    QVERIFY(f.c().startButtonEnabled); // START is available again
}

void TestRaceClock::perLaneStartsHideStart_data()
{
    QTest::addColumn<bool>("thirdLane");
    QTest::newRow("two lanes") << false;
    QTest::newRow("three lanes, lane 3 box cleared") << true;
}

void TestRaceClock::perLaneStartsHideStart()
{
    QFETCH(bool, thirdLane);
    Fixture f(false, thirdLane, 6);
    if (thirdLane)
        f.clock->setLane3On(false);
    QVERIFY(f.c().lane(1).startButtonEnabled && f.c().lane(2).startButtonEnabled);
    f.clock->command(ClockCommand::Start1).trigger();
    QVERIFY(f.c().startShown && !f.competition.lanes().selector(1).enabled);
    QVERIFY(!f.c().lane(1).startButtonEnabled);
    f.ticks.advance(400);
    f.clock->command(ClockCommand::Start2).trigger();
    QVERIFY(!f.c().startShown);
    QVERIFY(f.c().resetShown && !f.c().resetEnabled);
    QVERIFY(!f.c().falseStartShown);
    QCOMPARE(f.c().lane(1).startTick, 100000u);
    QCOMPARE(f.c().lane(2).startTick, 100400u);
    if (thirdLane)
        QVERIFY(!f.c().startButtonEnabled);
}

void TestRaceClock::perLaneSingleLaneFinishesRun()
{
    Fixture f(false);
    f.clock->command(ClockCommand::Start1).trigger();
    f.ticks.advance(4000);
    f.clock->command(ClockCommand::Stop1).trigger();
    QCOMPARE(f.clock->runState(), RunState::Finished);
    QCOMPARE(f.autosaves, 1);
    QVERIFY(f.c().resetEnabled);
    QVERIFY(f.c().lane(2).startButtonEnabled);

    // Lane 2 runs later: RESET must wait for it.
    f.clock->command(ClockCommand::Start2).trigger();
    QCOMPARE(f.clock->runState(), RunState::Finishing);
    QVERIFY(!f.clock->command(ClockCommand::Reset).isEnabled());
    f.ticks.advance(2000);
    f.clock->command(ClockCommand::Start2).trigger(); // started again: the time runs on
    f.ticks.advance(2500);
    f.clock->command(ClockCommand::Stop2).trigger();
    QCOMPARE(f.zeit(2, 2), QStringLiteral("4,50"));
    QCOMPARE(f.autosaves, 2);
    QVERIFY(f.clock->command(ClockCommand::Reset).isEnabled());
}

void TestRaceClock::commonStartAfterPerLaneStart()
{
    Fixture f(false);
    f.clock->command(ClockCommand::Start1).trigger();
    f.ticks.advance(1000);
    QVERIFY(f.c().startButtonEnabled);
    QVERIFY(f.clock->command(ClockCommand::Start).trigger());
    QCOMPARE(f.c().lane(1).startTick, 100000u); // lane 1 runs on
    QCOMPARE(f.c().lane(2).startTick, 101000u);
    QVERIFY(f.c().falseStartShown && f.clock->command(ClockCommand::FalseStart).isEnabled());
    f.ticks.advance(1000);
    f.clock->command(ClockCommand::Stop1).trigger();
    QCOMPARE(f.clock->laneMilliseconds(1), 2000);
}

void TestRaceClock::perLaneStartOfInactiveLaneDoesNothing()
{
    Fixture f(false);
    QVERIFY(f.clock->command(ClockCommand::Start3).trigger()); // the command always runs ...
    QCOMPARE(f.c().lane(3).startTick, 0u);                     // ... but lane 3 is not shown
    QVERIFY(!f.clock->displayTickActive());
    QCOMPARE(f.clock->runState(), RunState::Idle);
    QVERIFY(f.c().startButtonEnabled);
}

void TestRaceClock::startSound_data()
{
    QTest::addColumn<int>("trigger");
    QTest::addColumn<bool>("filePresent");
    QTest::addColumn<bool>("played");
    QTest::addColumn<quint32>("startTick");
    QTest::newRow("Audio with sound: run begins when it ends") << 1 << true << true << 102500u;
    QTest::newRow("Audio without sound file: immediate") << 1 << false << false << 100000u;
    QTest::newRow("Kontakt: nothing played") << 0 << true << false << 100000u;
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
    QCOMPARE(!f.sounds.played.isEmpty(), played);
    if (played) {
        QCOMPARE(f.sounds.played.first().sound, Sound::Start);
        QVERIFY(f.sounds.played.first().waited);
        QCOMPARE(f.c().lane(1).startTick, startTick);
    } else {
        QCOMPARE(f.c().lane(1).startTick, 99000u);
    }
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

void TestRaceClock::contactTickIsUsed()
{
    Fixture f;
    QVERIFY(f.clock->command(ClockCommand::Start).trigger(90000u));
    QCOMPARE(f.c().lane(1).startTick, 90000u);
    f.ticks.set(150000); // the main thread was busy; the contact closed at 102345
    QVERIFY(f.clock->command(ClockCommand::Stop2).trigger(102345u));
    QCOMPARE(f.clock->laneMilliseconds(2), 12345);
    QVERIFY(f.clock->command(ClockCommand::Stop1).trigger()); // a key reads the tick itself
    QCOMPARE(f.clock->laneMilliseconds(1), 60000);
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

void TestRaceClock::lockout_data()
{
    QTest::addColumn<quint32>("at");
    QTest::addColumn<bool>("running");
    QTest::newRow("when it starts") << 5000u << true;
    QTest::newRow("999 ms later") << 5999u << true;
    QTest::newRow("1000 ms later") << 6000u << false;
    QTest::newRow("an edge from before") << 4999u << false;
}

void TestRaceClock::lockout()
{
    QFETCH(quint32, at);
    QFETCH(bool, running);
    Fixture f;
    QVERIFY(!f.clock->lockoutRunning(2, 5000));
    f.clock->startLockout(2, 5000);
    QCOMPARE(f.clock->lockoutRunning(2, at), running);
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
    f.clock->setLane3On(false);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.first().first().toInt(), 3);
    const LaneDigits off = f.clock->laneDisplay(3);
    for (int i = 0; i < 5; ++i)
        QVERIFY(!off.bright[std::size_t(i)]);
    QVERIFY(!f.c().lane(3).startButtonEnabled);

    f.clock->setLane3On(true);
    QCOMPARE(spy.count(), 2);
    QVERIFY(f.c().lane(3).startButtonEnabled); // again with lanes 1 and 2
    QVERIFY(f.clock->laneDisplay(3).bright[2]);
    QVERIFY(!f.clock->laneDisplay(3).bright[0]);
}

void TestRaceClock::leavingPageRunsPendingReset()
{
    Fixture f;
    f.clock->command(ClockCommand::Start).trigger();
    f.ticks.advance(1000);
    f.clock->command(ClockCommand::Stop1).trigger();
    f.clock->command(ClockCommand::Stop2).trigger();
    QCOMPARE(f.clock->runState(), RunState::Finished);
    f.competition.buildNextRound();
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
    QTest::newRow("nothing selected") << true << false << QList<int>{-1, -1, -1} << false;
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
    f.clock->setLane3On(false);
    QVERIFY(!f.c().assignEnabled[2]);
    QCOMPARE(f.competition.lanes().selector(3).count(), 0);
    f.clock->setLane3On(true);
    QVERIFY(f.c().assignEnabled[2]);
    QCOMPARE(f.competition.lanes().selector(3).entries, f.competition.lanes().selector(1).entries);

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
    const int stop1 = int(ClockCommand::Stop1), reset = int(ClockCommand::Reset), ctrl1 = -1;
    QTest::addColumn<bool>("common");
    QTest::addColumn<QList<int>>("commands"); // a second apart from tick 100000; the last one counts
    QTest::addColumn<quint32>("lane1Start");
    QTest::addColumn<QString>("reason");
    QTest::newRow("START leaves a stopped lane") << false << QList<int>{s1, stop1, s} << 100000u << QString();
    QTest::newRow("START with every lane started")
        << false << QList<int>{s2, s1, s} << 101000u << " Alle Bahnen sind in diesem Lauf schon gestartet";
    QTest::newRow("Start 1 while it runs") << false << QList<int>{s1, s1} << 100000u << " Bahn 1 läuft schon";
    QTest::newRow("Start 1 after its stop")
        << false << QList<int>{s1, stop1, s1} << 100000u << " Bahn 1 ist in diesem Lauf schon gelaufen";
    QTest::newRow("Start 1 after RESET") << false << QList<int>{s1, stop1, reset, s1} << 103000u << QString();
    QTest::newRow("Start 1 with a common start")
        << true << QList<int>{s1} << 0u << " Einzelstart nur bei Einzelstart der Bahnen";
    QTest::newRow("Ctrl+1 while lane 1 runs")
        << true << QList<int>{s, ctrl1} << 100000u
        << " Bahn 1 läuft: die Mannschaft bleibt bis zum Ende des Laufs";
}

// A lane keeps its start until its time is taken, and its team while it runs.
void TestRaceClock::noStartCutsARunShort()
{
    QFETCH(bool, common);
    QFETCH(QList<int>, commands);
    QFETCH(quint32, lane1Start);
    QFETCH(QString, reason);
    Fixture f(common);
    f.competition.grid(CompetitionRound::Vorrunde).currentRow = 4;
    QSignalSpy refused(f.clock.get(), &RaceClock::refused);
    for (int id : commands) {
        if (id < 0)
            f.clock->assignRowToLane(1);
        else
            f.clock->command(ClockCommand(id)).trigger();
        f.ticks.advance(1000);
    }
    QCOMPARE(f.c().lane(1).startTick, lane1Start);
    QVERIFY(f.competition.lanes().selector(1).index != 3); // not the current row's team
    QCOMPARE(refused.size(), int(!reason.isEmpty()));
    QCOMPARE(refused.value(0).value(0).toString(), reason);
}

QTEST_GUILESS_MAIN(TestRaceClock)
#include "tst_raceclock.moc"
