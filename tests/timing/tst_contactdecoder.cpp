#include "TimingTestSupport.h"
#include "competition/Competition.h"
#include "timing/ContactDecoder.h"
#include "timing/RaceClock.h"
#include "timing/SerialLineMonitor.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace brv;
using namespace brv::test;

namespace {

constexpr quint32 DSR = ModemBit::DSR;
constexpr quint32 CTS = ModemBit::CTS;
constexpr quint32 DCD = ModemBit::RLSD;
constexpr quint32 RI = ModemBit::RING;

// Start on COM1 CTS, Ziel1 on COM2 DSR, Ziel2 on COM2 CTS, Ziel3 on COM2 DCD unless a test
// says otherwise.
struct Fixture
{
    explicit Fixture(bool commonStart = true, bool thirdLane = false)
    {
        CompetitionOptions options;
        options.commonStart = commonStart;
        options.thirdLaneOn = thirdLane;
        competition.setOptions(options);
        enterVorrunde(competition, 6);
        clock = std::make_unique<RaceClock>(competition, ticks);
        decoder = std::make_unique<ContactDecoder>(*clock);
        ContactInputs inputs;
        inputs[ContactInput::Start] = {1, 2, 0};
        inputs[ContactInput::Ziel1] = {2, 1, 0};
        inputs[ContactInput::Ziel2] = {2, 2, 0};
        inputs[ContactInput::Ziel3] = {2, 3, 0};
        decoder->setInputs(inputs);
        stops = std::make_unique<QSignalSpy>(clock.get(), &RaceClock::laneStopped);
    }

    const RunControls& c() const { return competition.controls(); }
    void edge(int port, quint32 status, quint32 tick) { decoder->decode(port, status, tick); }

    Competition competition;
    ManualTickSource ticks{100000};
    std::unique_ptr<RaceClock> clock;
    std::unique_ptr<ContactDecoder> decoder;
    std::unique_ptr<QSignalSpy> stops;
};

} // namespace

class TestContactDecoder final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void closingFiresOpeningDoesNot();
    void memoLine_data();
    void memoLine();
    void firstEventComparesAgainstUnknown();
    void twoLinesInOneEventHigherInputWins();
    void secondContactWhileFirstStaysClosed();
    void bounceStopsOnce_data();
    void bounceStopsOnce();
    void startContactLocksFinishContacts();
    void startBarrierBlockedUntilArmed();
    void startContactWhileStartUnavailableLocksNothing();
    void perLaneStartContacts();
    void otherEdgeSettingNeverFires();
    void portSlotsAreSeparate();
    void unmatchedEventOnlyRemembers();
    void finishEdgeBeforeStartIsNoStop();
    void symbolFollowsPorts();
    void storedSetting_data();
    void storedSetting();
    void portsAtStartup_data();
    void portsAtStartup();
    void portsWhenApplied_data();
    void portsWhenApplied();
    void portChoiceList();
};

void TestContactDecoder::closingFiresOpeningDoesNot()
{
    Fixture f;
    f.clock->command(ClockCommand::Start).trigger();
    f.edge(2, 0, 100500); // first event: nothing active
    f.edge(2, DSR, 112345);
    QCOMPARE(f.stops->count(), 1);
    QCOMPARE(f.clock->laneMilliseconds(1), 12345);
    QCOMPARE(f.decoder->contactLog(), QStringList{QStringLiteral("2 20  /4,6")});
    f.edge(2, 0, 113000);
    QCOMPARE(f.decoder->contactLog().size(), 1);
    QCOMPARE(f.decoder->rememberedStatus(1), 0u);
}

void TestContactDecoder::memoLine_data()
{
    QTest::addColumn<quint32>("before");
    QTest::addColumn<quint32>("status");
    QTest::addColumn<QString>("line");
    QTest::newRow("Ziel1 DSR") << 0u << DSR << "2 20  /4,6";
    QTest::newRow("Ziel2 CTS") << 0u << CTS << "3 10  /7,8";
    QTest::newRow("Ziel3 DCD") << 0u << DCD << "4 80  /1,4";
    QTest::newRow("first event, two lines: unknown slot")
        << ContactDecoder::kUnknownStatus << (DSR | CTS) << "3 30  /7,8";
    QTest::newRow("RI changes beside Ziel1") << RI << (RI | DSR) << "2 20  /4,6";
}

void TestContactDecoder::memoLine()
{
    QFETCH(quint32, before);
    QFETCH(quint32, status);
    QFETCH(QString, line);
    Fixture f;
    if (before != ContactDecoder::kUnknownStatus)
        f.edge(2, before, 100000);
    f.edge(2, status, 100100);
    QCOMPARE(f.decoder->contactLog().last(), line);
}

