#include "settings/SettingsApply.h"
#include "settings/WindowPlacement.h"

#include <QTest>

#include <limits>

using namespace brv;

class TestSettingsApply : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startup_data();
    void startup();
    void windowPlacement_data();
    void windowPlacement();
};

void TestSettingsApply::startup_data()
{
    QTest::addColumn<bool>("three");
    QTest::addColumn<bool>("common");
    QTest::addColumn<int>("knockout");
    QTest::addColumn<int>("ranking");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("rankingHeader"); // the Vorrunde's ranking column
    QTest::newRow("defaults") << false << true << 0 << 0 << "Klasse"
                              << "Summe";
    QTest::newRow("everything switched") << true << false << 1 << 1 << "AK"
                                         << "Zeit";
}

// The options follow the settings and the class header is written; the ports open after the
// options and before the ranking headers are written. Which tables show the headers is left to
// the competition's own tests.
void TestSettingsApply::startup()
{
    QFETCH(bool, three);
    QFETCH(bool, common);
    QFETCH(int, knockout);
    QFETCH(int, ranking);
    QFETCH(QString, caption);
    QFETCH(QString, rankingHeader);
    Settings s;
    s.thirdLaneOn = three;
    s.commonStart = common;
    s.knockoutStart = KnockoutStart(knockout);
    s.rankingMode = RankingMode(ranking);
    s.classColumnCaption = caption;
    s.classColumnShown = three;
    s.pairing = common ? Pairing::ByPlace : Pairing::WinnersKeepBracket;
    Competition competition;
    const ResultGrid& vorrunde = competition.grid(CompetitionRound::Vorrunde);
    bool opened = false;
    applySettingsAtStartup(s, competition, [&] {
        opened = true;
        QCOMPARE(competition.options().commonStart, common);
        QCOMPARE(vorrunde.cell(VorrundeColumn::RankingValue, 0), QStringLiteral("Summe"));
    });
    QVERIFY(opened);

    const CompetitionOptions& o = competition.options();
    QCOMPARE(QList<int>({int(o.rankingMode), int(o.knockoutStart), int(o.pairing)}),
             QList<int>({ranking, knockout, int(s.pairing)}));
    QCOMPARE(QList<bool>({o.thirdLaneOn, o.commonStart, o.classColumnShown}),
             QList<bool>({three, common, three}));
    QCOMPARE(vorrunde.cell(VorrundeColumn::Klasse, 0), caption);
    Settings back; // a restored competition's options go back into the settings
    takeCompetitionOptions(back, o);
    QVERIFY(back == s);
    QCOMPARE(vorrunde.cell(VorrundeColumn::RankingValue, 0), rankingHeader);
}

void TestSettingsApply::windowPlacement_data()
{
    QTest::addColumn<QRect>("stored"); // x or y of -1: none stored
    QTest::addColumn<QRect>("placed"); // x or y of -1: placed by the system
    QTest::addColumn<bool>("refused");

    constexpr int kMax = std::numeric_limits<int>::max();
    constexpr int kMin = std::numeric_limits<int>::min();
    // two screens side by side: 1920 x 1040 usable, then 1280 x 984 below a bar of 40
    QTest::newRow("on the first screen") << QRect(100, 50, 1100, 700) << QRect(100, 50, 1100, 700) << false;
    QTest::newRow("on the second screen")
        << QRect(2000, 100, 1000, 600) << QRect(2000, 100, 1000, 600) << false;
    QTest::newRow("none stored: the system places it")
        << QRect(-1, -1, 1030, 588) << QRect(-1, -1, 1030, 588) << false;
    QTest::newRow("half off the right edge: moved onto it")
        << QRect(2900, 500, 1000, 600) << QRect(2200, 424, 1000, 600) << false;
    QTest::newRow("larger than the second screen, mostly on it: onto the first")
        << QRect(1800, 40, 1300, 1000) << QRect(620, 40, 1300, 1000) << false;
    QTest::newRow("larger than the only screen it is on: at its corner")
        << QRect(2000, 100, 1300, 1000) << QRect(1920, 40, 1300, 1000) << false;
    QTest::newRow("as wide as an int holds") << QRect(0, 0, kMax, 588) << QRect(0, 0, 1030, 588) << true;
    QTest::newRow("as tall as the largest screen and one more")
        << QRect(-1, -1, 1100, 1041) << QRect(-1, -1, 1030, 588) << true;
    QTest::newRow("far left") << QRect(kMin, 0, 1030, 588) << QRect(-1, -1, 1030, 588) << true;
    QTest::newRow("far down and wide") << QRect(10, kMax, kMax, kMax) << QRect(-1, -1, 1030, 588) << true;
    QTest::newRow("just below the screens") << QRect(0, 1040, 1030, 588) << QRect(-1, -1, 1030, 588) << true;
}

// The window's bounds from the settings stay on the screens; what no screen can show gives way to
// the default and is named.
void TestSettingsApply::windowPlacement()
{
    QFETCH(QRect, stored);
    QFETCH(QRect, placed);
    QFETCH(bool, refused);
    Settings settings;
    if (stored.x() != -1 && stored.y() != -1) {
        settings.windowLeft = stored.x();
        settings.windowTop = stored.y();
    }
    settings.windowWidth = stored.width();
    settings.windowHeight = stored.height();
    const WindowPlacement place =
        placeWindow(settings, {QRect(0, 0, 1920, 1040), QRect(1920, 40, 1280, 984)});
    QCOMPARE(place.size, placed.size());
    QCOMPARE(place.position.value_or(QPoint(-1, -1)), placed.topLeft());
    QCOMPARE(place.sizeRefused || place.positionRefused, refused);
}

QTEST_GUILESS_MAIN(TestSettingsApply)
#include "tst_settings_apply.moc"
