#include "app/MainWindow.h"
#include "app/TvLayout.h"
#include "app/TvWindow.h"
#include "competition/CompetitionFixture.h"
#include "session/SessionFixture.h"
#include "settings/SettingsStore.h"
#include "timing/LanePanel.h"
#include "timing/RaceClock.h"
#include "timing/SevenSegmentDigit.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

using namespace brv;

namespace {

// A window on 20 teams, lane 3 in use; the TV display on one 1920 x 1080 monitor.
std::unique_ptr<MainWindow> makeWindow(test::SessionFixture& fixture)
{
    Settings settings;
    settings.thirdLaneOn = true;
    saveSettings(*fixture.store, settings);
    auto window = std::make_unique<MainWindow>(fixture.newSession());
    ResultGrid& v = window->competition().grid(CompetitionRound::Vorrunde);
    v.setRowCount(21);
    for (int r = 1; r <= 20; ++r)
        v.setRowCells(r, {QString::number(r), QStringLiteral("FF Team %1").arg(r)});
    window->competition().enterRound(CompetitionRound::Vorrunde);
    window->tvWindow()->setScreens(std::make_unique<FixedScreens>(QList<QRect>{QRect(0, 0, 1920, 1080)}));
    return window;
}

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

} // namespace

class TestTv : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void layout_data();
    void layout();
    void brandFont_data();
    void brandFont();
    void toggle_data();
    void toggle();
    void lanesFollowThePage_data();
    void lanesFollowThePage();
    void heatAndBestWhileHidden_data();
    void heatAndBestWhileHidden();
    void banner_data();
    void banner();
    void monitor_data();
    void monitor();
};

void TestTv::layout_data()
{
    QTest::addColumn<QSize>("client");
    QTest::addColumn<bool>("thirdLane");
    // gap, lane 1 and 2 left, lane width, panel top and height; bottom panel top and height;
    // best panel left, width, height; brand left; lane, team and caption fonts
    QTest::addColumn<QString>("figures");
    QTest::newRow("1920x1080, three lanes")
        << QSize(1920, 1080) << true << "24 24 656 608 216 304 736 344 656 608 182 1280 54 27 53";
    QTest::newRow("1920x1080, two lanes")
        << QSize(1920, 1080) << false << "48 48 984 888 216 296 728 352 672 576 190 1280 54 27 53";
    QTest::newRow("1280x720, three lanes")
        << QSize(1280, 720) << true << "16 16 437 405 144 202 490 230 437 405 122 854 36 18 35";
    QTest::newRow("narrow: the best panel half as high as wide")
        << QSize(800, 1000) << false << "20 20 410 370 200 123 523 477 280 240 120 534 50 25 22";
}

void TestTv::layout()
{
    QFETCH(QSize, client);
    QFETCH(bool, thirdLane);
    QFETCH(QString, figures);
    const TvLayout t = tvLayout(client, thirdLane);
    const QList<int> got{t.gap,
                         t.lanePanels[0].x(),
                         t.lanePanels[1].x(),
                         t.lanePanels[0].width(),
                         t.lanePanels[0].y(),
                         t.lanePanels[0].height(),
                         t.bottomPanel.y(),
                         t.bottomPanel.height(),
                         t.bestPanel.x(),
                         t.bestPanel.width(),
                         t.bestPanel.height(),
                         t.brand.x(),
                         t.laneLabelFont,
                         t.teamLabelFont,
                         t.bestLabelFont};
    QStringList text;
    for (int n : got)
        text << QString::number(n);
    QCOMPARE(text.join(' '), figures);
    QCOMPARE(t.lanePanels[2].isEmpty(), !thirdLane);
    QCOMPARE(t.timerPanel.bottom() + 1, t.bottomPanel.y());
    QCOMPARE(t.bottomPanel.bottom() + 1, client.height());
}

void TestTv::brandFont_data()
{
    QTest::addColumn<int>("boxWidth");
    QTest::addColumn<int>("size");
    QTest::newRow("40 % of the height fits") << 1000 << 40;
    QTest::newRow("shrunk below 70 % of the width") << 400 << 27;
    QTest::newRow("never below 5") << 20 << 5;
}

void TestTv::brandFont()
{
    QFETCH(int, boxWidth);
    QFETCH(int, size);
    QCOMPARE(brandFontSize(QSize(boxWidth, 100), [](int points) { return 10 * points; }), size);
}

void TestTv::toggle_data()
{
    QTest::addColumn<bool>("byKey");
    QTest::addColumn<int>("times");
    QTest::newRow("button once") << false << 1;
    QTest::newRow("button twice") << false << 2;
    QTest::newRow("Ctrl+T once") << true << 1;
    QTest::newRow("Ctrl+T twice") << true << 2;
}

void TestTv::toggle()
{
    QFETCH(bool, byKey);
    QFETCH(int, times);
    test::SessionFixture fixture;
    auto window = makeWindow(fixture);
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    auto* button = window->findChild<QToolButton*>(QStringLiteral("tvButton"));
    for (int i = 0; i < times; ++i) {
        if (byKey)
            QTest::keyClick(window.get(), Qt::Key_T, Qt::ControlModifier);
        else
            QTest::mouseClick(button, Qt::LeftButton);
    }
    const bool shown = times % 2 == 1;
    QCOMPARE(window->tvWindow()->isVisible(), shown);
    QCOMPARE(button->isChecked(), shown);
    QCOMPARE(window->tvWindow()->geometry(), QRect(0, 0, 1920, 1080));
    QTRY_VERIFY(window->isActiveWindow());
}

