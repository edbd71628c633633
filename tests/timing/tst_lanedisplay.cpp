#include "timing/LaneDisplay.h"
#include "timing/LanePanel.h"
#include "timing/RaceTime.h"
#include "timing/SevenSegmentDigit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
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
    void segments_data();
    void segments();
    void timePanel();
    void lanePanel_data();
    void lanePanel();
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

void TestLaneDisplay::segments_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("lit"); // top, middle, bottom, upper left, upper right, lower left,
                                      // lower right, the decimal-point corner
    QTest::newRow("0") << 0 << "10111110";
    QTest::newRow("1") << 1 << "00001010";
    QTest::newRow("2") << 2 << "11101100";
    QTest::newRow("3") << 3 << "11101010";
    QTest::newRow("4") << 4 << "01011010";
    QTest::newRow("5") << 5 << "11110010";
    QTest::newRow("6") << 6 << "11110110";
    QTest::newRow("7") << 7 << "10001010";
    QTest::newRow("8") << 8 << "11111110";
    QTest::newRow("9") << 9 << "11111010";
    QTest::newRow("10 overflows to 0") << 10 << "10111110";
    QTest::newRow("-1 overflows to 0") << -1 << "10111110";
}

// The digit as painted: the middle of each segment in the lit or the unlit colour.
void TestLaneDisplay::segments()
{
    QFETCH(int, value);
    QFETCH(QString, lit);
    SevenSegmentDigit digit;
    QSignalSpy overflowed(&digit, &SevenSegmentDigit::overflowed);
    digit.resize(40, 80);
    digit.setThickness(4);
    digit.setLitColour(Qt::red);
    digit.setUnlitColour(Qt::blue);
    digit.setBackgroundColour(Qt::green);
    digit.setValue(value);
    QCOMPARE(overflowed.count(), value < 0 || value > 9 ? 1 : 0);
    const QImage image = digit.grab().toImage();
    const QPoint middles[] = {{20, 4}, {20, 39}, {20, 75}, {4, 20}, {35, 20}, {4, 57}, {35, 57}, {37, 77}};
    QString shown;
    for (const QPoint& at : middles)
        shown += image.pixelColor(at) == Qt::red ? u'1' : image.pixelColor(at) == Qt::blue ? u'0' : u'?';
    QCOMPARE(shown, lit);
    QCOMPARE(image.pixelColor(20, 20), QColor(Qt::green)); // inside the upper loop
    if (value == 8)                                        // the left segments reach the left edge
        QVERIFY(image.pixelColor(1, 20) == Qt::red && image.pixelColor(1, 57) == Qt::red);
}

void TestLaneDisplay::timePanel()
{
    TimePanel panel;
    const auto lit = [&](int i) { return panel.digit(i)->litColour() == QColor(255, 153, 51); };
    QVERIFY(!lit(0) && !lit(1) && lit(2) && panel.digit(2)->value() == 0); // 000,00 at first
    panel.showDigits(laneDigitsFor(123450, true));
    for (int i = 0; i < 5; ++i)
        QVERIFY(panel.digit(i)->value() == i + 1 && lit(i));
    QCOMPARE(panel.comma()->palette().color(QPalette::WindowText), QColor(255, 153, 51));
    panel.showDigits(laneDigitsFor(123450, false));
    QCOMPARE(panel.comma()->palette().color(QPalette::WindowText), QColor(32, 32, 32));
    // Four digits in a row, the hundredths half as high at the right edge, the comma between.
    panel.resize(550, 100);
    panel.show();
    QCOMPARE(panel.digit(0)->geometry(), QRect(10, 4, 100, 92));
    QCOMPARE(panel.digit(2)->geometry(), QRect(230, 4, 100, 92));
    QCOMPARE(panel.digit(3)->geometry(), QRect(380, 4, 100, 92));
    QCOMPARE(panel.digit(4)->geometry(), QRect(490, 4, 50, 46));
    QCOMPARE(panel.comma()->geometry(), QRect(330, 0, 50, 100));
    QCOMPARE(panel.digit(3)->thickness(), 10);
    QCOMPARE(panel.digit(4)->thickness(), 6);
    QCOMPARE(panel.comma()->font().pixelSize(), 79);
    QVERIFY(panel.comma()->font().bold());
}

void TestLaneDisplay::lanePanel_data()
{
    QTest::addColumn<int>("lane");
    QTest::addColumn<QColor>("bar");
    QTest::newRow("lane 1") << 1 << QColor(255, 208, 208);
    QTest::newRow("lane 2") << 2 << QColor(255, 255, 208);
    QTest::newRow("lane 3 has the on/off box") << 3 << QColor(208, 255, 208);
}

void TestLaneDisplay::lanePanel()
{
    QFETCH(int, lane);
    QFETCH(QColor, bar);
    LanePanel panel(lane);
    auto* label = panel.findChild<QLabel*>(QStringLiteral("laneLabel"));
    auto* controlBar = panel.findChild<QWidget*>(QStringLiteral("controlBar"));
    auto* timePanel = panel.findChild<QWidget*>(QStringLiteral("timePanel"));
    auto* inUse = panel.findChild<QCheckBox*>(QStringLiteral("laneInUse"));
    auto* finish = panel.findChild<QPushButton*>(QStringLiteral("finishButton"));
    auto* start = panel.findChild<QPushButton*>(QStringLiteral("laneStartButton"));
    auto* teams = panel.findChild<QComboBox*>(QStringLiteral("teamSelector"));
    QVERIFY(label && controlBar && timePanel && inUse && finish && start && teams);
    QCOMPARE(label->text(), QStringLiteral("Bahn %1").arg(lane));
    QCOMPARE(controlBar->palette().color(QPalette::Window), bar);
    QCOMPARE(inUse->isVisibleTo(&panel), lane == 3);
    QVERIFY(inUse->isChecked());
    QCOMPARE(finish->toolTip(), QStringLiteral("[F%1]").arg(5 + lane));
    QCOMPARE(start->toolTip(), QStringLiteral("[Alt+%1]").arg(lane));
    QVERIFY(!finish->isEnabled() && !start->isVisibleTo(&panel));
    QCOMPARE(teams->minimumContentsLength(), 8); // room for a team's number and name
    panel.resize(300, 200);                      // the digits above, the control bar below them
    panel.show();
    QCOMPARE(timePanel->geometry().bottom() + 1, controlBar->y());
    QCOMPARE(controlBar->geometry().bottom(), 198);

    // what the panel is told it shows; what the operator does it reports
    QSignalSpy finished(&panel, &LanePanel::finishClicked);
    panel.setFinishArmed(true);
    QVERIFY(finish->isEnabled());
    QTest::mouseClick(finish, Qt::LeftButton);
    QCOMPARE(finished.size(), 1);
    panel.setStartButton(true, true, true);
    QVERIFY(start->isVisibleTo(&panel) && start->isEnabled());
    panel.setTeams({QStringLiteral("  1 FF A"), QStringLiteral("  2 FF B")}, 1, true);
    QCOMPARE(teams->count(), 2);
    QCOMPARE(teams->currentIndex(), 1);
    QVERIFY(teams->isEnabled());
    panel.setInUse(false);
    QVERIFY(!inUse->isChecked());

    panel.setControlBarHeight(30);
    QCOMPARE(controlBar->height(), 30);
    panel.setControlBarHeight(0); // the TV display: digits only
    QVERIFY(!controlBar->isVisibleTo(&panel));
}

QTEST_MAIN(TestLaneDisplay)
#include "tst_lanedisplay.moc"
