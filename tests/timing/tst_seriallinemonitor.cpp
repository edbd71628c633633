#include "TimingTestSupport.h"
#include "timing/SerialLineMonitor.h"
#include "timing/TestSerialBackend.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>

#include <cerrno>
#include <memory>

using namespace brv;
using namespace brv::test;

namespace {

constexpr quint32 DSR = ModemBit::DSR;
constexpr quint32 CTS = ModemBit::CTS;

// One reported line event as a test sees it.
struct Call
{
    QString handler;
    quint32 status = 0;
    quint32 tick = 0;
    bool mainThread = false;
};

struct Fixture
{
    Fixture()
    {
        port = std::make_unique<SerialLineMonitor>(backend);
        port->setTickSource(ticks);
    }

    // Connects every line event; each records its report.
    void recordAll()
    {
        SerialLineMonitor* const sender = port.get();
        const auto make = [this, sender](const QString& name) {
            return [this, sender, name] { record(name, *sender); };
        };
        QObject::connect(sender, &SerialLineMonitor::rxCharReceived, sender,
                         [this, sender](int) { record(QStringLiteral("RxChar"), *sender); });
        QObject::connect(sender, &SerialLineMonitor::txEmpty, sender, make(QStringLiteral("TxEmpty")));
        QObject::connect(sender, &SerialLineMonitor::breakReceived, sender, make(QStringLiteral("Break")));
        QObject::connect(sender, &SerialLineMonitor::ringChanged, sender, make(QStringLiteral("Ring")));
        QObject::connect(sender, &SerialLineMonitor::ctsChanged, sender, make(QStringLiteral("CTS")));
        QObject::connect(sender, &SerialLineMonitor::dsrChanged, sender, make(QStringLiteral("DSR")));
        QObject::connect(sender, &SerialLineMonitor::rxFlagReceived, sender, make(QStringLiteral("RxFlag")));
        QObject::connect(sender, &SerialLineMonitor::rlsdChanged, sender, make(QStringLiteral("RLSD")));
        QObject::connect(sender, &SerialLineMonitor::lineErrorOccurred, sender,
                         make(QStringLiteral("Error")));
    }

    void record(const QString& name, SerialLineMonitor& sender)
    {
        Call call;
        call.handler = name;
        call.mainThread = QThread::currentThread() == QCoreApplication::instance()->thread();
        if (sender.currentEvent()) {
            call.status = sender.currentEvent()->status;
            call.tick = sender.currentEvent()->tick;
        }
        calls.append(call);
    }

    QStringList handlers() const
    {
        QStringList names;
        for (const Call& c : calls)
            names.append(c.handler);
        return names;
    }

    // Opens the port and waits until its thread watches the lines, so that the next switch is
    // a change to it.
    void open()
    {
        port->open();
        QVERIFY(waitWithoutEvents([this] { return backend->waiting(); }));
    }

    quint64 seen() const { return port->watcher() ? port->watcher()->linesSeen() : 0; }

    std::shared_ptr<TestSerialBackend> backend = std::make_shared<TestSerialBackend>();
    ManualTickSource ticks{5000};
    std::unique_ptr<SerialLineMonitor> port;
    QList<Call> calls;
};

} // namespace

class TestSerialLineMonitor final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void defaults();
    void dataBitsClamp_data();
    void dataBitsClamp();
    void openStartsThreadAndEmitsOpened();
    void openFailure_data();
    void openFailure();
    void closeTwiceAndNeverOpened();
    void destroyingConnectedPortCloses();
    void lineChangeRunsOnMainThread();
    void dispatchOrder_data();
    void dispatchOrder();
    void unwatchedEventsAreNotReported();
    void edgesDuringSlowHandOverKeepTheirTicks();
    void closeWhileHandOverPending();
    void closeFromInsideSlot();
    void unpluggedAdapterClosesPort();
    void reopenAfterClose();
    void throwingSlotIsContained();
    void modemStatus();
};

