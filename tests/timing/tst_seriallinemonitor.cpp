#include "TimingTestSupport.h"
#include "timing/ContactInputs.h"
#include "timing/SerialLineMonitor.h"
#include "timing/TestSerialBackend.h"

#include <QCoreApplication>
#include <QTest>

#include <cerrno>
#include <memory>

using namespace brv;
using namespace brv::test;

namespace {

constexpr quint32 DSR = ModemBit::DSR;
constexpr quint32 CTS = ModemBit::CTS;

// A port on a test backend; every line event is recorded, opened() and closed() are counted.
struct Fixture
{
    Fixture()
    {
        port->setTickSource(ticks);
        SerialLineMonitor* const p = port.get();
        const auto on = [this, p](auto signal, const char* name) {
            QObject::connect(p, signal, p, [this, name] { record(QString::fromLatin1(name)); });
        };
        QObject::connect(p, &SerialLineMonitor::rxCharReceived, p,
                         [this](int) { record(QStringLiteral("RxChar")); });
        on(&SerialLineMonitor::txEmpty, "TxEmpty");
        on(&SerialLineMonitor::breakReceived, "Break");
        on(&SerialLineMonitor::ringChanged, "Ring");
        on(&SerialLineMonitor::ctsChanged, "CTS");
        on(&SerialLineMonitor::dsrChanged, "DSR");
        on(&SerialLineMonitor::rxFlagReceived, "RxFlag");
        on(&SerialLineMonitor::rlsdChanged, "RLSD");
        on(&SerialLineMonitor::lineErrorOccurred, "Error");
        QObject::connect(p, &SerialLineMonitor::opened, p, [this] { ++opened; });
        QObject::connect(p, &SerialLineMonitor::closed, p, [this] { ++closed; });
    }

    void record(const QString& name)
    {
        calls.append(name);
        events.append(port->currentEvent().value_or(CapturedLineEvent{}));
        onMainThread = onMainThread && QThread::currentThread() == QCoreApplication::instance()->thread();
    }

    // Replaces the slot of `signal` with `slot`.
    template <typename Signal, typename Slot> void replace(Signal signal, Slot slot)
    {
        QObject::disconnect(port.get(), signal, nullptr, nullptr);
        QObject::connect(port.get(), signal, port.get(), slot);
    }

    // Opens the port and waits until its thread watches the lines, so that the next switch is
    // a change to it.
    void open()
    {
        port->open();
        QVERIFY(waitWithoutEvents([this] { return backend->waiting(); }));
    }

    // Switches the lines while the main thread is busy, until the port thread has seen them.
    void switchUnseen(quint32 tick, quint32 lines)
    {
        const quint64 before = port->watcher()->linesSeen();
        ticks.set(tick);
        backend->setLines(lines);
        QVERIFY(waitWithoutEvents([&] { return port->watcher()->linesSeen() > before; }));
    }

    std::shared_ptr<TestSerialBackend> backend = std::make_shared<TestSerialBackend>();
    ManualTickSource ticks{5000};
    QStringList calls; // the signals reported, in order
    QList<CapturedLineEvent> events;
    bool onMainThread = true;
    int opened = 0;
    int closed = 0;
    std::unique_ptr<SerialLineMonitor> port = std::make_unique<SerialLineMonitor>(backend); // goes first
};

} // namespace

class TestSerialLineMonitor final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void settings();
    void contactPorts();
    void openAndClose();
    void lineChangeRunsOnMainThread();
    void dispatchOrder_data();
    void dispatchOrder();
    void unwatchedEventsAreNotReported();
    void edgesDuringSlowHandOverKeepTheirTicks();
    void closeWhileHandOverPending();
    void closeFromInsideSlot();
    void unpluggedAdapterClosesPort();
    void throwingSlotIsContained();
};

