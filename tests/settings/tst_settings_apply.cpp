#include "settings/SettingsApply.h"

#include <QSignalSpy>
#include <QTest>

using namespace brv;

class TestSettingsApply : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startup_data();
    void startup();
    void portsOpenBetweenButtonsAndHeaders_data();
    void portsOpenBetweenButtonsAndHeaders();
};

void TestSettingsApply::startup_data()
{
    QTest::addColumn<bool>("thirdLaneOn");
    QTest::addColumn<bool>("commonStart");
    QTest::addColumn<int>("knockoutStart");
    QTest::addColumn<int>("rankingMode");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("achtelfinale");
    QTest::addColumn<QString>("rankingHeader"); // top heading | Vorrunde column header

    QTest::newRow("defaults: two lanes, common start, sixteen, best sum")
        << false << true << 0 << 0 << QStringLiteral("Klasse") << true << QStringLiteral("Beste|Summe");
    QTest::newRow("three lanes, own class header")
        << true << true << 0 << 0 << QStringLiteral("Altersklasse") << true << QStringLiteral("Beste|Summe");
    QTest::newRow("separate starts, best time")
        << false << false << 0 << 1 << QStringLiteral("Klasse") << true << QStringLiteral("Best|Zeit");
    QTest::newRow("knockout from eight, empty class header (a store without ColHideName)")
        << false << true << 1 << 0 << QString() << false << QStringLiteral("Beste|Summe");
    QTest::newRow("unknown knockout code hides the Achtelfinale")
        << false << true << 7 << 0 << QStringLiteral("Klasse") << false << QStringLiteral("Beste|Summe");
    QTest::newRow("everything switched")
        << true << false << 1 << 1 << QStringLiteral("AK") << false << QStringLiteral("Best|Zeit");
}

void TestSettingsApply::startup()
{
    QFETCH(bool, thirdLaneOn);
    QFETCH(bool, commonStart);
    QFETCH(int, knockoutStart);
    QFETCH(int, rankingMode);
    QFETCH(QString, caption);
    QFETCH(bool, achtelfinale);
    QFETCH(QString, rankingHeader);

    Settings s;
    s.thirdLaneOn = thirdLaneOn;
    s.commonStart = commonStart;
    s.knockoutStart = KnockoutStart(knockoutStart);
    s.rankingMode = RankingMode(rankingMode);
    s.classColumnCaption = caption;
    s.classColumnShown = thirdLaneOn;
    s.pairing = commonStart ? Pairing::ByPlace : Pairing::WinnersKeepBracket;
    Competition competition;
    applySettingsAtStartup(s, competition);

    const CompetitionOptions& o = competition.options();
    QCOMPARE(o.rankingMode, s.rankingMode);
    QCOMPARE(o.thirdLaneOn, thirdLaneOn);
    QCOMPARE(o.knockoutStart, s.knockoutStart);
    QCOMPARE(o.pairing, s.pairing);
    QCOMPARE(o.commonStart, commonStart);
    QCOMPARE(o.classColumnShown, thirdLaneOn);
    QCOMPARE(o.classColumnCaption, caption);

    QCOMPARE(competition.laneVisible(3), thirdLaneOn);
    QCOMPARE(competition.isPageVisible(CompetitionRound::Achtelfinale), achtelfinale);
    QVERIFY(competition.isPageVisible(CompetitionRound::Viertelfinale));

    QCOMPARE(competition.grid(CompetitionRound::Vorrunde).cell(VorrundeColumn::Klasse, 0), caption);
    for (CompetitionRound round : {CompetitionRound::Achtelfinale, CompetitionRound::Viertelfinale,
                                   CompetitionRound::Halbfinale, CompetitionRound::Finale})
        QCOMPARE(competition.grid(round).cell(KnockoutColumn::Klasse, 0), caption);
    QCOMPARE(competition.grid(CompetitionRound::GesamtErgebnis).cell(OverallColumn::Klasse, 0), caption);

    QCOMPARE(competition.tables().laneHeadings().at(4) + QLatin1Char('|') +
                 competition.grid(CompetitionRound::Vorrunde).cell(VorrundeColumn::RankingValue, 0),
             rankingHeader);
}

void TestSettingsApply::portsOpenBetweenButtonsAndHeaders_data()
{
    QTest::addColumn<int>("startPort");
    QTest::addColumn<int>("ziel1Port");

    QTest::newRow("no ports") << 0 << 0;
    QTest::newRow("start and finish on one port") << 3 << 3;
    QTest::newRow("two ports") << 3 << 4;
}

void TestSettingsApply::portsOpenBetweenButtonsAndHeaders()
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
        // The options are in effect, the ranking headers not yet.
        QVERIFY(!competition.options().commonStart);
        QCOMPARE(competition.grid(CompetitionRound::Vorrunde).cell(VorrundeColumn::RankingValue, 0),
                 QStringLiteral("Summe"));
    });
    QCOMPARE(calls, 1);
    QCOMPARE(competition.grid(CompetitionRound::Vorrunde).cell(VorrundeColumn::RankingValue, 0),
             QStringLiteral("Zeit"));
}

QTEST_GUILESS_MAIN(TestSettingsApply)
#include "tst_settings_apply.moc"