void TestSerialLineMonitor::defaults()
{
    SerialLineMonitor port(std::make_shared<TestSerialBackend>());
    QCOMPARE(port.baudRate(), BaudRate::Baud9600);
    QCOMPARE(port.userBaudRate(), 9600);
    QCOMPARE(port.port(), 1);
    QCOMPARE(port.parity(), Parity::None);
    QCOMPARE(port.stopBits(), StopBits::One);
    QCOMPARE(port.flowControl(), FlowControl::None);
    QCOMPARE(port.dataBits(), 8);
    QCOMPARE(port.events(), kAllLineEvents);
    QVERIFY(port.isDtrEnabled());
    QCOMPARE(port.writeBufferSize(), 2048);
    QCOMPARE(port.readBufferSize(), 2048);
    QVERIFY(!port.isConnected());
    QCOMPARE(port.handle(), qintptr(-1));
    QVERIFY(!port.watcher());
    QCOMPARE(baudRateValue(BaudRate::Baud256000, 1), 256000);
    QCOMPARE(baudRateValue(BaudRate::User, 31250), 31250);
}

void TestSerialLineMonitor::dataBitsClamp_data()
{
    QTest::addColumn<int>("written");
    QTest::addColumn<int>("stored");
    QTest::newRow("4 stores 5") << 4 << 5;
    QTest::newRow("5 stays") << 5 << 5;
    QTest::newRow("7 stays") << 7 << 7;
    QTest::newRow("8 stays") << 8 << 8;
    QTest::newRow("9 stores 8") << 9 << 8;
    QTest::newRow("0 stores 5") << 0 << 5;
    QTest::newRow("255 stores 8") << 255 << 8;
    QTest::newRow("negative stores 5") << -7 << 5;
}

void TestSerialLineMonitor::dataBitsClamp()
{
    QFETCH(int, written);
    QFETCH(int, stored);
    SerialLineMonitor port(std::make_shared<TestSerialBackend>());
    port.setDataBits(written);
    QCOMPARE(port.dataBits(), stored);
}

void TestSerialLineMonitor::openStartsThreadAndEmitsOpened()
{
    Fixture f;
    int opened = 0;
    QObject::connect(f.port.get(), &SerialLineMonitor::opened, f.port.get(), [&] { ++opened; });
    f.port->setPort(7);
    f.port->setDataBits(5);
    f.port->setFlowControl(FlowControl::RtsCts);
    f.port->open();
    QVERIFY(f.port->isConnected());
    QVERIFY(f.port->watcher());
    QCOMPARE(opened, 1);
    QCOMPARE(f.backend->lastSettings().port, quint8(7));
    QCOMPARE(f.backend->lastSettings().dataBits, quint8(5));
    QCOMPARE(f.backend->lastSettings().flowControl, FlowControl::RtsCts);
    // Opening an open port closes it first.
    int closed = 0;
    QObject::connect(f.port.get(), &SerialLineMonitor::closed, f.port.get(), [&] { ++closed; });
    f.port->open();
    QCOMPARE(closed, 1);
    QCOMPARE(opened, 2);
    QCOMPARE(f.backend->openCount(), 2);
}

void TestSerialLineMonitor::openFailure_data()
{
    QTest::addColumn<int>("failure");
    QTest::addColumn<QString>("prefix");
    QTest::newRow("cannot open") << int(TestSerialBackend::OpenFailure::Handle)
                                 << "Unable to open com port: ";
    QTest::newRow("settings rejected")
        << int(TestSerialBackend::OpenFailure::State) << "Unable to set com state: ";
}

void TestSerialLineMonitor::openFailure()
{
    QFETCH(int, failure);
    QFETCH(QString, prefix);
    Fixture f;
    int opened = 0;
    QObject::connect(f.port.get(), &SerialLineMonitor::opened, f.port.get(), [&] { ++opened; });
    f.backend->failNextOpen(TestSerialBackend::OpenFailure(failure), EBUSY);
    QString message;
    try {
        f.port->open();
    } catch (const PortOpenError& e) {
        QCOMPARE(failure, int(TestSerialBackend::OpenFailure::Handle));
        message = e.message();
    } catch (const PortSettingsError& e) {
        QCOMPARE(failure, int(TestSerialBackend::OpenFailure::State));
        message = e.message();
    }
    QVERIFY2(message.startsWith(prefix), qPrintable(message));
    QVERIFY(message.size() > prefix.size()); // the system's text follows
    QVERIFY(!f.port->isConnected());
    QVERIFY(!f.port->watcher());
    QCOMPARE(opened, 0);
}

