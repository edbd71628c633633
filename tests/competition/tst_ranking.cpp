#include "CompetitionFixture.h"

#include <QSignalSpy>
#include <QTest>

#include <algorithm>

using namespace brv;
using brv::test::makeCompetition;

class TestRanking : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void vorrundeRow_data();
    void vorrundeRow();
    void placesFollowRankingAndStartOrderStays();
    void tieWarning_data();
    void tieWarning();
    void knockoutHeat_data();
    void knockoutHeat();
    void finaleMatch_data();
    void finaleMatch();
    void largeVorrundeRanksCorrectly();
    void oversizedKnockoutTable();
    void tvBestResult();
    void rankingCaptions_data();
    void rankingCaptions();
    void canRecalculate_data();
    void canRecalculate();
};

void TestRanking::vorrundeRow_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("three");
    QTest::addColumn<QStringList>("cells"); // Zeit, Fehler of lanes 1..3
    QTest::addColumn<QString>("before");
    QTest::addColumn<QStringList>("gesamt");
    QTest::addColumn<QString>("ranking");

    QTest::newRow("two lanes, sum") << 0 << false << QStringList{"30,00", "2", "31,00", "0", "", ""} << ""
                                    << QStringList{"32,00", "31,00", ""} << "63,00";
    QTest::newRow("two lanes, one void run disqualifies")
        << 0 << false << QStringList{"AUS", "AUS", "31,00", "0", "", ""} << ""
        << QStringList{"AUS", "31,00", ""} << "DIS";
    QTest::newRow("three lanes, one void run: sum of the valid two")
        << 0 << true << QStringList{"30,00", "0", "AUS", "AUS", "31,00", "1"} << ""
        << QStringList{"30,00", "AUS", "32,00"} << "62,00";
    QTest::newRow("three lanes, two void runs")
        << 0 << true << QStringList{"30,00", "0", "AUS", "", "", "AUS"} << ""
        << QStringList{"30,00", "AUS", "AUS"} << "DIS";
    QTest::newRow("best pair is lanes 1 and 3")
        << 0 << true << QStringList{"30,00", "0", "31,00", "0", "30,00", "0"} << ""
        << QStringList{"30,00", "31,00", "30,00"} << "60,00";
    QTest::newRow("only one result keeps the old value")
        << 0 << false << QStringList{"30,00", "0", "", "", "", ""} << "" << QStringList{"30,00", "", ""}
        << "";
    QTest::newRow("lane 3 ignored with two lanes")
        << 0 << false << QStringList{"30,00", "0", "40,00", "0", "10,00", "0"} << ""
        << QStringList{"30,00", "40,00", ""} << "70,00";
    QTest::newRow("best time") << 1 << true << QStringList{"30,00", "3", "31,00", "1", "", ""} << ""
                               << QStringList{"33,00", "32,00", ""} << "32,00";
    QTest::newRow("best time, two void runs of three")
        << 1 << true << QStringList{"AUS", "", "31,00", "1", "AUS", ""} << ""
        << QStringList{"AUS", "32,00", "AUS"} << "32,00";
    QTest::newRow("best time, all void") << 1 << true << QStringList{"AUS", "", "AUS", "", "AUS", ""}
                                         << "40,00" << QStringList{"AUS", "AUS", "AUS"} << "DIS";
    QTest::newRow("best time, zero Gesamt is no result")
        << 1 << false << QStringList{"", "", "", "", "", ""} << "" << QStringList{"0", "", ""} << "";
    QTest::newRow("unknown mode never ranks nor disqualifies")
        << 5 << false << QStringList{"AUS", "", "30,00", "0", "", ""} << "x"
        << QStringList{"AUS", "30,00", ""} << "x";
}

void TestRanking::vorrundeRow()
{
    QFETCH(int, mode);
    QFETCH(bool, three);
    QFETCH(QStringList, cells);
    QFETCH(QString, before);
    QFETCH(QStringList, gesamt);
    QFETCH(QString, ranking);
    CompetitionOptions options;
    options.rankingMode = RankingMode(mode);
    options.thirdLaneOn = three;
    auto c = makeCompetition(1, options);
    ResultGrid& v = c->grid(CompetitionRound::Vorrunde);
    for (int lane = 0; lane < 3; ++lane) {
        v.setCell(laneTimeColumn(lane + 1), 1, cells[2 * lane]);
        v.setCell(lanePenaltyColumn(lane + 1), 1, cells[2 * lane + 1]);
    }
    if (gesamt[0] == "0")
        v.setCell(VorrundeColumn::Lane1Gesamt, 1, "0");
    v.setCell(VorrundeColumn::RankingValue, 1, before);
    c->recalculateRound();
    QCOMPARE((QStringList{v.cell(VorrundeColumn::Lane1Gesamt, 1), v.cell(VorrundeColumn::Lane2Gesamt, 1),
                          v.cell(VorrundeColumn::Lane3Gesamt, 1)}),
             gesamt);
    QCOMPARE(v.cell(VorrundeColumn::RankingValue, 1), ranking);
}