void TestContactDecoder::firstEventComparesAgainstUnknown()
{
    Fixture f;
    f.clock->command(ClockCommand::Start).trigger();
    // A contact already closed at start-up counts as changed with the first event.
    f.edge(2, DSR, 101000);
    QCOMPARE(f.stops->count(), 1);
    QVERIFY(!f.c().lane(1).armed);
}

void TestContactDecoder::twoLinesInOneEventHigherInputWins()
{
    Fixture f;
    f.edge(2, 0, 100000);
    f.clock->command(ClockCommand::Start).trigger();
    f.edge(2, DSR | CTS, 105000);
    QCOMPARE(f.stops->count(), 1);
    QCOMPARE(f.stops->first().first().toInt(), 2);
    QVERIFY(f.c().lane(1).armed);
}

void TestContactDecoder::secondContactWhileFirstStaysClosed()
{
    Fixture f;
    QSignalSpy fired(f.decoder.get(), &ContactDecoder::inputFired);
    f.edge(2, 0, 100000);
    f.clock->command(ClockCommand::Start).trigger();
    f.edge(2, DSR, 110000);       // lane 1 finishes
    f.edge(2, DSR | CTS, 110100); // lane 2 finishes while lane 1's contact stays closed
    QCOMPARE(f.stops->count(), 2);
    QCOMPARE(f.clock->laneMilliseconds(2), 10100);
    // Lane 1's contact opens while lane 2's is closed: input 2 fires again and is absorbed.
    f.edge(2, CTS, 110300);
    QCOMPARE(fired.count(), 3);
    QCOMPARE(fired.last().first().toInt(), 2);
    QCOMPARE(f.stops->count(), 2);
    QCOMPARE(f.clock->laneMilliseconds(1), 10000);
}

void TestContactDecoder::bounceStopsOnce_data()
{
    QTest::addColumn<quint32>("gap");
    QTest::addColumn<int>("stops");
    QTest::newRow("bounce after 5 ms") << 5u << 1;
    QTest::newRow("bounce after 999 ms") << 999u << 1;
    QTest::newRow("second close after 1000 ms, lane restarted") << 1000u << 2;
}

void TestContactDecoder::bounceStopsOnce()
{
    QFETCH(quint32, gap);
    QFETCH(int, stops);
    Fixture f(false); // per-lane starts, so lane 1 can run again at once
    f.edge(2, 0, 100000);
    f.clock->command(ClockCommand::Start1).trigger(100000u);
    f.edge(2, DSR, 101000);
    f.edge(2, 0, 101002);
    f.clock->command(ClockCommand::Start1).trigger(101003u); // the operator restarts lane 1
    f.edge(2, DSR, 101000 + gap);
    QCOMPARE(f.stops->count(), stops);
    // A dropped contact does not extend the lock-out; one that fired starts a new one.
    QCOMPARE(f.clock->lockoutRunning(1, 102000), stops == 2);
}

void TestContactDecoder::startContactLocksFinishContacts()
{
    Fixture f;
    f.decoder->toggleStartLightBarrier();
    f.edge(1, 0, 99000);
    f.edge(2, 0, 99000);
    f.edge(1, CTS, 100000); // start contact
    QCOMPARE(f.clock->runState(), RunState::Running);
    QCOMPARE(f.c().lane(1).startTick, 100000u);
    f.edge(2, DSR, 100500); // within the lock-out: dropped
    QVERIFY(f.c().lane(1).armed);
    f.edge(2, 0, 100600);
    f.edge(2, DSR, 101000);
    QVERIFY(!f.c().lane(1).armed);
    QCOMPARE(f.clock->laneMilliseconds(1), 1000);
}

void TestContactDecoder::startBarrierBlockedUntilArmed()
{
    Fixture f;
    QSignalSpy armed(f.decoder.get(), &ContactDecoder::startLightBarrierChanged);
    QVERIFY(!f.decoder->isStartLightBarrierArmed());
    f.edge(1, 0, 99000);
    f.edge(1, CTS, 100000);
    QCOMPARE(f.clock->runState(), RunState::Idle);
    QVERIFY(!f.clock->lockoutRunning(1, 100000));
    f.edge(1, 0, 100100);
    f.decoder->toggleStartLightBarrier();
    QVERIFY(f.decoder->isStartLightBarrierArmed());
    QCOMPARE(armed.count(), 1);
    f.edge(1, CTS, 100200);
    QCOMPARE(f.clock->runState(), RunState::Running);
    f.decoder->toggleStartLightBarrier();
    QVERIFY(!f.decoder->isStartLightBarrierArmed());
}

