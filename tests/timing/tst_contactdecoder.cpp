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

// Start on COM1 CTS, Ziel1 on COM2 DSR, Ziel2 on COM2 CTS, Ziel3 on COM2 DCD; the tick stands at
// 100000.
struct Fixture
{
    explicit Fixture(bool commonStart = true)
    {
        CompetitionOptions options;
        options.commonStart = commonStart;
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

    // Runs a script: "2:DC@105000" lines D(SR), C(TS), L (DCD) and R(ing) active on COM2 at that
    // tick ("0" none); "F5" the operator's start; "S1@101003" lane 1's start button; "F11" the
    // start-barrier block; "I5=1.1" input 5 on COM1 line 1; "E2=1" input 2's edge setting;
    // "L1@102000" notes whether lane 1's lock-out runs then. Returns what happened.
    QString run(const QString& script)
    {
        QStringList out;
        for (const QString& step : script.split(u' ')) {
            const QStringList at = step.split(u'@');
            const quint32 tick = at.size() > 1 ? at[1].toUInt() : 0;
            if (step == u"F5") {
                clock->command(ClockCommand::Start).trigger();
            } else if (step == u"F11") {
                decoder->toggleStartLightBarrier();
            } else if (step.startsWith(u'S')) {
                clock->startCommand(step.mid(1, 1).toInt()).trigger(tick);
            } else if (step.startsWith(u'L')) {
                if (clock->lockoutRunning(step.mid(1, 1).toInt(), tick))
                    out << QStringLiteral("locked") + step.mid(1, 1);
            } else if (step.startsWith(u'I') || step.startsWith(u'E')) {
                ContactInputs inputs = decoder->inputs();
                ContactInputSetting& s = inputs[step.mid(1, 1).toInt()];
                if (step.startsWith(u'I'))
                    s = {step.mid(3, 1).toInt(), step.mid(5, 1).toInt(), 0};
                else
                    s.event = step.mid(3).toInt();
                decoder->setInputs(inputs);
            } else {
                quint32 status = 0;
                for (QChar c : at[0].mid(2))
                    status |= c == u'D' ? DSR : c == u'C' ? CTS : c == u'L' ? DCD : c == u'R' ? RI : 0;
                decoder->decode(at[0].left(1).toInt(), status, tick);
            }
        }
        for (const QList<QVariant>& stop : *stops)
            out << QStringLiteral("stop%1=%2").arg(stop[0].toInt()).arg(stop[1].toInt());
        for (int lane = 1; lane <= 2; ++lane) {
            if (clock->controls().lane(lane).armed)
                out << QStringLiteral("armed%1").arg(lane);
            if (const quint32 start = clock->controls().lane(lane).startTick)
                out << QStringLiteral("start%1@%2").arg(lane).arg(start);
        }
        if (!decoder->contactLog().isEmpty())
            out << QStringLiteral("log%1").arg(decoder->contactLog().size());
        return out.join(u' ');
    }

    ManualTickSource ticks{100000};
    Competition competition;
    std::unique_ptr<RaceClock> clock;
    std::unique_ptr<ContactDecoder> decoder;
    std::unique_ptr<QSignalSpy> stops;
};

} // namespace

class TestContactDecoder final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void contacts_data();
    void contacts();
    void memoLine_data();
    void memoLine();
    void logSlotsBarrierAndSymbol();
    void storedSetting_data();
    void storedSetting();
    void portAssignment_data();
    void portAssignment();
    void portChoiceList();
};