void TestRanking::placesFollowRankingAndStartOrderStays()
{
    auto c = makeCompetition(5);
    ResultGrid& v = c->grid(CompetitionRound::Vorrunde);
    const QStringList g1{"30,00", "29,00", "AUS", "", "29,00"};
    const QStringList g2{"30,00", "31,00", "30,00", "", "31,00"};
    for (int r = 1; r <= 5; ++r) {
        v.setCell(VorrundeColumn::Lane1Zeit, r, g1[r - 1]);
        v.setCell(VorrundeColumn::Lane2Zeit, r, g2[r - 1]);
    }
    v.setCell(VorrundeColumn::Nr, 4, "17"); // start numbers need not be row numbers
    c->selectCell(VorrundeColumn::Mannschaft, 3);
    c->recalculateRound();
    const QStringList expectedPlaces{"1", "2", "DIS", "", "3"}; // 60 / 60 / DIS / blank / 60
    for (int r = 1; r <= 5; ++r) {
        QCOMPARE(v.cell(VorrundeColumn::Mannschaft, r), QStringLiteral("FF Team %1").arg(r));
        QCOMPARE(v.cell(VorrundeColumn::Place, r), expectedPlaces[r - 1]);
    }
    QCOMPARE(v.cell(VorrundeColumn::Nr, 4), QStringLiteral("17"));
    QCOMPARE(v.cell(VorrundeColumn::Nr, 5), QStringLiteral("5"));
    QCOMPARE(v.currentRow, 3);
    QVERIFY(!v.sortEnabled);
    QCOMPARE(v.sortColumn, columnIndex(VorrundeColumn::Nr));
}

void TestRanking::tieWarning_data()
{
    QTest::addColumn<int>("teams");
    QTest::addColumn<bool>("tieAtCut");
    QTest::addColumn<QString>("status");
    QTest::newRow("9 teams, tie at 8 and 9") << 9 << true << " Plätze 8 und 9 prüfen!";
    QTest::newRow("9 teams, no tie") << 9 << false << "";
    QTest::newRow("16 teams, tie at 8 and 9") << 16 << true << " Plätze 8 und 9 prüfen!";
    QTest::newRow("17 teams, tie at 16 and 17") << 17 << true << " Plätze 16 und 17 prüfen!";
    QTest::newRow("17 teams, both without a value") << 17 << false << " Plätze 16 und 17 prüfen!";
    QTest::newRow("8 teams keep the last warning") << 8 << true << "last";
}

void TestRanking::tieWarning()
{
    QFETCH(int, teams);
    QFETCH(bool, tieAtCut);
    QFETCH(QString, status);
    auto c = makeCompetition(17);
    // a warning from before: 17 teams tied at the cut
    for (int r = 1; r <= 17; ++r)
        c->grid(CompetitionRound::Vorrunde).setCell(VorrundeColumn::Lane1Zeit, r, "30,00");
    c->recalculateRound();
    QSignalSpy warnings(c.get(), &Competition::placeWarningChanged);
    c->grid(CompetitionRound::Vorrunde).setRowCount(teams + 1);
    ResultGrid& v = c->grid(CompetitionRound::Vorrunde);
    const bool blanksAtCut = teams == 17 && !tieAtCut;
    const int cut = teams >= 17 ? 16 : 8;
    for (int r = 1; r <= teams; ++r) {
        if (blanksAtCut && r >= cut)
            continue; // the two last teams have no result at all
        // distinct sums 60,00 + r; the team after the cut ties with the one at it
        const double extra = (tieAtCut && r == cut + 1) ? cut : r;
        v.setCell(VorrundeColumn::Lane1Zeit, r, c->numberFormat().fixed2(30.0 + extra));
        v.setCell(VorrundeColumn::Lane2Zeit, r, "30,00");
    }
    c->recalculateRound();
    QCOMPARE(c->placeWarning(), status == "last" ? QStringLiteral(" Plätze 16 und 17 prüfen!") : status);
    QCOMPARE(warnings.size(), c->placeWarning() == " Plätze 16 und 17 prüfen!" ? 0 : 1);
}

