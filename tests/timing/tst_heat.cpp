#include "TimingTestSupport.h"
#include "competition/Competition.h"
#include "timing/ContactDecoder.h"
#include "timing/RaceClock.h"
#include "timing/SerialLineMonitor.h"
#include "timing/TestSerialBackend.h"

#include <QTest>

using namespace brv;
using namespace brv::test;

// A whole heat without widgets: teams on the lanes, START, the finish contacts of lanes 2 and 1
// through a port component, the times in the protocol, the recalculation, the reset.
class TestHeat final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void heatFromContacts();
    void startContactBeginsHeat();
    void contactPortPowersTheContacts();
};

void TestHeat::heatFromContacts()
{
    Competition competition;
    enterVorrunde(competition, 4);
    ResultGrid& vorrunde = competition.grid(CompetitionRound::Vorrunde);
    // Team 1 ran on lane 2 before: 14,00 with a penalty of 1.
    vorrunde.setCell(VorrundeColumn::Lane2Zeit, vorrundeRow(competition, 1), QStringLiteral("14,00"));
    vorrunde.setCell(VorrundeColumn::Lane2Fehler, vorrundeRow(competition, 1), QStringLiteral("1"));

    ManualTickSource ticks(100000);
    RaceClock clock(competition, ticks);
    int autosaves = 0;
    clock.setAutosave([&] { ++autosaves; });

    ContactDecoder decoder(clock);
    ContactInputs inputs;
    inputs[ContactInput::Ziel1] = {33, 1, 0}; // COM33 /4,6 (DSR)
    inputs[ContactInput::Ziel2] = {33, 2, 0}; // COM33 /7,8 (CTS)
    decoder.setInputs(inputs);

    auto backend = std::make_shared<TestSerialBackend>();
    SerialLineMonitor comPort1(std::make_shared<TestSerialBackend>());
    SerialLineMonitor comPort2(backend);
    for (SerialLineMonitor* port : {&comPort1, &comPort2}) {
        port->setTickSource(ticks);
        decoder.attach(*port);
    }
    // At start-up the Ziel1 port goes to ComPort2 (the start input is "Kein").
    const PortAssignment ports = portsAtStartup(inputs);
    QCOMPARE(ports, (PortAssignment{0, 33}));
    openContactPorts(comPort1, comPort2, ports);
    QVERIFY(comPort1.port() == 0 && !comPort1.isConnected() && comPort2.isConnected() &&
            decoder.startBarrierSymbolVisible());
    QVERIFY(waitWithoutEvents([&] { return backend->waiting(); }));

    QVERIFY(clock.command(ClockCommand::Start).trigger());

    // Lane 2's contact closes at 112 345 while the main thread is busy for a while.
    ticks.set(112345);
    backend->setLines(ModemBit::CTS);
    QVERIFY(waitWithoutEvents([&] { return comPort2.watcher()->linesSeen() >= 1; }));
    ticks.set(112900);
    QTRY_VERIFY_WITH_TIMEOUT(!clock.controls().lane(2).armed, 5000);
    QCOMPARE(clock.runState(), RunState::Finishing);
    const int row2 = vorrundeRow(competition, 2);
    QCOMPARE(vorrunde.cell(VorrundeColumn::Lane2Zeit, row2), QStringLiteral("12,34"));
    QCOMPARE(autosaves, 0);

    // Lane 1's contact closes while lane 2's is still closed.
    ticks.set(113000);
    backend->setLines(ModemBit::CTS | ModemBit::DSR);
    QTRY_COMPARE_WITH_TIMEOUT(clock.runState(), RunState::Finished, 5000);
    const int row1 = vorrundeRow(competition, 1);
    QCOMPARE(vorrunde.cell(VorrundeColumn::Lane1Zeit, row1), QStringLiteral("13,00"));
    // The full recalculation ranks by the Gesamt cells (13,00 + 15,00), not by the Zeit cells.
    QCOMPARE(vorrunde.cell(VorrundeColumn::Lane2Gesamt, row1), QStringLiteral("15,00"));
    QCOMPARE(vorrunde.cell(VorrundeColumn::RankingValue, row1), QStringLiteral("28,00"));
    QCOMPARE(autosaves, 1);
    QCOMPARE(decoder.contactLog(), (QStringList{QStringLiteral("3 10  /7,8"), QStringLiteral("2 20  /4,6")}));

    closeContactPorts(comPort1, comPort2);
    QVERIFY(!decoder.startBarrierSymbolVisible());
    QCOMPARE(comPort2.port(), 0);
    QVERIFY(!backend->isOpen());
}