void TestSerialLineMonitor::closeTwiceAndNeverOpened()
{
    Fixture f;
    int closed = 0;
    QObject::connect(f.port.get(), &SerialLineMonitor::closed, f.port.get(), [&] { ++closed; });
    f.port->close();
    QCOMPARE(closed, 0);
    f.port->open();
    f.port->close();
    f.port->close();
    QCOMPARE(closed, 1);
    QVERIFY(!f.port->isConnected());
    QVERIFY(!f.backend->isOpen());
}

void TestSerialLineMonitor::destroyingConnectedPortCloses()
{
    Fixture f;
    int closed = 0;
    QObject::connect(f.port.get(), &SerialLineMonitor::closed, f.port.get(), [&] { ++closed; });
    f.open();
    f.port.reset();
    QCOMPARE(closed, 1);
    QVERIFY(!f.backend->isOpen());
}

void TestSerialLineMonitor::lineChangeRunsOnMainThread()
{
    Fixture f;
    f.recordAll();
    f.open();
    f.ticks.set(7777);
    f.backend->setLines(DSR);
    QTRY_COMPARE_WITH_TIMEOUT(f.calls.size(), 1, 5000);
    QCOMPARE(f.calls.first().handler, QStringLiteral("DSR"));
    QVERIFY(f.calls.first().mainThread);
    QCOMPARE(f.calls.first().status, DSR);
    QCOMPARE(f.calls.first().tick, 7777u);
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
    f.recordAll();
    f.open();
    f.backend->raiseEvents(mask);
    QTRY_COMPARE_WITH_TIMEOUT(f.calls.size(), order.size(), 5000);
    QCOMPARE(f.handlers(), order);
}

void TestSerialLineMonitor::unwatchedEventsAreNotReported()
{
    Fixture f;
    f.recordAll();
    QObject::disconnect(f.port.get(), &SerialLineMonitor::ctsChanged, nullptr, nullptr); // nobody listens
    f.port->setEvents(LineEvent::Dsr | LineEvent::Ring);
    f.open();
    f.backend->setLines(CTS); // not watched
    f.backend->raiseEvents(EventBit::Break);
    f.backend->setLines(CTS | DSR);
    QTRY_COMPARE_WITH_TIMEOUT(f.calls.size(), 1, 5000);
    QTest::qWait(20);
    QCOMPARE(f.handlers(), QStringList{QStringLiteral("DSR")});
}

void TestSerialLineMonitor::edgesDuringSlowHandOverKeepTheirTicks()
{
    Fixture f;
    f.recordAll();
    f.open();
    // The main thread is busy (no events run) while three edges come.
    f.ticks.set(10000);
    f.backend->setLines(DSR);
    QVERIFY(waitWithoutEvents([&] { return f.seen() >= 1; }));
    f.ticks.set(10040);
    f.backend->setLines(DSR | CTS);
    QVERIFY(waitWithoutEvents([&] { return f.seen() >= 2; }));
    f.ticks.set(10100);
    f.backend->setLines(CTS);
    QVERIFY(waitWithoutEvents([&] { return f.seen() >= 3; }));
    f.ticks.set(10600);
    QVERIFY(f.calls.isEmpty());

    QTRY_COMPARE_WITH_TIMEOUT(f.calls.size(), 3, 5000);
    QCOMPARE(f.handlers(), (QStringList{"DSR", "CTS", "DSR"}));
    QCOMPARE(f.calls.at(0).tick, 10000u);
    QCOMPARE(f.calls.at(1).tick, 10040u);
    QCOMPARE(f.calls.at(2).tick, 10100u);
    QCOMPARE(f.calls.at(0).status, DSR);
    QCOMPARE(f.calls.at(1).status, DSR | CTS);
    QCOMPARE(f.calls.at(2).status, CTS);
}