void TestRanking::knockoutHeat_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<QString>("markA");
    QTest::addColumn<QString>("markB");
    QTest::newRow("faster first row") << "25,00"
                                      << "26,00"
                                      << "+"
                                      << "-";
    QTest::newRow("equal results go to the second row") << "25,10"
                                                        << "25,10"
                                                        << "-"
                                                        << "+";
    QTest::newRow("void run loses") << "AUS"
                                    << "40,00"
                                    << "-"
                                    << "+";
    QTest::newRow("both void: second row wins") << "AUS"
                                                << "AUS"
                                                << "-"
                                                << "+";
    QTest::newRow("disqualified loses") << "30,00"
                                        << "DIS"
                                        << "+"
                                        << "-";
    QTest::newRow("unfinished heat stays open") << "30,00"
                                                << ""
                                                << ""
                                                << "";
    QTest::newRow("zero result decides nothing") << "0"
                                                 << "30,00"
                                                 << ""
                                                 << "";
}

void TestRanking::knockoutHeat()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(QString, markA);
    QFETCH(QString, markB);
    for (CompetitionRound round :
         {CompetitionRound::Achtelfinale, CompetitionRound::Viertelfinale, CompetitionRound::Halbfinale}) {
        auto c = makeCompetition(2);
        c->setCurrentRound(round);
        ResultGrid& k = c->grid(round);
        const int last = roundTeamCount(round) - 1; // the last heat of the round
        k.setCell(KnockoutColumn::Gesamt, last, a);
        k.setCell(KnockoutColumn::Gesamt, last + 1, b);
        c->recalculateRound();
        QCOMPARE(k.cell(KnockoutColumn::Outcome, last), markA);
        QCOMPARE(k.cell(KnockoutColumn::Outcome, last + 1), markB);
    }
}

void TestRanking::finaleMatch_data()
{
    QTest::addColumn<QStringList>("results");
    QTest::addColumn<QStringList>("places");
    QTest::newRow("both matches") << QStringList{"31,00", "30,00", "28,00", "29,00"}
                                  << QStringList{"4", "3", "1", "2"};
    QTest::newRow("equal results: second row better")
        << QStringList{"30,00", "30,00", "29,00", "29,00"} << QStringList{"4", "3", "2", "1"};
    QTest::newRow("void run: no places for that match")
        << QStringList{"AUS", "30,00", "28,00", "29,00"} << QStringList{"", "", "1", "2"};
    QTest::newRow("open match") << QStringList{"30,00", "", "", ""} << QStringList{"", "", "", ""};
}

void TestRanking::finaleMatch()
{
    QFETCH(QStringList, results);
    QFETCH(QStringList, places);
    auto c = makeCompetition(2);
    c->setCurrentRound(CompetitionRound::Finale);
    ResultGrid& f = c->grid(CompetitionRound::Finale);
    for (int r = 1; r <= 4; ++r)
        f.setCell(KnockoutColumn::Gesamt, r, results[r - 1]);
    c->recalculateRound();
    for (int r = 1; r <= 4; ++r)
        QCOMPARE(f.cell(KnockoutColumn::Outcome, r), places[r - 1]);
}

void TestRanking::largeVorrundeRanksCorrectly()
{
    // more teams than any fixed-size store would hold
    const int teams = 5000;
    auto c = makeCompetition(teams);
    ResultGrid& v = c->grid(CompetitionRound::Vorrunde);
    std::vector<std::pair<int, int>> expected; // (sum in hundredths, row)
    for (int r = 1; r <= teams; ++r) {
        const int a = 3000 + (r * 7919) % 5000;
        const int b = 3000 + (r * 104729) % 4000;
        v.setCell(VorrundeColumn::Lane1Zeit, r, c->numberFormat().fixed2(a / 100.0));
        v.setCell(VorrundeColumn::Lane2Zeit, r, c->numberFormat().fixed2(b / 100.0));
        expected.emplace_back(a + b, r);
    }
    c->recalculateRound();
    std::stable_sort(expected.begin(), expected.end(),
                     [](const auto& x, const auto& y) { return x.first < y.first; });
    for (int place = 1; place <= teams; ++place) {
        const int row = expected[std::size_t(place - 1)].second;
        QCOMPARE(v.cell(VorrundeColumn::Place, row), QString::number(place));
        QCOMPARE(v.cell(VorrundeColumn::Nr, row), QString::number(row));
    }
}

