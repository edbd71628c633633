#include "ComPort.h"
#include "TestSerialBackend.h"
#include "TimingTestSupport.h"

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

// One handler call as a test sees it.
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
        port = std::make_unique<TComPort>(backend);
        port->setTickSource(ticks);
    }

    // Assigns every handler; each records its call.
    void recordAll()
    {
        const auto make = [this](const QString& name) {
            return [this, name](TComPort& sender) { record(name, sender); };
        };
        port->OnRxChar = [this](TComPort& sender, int) { record(QStringLiteral("RxChar"), sender); };
        port->OnTxEmpty = make(QStringLiteral("TxEmpty"));
        port->OnBreak = make(QStringLiteral("Break"));
        port->OnRing = make(QStringLiteral("Ring"));
        port->OnCTS = make(QStringLiteral("CTS"));
        port->OnDSR = make(QStringLiteral("DSR"));
        port->OnRxFlag = make(QStringLiteral("RxFlag"));
        port->OnRLSD = make(QStringLiteral("RLSD"));
        port->OnError = make(QStringLiteral("Error"));
    }

    void record(const QString& name, TComPort& sender)
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
        port->Open();
        QVERIFY(waitWithoutEvents([this] { return backend->waiting(); }));
    }

    quint64 seen() const { return port->thread() ? port->thread()->linesSeen() : 0; }

    std::shared_ptr<TestSerialBackend> backend = std::make_shared<TestSerialBackend>();
    ManualTickSource ticks{5000};
    std::unique_ptr<TComPort> port;
    QList<Call> calls;
};

} // namespace

class TestComPort final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void defaults();
    void dataBitsClamp_data();
    void dataBitsClamp();
    void openStartsThreadAndCallsOnOpen();
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
    void closeFromInsideHandler();
    void unpluggedAdapterClosesPort();
    void reopenAfterClose();
    void throwingHandlerIsContained();
    void modemStatus();
};

void TestComPort::defaults()
{
    TComPort port(std::make_shared<TestSerialBackend>());
    QCOMPARE(port.BaudRate(), TBaudRate::br9600);
    QCOMPARE(port.BaudRateUser(), 9600);
    QCOMPARE(port.Port(), 1);
    QCOMPARE(port.Parity(), TParity::prNone);
    QCOMPARE(port.StopBits(), TStopBits::sbOneStopBit);
    QCOMPARE(port.FlowControl(), TFlowControl::fcNone);
    QCOMPARE(port.DataBits(), 8);
    QCOMPARE(port.Events(), kAllEvents);
    QVERIFY(port.EnableDTR());
    QCOMPARE(port.WriteBufSize(), 2048);
    QCOMPARE(port.ReadBufSize(), 2048);
    QVERIFY(!port.Connected());
    QCOMPARE(port.handle(), qintptr(-1));
    QVERIFY(!port.thread());
    QCOMPARE(baudRateValue(TBaudRate::br256000, 1), 256000);
    QCOMPARE(baudRateValue(TBaudRate::brUser, 31250), 31250);
}

void TestComPort::dataBitsClamp_data()
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

void TestComPort::dataBitsClamp()
{
    QFETCH(int, written);
    QFETCH(int, stored);
    TComPort port(std::make_shared<TestSerialBackend>());
    port.setDataBits(written);
    QCOMPARE(port.DataBits(), stored);
}

void TestComPort::openStartsThreadAndCallsOnOpen()
{
    Fixture f;
    int opened = 0;
    f.port->OnOpen = [&](TComPort&) { ++opened; };
    f.port->setPort(7);
    f.port->setDataBits(5);
    f.port->setFlowControl(TFlowControl::fcRtsCts);
    f.port->Open();
    QVERIFY(f.port->Connected());
    QVERIFY(f.port->thread());
    QCOMPARE(opened, 1);
    QCOMPARE(f.backend->lastSettings().port, quint8(7));
    QCOMPARE(f.backend->lastSettings().dataBits, quint8(5));
    QCOMPARE(f.backend->lastSettings().flowControl, TFlowControl::fcRtsCts);
    // Opening an open port closes it first.
    int closed = 0;
    f.port->OnClose = [&](TComPort&) { ++closed; };
    f.port->Open();
    QCOMPARE(closed, 1);
    QCOMPARE(opened, 2);
    QCOMPARE(f.backend->openCount(), 2);
}

void TestComPort::openFailure_data()
{
    QTest::addColumn<int>("failure");
    QTest::addColumn<QString>("prefix");
    QTest::newRow("cannot open") << int(TestSerialBackend::OpenFailure::Handle)
                                 << "Unable to open com port: ";
    QTest::newRow("settings rejected")
        << int(TestSerialBackend::OpenFailure::State) << "Unable to set com state: ";
}

void TestComPort::openFailure()
{
    QFETCH(int, failure);
    QFETCH(QString, prefix);
    Fixture f;
    int opened = 0;
    f.port->OnOpen = [&](TComPort&) { ++opened; };
    f.backend->failNextOpen(TestSerialBackend::OpenFailure(failure), EBUSY);
    QString message;
    try {
        f.port->Open();
    } catch (const EComHandle& e) {
        QCOMPARE(failure, int(TestSerialBackend::OpenFailure::Handle));
        message = e.message();
    } catch (const EComState& e) {
        QCOMPARE(failure, int(TestSerialBackend::OpenFailure::State));
        message = e.message();
    }
    QVERIFY2(message.startsWith(prefix), qPrintable(message));
    QVERIFY(message.size() > prefix.size()); // the system's text follows
    QVERIFY(!f.port->Connected());
    QVERIFY(!f.port->thread());
    QCOMPARE(opened, 0);
}

