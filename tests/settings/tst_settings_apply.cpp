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

QTEST_GUILESS_MAIN(TestSettingsApply)
#include "tst_settings_apply.moc"