void TestRanking::oversizedKnockoutTable()
{
    CompetitionOptions options;
    options.pairing = Pairing::WinnersKeepBracket;
    auto c = makeCompetition(40, options);
    for (CompetitionRound round : {CompetitionRound::Achtelfinale, CompetitionRound::Viertelfinale,
                                   CompetitionRound::Halbfinale, CompetitionRound::Finale}) {
        ResultGrid& k = c->grid(round);
        k.setRowCount(25);
        for (int r = 1; r < 25; ++r) {
            k.setCell(KnockoutColumn::Nr, r, QString::number(r));
            k.setCell(KnockoutColumn::Mannschaft, r, QStringLiteral("T%1").arg(r));
            k.setCell(KnockoutColumn::Gesamt, r, c->numberFormat().fixed2(30 + r % 7));
        }
        c->setCurrentRound(round);
        c->recalculateRound();
        c->buildNextRound();
        // every team is still there, in heat order
        for (int r = 1; r < 25; ++r)
            QCOMPARE(k.cell(KnockoutColumn::Mannschaft, r), QStringLiteral("T%1").arg(r));
    }
}

void TestRanking::tvBestResult()
{
    auto c = makeCompetition(3);
    ResultGrid& v = c->grid(CompetitionRound::Vorrunde);
    v.setCell(VorrundeColumn::Lane1Gesamt, 1, "30,00");
    v.setCell(VorrundeColumn::Lane2Gesamt, 1, "30,00"); // a tie contributes nothing
    v.setCell(VorrundeColumn::Lane1Gesamt, 2, "31,50");
    v.setCell(VorrundeColumn::Lane2Gesamt, 2, "32,00");
    c->updateTvBestResult();
    QCOMPARE(c->tvBestMilliseconds(), 31500);
    QCOMPARE(c->tvBestTeam(), QStringLiteral("FF Team 2"));

    ResultGrid& f = c->grid(CompetitionRound::Finale);
    f.setCell(KnockoutColumn::Mannschaft, 3, "FF Team 3");
    f.setCell(KnockoutColumn::Gesamt, 3, "12,345");
    c->updateTvBestResult();
    QCOMPARE(c->tvBestMilliseconds(), 12345);
    QCOMPARE(c->tvBestTeam(), QStringLiteral("FF Team 3"));

    // no numeric result anywhere: the last best stays
    auto empty = makeCompetition(2);
    empty->updateTvBestResult();
    QCOMPARE(empty->tvBestMilliseconds(), 0);
}

void TestRanking::rankingCaptions_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("laneHeading");
    QTest::addColumn<QString>("caption");
    QTest::newRow("best sum") << 0 << "Beste"
                              << "Summe";
    QTest::newRow("best time") << 1 << "Best"
                               << "Zeit";
    QTest::newRow("unknown mode changes nothing") << 7 << "Beste"
                                                  << "old";
}

void TestRanking::rankingCaptions()
{
    QFETCH(int, mode);
    QFETCH(QString, laneHeading);
    QFETCH(QString, caption);
    CompetitionOptions options;
    options.rankingMode = RankingMode(1 - std::min(mode, 1)); // captions of the other mode first
    auto c = makeCompetition(2, options);
    ResultGrid& v = c->grid(CompetitionRound::Vorrunde);
    if (mode > 1)
        v.setCell(VorrundeColumn::RankingValue, 0, "old");
    options.rankingMode = RankingMode(mode);
    c->setOptions(options);
    c->applyRankingCaptions();
    QCOMPARE(v.cell(VorrundeColumn::RankingValue, 0), caption);
    QCOMPARE(c->tables().laneHeadings().at(4), laneHeading);
}

void TestRanking::canRecalculate_data()
{
    QTest::addColumn<int>("teams");
    QTest::addColumn<bool>("firstRowBlank");
    QTest::addColumn<bool>("offered");
    QTest::newRow("one team") << 1 << false << true;
    QTest::newRow("one blank row") << 1 << true << false;
    QTest::newRow("two rows, first blank") << 2 << true << true;
    QTest::newRow("two teams") << 2 << false << true;
}

void TestRanking::canRecalculate()
{
    QFETCH(int, teams);
    QFETCH(bool, firstRowBlank);
    QFETCH(bool, offered);
    auto c = makeCompetition(teams);
    if (firstRowBlank)
        c->grid(CompetitionRound::Vorrunde)
            .setRowCells(1, QStringList(kVorrundeColumnCount, QStringLiteral(" ")));
    QCOMPARE(c->canRecalculate(), offered);
}

QTEST_GUILESS_MAIN(TestRanking)
#include "tst_ranking.moc"
