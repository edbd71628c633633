#include "settings/SettingsApply.h"

#include <QSignalSpy>
#include <QTest>

using namespace brv;

class TestSettingsApply : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void optionsFromSettings();
    void classHeaders_data();
    void classHeaders();
    void visibility_data();
    void visibility();
    void rankingHeaders_data();
    void rankingHeaders();
    void startupPorts_data();
    void startupPorts();
};

void TestSettingsApply::optionsFromSettings()
{
    Settings s;
    s.rankingMode = RankingMode::BestTime;
    s.thirdLaneOn = true;
    s.knockoutStart = KnockoutStart::Viertelfinale;
    s.pairing = Pairing::WinnersKeepBracket;
    s.commonStart = false;
    s.classColumnShown = true;
    s.classColumnCaption = QStringLiteral("AK");

    const CompetitionOptions o = competitionOptions(s);
    QCOMPARE(o.rankingMode, RankingMode::BestTime);
    QCOMPARE(o.thirdLaneOn, true);
    QCOMPARE(o.knockoutStart, KnockoutStart::Viertelfinale);
    QCOMPARE(o.pairing, Pairing::WinnersKeepBracket);
    QCOMPARE(o.commonStart, false);
    QCOMPARE(o.classColumnShown, true);
    QCOMPARE(o.classColumnCaption, QStringLiteral("AK"));
}

void TestSettingsApply::classHeaders_data()
{
    QTest::addColumn<QString>("caption");

    QTest::newRow("default") << QStringLiteral("Klasse");
    QTest::newRow("own caption") << QStringLiteral("Altersklasse");
    QTest::newRow("empty (a store without ColHideName)") << QString();
}

void TestSettingsApply::classHeaders()
{
    QFETCH(QString, caption);

    Settings s;
    s.classColumnCaption = caption;
    Competition competition;
    applySettingsAtStartup(s, competition);

    QCOMPARE(competition.grid(CompetitionRound::Vorrunde).cell(VorrundeColumn::Klasse, 0), caption);
    for (CompetitionRound round : {CompetitionRound::Achtelfinale, CompetitionRound::Viertelfinale,
                                   CompetitionRound::Halbfinale, CompetitionRound::Finale})
        QCOMPARE(competition.grid(round).cell(KnockoutColumn::Klasse, 0), caption);
    QCOMPARE(competition.grid(CompetitionRound::GesamtErgebnis).cell(OverallColumn::Klasse, 0), caption);
}

void TestSettingsApply::visibility_data()
{
    QTest::addColumn<bool>("thirdLaneOn");
    QTest::addColumn<bool>("commonStart");
    QTest::addColumn<int>("knockoutStart");
    QTest::addColumn<bool>("lane3Button");
    QTest::addColumn<bool>("startButtons");
    QTest::addColumn<bool>("achtelfinale");

    QTest::newRow("defaults: two lanes, common start, sixteen")
        << false << true << 0 << false << false << true;
    QTest::newRow("three lanes") << true << true << 0 << true << false << true;
    QTest::newRow("separate starts") << false << false << 0 << false << true << true;
    QTest::newRow("knockout from eight") << false << true << 1 << false << false << false;
    QTest::newRow("unknown knockout code hides the Achtelfinale")
        << false << true << 7 << false << false << false;
    QTest::newRow("everything switched") << true << false << 1 << true << true << false;
}

void TestSettingsApply::visibility()
{
    QFETCH(bool, thirdLaneOn);
    QFETCH(bool, commonStart);
    QFETCH(int, knockoutStart);
    QFETCH(bool, lane3Button);
    QFETCH(bool, startButtons);
    QFETCH(bool, achtelfinale);

    Settings s;
    s.thirdLaneOn = thirdLaneOn;
    s.commonStart = commonStart;
    s.knockoutStart = KnockoutStart(knockoutStart);
    Competition competition;
    QSignalSpy controls(&competition, &Competition::controlsChanged);
    applySettingsAtStartup(s, competition);

    QCOMPARE(competition.laneVisible(3), lane3Button);
    for (int lane = 1; lane <= 3; ++lane)
        QCOMPARE(competition.controls().lane(lane).startButtonVisible, startButtons);
    QVERIFY(controls.count() >= 1);
    QCOMPARE(competition.isPageVisible(CompetitionRound::Achtelfinale), achtelfinale);
    QVERIFY(competition.isPageVisible(CompetitionRound::Viertelfinale));
}

void TestSettingsApply::rankingHeaders_data()
{
    QTest::addColumn<int>("rankingMode");
    QTest::addColumn<QString>("top");
    QTest::addColumn<QString>("column12");

    QTest::newRow("best sum") << 0 << QStringLiteral("Beste") << QStringLiteral("Summe");
    QTest::newRow("best time") << 1 << QStringLiteral("Best") << QStringLiteral("Zeit");
}

void TestSettingsApply::rankingHeaders()
{
    QFETCH(int, rankingMode);
    QFETCH(QString, top);
    QFETCH(QString, column12);

    Settings s;
    s.rankingMode = RankingMode(rankingMode);
    Competition competition;
    applySettingsAtStartup(s, competition);
    QCOMPARE(competition.laneHeadings().at(4), top);
    QCOMPARE(competition.grid(CompetitionRound::Vorrunde).cell(VorrundeColumn::RankingValue, 0), column12);
}

void TestSettingsApply::startupPorts_data()
{
    QTest::addColumn<int>("startPort");
    QTest::addColumn<int>("ziel1Port");

    QTest::newRow("no ports") << 0 << 0;
    QTest::newRow("start and finish on one port") << 3 << 3;
    QTest::newRow("two ports") << 3 << 4;
}

void TestSettingsApply::startupPorts()
{
    QFETCH(int, startPort);
    QFETCH(int, ziel1Port);

    Settings s;
    s.inputPort[1] = startPort;
    s.inputPort[2] = ziel1Port;
    s.inputPort[3] = 9; // Ziel2 takes no part at start-up
    s.commonStart = false;
    s.rankingMode = RankingMode::BestTime;
    Competition competition;

    int calls = 0;
    applySettingsAtStartup(s, competition, [&](int start, int ziel1) {
        ++calls;
        QCOMPARE(start, startPort);
        QCOMPARE(ziel1, ziel1Port);
        // The lane start buttons are already set, the ranking headers not yet.
        QVERIFY(competition.controls().lane(2).startButtonVisible);
        QCOMPARE(competition.grid(CompetitionRound::Vorrunde).cell(VorrundeColumn::RankingValue, 0),
                 QStringLiteral("Summe"));
    });
    QCOMPARE(calls, 1);
    QCOMPARE(competition.grid(CompetitionRound::Vorrunde).cell(VorrundeColumn::RankingValue, 0),
             QStringLiteral("Zeit"));
}

QTEST_GUILESS_MAIN(TestSettingsApply)
#include "tst_settingsapply.moc"
