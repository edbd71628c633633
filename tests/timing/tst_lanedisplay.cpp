#include "timing/LaneDisplay.h"
#include "timing/RaceTime.h"

#include <QTest>

using namespace brv;

class TestLaneDisplay final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void digits_data();
    void digits();
    void raceTime_data();
    void raceTime();
};

void TestLaneDisplay::digits_data()
{
    QTest::addColumn<int>("ms");
    QTest::addColumn<bool>("inUse");
    QTest::addColumn<QString>("shown"); // the five digits as drawn
    QTest::addColumn<QString>("lit");   // '+' bright, '-' dim; the sixth sign is the comma
    QTest::newRow("zero") << 0 << true << "00000"
                          << "--++++";
    QTest::newRow("9 ms truncates to 0") << 9 << true << "00000"
                                         << "--++++";
    QTest::newRow("10 ms is one hundredth") << 10 << true << "00001"
                                            << "--++++";
    QTest::newRow("9 990 ms") << 9990 << true << "00999"
                              << "--++++";
    QTest::newRow("10 000 ms lights the tens") << 10000 << true << "01000"
                                               << "-+++++";
    QTest::newRow("99 999 ms") << 99999 << true << "09999"
                               << "-+++++";
    QTest::newRow("100 000 ms lights all") << 100000 << true << "10000"
                                           << "++++++";
    QTest::newRow("999 999 ms") << 999999 << true << "99999"
                                << "++++++";
    QTest::newRow("1 000 000 ms: overflowing first digit bright") << 1000000 << true << "00000"
                                                                  << "++++++";
    QTest::newRow("1 234 560 ms") << 1234560 << true << "03456"
                                  << "++++++";
    QTest::newRow("negative time shows no minus") << -12345 << true << "00000"
                                                  << "--++++";
    QTest::newRow("box cleared: all dim") << 5000 << false << "00500"
                                          << "------";
    QTest::newRow("box cleared, 123 450 ms") << 123450 << false << "12345"
                                             << "------";
}

void TestLaneDisplay::digits()
{
    QFETCH(int, ms);
    QFETCH(bool, inUse);
    QFETCH(QString, shown);
    QFETCH(QString, lit);
    const LaneDigits d = laneDigitsFor(ms, inUse);
    QString text;
    QString colours;
    for (int i = 0; i < 5; ++i) {
        text += QString::number(d.shown(i));
        colours += d.colour(i) == kDigitColours[1] ? u'+' : u'-';
        if (ms >= 0) // 1 000 000 ms and more write 10 to the first digit, which shows 0
            QCOMPARE(d.overflows(i), i == 0 && ms >= 1000000);
    }
    colours += d.commaColour() == kDigitColours[1] ? u'+' : u'-';
    QCOMPARE(text, shown);
    QCOMPARE(colours, lit);
}

void TestLaneDisplay::raceTime_data()
{
    QTest::addColumn<quint32>("start");
    QTest::addColumn<quint32>("stop");
    QTest::addColumn<int>("ms");
    QTest::newRow("plain") << 1000u << 13345u << 12345;
    QTest::newRow("across the wrap-around") << 0xFFFFFF00u << 0x00000100u << 512;
    QTest::newRow("start at the last tick") << 0xFFFFFFFFu << 0u << 1;
    QTest::newRow("start read at tick 0 is stored as the tick before") << startTickFrom(0) << 9u << 10;
    QTest::newRow("start at tick 1 is kept") << startTickFrom(1) << 9u << 8;
    QTest::newRow("stop before start reads negative") << 2000u << 1990u << -10;
}

void TestLaneDisplay::raceTime()
{
    QFETCH(quint32, start);
    QFETCH(quint32, stop);
    QFETCH(int, ms);
    QCOMPARE(RaceTime(start, stop), ms);
}

QTEST_GUILESS_MAIN(TestLaneDisplay)
#include "tst_lanedisplay.moc"
