// Edges the port thread cannot see by the lines' levels alone: a pulse over before the thread
// woke, an edge just before a wait began. The drivers' change counters tell of them.
#include "TimingTestSupport.h"
#include "timing/SerialLineMonitor.h"
#include "timing/TestSerialBackend.h"

#include <QTest>

using namespace brv;
using namespace brv::test;

namespace {

constexpr quint32 DSR = ModemBit::DSR, CTS = ModemBit::CTS, RING = ModemBit::RING;

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

class TestLineEdges final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lineEdges_data();
    void lineEdges();
    void hiddenEdgesAreReported_data();
    void hiddenEdgesAreReported();
};

void TestLineEdges::lineEdges_data()
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
    QTest::newRow("two lines: pulse and edge together") << "0 0/0/0/0"
                                                        << "10 1/2/0/0"
                                                        << "18:30@7 10:10@7";
    QTest::newRow("a line not watched") << "0 0/0/0/0"
                                        << "80 0/0/0/2"
                                        << "";
}

void TestLineEdges::lineEdges()
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

void TestLineEdges::hiddenEdgesAreReported_data()
{
    QTest::addColumn<bool>("pulse");    // a pulse over before the thread woke; else an edge before the wait
    QTest::addColumn<bool>("counters"); // the driver counts line changes
    QTest::addColumn<QString>("seen");  // DSR level @ tick of each dsrChanged
    QTest::newRow("pulse before the wake") << true << true << "1@2000 0@2000";
    QTest::newRow("pulse, no counters: lost") << true << false << "";
    QTest::newRow("edge before the wait") << false << true << "1@3000 0@3000";
    QTest::newRow("edge before the wait, no counters: lost") << false << false << "";
}

void TestLineEdges::hiddenEdgesAreReported()
{
    QFETCH(bool, pulse);
    QFETCH(bool, counters);
    QFETCH(QString, seen);
    auto backend = std::make_shared<TestSerialBackend>();
    backend->setCountersSupported(counters);
    ManualTickSource ticks(1000);
    SerialLineMonitor port(backend);
    port.setTickSource(ticks);
    port.setEvents(LineEvents::fromInt(EventBit::DSR | EventBit::CTS));
    QStringList got;
    connect(&port, &SerialLineMonitor::dsrChanged, this, [&] {
        const CapturedLineEvent e = *port.currentEvent();
        got << QStringLiteral("%1@%2").arg(e.status & DSR ? 1 : 0).arg(e.tick);
    });
    bool once = !pulse;
    backend->setBeforeWait([&] {
        if (std::exchange(once, false))
            backend->setLines(DSR); // the contact closes between the look at the lines and the wait
    });
    port.open();
    QVERIFY(waitWithoutEvents([&] { return backend->waiting(); }));
    if (pulse) {
        backend->holdWakeUps(true); // the thread wakes late, after the contact opened again
        backend->setLines(DSR);
        backend->setLines(0);
        ticks.set(2000);
        backend->holdWakeUps(false);
    } else {
        ticks.set(3000);
        backend->setLines(0); // the contact opens: the wait wakes
    }
    backend->setLines(CTS); // a later edge on another line: everything before it has come through
    QTRY_VERIFY_WITH_TIMEOUT(port.watcher()->eventMask() == EventBit::CTS, 5000);
    QCoreApplication::processEvents();
    QCOMPARE(got.join(' '), seen);
}

QTEST_GUILESS_MAIN(TestLineEdges)
#include "tst_lineedges.moc"