void TestComPort::closeTwiceAndNeverOpened()
{
    Fixture f;
    int closed = 0;
    f.port->OnClose = [&](TComPort&) { ++closed; };
    f.port->Close();
    QCOMPARE(closed, 0);
    f.port->Open();
    f.port->Close();
    f.port->Close();
    QCOMPARE(closed, 1);
    QVERIFY(!f.port->Connected());
    QVERIFY(!f.backend->isOpen());
}

void TestComPort::destroyingConnectedPortCloses()
{
    Fixture f;
    int closed = 0;
    f.port->OnClose = [&](TComPort&) { ++closed; };
    f.open();
    f.port.reset();
    QCOMPARE(closed, 1);
    QVERIFY(!f.backend->isOpen());
}

void TestComPort::lineChangeRunsOnMainThread()
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
    QCOMPARE(f.port->thread()->eventMask(), EventBit::DSR);
    QVERIFY(!f.port->currentEvent()); // only inside a handler
}

void TestComPort::dispatchOrder_data()
{
    QTest::addColumn<quint32>("mask");
    QTest::addColumn<QStringList>("order");
    QTest::newRow("all nine") << EventBit::All << QStringList{"RxChar", "TxEmpty", "Break", "Ring", "CTS",
                                                              "DSR",    "RxFlag",  "RLSD",  "Error"};
    QTest::newRow("CTS before DSR") << (EventBit::DSR | EventBit::CTS) << QStringList{"CTS", "DSR"};
    QTest::newRow("ring before RLSD") << (EventBit::RLSD | EventBit::Ring) << QStringList{"Ring", "RLSD"};
    QTest::newRow("error last") << (EventBit::Error | EventBit::RxChar) << QStringList{"RxChar", "Error"};
}

void TestComPort::dispatchOrder()
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

void TestComPort::unwatchedEventsAreNotReported()
{
    Fixture f;
    f.recordAll();
    f.port->OnCTS = nullptr; // unassigned: skipped
    f.port->setEvents(TEvent::evDSR | TEvent::evRing);
    f.open();
    f.backend->setLines(CTS); // not watched
    f.backend->raiseEvents(EventBit::Break);
    f.backend->setLines(CTS | DSR);
    QTRY_COMPARE_WITH_TIMEOUT(f.calls.size(), 1, 5000);
    QTest::qWait(20);
    QCOMPARE(f.handlers(), QStringList{QStringLiteral("DSR")});
}

void TestComPort::edgesDuringSlowHandOverKeepTheirTicks()
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

void TestComPort::closeWhileHandOverPending()
{
    Fixture f;
    f.recordAll();
    int closed = 0;
    f.port->OnClose = [&](TComPort&) { ++closed; };
    f.open();
    f.backend->setLines(DSR);
    QVERIFY(waitWithoutEvents([&] { return f.seen() >= 1; }));
    QElapsedTimer timer;
    timer.start();
    f.port->Close(); // the thread waits for the main thread, which is here: no deadlock
    QVERIFY(timer.elapsed() < 2000);
    QCOMPARE(closed, 1);
    QTest::qWait(20); // the stale hand-over runs nothing
    QVERIFY(f.calls.isEmpty());
}

void TestComPort::closeFromInsideHandler()
{
    Fixture f;
    f.recordAll();
    int closed = 0;
    f.port->OnClose = [&](TComPort&) { ++closed; };
    f.port->OnCTS = [&](TComPort& sender) {
        f.record(QStringLiteral("CTS"), sender);
        sender.Close();
    };
    f.open();
    f.backend->setLines(CTS | DSR);
    QTRY_COMPARE_WITH_TIMEOUT(closed, 1, 5000);
    QVERIFY(!f.port->Connected());
    QCOMPARE(f.handlers(), QStringList{QStringLiteral("CTS")}); // DSR's handler no longer runs
}

void TestComPort::unpluggedAdapterClosesPort()
{
    Fixture f;
    int closed = 0;
    f.port->OnClose = [&](TComPort&) { ++closed; };
    f.open();
    f.backend->unplug();
    QTRY_VERIFY_WITH_TIMEOUT(!f.port->Connected(), 5000);
    QCOMPARE(closed, 1);
    QVERIFY(!f.backend->isOpen());
    // Reopening a device that is gone fails cleanly.
    QVERIFY_THROWS_EXCEPTION(EComHandle, f.port->Open());
}

void TestComPort::reopenAfterClose()
{
    Fixture f;
    f.recordAll();
    f.port->Open();
    f.port->Close();
    f.backend->setLines(DSR);
    f.open();
    f.backend->setLines(DSR | CTS);
    QTRY_COMPARE_WITH_TIMEOUT(f.calls.size(), 1, 5000);
    QCOMPARE(f.handlers(), QStringList{QStringLiteral("CTS")});
}

void TestComPort::throwingHandlerIsContained()
{
    Fixture f;
    f.recordAll();
    f.port->OnCTS = [](TComPort&) { throw std::runtime_error("handler failed"); };
    f.open();
    f.backend->setLines(CTS | DSR);
    QTRY_COMPARE_WITH_TIMEOUT(f.calls.size(), 1, 5000);
    f.backend->setLines(0);
    QTRY_COMPARE_WITH_TIMEOUT(f.calls.size(), 2, 5000);
    QCOMPARE(f.handlers(), (QStringList{"DSR", "DSR"}));
}

void TestComPort::modemStatus()
{
    Fixture f;
    f.backend->setLines(DSR | ModemBit::RLSD);
    QCOMPARE(f.port->GetModemStatus(), 0u); // closed
    f.port->Open();
    QCOMPARE(f.port->GetModemStatus(), DSR | ModemBit::RLSD);
}

QTEST_GUILESS_MAIN(TestComPort)
#include "tst_comport.moc"
