#include "settings/SettingsApply.h"
#include "settings/WindowPlacement.h"

#include <QTest>

#include <limits>

using namespace brv;

class TestSettingsApply : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startup_data()
    {
        QTest::addColumn<bool>("switched"); // every setting the competition reads off its default
        QTest::newRow("defaults") << false;
        QTest::newRow("everything switched") << true;
    }

    // The options follow the settings and the class header is written; the ports open after the
    // options and before the ranking headers are written. A restored competition's options go back
    // into the settings. Which tables show the headers is left to the competition's own tests.
    void startup()
    {
        QFETCH(bool, switched);
        Settings s;
        s.thirdLaneOn = s.classColumnShown = switched;
        s.commonStart = !switched;
        s.knockoutStart = KnockoutStart(switched);
        s.rankingMode = RankingMode(switched);
        s.pairing = Pairing(switched);
        s.classColumnCaption = switched ? "AK" : "Klasse";
        Competition competition;
        const ResultGrid& vorrunde = competition.grid(CompetitionRound::Vorrunde);
        bool opened = false;
        applySettingsAtStartup(s, competition, [&] {
            opened = true;
            QCOMPARE(competition.options().commonStart, !switched);
            QCOMPARE(vorrunde.cell(VorrundeColumn::RankingValue, 0), "Summe");
        });
        QVERIFY(opened);
        QCOMPARE(vorrunde.cell(VorrundeColumn::Klasse, 0), s.classColumnCaption);
        QCOMPARE(vorrunde.cell(VorrundeColumn::RankingValue, 0), switched ? "Zeit" : "Summe");
        Settings back;
        takeCompetitionOptions(back, competition.options());
        QVERIFY(back == s);
    }

    void windowPlacement_data()
    {
        QTest::addColumn<QList<int>>("stored"); // left, top, width, height; -1, -1: no place
        QTest::addColumn<QRect>("placed");      // at -1, -1: placed by the system
        QTest::addColumn<bool>("refused");

        constexpr int kMax = std::numeric_limits<int>::max();
        constexpr int kMin = std::numeric_limits<int>::min();
        const QRect standard(-1, -1, 1030, 588);
        // two screens side by side: 1920 x 1040 usable, then 1280 x 984 below a bar of 40
        QTest::newRow("on the first screen")
            << QList<int>{100, 50, 1100, 700} << QRect(100, 50, 1100, 700) << false;
        QTest::newRow("on the second screen")
            << QList<int>{2000, 100, 1000, 600} << QRect(2000, 100, 1000, 600) << false;
        QTest::newRow("none stored: the system places it")
            << QList<int>{-1, -1, 1030, 588} << standard << false;
        QTest::newRow("half off the right edge: moved onto it")
            << QList<int>{2900, 500, 1000, 600} << QRect(2200, 424, 1000, 600) << false;
        QTest::newRow("larger than the second screen, mostly on it: onto the first")
            << QList<int>{1800, 40, 1300, 1000} << QRect(620, 40, 1300, 1000) << false;
        QTest::newRow("larger than the only screen it is on: at its corner")
            << QList<int>{2000, 100, 1300, 1000} << QRect(1920, 40, 1300, 1000) << false;
        QTest::newRow("as wide as an int holds")
            << QList<int>{0, 0, kMax, 588} << QRect(0, 0, 1030, 588) << true;
        QTest::newRow("as tall as the largest screen and one more")
            << QList<int>{-1, -1, 1100, 1041} << standard << true;
        QTest::newRow("far left") << QList<int>{kMin, 0, 1030, 588} << standard << true;
        QTest::newRow("far down and wide") << QList<int>{10, kMax, kMax, kMax} << standard << true;
        QTest::newRow("just below the screens") << QList<int>{0, 1040, 1030, 588} << standard << true;
    }

    // The window's bounds from the settings stay on the screens; what no screen can show gives way to
    // the default and is named.
    void windowPlacement()
    {
        QFETCH(QList<int>, stored);
        QFETCH(QRect, placed);
        QFETCH(bool, refused);
        Settings settings;
        if (stored[0] != -1 || stored[1] != -1) {
            settings.windowLeft = stored[0];
            settings.windowTop = stored[1];
        }
        settings.windowWidth = stored[2];
        settings.windowHeight = stored[3];
        const WindowPlacement place =
            placeWindow(settings, {QRect(0, 0, 1920, 1040), QRect(1920, 40, 1280, 984)});
        QCOMPARE(QRect(place.position.value_or(QPoint(-1, -1)), place.size), placed);
        QCOMPARE(place.sizeRefused || place.positionRefused, refused);
    }
};

QTEST_GUILESS_MAIN(TestSettingsApply)
#include "tst_settings_apply.moc"
