#include "app/MainWindow.h"
#include "app/TvWindow.h"
#include "app/widgets/LanePanel.h"
#include "app/widgets/SevenSegmentDigit.h"
#include "session/SessionFixture.h"
#include "settings/SettingsStore.h"
#include "timing/RaceClock.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

using namespace brv;

using Action = std::function<void(MainWindow&, test::SessionFixture&)>;
Q_DECLARE_METATYPE(Action)

namespace {

const auto tvButton = [](MainWindow& w) { return w.findChild<QToolButton*>(QStringLiteral("tvButton")); };

// The digits as the public sees them: one drawn in its background's colour is a blank.
QString shownTime(LanePanel* panel)
{
    QString text;
    for (const SevenSegmentDigit* d : panel->findChildren<SevenSegmentDigit*>()) // in their order
        text += d->litColour() == d->backgroundColour() ? QStringLiteral("_") : QString::number(d->value());
    return text.insert(3, QLatin1Char(','));
}

// Shown, TV button pressed; lanes 1 and 2 left edge, lane 3 shown; the best panel's left edge;
// the monitor's left edge, a banner; best time and team / lane 1's team.
QString seenOn(MainWindow& window)
{
    const TvWindow* tv = window.tvWindow();
    return QString::asprintf("%d %d %d %d %d %d %d %d ", int(tv->isVisible()),
                             int(tvButton(window)->isChecked()), tv->lanePanel(1)->x(), tv->lanePanel(2)->x(),
                             int(!tv->lanePanel(3)->isHidden()), tv->bestPanel()->x(), tv->x(),
                             int(!tv->banner()->pixmap().isNull())) +
           shownTime(tv->bestPanel()) + ' ' + tv->bestTeamLabel()->text() + " / " + tv->teamLabel(1)->text();
}

// A three-lane heat, lane 1 the fastest with 12,34; the running time reaches the TV display.
void runHeat(MainWindow& window, test::SessionFixture& fixture)
{
    window.clock().command(ClockCommand::Start).trigger();
    fixture.ticks.advance(12340);
    window.clock().onDisplayTick();
    QCOMPARE(shownTime(window.tvWindow()->lanePanel(1)), QStringLiteral("012,34"));
    for (int lane = 1; lane <= 3; ++lane, fixture.ticks.advance(1000))
        window.clock().stopCommand(lane).trigger();
}

// The settings dialog confirmed once for each picture file.
Action confirm(QStringList pictures, int monitor)
{
    return [=](MainWindow& window, test::SessionFixture& fixture) {
        QImage(QSize(40, 10), QImage::Format_RGB32).save(fixture.folder.filePath("banner.png"));
        Settings settings = window.session().settings();
        settings.tvMonitor = monitor;
        for (const QString& picture : pictures) {
            settings.tvTitleImage = QDir(fixture.folder.path()).filePath(picture);
            window.session().applySettings(settings);
        }
    };
}

} // namespace

class TestTv : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void layout_data();
    void layout();
    void follows_data();
    void follows();
};

void TestTv::layout_data()
{
    // the window's width and height, lanes; banner height, timer panel left; lane 2 label left,
    // team labels top; lane 1 panel left, width, top and height; bottom panel top and height;
    // best panel left, width and height; brand left; lane, team and caption fonts; the brand's
    // font for a text 10 pixels wide per point
    QTest::addColumn<QList<int>>("figures");
    QTest::newRow("1920x1080, three lanes: half the gap")
        << QList<int>{1920, 1080, 3,   216, 0,   656, 108,  24, 24, 608, 216,
                      304,  736,  344, 656, 608, 182, 1280, 54, 27, 53,  44};
    QTest::newRow("narrow: the best panel half as high as wide") << QList<int>{
        800, 1000, 2, 200, 0, 410, 100, 20, 20, 370, 200, 123, 523, 477, 280, 240, 120, 534, 50, 25, 22, 18};
}

