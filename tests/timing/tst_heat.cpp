#include "TimingTestSupport.h"
#include "competition/Competition.h"
#include "support/TestSerialBackend.h"
#include "timing/ContactDecoder.h"
#include "timing/RaceClock.h"
#include "timing/SerialLineMonitor.h"

#include <QTest>

using namespace brv;
using namespace brv::test;

// Contacts through a port component: the start contact begins the heat and rests the finish
// contacts, and the settings a contact port gets. A whole heat through the session, from START to
// the protocol, is in the session's test.
class TestHeat final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startContactBeginsHeat();
    void contactPortPowersTheContacts();
};

void TestHeat::startContactBeginsHeat()
{
    Competition competition;
    enterVorrunde(competition, 2);
    ManualTickSource ticks(50000);
    RaceClock clock(competition, ticks);
    ContactDecoder decoder(clock);
    ContactInputs inputs;
    inputs[ContactInput::Start] = {2, 2, 0}; // COM2 /7,8 (CTS)
    inputs[ContactInput::Ziel1] = {2, 3, 0}; // COM2 /1,4 (DCD)
    inputs[ContactInput::Ziel2] = {2, 1, 0}; // COM2 /4,6 (DSR)
    decoder.setInputs(inputs);
    auto backend = std::make_shared<TestSerialBackend>();
    SerialLineMonitor port(backend);
    port.setTickSource(ticks);
    port.setPort(portsWhenApplied(inputs).comPort1);
    decoder.attach(port);
    QVERIFY(openQuietly(port));
    QVERIFY(waitWithoutEvents([&] { return backend->waiting(); }));

    decoder.toggleStartLightBarrier(); // [F11]
    ticks.set(60000);
    backend->setLines(ModemBit::CTS);
    QTRY_COMPARE_WITH_TIMEOUT(clock.runState(), RunState::Running, 5000);
    QCOMPARE(clock.controls().lane(1).startTick, 60000u);

    // the start's lock-out of the finish contacts is in the contact decoder's test
    ticks.set(71000);
    backend->setLines(ModemBit::CTS | ModemBit::DSR);
    QTRY_VERIFY_WITH_TIMEOUT(!clock.controls().lane(2).armed, 5000);
    QCOMPARE(clock.laneMilliseconds(2), 11000);
    ticks.set(72000);
    backend->setLines(ModemBit::CTS | ModemBit::DSR | ModemBit::RLSD);
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
    QCOMPARE(s.dataBits, quint8(5));
    QCOMPARE(s.flowControl, FlowControl::RtsCts);
    QVERIFY(s.dtrEnabled);
    QCOMPARE(s.events, LineEvents({LineEvent::Ring, LineEvent::Cts, LineEvent::Dsr, LineEvent::Rlsd}));
}

QTEST_GUILESS_MAIN(TestHeat)
#include "tst_heat.moc"