void TestSerialLineMonitor::closeWhileHandOverPending()
{
    Fixture f;
    f.recordAll();
    int closed = 0;
    QObject::connect(f.port.get(), &SerialLineMonitor::closed, f.port.get(), [&] { ++closed; });
    f.open();
    f.backend->setLines(DSR);
    QVERIFY(waitWithoutEvents([&] { return f.seen() >= 1; }));
    QElapsedTimer timer;
    timer.start();
    f.port->close(); // the thread waits for the main thread, which is here: no deadlock
    QVERIFY(timer.elapsed() < 2000);
    QCOMPARE(closed, 1);
    QTest::qWait(20); // the stale hand-over runs nothing
    QVERIFY(f.calls.isEmpty());
}

void TestSerialLineMonitor::closeFromInsideSlot()
{
    Fixture f;
    f.recordAll();
    int closed = 0;
    QObject::connect(f.port.get(), &SerialLineMonitor::closed, f.port.get(), [&] { ++closed; });
    QObject::disconnect(f.port.get(), &SerialLineMonitor::ctsChanged, nullptr, nullptr);
    QObject::connect(f.port.get(), &SerialLineMonitor::ctsChanged, f.port.get(), [&] {
        f.record(QStringLiteral("CTS"), *f.port);
        f.port->close();
    });
    f.open();
    f.backend->setLines(CTS | DSR);
    QTRY_COMPARE_WITH_TIMEOUT(closed, 1, 5000);
    QVERIFY(!f.port->isConnected());
    QCOMPARE(f.handlers(), QStringList{QStringLiteral("CTS")}); // the DSR slot no longer runs
}

void TestSerialLineMonitor::unpluggedAdapterClosesPort()
{
    Fixture f;
    int closed = 0;
    QObject::connect(f.port.get(), &SerialLineMonitor::closed, f.port.get(), [&] { ++closed; });
    f.open();
    f.backend->unplug();
    QTRY_VERIFY_WITH_TIMEOUT(!f.port->isConnected(), 5000);
    QCOMPARE(closed, 1);
    QVERIFY(!f.backend->isOpen());
    // Reopening a device that is gone fails cleanly.
    QVERIFY_THROWS_EXCEPTION(PortOpenError, f.port->open());
}

void TestSerialLineMonitor::reopenAfterClose()
{
    Fixture f;
    f.recordAll();
    f.port->open();
    f.port->close();
    f.backend->setLines(DSR);
    f.open();
    f.backend->setLines(DSR | CTS);
    QTRY_COMPARE_WITH_TIMEOUT(f.calls.size(), 1, 5000);
    QCOMPARE(f.handlers(), QStringList{QStringLiteral("CTS")});
}

void TestSerialLineMonitor::throwingSlotIsContained()
{
    Fixture f;
    f.recordAll();
    QObject::disconnect(f.port.get(), &SerialLineMonitor::ctsChanged, nullptr, nullptr);
    QObject::connect(f.port.get(), &SerialLineMonitor::ctsChanged, f.port.get(),
                     [] { throw std::runtime_error("slot failed"); });
    f.open();
    f.backend->setLines(CTS | DSR);
    QTRY_COMPARE_WITH_TIMEOUT(f.calls.size(), 1, 5000);
    f.backend->setLines(0);
    QTRY_COMPARE_WITH_TIMEOUT(f.calls.size(), 2, 5000);
    QCOMPARE(f.handlers(), (QStringList{"DSR", "DSR"}));
}

void TestSerialLineMonitor::modemStatus()
{
    Fixture f;
    f.backend->setLines(DSR | ModemBit::RLSD);
    QCOMPARE(f.port->modemStatus(), 0u); // closed
    f.port->open();
    QCOMPARE(f.port->modemStatus(), DSR | ModemBit::RLSD);
}

QTEST_GUILESS_MAIN(TestSerialLineMonitor)
#include "tst_seriallinemonitor.moc"
