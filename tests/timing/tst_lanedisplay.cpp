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
    void leadingZerosDim_data();
    void leadingZerosDim();
    void boxClearedIsAllDim();
    void commaFollowsSecondsDigit_data();
    void commaFollowsSecondsDigit();
    void overflowingHundredsDigit();
    void raceTime_data();
    void raceTime();
    void startTickZeroIsNeverStored();
};

void TestLaneDisplay::digits_data()
{
    QTest::addColumn<int>("ms");
    QTest::addColumn<QString>("shown"); // the five digits as drawn
    QTest::newRow("zero") << 0 << "00000";
    QTest::newRow("9 ms truncates to 0") << 9 << "00000";
    QTest::newRow("10 ms is one hundredth") << 10 << "00001";
    QTest::newRow("9 990 ms") << 9990 << "00999";
    QTest::newRow("123 450 ms") << 123450 << "12345";
    QTest::newRow("999 999 ms") << 999999 << "99999";
    QTest::newRow("1 000 000 ms overflows the hundreds digit") << 1000000 << "00000";
    QTest::newRow("1 234 560 ms") << 1234560 << "03456";
    QTest::newRow("negative time shows no minus") << -12345 << "00000";
}

void TestLaneDisplay::digits()
{
    QFETCH(int, ms);
    QFETCH(QString, shown);
    const LaneDigits d = laneDigitsFor(ms, true);
    QString text;
    for (int i = 0; i < 5; ++i)
        text += QString::number(d.shown(i));
    QCOMPARE(text, shown);
}

void TestLaneDisplay::leadingZerosDim_data()
{
    QTest::addColumn<int>("ms");
    QTest::addColumn<bool>("digit1");
    QTest::addColumn<bool>("digit2");
    QTest::newRow("0 ms: two leading digits dim") << 0 << false << false;
    QTest::newRow("9 990 ms: two leading digits dim") << 9990 << false << false;
    QTest::newRow("10 000 ms: tens lit") << 10000 << false << true;
    QTest::newRow("99 999 ms: tens lit, hundreds dim") << 99999 << false << true;
    QTest::newRow("100 000 ms: all lit") << 100000 << true << true;
    QTest::newRow("123 450 ms: all lit") << 123450 << true << true;
    QTest::newRow("1 000 000 ms: first digit bright though it shows 0") << 1000000 << true << true;
}

void TestLaneDisplay::leadingZerosDim()
{
    QFETCH(int, ms);
    QFETCH(bool, digit1);
    QFETCH(bool, digit2);
    const LaneDigits d = laneDigitsFor(ms, true);
    QCOMPARE(d.bright[0], digit1);
    QCOMPARE(d.bright[1], digit2);
    QVERIFY(d.bright[2] && d.bright[3] && d.bright[4]);
}

void TestLaneDisplay::boxClearedIsAllDim()
{
    for (int ms : {0, 9990, 123450, 1000000}) {
        const LaneDigits d = laneDigitsFor(ms, false);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(d.colour(i), kDigitColours[0]);
        QCOMPARE(d.commaColour(), kDigitColours[0]);
    }
}

void TestLaneDisplay::commaFollowsSecondsDigit_data()
{
    QTest::addColumn<bool>("on");
    QTest::newRow("box checked") << true;
    QTest::newRow("box cleared") << false;
}

void TestLaneDisplay::commaFollowsSecondsDigit()
{
    QFETCH(bool, on);
    const LaneDigits d = laneDigitsFor(5000, on);
    QCOMPARE(d.commaColour(), d.colour(2));
}

void TestLaneDisplay::overflowingHundredsDigit()
{
    const LaneDigits d = laneDigitsFor(1000000, true);
    QVERIFY(d.overflows(0));
    QCOMPARE(d.values[0], 10);
}

void TestLaneDisplay::raceTime_data()
{
    QTest::addColumn<quint32>("start");
    QTest::addColumn<quint32>("stop");
    QTest::addColumn<int>("ms");
    QTest::newRow("plain") << 1000u << 13345u << 12345;
    QTest::newRow("across the wrap-around") << 0xFFFFFF00u << 0x00000100u << 512;
    QTest::newRow("start at the last tick") << 0xFFFFFFFFu << 0u << 1;
    QTest::newRow("stop before start reads negative") << 2000u << 1990u << -10;
}

void TestLaneDisplay::raceTime()
{
    QFETCH(quint32, start);
    QFETCH(quint32, stop);
    QFETCH(int, ms);
    QCOMPARE(RaceTime(start, stop), ms);
}

void TestLaneDisplay::startTickZeroIsNeverStored()
{
    QCOMPARE(startTickFrom(0), 0xFFFFFFFFu);
    QCOMPARE(startTickFrom(1), 1u);
    QCOMPARE(hundredthsOf(9), 0);
    QCOMPARE(hundredthsOf(10), 1);
}

QTEST_GUILESS_MAIN(TestLaneDisplay)
#include "tst_lanedisplay.moc"
