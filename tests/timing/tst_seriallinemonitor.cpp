#include "TimingTestSupport.h"
#include "support/TestSerialBackend.h"
#include "timing/SerialLineMonitor.h"

#include <QCoreApplication>
#include <QMetaMethod>
#include <QTest>

using namespace brv;
using namespace brv::test;

constexpr quint32 DSR = ModemBit::DSR, CTS = ModemBit::CTS;

namespace {

// "status" or "status cts/dsr/ring/rlsd" as a line state; status in hex.
LineState state(const QString& text)
{
    const QStringList parts = text.split(' ');
    LineState s{parts[0].toUInt(nullptr, 16), std::nullopt};
    if (parts.size() > 1) {
        const QStringList c = parts[1].split('/');
        s.counters = LineCounters{c[0].toUInt(), c[1].toUInt(), c[2].toUInt(), c[3].toUInt()};
    }
    return s;
}

QString describe(const std::vector<CapturedLineEvent>& events)
{
    QStringList out;
    for (const CapturedLineEvent& e : events)
        out << QStringLiteral("%1:%2@%3").arg(e.mask, 0, 16).arg(e.status, 0, 16).arg(e.tick);
    return out.join(' ');
}

} // namespace

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
    void lineEdges_data();
    void lineEdges();
    void hiddenEdgesAreReported_data();
    void hiddenEdgesAreReported();
};

