#include "app/widgets/LanePanel.h"
#include "app/widgets/SevenSegmentDigit.h"
#include "timing/LaneDisplay.h"
#include "timing/RaceTime.h"

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
    void segments_data();
    void segments();
    void thicknessStaysInside();
    void lanePanel_data();
    void lanePanel();
};

void TestLaneDisplay::digits_data()
{
    QTest::addColumn<quint32>("start"); // tick
    QTest::addColumn<quint32>("stop");
    QTest::addColumn<bool>("inUse");
    QTest::addColumn<QString>("shown"); // the five digits, then '+' bright or '-' dim for each and the comma
    QTest::newRow("9 ms truncates to 0") << 1000u << 1009u << true << "00000 --++++";
    QTest::newRow("9,99 s") << 0u << 9990u << true << "00999 --++++";
    QTest::newRow("10,00 s lights the tens") << 0u << 10000u << true << "01000 -+++++";
    QTest::newRow("99,99 s") << 0u << 99999u << true << "09999 -+++++";
    QTest::newRow("100,00 s lights all") << 0u << 100000u << true << "10000 ++++++";
    QTest::newRow("1000 s: the first digit overflows, bright") << 0u << 1000000u << true << "00000 ++++++";
    QTest::newRow("lane not in use: all dim") << 0u << 123450u << false << "12345 ------";
    // the tick's wrap-around and a start at tick 0 are in the clock's test
    QTest::newRow("stop before start: no minus") << 20000u << 7655u << true << "00000 --++++";
}

void TestLaneDisplay::digits()
{
    QFETCH(quint32, start);
    QFETCH(quint32, stop);
    QFETCH(bool, inUse);
    QFETCH(QString, shown);
    const qint32 ms = RaceTime(start, stop);
    const LaneDigits d = laneDigitsFor(ms, inUse);
    QString text, lit = QStringLiteral(" ");
    for (int i = 0; i < 5; ++i) {
        text += QString::number(d.shown(i));
        lit += d.colour(i) == kDigitColours[1] ? u'+' : u'-';
    }
    QCOMPARE(text + lit + (d.commaColour() == kDigitColours[1] ? u'+' : u'-'), shown);
}

void TestLaneDisplay::segments_data()
{
    QTest::addColumn<int>("segment");     // its bit in the pattern
    QTest::addColumn<QString>("figures"); // that light it
    QTest::addColumn<QRect>("area");      // where a 40 x 80 digit, 4 thick, paints it
    QTest::newRow("top") << 0 << "02356789" << QRect(6, 1, 28, 7);
    QTest::newRow("middle") << 1 << "2345689" << QRect(6, 36, 28, 7);
    QTest::newRow("bottom") << 2 << "0235689" << QRect(6, 72, 28, 7);
    QTest::newRow("upper left") << 3 << "045689" << QRect(1, 6, 7, 32);
    QTest::newRow("upper right") << 4 << "01234789" << QRect(32, 6, 7, 32);
    QTest::newRow("lower left") << 5 << "0268" << QRect(1, 41, 7, 32);
    QTest::newRow("lower right") << 6 << "013456789" << QRect(32, 41, 7, 32);
    QTest::newRow("decimal-point corner") << 7 << "" << QRect(34, 74, 5, 5);
}