void TestContactDecoder::startContactWhileStartUnavailableLocksNothing()
{
    Fixture f;
    f.decoder->toggleStartLightBarrier();
    f.edge(1, 0, 99000);
    f.edge(2, 0, 99000);
    f.clock->command(ClockCommand::Start).trigger(); // [F5] at 100000
    f.edge(1, CTS, 100500);                          // START is not available now
    QCOMPARE(f.c().lane(1).startTick, 100000u);
    f.edge(2, DSR, 100600);
    QVERIFY(!f.c().lane(1).armed);
    QCOMPARE(f.clock->laneMilliseconds(1), 600);
}

void TestContactDecoder::perLaneStartContacts()
{
    Fixture f(false);
    ContactInputs inputs = f.decoder->inputs();
    inputs[ContactInput::Start2] = {1, 1, 0}; // COM1 DSR
    inputs[ContactInput::Start3] = {1, 3, 0}; // COM1 DCD, lane 3 not shown
    f.decoder->setInputs(inputs);
    f.edge(1, 0, 99000);
    f.edge(1, CTS, 100000); // barrier not consulted in per-lane mode
    QCOMPARE(f.c().lane(1).startTick, 100000u);
    QVERIFY(f.c().lane(1).armed);
    f.edge(1, CTS | DSR, 100250);
    QCOMPARE(f.c().lane(2).startTick, 100250u);
    f.edge(1, CTS | DSR | DCD, 100300);
    QCOMPARE(f.c().lane(3).startTick, 0u);
    // Start again while lane 1 runs: its start button is not available, nothing happens.
    f.edge(1, DSR | DCD, 100400);
    f.edge(1, CTS | DSR | DCD, 100500);
    QCOMPARE(f.c().lane(1).startTick, 100000u);
}

void TestContactDecoder::otherEdgeSettingNeverFires()
{
    Fixture f;
    ContactInputs inputs = f.decoder->inputs();
    inputs[ContactInput::Ziel1].event = 1;
    f.decoder->setInputs(inputs);
    f.edge(2, 0, 100000);
    f.clock->command(ClockCommand::Start).trigger();
    f.edge(2, DSR, 101000);
    QCOMPARE(f.decoder->contactLog().size(), 1);
    QVERIFY(f.c().lane(1).armed);
    QVERIFY(!f.clock->lockoutRunning(1, 101000));
}

void TestContactDecoder::portSlotsAreSeparate()
{
    Fixture f;
    f.edge(2, DSR, 100000);
    QCOMPARE(f.decoder->rememberedStatus(0), ContactDecoder::kUnknownStatus);
    QCOMPARE(f.decoder->rememberedStatus(1), DSR);
    f.edge(1, CTS, 100100);
    QCOMPARE(f.decoder->rememberedStatus(0), CTS);
    QCOMPARE(f.decoder->rememberedStatus(1), DSR);
}

void TestContactDecoder::unmatchedEventOnlyRemembers()
{
    Fixture f;
    f.clock->command(ClockCommand::Start).trigger();
    f.edge(7, DSR | CTS, 100100); // a port no input uses
    QVERIFY(f.decoder->contactLog().isEmpty());
    QCOMPARE(f.decoder->rememberedStatus(1), DSR | CTS);
    f.edge(2, DSR | CTS | RI, 100200); // only RI changed: no input watches it
    QVERIFY(f.decoder->contactLog().isEmpty());
    QVERIFY(f.c().lane(1).armed && f.c().lane(2).armed);
}

void TestContactDecoder::finishEdgeBeforeStartIsNoStop()
{
    Fixture f;
    f.edge(2, 0, 99000);
    f.clock->command(ClockCommand::Start).trigger(); // at 100000
    f.edge(2, DSR, 99990);                           // seen before the start, handed over after it
    QVERIFY(f.c().lane(1).armed);
    QCOMPARE(f.stops->count(), 0);
}

void TestContactDecoder::symbolFollowsPorts()
{
    Fixture f;
    QSignalSpy spy(f.decoder.get(), &ContactDecoder::startBarrierSymbolChanged);
    SerialLineMonitor port;
    QVERIFY(!f.decoder->startBarrierSymbolVisible());
    f.decoder->onPortOpened(port);
    QVERIFY(f.decoder->startBarrierSymbolVisible());
    f.decoder->onPortClosed(port);
    QVERIFY(!f.decoder->startBarrierSymbolVisible());
    QCOMPARE(spy.count(), 2);
}