void TestSerialLineMonitor::dispatch_data()
{
    QTest::addColumn<LineEvents>("watched");
    QTest::addColumn<quint32>("raised");
    QTest::addColumn<quint32>("lines"); // DSR before
    QTest::addColumn<QString>("slot"); // or "unplug": the adapter is pulled out; "unplug, close": then closed
    QTest::addColumn<QStringList>("calls");
    const LineEvents all = kAllLineEvents;
    QTest::newRow("all four in order")
        << all << EventBit::All << DSR << ""
        << QStringList{"ringChanged", "ctsChanged", "dsrChanged", "rlsdChanged"};
    QTest::newRow("unwatched events are not reported")
        << (LineEvent::Dsr | LineEvent::Ring) << EventBit::Break << CTS << "" << QStringList{"dsrChanged"};
    QTest::newRow("a slot that closes ends the reporting")
        << all << (EventBit::CTS | EventBit::DSR) << DSR << "ctsChanged closes"
        << QStringList{"ctsChanged", "closed"};
    QTest::newRow("what a slot throws is dropped")
        << all << (EventBit::CTS | EventBit::DSR) << DSR << "ctsChanged throws"
        << QStringList{"ctsChanged", "dsrChanged"};
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
    SerialLineSettings settings;
    settings.events = watched;
    f.port->setSettings(settings);
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

void TestSerialLineMonitor::lineEdges_data()
{
    // DSR is 0x20 (event 0x10), CTS 0x10 (event 0x08), RING 0x40 (event 0x100), RLSD 0x80 (0x20)
    QTest::addColumn<QString>("known");
    QTest::addColumn<QString>("now");
    QTest::addColumn<QString>("edges"); // event mask:status@tick of each edge, in order
    QTest::newRow("a level without counters") << "0"
                                              << "20"
                                              << "10:20@7";
    QTest::newRow("a level with its count") << "0 0/4/0/0"
                                            << "20 0/5/0/0"
                                            << "10:20@7";
    QTest::newRow("a pulse the level no longer shows") << "0 0/4/0/0"
                                                       << "0 0/6/0/0"
                                                       << "10:20@7 10:0@7";
    QTest::newRow("a pulse, then the edge") << "0 0/4/0/0"
                                            << "20 0/7/0/0"
                                            << "10:20@7 10:0@7 10:20@7";
    QTest::newRow("a count without its edge yet") << "0 0/4/0/0"
                                                  << "0 0/5/0/0"
                                                  << "";
    QTest::newRow("counters only on one side") << "0"
                                               << "0 0/6/0/0"
                                               << "";
    QTest::newRow("counters wrap") << "20 0/4294967295/0/0"
                                   << "20 0/1/0/0"
                                   << "10:0@7 10:20@7";
    QTest::newRow("ring counts where it goes off") << "0 0/0/3/0"
                                                   << "0 0/0/4/0"
                                                   << "100:40@7 100:0@7";
    QTest::newRow("ring going on") << "0 0/0/3/0"
                                   << "40 0/0/3/0"
                                   << "100:40@7";
    QTest::newRow("ring going off") << "40 0/0/3/0"
                                    << "0 0/0/4/0"
                                    << "100:0@7";
    QTest::newRow("ring off, on, off") << "40 0/0/3/0"
                                       << "0 0/0/5/0"
                                       << "100:0@7 100:40@7 100:0@7";
    QTest::newRow("two lines going on: one event each") << "0 0/0/0/0"
                                                        << "10 1/2/0/0"
                                                        << "8:10@7 10:30@7 10:10@7";
    QTest::newRow("two lines going off: one event") << "30 0/0/0/0"
                                                    << "0 1/1/0/0"
                                                    << "18:0@7";
    QTest::newRow("off before on") << "10 0/0/0/0"
                                   << "20 1/1/0/0"
                                   << "8:0@7 10:20@7";
    QTest::newRow("a line not watched") << "0 0/0/0/0"
                                        << "80 0/0/0/2"
                                        << "";
}

void TestSerialLineMonitor::lineEdges()
{
    QFETCH(QString, known);
    QFETCH(QString, now);
    QFETCH(QString, edges);
    LineState k = state(known);
    const LineState n = state(now);
    // the contact port's events without RLSD
    const quint32 events = EventBit::CTS | EventBit::DSR | EventBit::Ring;
    QCOMPARE(describe(brv::lineEdges(events, k, n, 7)), edges);
    QCOMPARE(k.status, n.status);
    QCOMPARE(k.counters, n.counters);
}

void TestSerialLineMonitor::hiddenEdgesAreReported_data()
{
    QTest::addColumn<bool>("pulse");    // a pulse over before the thread woke; else an edge before the wait
    QTest::addColumn<bool>("counters"); // the driver counts line changes
    QTest::addColumn<QString>("seen");  // DSR level @ tick of each dsrChanged
    QTest::newRow("pulse before the wake") << true << true << "1@2000 0@2000";
    QTest::newRow("pulse, no counters: lost") << true << false << "";
    QTest::newRow("edge before the wait") << false << true << "1@3000 0@3000";
    QTest::newRow("edge before the wait, no counters: lost") << false << false << "";
}

// Edges the levels alone do not show: a pulse over before the thread woke, an edge just before a
// wait began. The drivers' change counters tell of them.
void TestSerialLineMonitor::hiddenEdgesAreReported()
{
    QFETCH(bool, pulse);
    QFETCH(bool, counters);
    QFETCH(QString, seen);
    Fixture f;
    f.backend->setCountersSupported(counters);
    f.ticks.set(1000);
    bool once = !pulse;
    f.backend->setBeforeWait([&] {
        if (std::exchange(once, false))
            f.backend->setLines(DSR); // the contact closes between the look at the lines and the wait
    });
    f.open();
    if (pulse) {
        f.backend->holdWakeUps(true); // the thread wakes late, after the contact opened again
        f.backend->setLines(DSR);
        f.backend->setLines(0);
        f.ticks.set(2000);
        f.backend->holdWakeUps(false);
    } else {
        f.ticks.set(3000);
        f.backend->setLines(0); // the contact opens: the wait wakes
    }
    // a later edge on another line; once it is reported and the thread waits again, everything
    // before it has come through
    f.backend->setLines(CTS);
    QTRY_VERIFY_WITH_TIMEOUT(f.calls.contains(u"ctsChanged") && f.backend->waiting(), 5000);
    QStringList got;
    for (qsizetype i = 0; i < f.calls.size(); ++i) {
        if (f.calls[i] == u"dsrChanged")
            got << QStringLiteral("%1@%2").arg(f.events[i].status & DSR ? 1 : 0).arg(f.events[i].tick);
    }
    QCOMPARE(got.join(' '), seen);
}

QTEST_GUILESS_MAIN(TestSerialLineMonitor)
#include "tst_seriallinemonitor.moc"