void TestHeat::startContactBeginsHeat()
{
    Competition competition;
    enterVorrunde(competition, 2);
    ManualTickSource ticks(50000);
    RaceClock clock(competition, ticks);
    ContactDecoder decoder(clock);
    ContactInputs inputs;
    inputs[ContactInput::Start] = {2, 4, 0}; // COM2 /7,9 (RI)
    inputs[ContactInput::Ziel1] = {2, 3, 0}; // COM2 /1,4 (DCD)
    inputs[ContactInput::Ziel2] = {2, 1, 0}; // COM2 /4,6 (DSR)
    decoder.setInputs(inputs);
    auto backend = std::make_shared<TestSerialBackend>();
    SerialLineMonitor port(backend);
    port.setTickSource(ticks);
    port.setPort(portsAtStartup(inputs).comPort1);
    decoder.attach(port);
    QVERIFY(openQuietly(port));
    QVERIFY(waitWithoutEvents([&] { return backend->waiting(); }));

    decoder.toggleStartLightBarrier(); // [F11]
    ticks.set(60000);
    backend->setLines(ModemBit::RING);
    QTRY_COMPARE_WITH_TIMEOUT(clock.runState(), RunState::Running, 5000);
    QCOMPARE(clock.controls().lane(1).startTick, 60000u);

    ticks.set(60400); // within the start's lock-out: ignored
    backend->setLines(ModemBit::RING | ModemBit::RLSD);
    QTRY_COMPARE_WITH_TIMEOUT(decoder.contactLog().size(), 2, 5000);
    QVERIFY(clock.controls().lane(1).armed);

    ticks.set(71000);
    backend->setLines(ModemBit::RING | ModemBit::DSR);
    QTRY_VERIFY_WITH_TIMEOUT(!clock.controls().lane(2).armed, 5000);
    QCOMPARE(clock.laneMilliseconds(2), 11000);
    QVERIFY(clock.controls().lane(1).armed); // lane 1's contact is open now
    ticks.set(72000);
    backend->setLines(ModemBit::RING | ModemBit::DSR | ModemBit::RLSD);
    QTRY_COMPARE_WITH_TIMEOUT(clock.runState(), RunState::Finished, 5000);
    QCOMPARE(clock.laneMilliseconds(1), 12000);
}

void TestHeat::contactPortPowersTheContacts()
{
    // The settings the driver gets for a contact port: DTR held and RTS by handshake power the
    // contacts; only the four status lines are watched.
    auto backend = std::make_shared<TestSerialBackend>();
    SerialLineMonitor port(backend);
    port.setPort(3);
    configureContactPort(port);
    port.open();
    const SerialLineSettings s = backend->lastSettings();
    QCOMPARE(s.port, quint8(3));
    QCOMPARE(s.dataBits, quint8(5));
    QCOMPARE(s.flowControl, FlowControl::RtsCts);
    QVERIFY(s.dtrEnabled);
    QCOMPARE(s.readBufferSize, 64);
    QCOMPARE(s.events, LineEvents({LineEvent::Ring, LineEvent::Cts, LineEvent::Dsr, LineEvent::Rlsd}));
    port.close();
}

QTEST_GUILESS_MAIN(TestHeat)
#include "tst_heat.moc"