void TestContactDecoder::contacts_data()
{
    QTest::addColumn<bool>("common");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("outcome");
    QTest::newRow("closing stops, opening does not") << true << "F5 2:0@100500 2:D@112345 2:0@113000"
                                                     << "stop1=12345 start1@100000 armed2 start2@100000 log1";
    // a contact closed at start-up and two lines in one event: see memoLine
    QTest::newRow("second contact while the first stays closed, then the first opens")
        << true << "2:0@100000 F5 2:D@110000 2:DC@110100 2:C@110300"
        << "stop1=10000 stop2=10100 start1@100000 start2@100000 log3";
    QTest::newRow("finish edge at the start's own tick is no stop")
        << true << "2:0@99000 F5 2:D@100000"
        << "armed1 start1@100000 armed2 start2@100000 log1";
    QTest::newRow("finish edge from before the start is no stop")
        << true << "2:0@99000 F5 2:D@99990"
        << "armed1 start1@100000 armed2 start2@100000 log1";
    QTest::newRow("edge setting other than Ein never fires")
        << true << "E2=1 2:0@100000 F5 2:D@101000 L1@101000"
        << "armed1 start1@100000 armed2 start2@100000 log1";
    QTest::newRow("start contact blocked until F11, then it locks no finish")
        << true << "1:0@99000 1:C@100000 L1@100000 1:0@100100 F11 1:C@100200"
        << "armed1 start1@100200 armed2 start2@100200 log2";
    QTest::newRow("start contact locks the finish contacts for a second")
        << true << "F11 1:0@99000 2:0@99000 1:C@100000 2:D@100500 2:0@100600 2:D@101000 L2@100999 L2@101000"
        << "locked2 stop1=1000 start1@100000 armed2 start2@100000 log3";
    QTest::newRow("start contact while START is not available locks nothing")
        << true << "F11 1:0@99000 2:0@99000 F5 1:C@100500 2:D@101600"
        << "stop1=1600 start1@100000 armed2 start2@100000 log2";
    QTest::newRow("per-lane start contacts; lane 3 unused; a running lane does not restart")
        << false << "I5=1.1 I6=1.3 1:0@99000 1:C@100000 1:CD@100250 1:CDL@100300 1:DL@100400 1:CDL@100500"
        << "armed1 start1@100000 armed2 start2@100250 log5";
    const QString bounce = QStringLiteral("2:0@100000 S1@100000 2:D@101000 2:0@101002 2:D@%1 L1@102000");
    QTest::newRow("bounce 5 ms after a stop is dropped")
        << false << bounce.arg(101005) << "stop1=1000 start1@100000 log2";
    QTest::newRow("bounce 999 ms after a stop is dropped and does not extend the lock-out")
        << false << bounce.arg(101999) << "stop1=1000 start1@100000 log2";
    QTest::newRow("close 1000 ms after a stop locks anew")
        << false << bounce.arg(102000) << "locked1 stop1=1000 start1@100000 log2";
}

void TestContactDecoder::contacts()
{
    QFETCH(bool, common);
    QFETCH(QString, script);
    QFETCH(QString, outcome);
    Fixture f(common);
    QCOMPARE(f.run(script), outcome);
}

void TestContactDecoder::memoLine_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("line");
    // each line's label is in portChoiceList, Ziel1's line in logSlotsBarrierAndSymbol
    QTest::newRow("first event, two lines: unknown slot") << "2:DC"
                                                          << "3 30  /7,8";
    QTest::newRow("ring changes beside Ziel1") << "2:R 2:RD"
                                               << "2 20  /4,6";
    QTest::newRow("ring input on its own") << "I4=2.4 2:0 2:R"
                                           << "4 40  /7,9";
}

void TestContactDecoder::memoLine()
{
    QFETCH(QString, script);
    QFETCH(QString, line);
    Fixture f;
    f.run(script);
    QCOMPARE(f.decoder->contactLog(), QStringList{line});
}

void TestContactDecoder::logSlotsBarrierAndSymbol()
{
    Fixture f;
    // The start port's status is remembered apart from every other port's.
    f.decoder->decode(2, DSR);
    QCOMPARE(f.decoder->rememberedStatus(0), ContactDecoder::kUnknownStatus);
    QCOMPARE(f.decoder->rememberedStatus(1), DSR);
    f.decoder->decode(1, CTS);
    f.decoder->decode(7, RI);
    QCOMPARE(f.decoder->rememberedStatus(0), CTS);
    QCOMPARE(f.decoder->rememberedStatus(1), RI);

    for (int n = 0; n <= ContactDecoder::kContactLogLimit; ++n) {
        f.decoder->decode(2, 0);
        f.decoder->decode(2, n == 0 ? CTS : DSR); // one line for each closing
    }
    QCOMPARE(f.decoder->contactLog().size(), ContactDecoder::kContactLogLimit); // the oldest dropped
    QCOMPARE(f.decoder->contactLog().first(), QStringLiteral("2 20  /4,6"));
    QSignalSpy armed(f.decoder.get(), &ContactDecoder::startLightBarrierChanged);
    QSignalSpy symbol(f.decoder.get(), &ContactDecoder::startBarrierSymbolChanged);
    QVERIFY(!f.decoder->isStartLightBarrierArmed() && !f.decoder->startBarrierSymbolVisible());
    f.decoder->toggleStartLightBarrier();
    QVERIFY(f.decoder->isStartLightBarrierArmed());
    SerialLineMonitor port;
    port.setPort(2);
    f.decoder->onPortOpened(port);
    f.decoder->toggleStartLightBarrier();
    f.decoder->onPortClosed(port);
    QCOMPARE(f.decoder->rememberedStatus(1), ContactDecoder::kUnknownStatus); // unknown when it comes back
    QVERIFY(!f.decoder->isStartLightBarrierArmed() && !f.decoder->startBarrierSymbolVisible());
    QCOMPARE(armed.count(), 2);
    QCOMPARE(armed.last().first().toBool(), false);
    QCOMPARE(symbol.count(), 2); // shown and hidden
    QCOMPARE(symbol.first().first().toBool(), true);
}

