#include "TimingTestSupport.h"
#include "timing/SerialLineMonitor.h"
#include "timing/TestSerialBackend.h"

#include <QCoreApplication>
#include <QMetaMethod>
#include <QTest>

using namespace brv;
using namespace brv::test;

constexpr quint32 DSR = ModemBit::DSR, CTS = ModemBit::CTS;

// A port on a test backend whose signals are recorded in order, with the line event each saw;
// the slot of the signal named in `slot` ("ctsChanged closes", "ctsChanged throws") does that too.
class Fixture final : public QObject
{
    Q_OBJECT

public:
    Fixture()
    {
        port->setPort(0); // no device without its backend
        port->setBackend(backend);
        port->setTickSource(ticks);
        const QMetaObject& m = SerialLineMonitor::staticMetaObject;
        const QMetaMethod recorder = metaObject()->method(metaObject()->indexOfSlot("record()"));
        for (int i = m.methodOffset(); i < m.methodCount(); ++i)
            connect(port.get(), m.method(i), this, recorder);
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
    QStringList calls;
    QList<CapturedLineEvent> events;
    bool onMainThread = true;
    std::unique_ptr<SerialLineMonitor> port = std::make_unique<SerialLineMonitor>(); // goes first

public Q_SLOTS:
    void record()
    {
        const auto* from = static_cast<const SerialLineMonitor*>(sender()); // `port` is null while it goes
        calls.append(QString::fromLatin1(from->metaObject()->method(senderSignalIndex()).name()));
        events.append(from->currentEvent().value_or(CapturedLineEvent{}));
        onMainThread = onMainThread && QThread::currentThread() == QCoreApplication::instance()->thread();
        if (slot == calls.last() + u" closes")
            port->close();
        if (slot == calls.last() + u" throws")
            throw std::runtime_error("slot failed");
    }
};

class TestSerialLineMonitor final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dispatch_data();
    void dispatch();
    void edgesDuringSlowHandOverKeepTheirTicks();
};

void TestSerialLineMonitor::dispatch_data()
{
    QTest::addColumn<LineEvents>("watched");
    QTest::addColumn<quint32>("raised");
    QTest::addColumn<quint32>("lines"); // DSR before
    QTest::addColumn<QString>("slot"); // or "unplug": the adapter is pulled out; "unplug, close": then closed
    QTest::addColumn<QStringList>("calls");
    const LineEvents all = kAllLineEvents;
    QTest::newRow("all nine in order")
        << all << EventBit::All << DSR << ""
        << QStringList{"rxCharReceived", "txEmpty",        "breakReceived", "ringChanged",      "ctsChanged",
                       "dsrChanged",     "rxFlagReceived", "rlsdChanged",   "lineErrorOccurred"};
    QTest::newRow("unwatched events are not reported")
        << (LineEvent::Dsr | LineEvent::Ring) << EventBit::Break << CTS << "" << QStringList{"dsrChanged"};
    QTest::newRow("a slot that closes ends the reporting")
        << all << 0u << CTS << "ctsChanged closes" << QStringList{"ctsChanged", "closed"};
    QTest::newRow("what a slot throws is dropped")
        << all << 0u << CTS << "ctsChanged throws" << QStringList{"ctsChanged", "dsrChanged"};
    QTest::newRow("unplugged: the port closes itself")
        << all << 0u << DSR << "unplug" << QStringList{"closed"};
    QTest::newRow("unplugged, closed before the report ran")
        << all << 0u << DSR << "unplug, close" << QStringList{"closed"};
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
    QVERIFY(f.port->modemStatus() == DSR && f.port->watcher()->eventMask() == 0);
    if (slot.startsWith(u"unplug")) { // alone: each call below wakes the thread
        f.backend->unplug();
        QVERIFY(waitWithoutEvents([&] { return !f.backend->waiting(); }));
        QThread::msleep(20); // the thread has ended and posted its report
        if (slot.endsWith(u"close"))
            f.port->close();
    } else {
        f.backend->raiseEvents(raised);
        if (lines != DSR)
            f.backend->setLines(lines);
    }
    calls.prepend(QStringLiteral("opened"));
    QTRY_COMPARE_WITH_TIMEOUT(f.calls, calls, 5000);
    QTest::qWait(20); // and nothing more
    QVERIFY(f.calls == calls && f.onMainThread && !f.port->currentEvent());
    QVERIFY(f.port->isConnected() != calls.contains(u"closed") &&
            f.backend->isOpen() == f.port->isConnected());
    if (slot.startsWith(u"unplug")) // the device is still gone
        QVERIFY_THROWS_EXCEPTION(PortOpenError, f.port->open());
    f.port->close();
    f.port->close();
    QVERIFY(f.calls.count(u"closed") == 1 && f.port->handle() == -1 && f.port->modemStatus() == 0);
}

// No edge is lost while the main thread is busy, each keeps its tick, and a close with a
// hand-over pending does not deadlock and runs nothing of it.
void TestSerialLineMonitor::edgesDuringSlowHandOverKeepTheirTicks()
{
    Fixture f;
    f.open();
    const QList<std::pair<quint32, quint32>> seen{{10000, DSR}, {10040, DSR | CTS}, {10100, CTS}};
    for (const auto& [tick, lines] : seen)
        f.switchUnseen(tick, lines);
    f.ticks.set(10600);
    QCOMPARE(f.calls, QStringList{"opened"});
    QTRY_COMPARE_WITH_TIMEOUT(f.calls, (QStringList{"opened", "dsrChanged", "ctsChanged", "dsrChanged"}),
                              5000);
    for (int i = 0; i < 3; ++i)
        QCOMPARE((std::pair{f.events.at(i + 1).tick, f.events.at(i + 1).status}), seen.at(i));
    QCOMPARE(f.port->watcher()->eventMask(), EventBit::DSR);
    f.switchUnseen(11000, 0);
    f.port.reset(); // destroying the port closes it; the thread stopped in time
    QVERIFY(f.calls.size() == 5 && f.calls.last() == u"closed" && !f.backend->isOpen());
    QTest::qWait(20);
    QCOMPARE(f.calls.size(), 5);
}

QTEST_GUILESS_MAIN(TestSerialLineMonitor)
#include "tst_seriallinemonitor.moc"
