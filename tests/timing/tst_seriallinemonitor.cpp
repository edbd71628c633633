#include "TimingTestSupport.h"
#include "timing/SerialLineMonitor.h"
#include "timing/TestSerialBackend.h"

#include <QCoreApplication>
#include <QTest>

using namespace brv;
using namespace brv::test;

namespace {

constexpr quint32 DSR = ModemBit::DSR;
constexpr quint32 CTS = ModemBit::CTS;

// A port on a test backend that records the line events it reports and counts opened() and
// closed(); the slot of the signal named in `slot` ("CTS closes", "CTS throws") does that.
struct Fixture
{
    using M = SerialLineMonitor;
    Fixture()
    {
        port->setTickSource(ticks);
        const std::pair<void (M::*)(), const char*> named[] = {
            {&M::txEmpty, "TxEmpty"},  {&M::breakReceived, "Break"},    {&M::ringChanged, "Ring"},
            {&M::ctsChanged, "CTS"},   {&M::dsrChanged, "DSR"},         {&M::rxFlagReceived, "RxFlag"},
            {&M::rlsdChanged, "RLSD"}, {&M::lineErrorOccurred, "Error"}};
        for (const auto& [signal, name] : named)
            QObject::connect(port.get(), signal, port.get(), [this, name = name] { record(name); });
        QObject::connect(port.get(), &M::rxCharReceived, port.get(), [this] { record("RxChar"); });
        QObject::connect(port.get(), &M::opened, port.get(), [this] { ++opened; });
        QObject::connect(port.get(), &M::closed, port.get(), [this] { ++closed; });
    }
    void record(const char* name)
    {
        calls.append(QString::fromLatin1(name));
        events.append(port->currentEvent().value_or(CapturedLineEvent{}));
        onMainThread = onMainThread && QThread::currentThread() == QCoreApplication::instance()->thread();
        if (slot == calls.last() + u" closes")
            port->close();
        if (slot == calls.last() + u" throws")
            throw std::runtime_error("slot failed");
    }
    // Opens the port and waits until its thread watches the lines.
    void open()
    {
        port->open();
        QVERIFY(waitWithoutEvents([this] { return backend->waiting(); }));
    }
    // Switches the lines at `tick` while the main thread is busy, until the port thread saw them.
    void switchUnseen(quint32 tick, quint32 lines)
    {
        const quint64 before = port->watcher()->linesSeen();
        ticks.set(tick);
        backend->setLines(lines);
        QVERIFY(waitWithoutEvents([&] { return port->watcher()->linesSeen() > before; }));
    }

    std::shared_ptr<TestSerialBackend> backend = std::make_shared<TestSerialBackend>();
    ManualTickSource ticks{5000};
    QString slot;
    QStringList calls; // the signals reported, in order
    QList<CapturedLineEvent> events;
    bool onMainThread = true;
    int opened = 0;
    int closed = 0;
    std::unique_ptr<M> port = std::make_unique<M>(backend); // goes first
};

} // namespace

class TestSerialLineMonitor final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void openAndClose();
    void dispatch_data();
    void dispatch();
    void edgesDuringSlowHandOverKeepTheirTicks();
};

void TestSerialLineMonitor::openAndClose()
{
    Fixture f;
    auto first = std::make_shared<TestSerialBackend>();
    first->setLines(DSR);
    f.port->setBackend(first);
    f.port->close(); // never opened: nothing
    QVERIFY(f.closed == 0 && f.port->handle() == -1 && f.port->modemStatus() == 0);
    f.port->setDataBits(4); // clamped to 5 .. 8
    f.port->setPort(300);   // and to a byte
    f.port->open();
    QVERIFY(f.port->isConnected() && f.port->handle() == 1 && f.port->modemStatus() == DSR);
    QCOMPARE(f.port->watcher()->eventMask(), 0u);
    f.port->setBackend(f.backend); // ignored while connected
    f.port->open();                // opening an open port closes it first
    QVERIFY(f.opened == 2 && f.closed == 1 && first->openCount() == 2);
    QVERIFY(first->lastSettings().port == 255 && first->lastSettings().dataBits == 5);
    f.port->close();
    f.port->close();
    QVERIFY(f.closed == 2 && !f.port->isConnected() && !first->isOpen());
    first->failNextOpen(TestSerialBackend::OpenFailure::Handle, ENOENT);
    QVERIFY_THROWS_EXCEPTION(PortOpenError, f.port->open());
    first->failNextOpen(TestSerialBackend::OpenFailure::State, EINVAL);
    QVERIFY_THROWS_EXCEPTION(PortSettingsError, f.port->open());
    QVERIFY(!f.port->isConnected() && f.opened == 2);
    f.port->setBackend(f.backend);
    f.open();
    f.port.reset(); // destroying a connected port closes it
    QVERIFY(f.closed == 3 && !f.backend->isOpen());
}