void TestSerialLineMonitor::settings()
{
    Fixture f;
    QCOMPARE(f.port->port(), 1);
    QVERIFY(!f.port->isConnected() && !f.port->watcher());
    QCOMPARE(f.port->handle(), qintptr(-1));
    f.backend->setLines(DSR | ModemBit::RLSD);
    QCOMPARE(f.port->modemStatus(), 0u); // closed
    QCOMPARE(baudRateValue(BaudRate::Baud256000, 1), 256000);
    QCOMPARE(baudRateValue(BaudRate::User, 31250), 31250);
    for (const auto& [written, stored] :
         std::initializer_list<std::pair<int, int>>{{-7, 5}, {4, 5}, {5, 5}, {8, 8}, {9, 8}}) {
        f.port->setDataBits(written); // clamped to 5 .. 8
        QCOMPARE(f.port->dataBits(), stored);
    }
    // The settings reach the backend at the next open.
    f.port->setPort(300); // bounded to a byte
    f.port->setFlowControl(FlowControl::RtsCts);
    f.port->open();
    QCOMPARE(f.port->modemStatus(), DSR | ModemBit::RLSD);
    QCOMPARE(f.backend->lastSettings().port, quint8(255));
    QCOMPARE(f.backend->lastSettings().flowControl, FlowControl::RtsCts);
    QCOMPARE(f.backend->lastSettings().events, kAllLineEvents);
}

// The contact ports (beyond what the heat test checks): 9600 baud, no parity, one stop bit and
// small buffers whatever was set before; a port that cannot be opened leaves its inputs dead
// without an error.
void TestSerialLineMonitor::contactPorts()
{
    Fixture one;
    Fixture two;
    one.port->setBaudRate(BaudRate::Baud110);
    one.port->setParity(Parity::Even);
    one.port->setStopBits(StopBits::Two);
    one.port->setWriteBufferSize(4096);
    configureContactPort(*one.port);
    one.port->open();
    const SerialLineSettings s = one.backend->lastSettings();
    QCOMPARE(baudRateValue(s.baudRate, 0), 9600);
    QVERIFY(s.parity == Parity::None && s.stopBits == StopBits::One);
    QCOMPARE(s.writeBufferSize, 64);
    two.backend->failNextOpen(TestSerialBackend::OpenFailure::State, EINVAL);
    one.backend->failNextOpen(TestSerialBackend::OpenFailure::Handle, ENOENT);
    openContactPorts(*one.port, *two.port, PortAssignment{2, 3});
    QVERIFY(!one.port->isConnected() && !two.port->isConnected());
    QCOMPARE(one.closed, 1);
    two.backend->failNextOpen(TestSerialBackend::OpenFailure::Handle, ENOENT);
    QVERIFY(!openQuietly(*two.port));
    QVERIFY(openQuietly(*two.port));
    QCOMPARE(two.backend->lastSettings().port, quint8(3));
}

void TestSerialLineMonitor::openAndClose()
{
    Fixture f;
    f.port->close(); // never opened: nothing
    QCOMPARE(f.closed, 0);
    f.port->open();
    QVERIFY(f.port->isConnected() && f.port->watcher());
    f.port->open(); // opening an open port closes it first
    QCOMPARE(f.opened, 2);
    QCOMPARE(f.closed, 1);
    QCOMPARE(f.backend->openCount(), 2);
    f.port->close();
    f.port->close();
    QCOMPARE(f.closed, 2);
    QVERIFY(!f.port->isConnected() && !f.backend->isOpen());
    // A line switched while closed is the known state after reopening.
    f.backend->setLines(DSR);
    f.open();
    f.backend->setLines(DSR | CTS);
    QTRY_COMPARE_WITH_TIMEOUT(f.calls.size(), 1, 5000);
    QCOMPARE(f.calls, QStringList{QStringLiteral("CTS")});
    // Destroying a connected port closes it.
    f.port.reset();
    QCOMPARE(f.closed, 3);
    QVERIFY(!f.backend->isOpen());
}

void TestSerialLineMonitor::lineChangeRunsOnMainThread()
{
    Fixture f;
    f.open();
    f.ticks.set(7777);
    f.backend->setLines(DSR);
    QTRY_COMPARE_WITH_TIMEOUT(f.calls.size(), 1, 5000);
    QCOMPARE(f.calls, QStringList{QStringLiteral("DSR")});
    QVERIFY(f.onMainThread);
    QCOMPARE(f.events.first().status, DSR);
    QCOMPARE(f.events.first().tick, 7777u);
    QCOMPARE(f.port->watcher()->eventMask(), EventBit::DSR);
    QVERIFY(!f.port->currentEvent()); // only inside a slot
}

