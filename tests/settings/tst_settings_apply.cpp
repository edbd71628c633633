#include "settings/SettingsApply.h"

#include <QTest>

using namespace brv;

class TestSettingsApply : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startup_data();
    void startup();
};

void TestSettingsApply::startup_data()
{
    QTest::addColumn<bool>("three");
    QTest::addColumn<bool>("common");
    QTest::addColumn<int>("knockout");
    QTest::addColumn<int>("ranking");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QList<int>>("ports"); // Start, Ziel1
    QTest::addColumn<QString>("headers");  // top heading | Vorrunde column header
    const QString sum = QStringLiteral("Beste|Summe");
    QTest::newRow("defaults") << false << true << 0 << 0 << "Klasse" << QList<int>{0, 0} << sum;
    QTest::newRow("three lanes, start and finish on one port")
        << true << true << 0 << 0 << "Altersklasse" << QList<int>{3, 3} << sum;
    QTest::newRow("separate starts, best time, two ports")
        << false << false << 0 << 1 << "Klasse" << QList<int>{3, 4} << "Best|Zeit";
    QTest::newRow("from eight, no class header") << false << true << 1 << 0 << "" << QList<int>{0, 5} << sum;
    QTest::newRow("unknown knockout code") << false << true << 7 << 0 << "Klasse" << QList<int>{0, 0} << sum;
    QTest::newRow("everything switched")
        << true << false << 1 << 1 << "AK" << QList<int>{1, 2} << "Best|Zeit";
}

// The options follow the settings, the class header stands over every table, the ports open
// after the options and before the ranking headers are written.
void TestSettingsApply::startup()
{
    QFETCH(bool, three);
    QFETCH(bool, common);
    QFETCH(int, knockout);
    QFETCH(int, ranking);
    QFETCH(QString, caption);
    QFETCH(QList<int>, ports);
    QFETCH(QString, headers);
    Settings s;
    s.thirdLaneOn = three;
    s.commonStart = common;
    s.knockoutStart = KnockoutStart(knockout);
    s.rankingMode = RankingMode(ranking);
    s.classColumnCaption = caption;
    s.classColumnShown = three;
    s.pairing = common ? Pairing::ByPlace : Pairing::WinnersKeepBracket;
    s.inputPort[1] = ports[0];
    s.inputPort[2] = ports[1];
    s.inputPort[3] = 9; // Ziel2 takes no part at start-up
    Competition competition;
    QList<int> opened;
    applySettingsAtStartup(s, competition, [&](int start, int ziel1) {
        opened << start << ziel1;
        QCOMPARE(competition.options().commonStart, common);
        QCOMPARE(competition.grid(CompetitionRound::Vorrunde).cell(VorrundeColumn::RankingValue, 0),
                 QStringLiteral("Summe"));
    });
    QCOMPARE(opened, ports);

    const CompetitionOptions& o = competition.options();
    QCOMPARE(QList<int>({int(o.rankingMode), int(o.knockoutStart), int(o.pairing)}),
             QList<int>({ranking, knockout, int(s.pairing)}));
    QCOMPARE(QList<bool>({o.thirdLaneOn, o.commonStart, o.classColumnShown}),
             QList<bool>({three, common, three}));
    QCOMPARE(competition.laneVisible(3), three);
    QCOMPARE(competition.isPageVisible(CompetitionRound::Achtelfinale), knockout == 0);
    for (CompetitionRound round : kAllRounds) {
        const int col = round == CompetitionRound::Vorrunde         ? columnIndex(VorrundeColumn::Klasse)
                        : round == CompetitionRound::GesamtErgebnis ? columnIndex(OverallColumn::Klasse)
                                                                    : columnIndex(KnockoutColumn::Klasse);
        QCOMPARE(competition.grid(round).cell(col, 0), caption);
    }
    QCOMPARE(competition.tables().laneHeadings().at(4) + QLatin1Char('|') +
                 competition.grid(CompetitionRound::Vorrunde).cell(VorrundeColumn::RankingValue, 0),
             headers);
}

QTEST_GUILESS_MAIN(TestSettingsApply)
#include "tst_settings_apply.moc"
