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
    QTest::addColumn<QPoint>("storedAt"); // (-1, -1): none stored, or placed by the system
    QTest::addColumn<QSize>("storedSize");
    QTest::addColumn<QPoint>("placedAt");
    QTest::addColumn<QSize>("placedSize");
    QTest::addColumn<bool>("refused");

    constexpr int kMax = std::numeric_limits<int>::max();
    constexpr int kMin = std::numeric_limits<int>::min();
    const QPoint none(-1, -1);
    const QSize standard(1030, 588);
    // two screens side by side: 1920 x 1040 usable, then 1280 x 984 below a bar of 40
    QTest::newRow("on the first screen")
        << QPoint(100, 50) << QSize(1100, 700) << QPoint(100, 50) << QSize(1100, 700) << false;
    QTest::newRow("on the second screen")
        << QPoint(2000, 100) << QSize(1000, 600) << QPoint(2000, 100) << QSize(1000, 600) << false;
    QTest::newRow("none stored: the system places it") << none << standard << none << standard << false;
    QTest::newRow("half off the right edge: moved onto it")
        << QPoint(2900, 500) << QSize(1000, 600) << QPoint(2200, 424) << QSize(1000, 600) << false;
    QTest::newRow("larger than the second screen, mostly on it: onto the first")
        << QPoint(1800, 40) << QSize(1300, 1000) << QPoint(620, 40) << QSize(1300, 1000) << false;
    QTest::newRow("larger than the only screen it is on: at its corner")
        << QPoint(2000, 100) << QSize(1300, 1000) << QPoint(1920, 40) << QSize(1300, 1000) << false;
    QTest::newRow("as wide as an int holds")
        << QPoint(0, 0) << QSize(kMax, 588) << QPoint(0, 0) << standard << true;
    QTest::newRow("as tall as the largest screen and one more")
        << none << QSize(1100, 1041) << none << standard << true;
    QTest::newRow("far left") << QPoint(kMin, 0) << standard << none << standard << true;
    QTest::newRow("far down and wide") << QPoint(10, kMax) << QSize(kMax, kMax) << none << standard << true;
    QTest::newRow("just below the screens") << QPoint(0, 1040) << standard << none << standard << true;
}

// The window's bounds from the settings stay on the screens; what no screen can show gives way to
// the default and is named.
void TestSettingsApply::windowPlacement()
{
    QFETCH(QPoint, storedAt);
    QFETCH(QSize, storedSize);
    QFETCH(QPoint, placedAt);
    QFETCH(QSize, placedSize);
    QFETCH(bool, refused);
    Settings settings;
    if (storedAt != QPoint(-1, -1)) {
        settings.windowLeft = storedAt.x();
        settings.windowTop = storedAt.y();
    }
    settings.windowWidth = storedSize.width();
    settings.windowHeight = storedSize.height();
    const WindowPlacement place =
        placeWindow(settings, {QRect(0, 0, 1920, 1040), QRect(1920, 40, 1280, 984)});
    QCOMPARE(place.size, placedSize);
    QCOMPARE(place.position.value_or(QPoint(-1, -1)), placedAt);
    QCOMPARE(place.sizeRefused || place.positionRefused, refused);
}

QTEST_GUILESS_MAIN(TestSettingsApply)
#include "tst_settings_apply.moc"