void TestContactDecoder::storedSetting_data()
{
    QTest::addColumn<qint32>("stored");
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("line");
    QTest::newRow("Kein") << 0 << 0 << 0;
    QTest::newRow("COM3 /7,8") << (2 * 256 + 3) << 3 << 2;
    QTest::newRow("COM64 /7,9") << (4 * 256 + 64) << 64 << 4;
    QTest::newRow("high bits ignored") << qint32(0x7F000000 | (1 * 256 + 5)) << 5 << 1;
}

void TestContactDecoder::storedSetting()
{
    QFETCH(qint32, stored);
    QFETCH(int, port);
    QFETCH(int, line);
    const ContactInputSetting s = ContactInputSetting::fromStored(stored);
    QCOMPARE(s.port, port);
    QCOMPARE(s.line, line);
    QCOMPARE(s.stored(), line * 256 + port);
}

namespace {

ContactInputs portsOf(const QList<int>& ports)
{
    ContactInputs inputs;
    for (int n = 0; n < ports.size(); ++n)
        inputs[n + 1] = {ports.at(n), ports.at(n) ? 1 : 0, 0};
    return inputs;
}

} // namespace

void TestContactDecoder::portsAtStartup_data()
{
    QTest::addColumn<QList<int>>("ports"); // inputs 1 .. 6
    QTest::addColumn<int>("com1");
    QTest::addColumn<int>("com2");
    QTest::newRow("nothing") << QList<int>{0, 0, 0, 0, 0, 0} << 0 << 0;
    QTest::newRow("start and Ziel1 on one port") << QList<int>{3, 3, 0, 0} << 3 << 0;
    QTest::newRow("Start 1, Ziel1 2, Ziel2 3: COM3 not opened") << QList<int>{1, 2, 3} << 1 << 2;
    QTest::newRow("Start Kein, Ziel1 5, Ziel2 6") << QList<int>{0, 5, 6} << 0 << 5;
    QTest::newRow("start only") << QList<int>{4, 0} << 4 << 0;
}

void TestContactDecoder::portsAtStartup()
{
    QFETCH(QList<int>, ports);
    QFETCH(int, com1);
    QFETCH(int, com2);
    QCOMPARE(brv::portsAtStartup(portsOf(ports)), (PortAssignment{com1, com2}));
}

void TestContactDecoder::portsWhenApplied_data()
{
    QTest::addColumn<QList<int>>("ports");
    QTest::addColumn<int>("com1");
    QTest::addColumn<int>("com2");
    QTest::newRow("nothing") << QList<int>{0, 0, 0, 0, 0, 0} << 0 << 0;
    QTest::newRow("Start 3, Ziel1 4, Ziel2 4") << QList<int>{3, 4, 4} << 3 << 4;
    QTest::newRow("Start Kein, Ziel1 5, Ziel2 6") << QList<int>{0, 5, 6} << 5 << 6;
    QTest::newRow("Start 1, Ziel1 2, Ziel2 3: COM3 replaces COM2") << QList<int>{1, 2, 3} << 1 << 3;
    QTest::newRow("Ziel3 alone") << QList<int>{0, 0, 0, 7} << 7 << 0;
    QTest::newRow("Ziel3 returns to an earlier port") << QList<int>{1, 2, 3, 2} << 1 << 3;
    QTest::newRow("Start 2 and Start 3 claim no port") << QList<int>{1, 1, 0, 0, 8, 9} << 1 << 0;
}

void TestContactDecoder::portsWhenApplied()
{
    QFETCH(QList<int>, ports);
    QFETCH(int, com1);
    QFETCH(int, com2);
    QCOMPARE(brv::portsWhenApplied(portsOf(ports)), (PortAssignment{com1, com2}));
}

void TestContactDecoder::portChoiceList()
{
    QCOMPARE(brv::portChoiceList(0), QStringList{QStringLiteral("Kein")});
    const quint64 ports = (quint64(1) << 2) | (quint64(1) << 11) | (quint64(1) << 63);
    const QStringList list = brv::portChoiceList(ports);
    QCOMPARE(list.size(), 13);
    QCOMPARE(list.mid(1, 4), (QStringList{QStringLiteral("COM3 /4,6"), QStringLiteral("COM3 /7,8"),
                                          QStringLiteral("COM3 /1,4"), QStringLiteral("COM3 /7,9")}));
    QCOMPARE(list.at(5), QStringLiteral("COM12 /4,6"));
    QCOMPARE(list.last(), QStringLiteral("COM64 /7,9"));
}

QTEST_GUILESS_MAIN(TestContactDecoder)
#include "tst_contactdecoder.moc"