void TestSerialLineMonitor::dispatchOrder_data()
{
    QTest::addColumn<quint32>("mask");
    QTest::addColumn<QStringList>("order");
    QTest::newRow("all nine") << EventBit::All << QStringList{"RxChar", "TxEmpty", "Break", "Ring", "CTS",
                                                              "DSR",    "RxFlag",  "RLSD",  "Error"};
    QTest::newRow("CTS before DSR") << (EventBit::DSR | EventBit::CTS) << QStringList{"CTS", "DSR"};
    QTest::newRow("ring before RLSD") << (EventBit::RLSD | EventBit::Ring) << QStringList{"Ring", "RLSD"};
    QTest::newRow("error last") << (EventBit::Error | EventBit::RxChar) << QStringList{"RxChar", "Error"};
}

void TestSerialLineMonitor::dispatchOrder()
{
    QFETCH(quint32, mask);
    QFETCH(QStringList, order);
    Fixture f;
    f.open();
    f.backend->raiseEvents(mask);
    QTRY_COMPARE_WITH_TIMEOUT(f.calls.size(), order.size(), 5000);
    QCOMPARE(f.calls, order);
}

void TestSerialLineMonitor::unwatchedEventsAreNotReported()
{
    Fixture f;
    f.port->setEvents(LineEvent::Dsr | LineEvent::Ring);
    f.open();
    f.backend->setLines(CTS); // not watched
    f.backend->raiseEvents(EventBit::Break);
    f.backend->setLines(CTS | DSR);
    QTRY_COMPARE_WITH_TIMEOUT(f.calls.size(), 1, 5000);
    QTest::qWait(20);
    QCOMPARE(f.calls, QStringList{QStringLiteral("DSR")});
}

void TestSerialLineMonitor::edgesDuringSlowHandOverKeepTheirTicks()
{
    Fixture f;
    f.open();
    // The main thread is busy (no events run) while three edges come.
    f.switchUnseen(10000, DSR);
    f.switchUnseen(10040, DSR | CTS);
    f.switchUnseen(10100, CTS);
    f.ticks.set(10600);
    QVERIFY(f.calls.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(f.calls.size(), 3, 5000);
    QCOMPARE(f.calls, (QStringList{"DSR", "CTS", "DSR"}));
    const QList<std::pair<quint32, quint32>> seen{{10000, DSR}, {10040, DSR | CTS}, {10100, CTS}};
    for (int i = 0; i < 3; ++i)
        QCOMPARE((std::pair{f.events.at(i).tick, f.events.at(i).status}), seen.at(i));
}

void TestSerialLineMonitor::closeWhileHandOverPending()
{
    Fixture f;
    f.open();
    f.switchUnseen(6000, DSR);
    f.port->close(); // the thread waits for the main thread, which is here: no deadlock
    QCOMPARE(f.closed, 1);
    QVERIFY(!f.backend->isOpen()); // the thread stopped in time: it was not left behind
    QTest::qWait(20);              // the stale hand-over runs nothing
    QVERIFY(f.calls.isEmpty());
}

void TestSerialLineMonitor::closeFromInsideSlot()
{
    Fixture f;
    f.replace(&SerialLineMonitor::ctsChanged, [&] {
        f.record(QStringLiteral("CTS"));
        f.port->close();
    });
    f.open();
    f.backend->setLines(CTS | DSR);
    QTRY_COMPARE_WITH_TIMEOUT(f.closed, 1, 5000);
    QVERIFY(!f.port->isConnected());
    QCOMPARE(f.calls, QStringList{QStringLiteral("CTS")}); // the DSR slot no longer runs
}

void TestSerialLineMonitor::unpluggedAdapterClosesPort()
{
    Fixture f;
    f.open();
    f.backend->unplug();
    QTRY_VERIFY_WITH_TIMEOUT(!f.port->isConnected(), 5000);
    QCOMPARE(f.closed, 1);
    QVERIFY(!f.backend->isOpen());
    // Reopening a device that is gone fails cleanly.
    QVERIFY_THROWS_EXCEPTION(PortOpenError, f.port->open());
}

void TestSerialLineMonitor::throwingSlotIsContained()
{
    Fixture f;
    f.replace(&SerialLineMonitor::ctsChanged, [] { throw std::runtime_error("slot failed"); });
    f.open();
    f.backend->setLines(CTS | DSR);
    QTRY_COMPARE_WITH_TIMEOUT(f.calls.size(), 1, 5000);
    f.backend->setLines(0);
    QTRY_COMPARE_WITH_TIMEOUT(f.calls.size(), 2, 5000);
    QCOMPARE(f.calls, (QStringList{"DSR", "DSR"}));
}

QTEST_GUILESS_MAIN(TestSerialLineMonitor)
#include "tst_seriallinemonitor.moc"
