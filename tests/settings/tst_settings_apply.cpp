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
    QTest::addColumn<QList<int>>("ports");      // Start, Ziel1
    QTest::addColumn<QString>("rankingHeader"); // the Vorrunde's ranking column
    QTest::newRow("defaults") << false << true << 0 << 0 << "Klasse" << QList<int>{0, 0} << "Summe";
    QTest::newRow("everything switched") << true << false << 1 << 1 << "AK" << QList<int>{1, 2} << "Zeit";
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
    QFETCH(QList<int>, ports);
    QFETCH(QString, rankingHeader);
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
    const ResultGrid& vorrunde = competition.grid(CompetitionRound::Vorrunde);
    QList<int> opened;
    applySettingsAtStartup(s, competition, [&](int start, int ziel1) {
        opened << start << ziel1;
        QCOMPARE(competition.options().commonStart, common);
        QCOMPARE(vorrunde.cell(VorrundeColumn::RankingValue, 0), QStringLiteral("Summe"));
    });
    QCOMPARE(opened, ports);

    const CompetitionOptions& o = competition.options();
    QCOMPARE(QList<int>({int(o.rankingMode), int(o.knockoutStart), int(o.pairing)}),
             QList<int>({ranking, knockout, int(s.pairing)}));
    QCOMPARE(QList<bool>({o.thirdLaneOn, o.commonStart, o.classColumnShown}),
             QList<bool>({three, common, three}));
    QCOMPARE(vorrunde.cell(VorrundeColumn::Klasse, 0), caption);
    QCOMPARE(vorrunde.cell(VorrundeColumn::RankingValue, 0), rankingHeader);
}

QTEST_GUILESS_MAIN(TestSettingsApply)
#include "tst_settings_apply.moc"
