#include "app/MainWindow.h"
#include "app/TvWindow.h"
#include "session/SessionFixture.h"
#include "settings/SettingsStore.h"
#include "timing/LanePanel.h"
#include "timing/RaceClock.h"
#include "timing/SevenSegmentDigit.h"

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
    for (int i = 0; i < 5; ++i) {
        const SevenSegmentDigit* d = panel->timePanel()->digit(i);
        text += d->litColour() == d->backgroundColour() ? QStringLiteral("_") : QString::number(d->value());
    }
    return text.insert(3, QLatin1Char(','));
}

// Shown, TV button pressed; lanes 1 and 2 left edge, lane 3 shown; the monitor's left edge, a
// banner; best time and team.
QString seenOn(MainWindow& window)
{
    const TvWindow* tv = window.tvWindow();
    QStringList seen;
    for (int n : {int(tv->isVisible()), int(tvButton(window)->isChecked()), tv->lanePanel(1)->x(),
                  tv->lanePanel(2)->x(), int(!tv->lanePanel(3)->isHidden()), tv->x(),
                  int(!tv->banner()->pixmap().isNull())})
        seen << QString::number(n);
    return seen.join(' ') + ' ' + shownTime(tv->bestPanel()) + ' ' + tv->bestTeamLabel()->text();
}

// A three-lane heat, lane 1 the fastest with 12,34; lane 1 runs, and lane 3's team is shown.
void runHeat(MainWindow& window, test::SessionFixture& fixture)
{
    window.clock().command(ClockCommand::Start).trigger();
    fixture.ticks.advance(12340);
    window.clock().onDisplayTick();
    QCOMPARE(shownTime(window.tvWindow()->lanePanel(1)) + ' ' + window.tvWindow()->teamLabel(3)->text(),
             QStringLiteral("012,34 3 FF Dornhagen"));
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
    // the window's width and height, lanes; gap, lanes 1 and 2 left, lane width, panel top and
    // height; bottom panel top and height; best panel left, width and height; brand left; lane,
    // team and caption fonts
    QTest::addColumn<QList<int>>("figures");
    QTest::newRow("1920x1080, three lanes: half the gap")
        << QList<int>{1920, 1080, 3, 24, 24, 656, 608, 216, 304, 736, 344, 656, 608, 182, 1280, 54, 27, 53};
    QTest::newRow("narrow: the best panel half as high as wide")
        << QList<int>{800, 1000, 2, 20, 20, 410, 370, 200, 123, 523, 477, 280, 240, 120, 534, 50, 25, 22};
}

void TestTv::layout()
{
    QFETCH(QList<int>, figures);
    const TvLayout t = tvLayout(QSize(figures[0], figures[1]), figures[2] == 3);
    QCOMPARE((QList<int>{t.gap, t.lanePanels[0].x(), t.lanePanels[1].x(), t.lanePanels[0].width(),
                         t.lanePanels[0].y(), t.lanePanels[0].height(), t.bottomPanel.y(),
                         t.bottomPanel.height(), t.bestPanel.x(), t.bestPanel.width(), t.bestPanel.height(),
                         t.brand.x(), t.laneLabelFont, t.teamLabelFont, t.bestLabelFont}),
             figures.mid(3));
}

void TestTv::follows_data()
{
    QTest::addColumn<Action>("action");
    QTest::addColumn<QString>("seen");
    QTest::newRow("the button shows it")
        << Action([](auto& w, auto&) { QTest::mouseClick(tvButton(w), Qt::LeftButton); })
        << "1 1 24 656 1 0 0 __0,00 ";
    QTest::newRow("the button, then Ctrl+T: hidden, the button released") << Action([](auto& w, auto&) {
        QTest::mouseClick(tvButton(w), Qt::LeftButton);
        QTest::keyClick(&w, Qt::Key_T, Qt::ControlModifier);
    }) << "0 0 24 656 1 0 0 __0,00 ";
    QTest::newRow("a heat's best without its leading zero")
        << Action(runHeat) << "0 0 24 656 1 0 0 _12,34 FF Altbrunnen";
    QTest::newRow("no numeric result keeps it") << Action([](auto& w, auto& f) {
        runHeat(w, f);
        for (int lane = 1; lane <= 3; ++lane)
            w.competition().grid(CompetitionRound::Vorrunde).setCell(laneTimeColumn(lane), lane, "AUS");
        w.competition().recalculateRound();
    }) << "0 0 24 656 1 0 0 _12,34 FF Altbrunnen";
    QTest::newRow("the Finale: two lanes, the full gap")
        << Action([](auto& w, auto&) { w.pages()->setCurrentIndex(roundIndex(CompetitionRound::Finale)); })
        << "0 0 48 984 0 0 0 __0,00 ";
    QTest::newRow("a missing picture; the third monitor")
        << confirm({"missing.png"}, 2) << "0 0 16 437 1 3200 0 __0,00 ";
    QTest::newRow("a picture, then a file that is none; one too many: the primary")
        << confirm({"banner.png", BRV_EXAMPLE_WORKBOOK}, 3) << "0 0 16 437 1 1920 1 __0,00 ";
    QTest::newRow("a negative monitor: the primary")
        << confirm({"banner.png"}, -1) << "0 0 16 437 1 1920 1 __0,00 ";
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