void TestTv::layout()
{
    QFETCH(QList<int>, figures);
    const TvLayout t = tvLayout(QSize(figures[0], figures[1]), figures[2] == 3);
    const int brandFont = brandFontSize(t.brand.size(), [](int points) { return 10 * points; });
    QCOMPARE((QList<int>{t.banner.height(), t.timerPanel.x(), t.laneLabels[1].x(), t.teamLabels[0].y(), t.gap,
                         t.lanePanels[0].x(), t.lanePanels[0].width(), t.lanePanels[0].y(),
                         t.lanePanels[0].height(), t.bottomPanel.y(), t.bottomPanel.height(), t.bestPanel.x(),
                         t.bestPanel.width(), t.bestPanel.height(), t.brand.x(), t.laneLabelFont,
                         t.teamLabelFont, t.bestLabelFont, brandFont}),
             figures.mid(3));
}

void TestTv::follows_data()
{
    QTest::addColumn<Action>("action");
    QTest::addColumn<QString>("seen");
    QTest::newRow("the button shows it")
        << Action([](auto& w, auto&) { QTest::mouseClick(tvButton(w), Qt::LeftButton); })
        << "1 1 24 656 1 656 0 0 __0,00  / 1 FF Altbrunnen";
    QTest::newRow("the button, then Ctrl+T: hidden, the button released") << Action([](auto& w, auto&) {
        QTest::mouseClick(tvButton(w), Qt::LeftButton);
        QTest::keyClick(&w, Qt::Key_T, Qt::ControlModifier);
    }) << "0 0 24 656 1 656 0 0 __0,00  / 1 FF Altbrunnen";
    QTest::newRow("a heat's best without its leading zero")
        << Action(runHeat) << "0 0 24 656 1 656 0 0 _12,34 FF Altbrunnen / 1 FF Altbrunnen";
    QTest::newRow("no numeric result keeps it") << Action([](auto& w, auto& f) {
        runHeat(w, f);
        for (int lane = 1; lane <= 3; ++lane)
            w.competition().grid(CompetitionRound::Vorrunde).setCell(laneTimeColumn(lane), lane, "AUS");
        w.competition().recalculateRound();
    }) << "0 0 24 656 1 656 0 0 _12,34 FF Altbrunnen / 1 FF Altbrunnen";
    QTest::newRow("the Finale: two lanes, the full gap")
        << Action([](auto& w, auto&) { w.pages()->setCurrentIndex(roundIndex(CompetitionRound::Finale)); })
        << "0 0 48 984 0 672 0 0 __0,00  / ";
    QTest::newRow("a missing picture; the third monitor")
        << confirm({"missing.png"}, 2) << "0 0 16 437 1 437 3200 0 __0,00  / 1 FF Altbrunnen";
    QTest::newRow("a picture, then a file that is none; one too many: the primary")
        << confirm({"banner.png", BRV_EXAMPLE_WORKBOOK}, 3)
        << "0 0 16 437 1 437 1920 1 __0,00  / 1 FF Altbrunnen";
    QTest::newRow("a negative monitor: the primary")
        << confirm({"banner.png"}, -1) << "0 0 16 437 1 437 1920 1 __0,00  / 1 FF Altbrunnen";
}

// Everything reaches the TV display, hidden or shown; the main window stays in front.
void TestTv::follows()
{
    QFETCH(Action, action);
    QFETCH(QString, seen);
    test::SessionFixture fixture;
    Settings settings;
    settings.thirdLaneOn = true;
    saveSettings(*fixture.store, settings);
    MainWindow window(fixture.newSession());
    QVERIFY(window.loadProtocol(QStringLiteral(BRV_EXAMPLE_WORKBOOK), true));
    const QList<QRect> screens{QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 720), QRect(3200, 0, 1280, 720)};
    window.tvWindow()->setScreens(std::make_unique<FixedScreens>(screens, 1));
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    action(window, fixture);
    QCOMPARE(seenOn(window), seen);
    for (QWidget* w : QApplication::topLevelWidgets()) // no message, and the main window in front
        QVERIFY(!qobject_cast<QMessageBox*>(w) && window.isActiveWindow());
}

QTEST_MAIN(TestTv)
#include "tst_app_tv.moc"