void TestTv::lanesFollowThePage_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("lanes"); // lane 1 and 2 left, lane 3 shown
    QTest::newRow("Vorrunde: three lanes, half the gap") << 0 << "24 656 1";
    QTest::newRow("Finale: two lanes") << roundIndex(CompetitionRound::Finale) << "48 984 0";
}

void TestTv::lanesFollowThePage()
{
    QFETCH(int, page);
    QFETCH(QString, lanes);
    test::SessionFixture fixture;
    auto window = makeWindow(fixture);
    TvWindow* tv = window->tvWindow();
    tv->show();
    window->pages()->setCurrentIndex(page);
    QCOMPARE(QStringLiteral("%1 %2 %3")
                 .arg(tv->lanePanel(1)->x())
                 .arg(tv->lanePanel(2)->x())
                 .arg(tv->lanePanel(3)->isVisible()),
             lanes);
}

void TestTv::heatAndBestWhileHidden_data()
{
    QTest::addColumn<int>("after"); // 0 nothing, 1 every result void, 2 the Vorrunde results cleared
    QTest::addColumn<QString>("best");
    QTest::newRow("the heat's best, without its leading zero") << 0 << "_12,34 FF Team 1";
    QTest::newRow("no numeric result keeps it") << 1 << "_12,34 FF Team 1";
    QTest::newRow("clearing the Vorrunde empties it") << 2 << "__0,00 ";
}

void TestTv::heatAndBestWhileHidden()
{
    QFETCH(int, after);
    QFETCH(QString, best);
    test::SessionFixture fixture;
    auto window = makeWindow(fixture);
    TvWindow* tv = window->tvWindow();
    RaceClock& clock = window->clock();
    clock.command(ClockCommand::Start).trigger();
    fixture.ticks.advance(12340);
    clock.onDisplayTick();
    QCOMPARE(shownTime(tv->lanePanel(1)), QStringLiteral("012,34"));
    QCOMPARE(tv->teamLabel(3)->text(), QStringLiteral("3 FF Team 3"));
    for (int lane = 1; lane <= 3; ++lane) {
        clock.stopCommand(lane).trigger();
        fixture.ticks.advance(1000);
    }
    Competition& c = window->competition();
    if (after == 1) {
        for (int lane = 1; lane <= 3; ++lane)
            c.grid(CompetitionRound::Vorrunde).setCell(laneTimeColumn(lane), lane, QStringLiteral("AUS"));
        c.recalculateRound();
    } else if (after == 2) {
        test::FixedAnswer yes(true);
        c.setYesNoQuestion(&yes);
        c.clearResults();
    }
    QVERIFY(!tv->isVisible());
    QCOMPARE(shownTime(tv->bestPanel()) + ' ' + tv->bestTeamLabel()->text(), best);
}

void TestTv::banner_data()
{
    QTest::addColumn<QStringList>("files"); // confirmed in the settings one after the other
    QTest::addColumn<bool>("shown");
    QTest::newRow("a missing file") << QStringList{"missing.png"} << false;
    QTest::newRow("a picture") << QStringList{"banner.png"} << true;
    QTest::newRow("a picture, then one that cannot be read")
        << QStringList{"banner.png", "broken.png"} << true;
}

void TestTv::banner()
{
    QFETCH(QStringList, files);
    QFETCH(bool, shown);
    test::SessionFixture fixture;
    auto window = makeWindow(fixture);
    QVERIFY(QImage(QSize(40, 10), QImage::Format_RGB32).save(fixture.folder.filePath("banner.png")));
    QFile broken(fixture.folder.filePath("broken.png"));
    QVERIFY(broken.open(QIODevice::WriteOnly) && broken.write("no picture") > 0);
    broken.close();
    Settings settings = window->session().settings();
    for (const QString& file : files) {
        settings.tvTitleImage = fixture.folder.filePath(file);
        window->session().applySettings(settings);
    }
    window->tvWindow()->show();
    QCOMPARE(!window->tvWindow()->banner()->pixmap().isNull(), shown);
    for (QWidget* w : QApplication::topLevelWidgets())
        QVERIFY(!qobject_cast<QMessageBox*>(w));
}

void TestTv::monitor_data()
{
    QTest::addColumn<int>("monitor");
    QTest::addColumn<QRect>("geometry");
    QTest::newRow("the first") << 0 << QRect(0, 0, 1280, 720);
    QTest::newRow("the second") << 1 << QRect(1280, 0, 1920, 1080);
    QTest::newRow("one too many: the primary") << 2 << QRect(1280, 0, 1920, 1080);
    QTest::newRow("negative: the primary") << -1 << QRect(1280, 0, 1920, 1080);
}

void TestTv::monitor()
{
    QFETCH(int, monitor);
    QFETCH(QRect, geometry);
    test::SessionFixture fixture;
    auto window = makeWindow(fixture);
    TvWindow* tv = window->tvWindow();
    tv->setScreens(
        std::make_unique<FixedScreens>(QList<QRect>{QRect(0, 0, 1280, 720), QRect(1280, 0, 1920, 1080)}, 1));
    Settings settings = window->session().settings();
    settings.tvMonitor = monitor;
    window->session().applySettings(settings);
    QCOMPARE(tv->geometry(), geometry);
    tv->show();
    QCOMPARE(tv->geometry(), geometry);
}

QTEST_MAIN(TestTv)
#include "tst_app_tv.moc"