void TestContactDecoder::storedSetting_data()
{
    QTest::addColumn<qint32>("stored");
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("line");
    QTest::newRow("Kein") << 0 << 0 << 0;
    QTest::newRow("COM64 /7,9") << (4 * 256 + 64) << 64 << 4;
    QTest::newRow("high bits ignored") << qint32(0x7F000000 | (1 * 256 + 5)) << 5 << 1;
}

void TestContactDecoder::storedSetting()
{
    QFETCH(qint32, stored);
    QFETCH(int, port);
    QFETCH(int, line);
    const ContactInputSetting s = ContactInputSetting::fromStored(stored, 1);
    QCOMPARE(s, (ContactInputSetting{port, line, 1}));
    QCOMPARE(s.stored(), line * 256 + port);
}

void TestContactDecoder::portAssignment_data()
{
    QTest::addColumn<QList<int>>("ports"); // of inputs 1 ..
    QTest::addColumn<PortAssignment>("assigned");
    QTest::newRow("nothing") << QList<int>{0, 0, 0, 0, 0, 0} << PortAssignment{};
    QTest::newRow("start and Ziel1 on one port") << QList<int>{3, 3, 0, 0} << PortAssignment{3, 0};
    QTest::newRow("Start 3, Ziel1 4, Ziel2 4") << QList<int>{3, 4, 4} << PortAssignment{3, 4};
    QTest::newRow("Start Kein, Ziel1 5, Ziel2 6") << QList<int>{0, 5, 6} << PortAssignment{5, 6};
    QTest::newRow("Start 1, Ziel1 2, Ziel2 3: COM3 replaces COM2")
        << QList<int>{1, 2, 3} << PortAssignment{1, 3};
    QTest::newRow("Ziel3 alone") << QList<int>{0, 0, 0, 7} << PortAssignment{7, 0};
    QTest::newRow("Ziel3 returns to an earlier port") << QList<int>{1, 2, 3, 2} << PortAssignment{1, 3};
    QTest::newRow("Start 2 and Start 3 claim no port")
        << QList<int>{1, 1, 0, 0, 8, 9} << PortAssignment{1, 0};
}

// At start-up as when settings are applied.
void TestContactDecoder::portAssignment()
{
    QFETCH(QList<int>, ports);
    QFETCH(PortAssignment, assigned);
    ContactInputs inputs;
    for (int n = 0; n < ports.size(); ++n)
        inputs[n + 1] = {ports.at(n), ports.at(n) ? 1 : 0, 0};
    QCOMPARE(brv::portsWhenApplied(inputs), assigned);
}

void TestContactDecoder::portChoiceList()
{
    QCOMPARE(brv::portChoiceList(0), QStringList{QStringLiteral("Kein")});
    const quint64 ports = (quint64(1) << 2) | (quint64(1) << 11) | (quint64(1) << 63);
    const QStringList list = brv::portChoiceList(ports);
    QCOMPARE(list.size(), 13);
    QCOMPARE(list.mid(1, 4), (QStringList{QStringLiteral("COM3 /4,6"), QStringLiteral("COM3 /7,8"),
                                          QStringLiteral("COM3 /1,4"), QStringLiteral("COM3 /7,9")}));
    QCOMPARE(list.last(), QStringLiteral("COM64 /7,9"));
    // every entry reads back as the port and line it was made from
    for (const QString& entry : list.mid(1)) {
        const ContactInputSetting read = brv::parsePortChoice(entry);
        QCOMPARE(brv::portChoiceText(read.port, read.line), entry);
    }
    QCOMPARE(brv::parsePortChoice(QStringLiteral("Kein")), ContactInputSetting{});

    // an input left on "Kein" loses its port only; the others take the event of their list
    ContactInputs before;
    before[ContactInput::Ziel2] = {4, 3, 1};
    before[ContactInput::Start3] = {6, 2, 0};
    const ContactInputs confirmed = brv::inputsFromChoices(
        {QStringLiteral("COM12 /7,9"), QStringLiteral("COM3 /7,8"), QStringLiteral("Kein"),
         QStringLiteral("Kein"), QStringLiteral("COM5 /4,6"), QStringLiteral("Kein")},
        2, 3, before);
    QCOMPARE(confirmed[ContactInput::Start], (ContactInputSetting{12, 4, 2}));
    QCOMPARE(confirmed[ContactInput::Ziel1], (ContactInputSetting{3, 2, 3}));
    QCOMPARE(confirmed[ContactInput::Ziel2], (ContactInputSetting{0, 3, 1}));
    QCOMPARE(confirmed[ContactInput::Start2], (ContactInputSetting{5, 1, 2}));
    // and through the settings record unchanged
    Settings settings;
    brv::takeContactInputs(settings, confirmed);
    const ContactInputs stored = brv::contactInputsOf(settings);
    for (int n = 1; n <= kContactInputCount; ++n)
        QCOMPARE(stored[n], confirmed[n]);
}

QTEST_GUILESS_MAIN(TestContactDecoder)
#include "tst_contactdecoder.moc"