void TestSerialLineMonitor::dispatch_data()
{
    QTest::addColumn<LineEvents>("watched");
    QTest::addColumn<quint32>("raised");
    QTest::addColumn<quint32>("lines");
    QTest::addColumn<QString>("slot");
    QTest::addColumn<QStringList>("calls");
    const LineEvents all = kAllLineEvents;
    QTest::newRow("all nine in order")
        << all << EventBit::All << DSR << ""
        << QStringList{"RxChar", "TxEmpty", "Break", "Ring", "CTS", "DSR", "RxFlag", "RLSD", "Error"};
    QTest::newRow("CTS before DSR") << all << 0u << CTS << "" << QStringList{"CTS", "DSR"};
    QTest::newRow("error last") << all << (EventBit::Error | EventBit::RxChar) << DSR << ""
                                << QStringList{"RxChar", "Error"};
    QTest::newRow("unwatched events are not reported")
        << (LineEvent::Dsr | LineEvent::Ring) << EventBit::Break << CTS << "" << QStringList{"DSR"};
    QTest::newRow("a slot that closes ends the reporting")
        << all << 0u << CTS << "CTS closes" << QStringList{"CTS"};
    QTest::newRow("unplugged: the port closes itself") << all << 0u << DSR << "unplug" << QStringList();
    QTest::newRow("unplugged, closed before the report ran")
        << all << 0u << DSR << "unplug, close" << QStringList();
    QTest::newRow("what a slot throws is dropped")
        << all << 0u << CTS << "CTS throws" << QStringList{"CTS", "DSR"};
}

void TestSerialLineMonitor::dispatch()
{
    QFETCH(LineEvents, watched);
    QFETCH(quint32, raised);
    QFETCH(quint32, lines);
    QFETCH(QString, slot);
    QFETCH(QStringList, calls);
    Fixture f;
    f.slot = slot;
    f.port->setEvents(watched);
    f.backend->setLines(DSR); // closed before opening: no change
    f.open();
    f.backend->raiseEvents(raised);
    f.backend->setLines(lines);
    if (slot.startsWith(u"unplug")) {
        f.backend->unplug();
        QVERIFY(waitWithoutEvents([&] { return !f.backend->waiting(); }));
        QThread::msleep(20); // the thread has ended and posted its report
        if (slot.endsWith(u"close"))
            f.port->close();
    }
    QTRY_COMPARE_WITH_TIMEOUT(f.calls, calls, 5000);
    QTest::qWait(20); // and nothing more
    QVERIFY(f.calls == calls && f.onMainThread && !f.port->currentEvent());
    QCOMPARE(f.port->isConnected(), slot.isEmpty() || slot.endsWith(u"throws"));
    QVERIFY(f.closed == (f.port->isConnected() ? 0 : 1) && f.backend->isOpen() == f.port->isConnected());
    if (slot.startsWith(u"unplug")) // the device is still gone
        QVERIFY_THROWS_EXCEPTION(PortOpenError, f.port->open());
}

// No edge is lost while the main thread is busy, each keeps its tick, and a close with a
// hand-over pending does not deadlock and runs nothing of it.
void TestSerialLineMonitor::edgesDuringSlowHandOverKeepTheirTicks()
{
    Fixture f;
    f.open();
    f.switchUnseen(10000, DSR);
    f.switchUnseen(10040, DSR | CTS);
    f.switchUnseen(10100, CTS);
    f.ticks.set(10600);
    QVERIFY(f.calls.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(f.calls, (QStringList{"DSR", "CTS", "DSR"}), 5000);
    const QList<std::pair<quint32, quint32>> seen{{10000, DSR}, {10040, DSR | CTS}, {10100, CTS}};
    for (int i = 0; i < 3; ++i)
        QCOMPARE((std::pair{f.events.at(i).tick, f.events.at(i).status}), seen.at(i));
    QCOMPARE(f.port->watcher()->eventMask(), EventBit::DSR);
    f.switchUnseen(11000, 0);
    f.port->close();
    QVERIFY(f.closed == 1 && !f.backend->isOpen()); // the thread stopped in time, not left behind
    QTest::qWait(20);
    QCOMPARE(f.calls.size(), 3);
}

QTEST_GUILESS_MAIN(TestSerialLineMonitor)
#include "tst_seriallinemonitor.moc"