// Which figures light the segment (a value outside 0 to 9 shows 0 and reports an overflow), and
// where it is painted, lit, with the others unlit, on the background.
void TestLaneDisplay::segments()
{
    QFETCH(int, segment);
    QFETCH(QString, figures);
    QFETCH(QRect, area);
    SevenSegmentDigit digit;
    QSignalSpy overflowed(&digit, &SevenSegmentDigit::overflowed);
    for (int value = -1; value <= 10; ++value) {
        digit.setValue(value);
        const int shown = value < 0 || value > 9 ? 0 : value;
        QCOMPARE(digit.value(), shown);
        QCOMPARE(bool((digit.segmentPattern() >> segment) & 1), figures.contains(QString::number(shown)));
    }
    QCOMPARE(overflowed.count(), 2);
    digit.resize(40, 80);
    digit.setThickness(4);
    digit.setLitColour(Qt::red);
    digit.setUnlitColour(Qt::blue);
    digit.setBackgroundColour(Qt::green);
    digit.setSegmentPattern(quint8(1 << segment));
    const QImage image = digit.grab().toImage();
    QRect red;
    int blue = 0;
    for (int y = 0; y < 80; ++y) {
        for (int x = 0; x < 40; ++x) {
            red |= image.pixelColor(x, y) == Qt::red ? QRect(x, y, 1, 1) : QRect();
            blue += image.pixelColor(x, y) == Qt::blue;
        }
    }
    QVERIFY(red == area && blue > 0);
    QCOMPARE(image.pixelColor(20, 20), QColor(Qt::green)); // inside the upper loop
}

// A thickness beyond half the digit's width or height is ignored.
void TestLaneDisplay::thicknessStaysInside()
{
    SevenSegmentDigit digit;
    digit.resize(40, 80);
    digit.setThickness(20);
    digit.setThickness(21); // more than half the width
    QCOMPARE(digit.thickness(), 20);
    digit.resize(80, 30);
    digit.setThickness(16); // more than half the height
    QCOMPARE(digit.thickness(), 20);
    digit.setThickness(15);
    QCOMPARE(digit.thickness(), 15);
}

void TestLaneDisplay::lanePanel_data()
{
    QTest::addColumn<int>("lane");
    QTest::addColumn<QColor>("bar");
    QTest::newRow("lane 1") << 1 << QColor(255, 208, 208);
    QTest::newRow("lane 2") << 2 << QColor(255, 255, 208);
    QTest::newRow("lane 3") << 3 << QColor(208, 255, 208);
}

// Each lane in its own colour with its name in bold; ZIEL never takes the focus from START or
// RESET; only lane 3 has the on/off box; the digits stand on black; the next page's teams replace
// the others; a control bar of any height above 0 is shown.
void TestLaneDisplay::lanePanel()
{
    QFETCH(int, lane);
    QFETCH(QColor, bar);
    LanePanel panel(lane);
    auto* label = panel.findChild<QLabel*>(QStringLiteral("laneLabel"));
    auto* controlBar = panel.findChild<QWidget*>(QStringLiteral("controlBar"));
    auto* finish = panel.findChild<QPushButton*>(QStringLiteral("finishButton"));
    auto* inUse = panel.findChild<QCheckBox*>(QStringLiteral("laneInUse"));
    QCOMPARE(label->text(), QStringLiteral("Bahn %1").arg(lane));
    QVERIFY(label->font().bold());
    QCOMPARE(controlBar->palette().color(QPalette::Window), bar);
    QCOMPARE(finish->focusPolicy(), Qt::NoFocus);
    QCOMPARE(inUse->isVisibleTo(&panel), lane == 3);
    QSignalSpy finished(&panel, &LanePanel::finishClicked);
    panel.setFinishArmed(true);
    QTest::mouseClick(finish, Qt::LeftButton);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(panel.findChild<QWidget*>(QStringLiteral("timePanel"))->palette().color(QPalette::Window),
             QColor(Qt::black));
    auto* teams = panel.findChild<QComboBox*>(QStringLiteral("teamSelector"));
    panel.setTeams({QStringLiteral("  1 A"), QStringLiteral("  2 B")}, 1, true);
    panel.setTeams({QStringLiteral("  3 C")}, 0, false); // the next page's teams replace the others
    QVERIFY(teams->count() == 1 && teams->currentText() == QStringLiteral("  3 C") && !teams->isEnabled());
    panel.setControlBarHeight(1);
    QVERIFY(controlBar->isVisibleTo(&panel));
    panel.setControlBarHeight(0);
    QVERIFY(!controlBar->isVisibleTo(&panel));
}

QTEST_MAIN(TestLaneDisplay)
#include "tst_app_lanedisplay.moc"
