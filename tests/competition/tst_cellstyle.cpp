#include "CompetitionFixture.h"

#include <QTest>

using namespace brv;
using brv::test::makeCompetition;

class TestCellStyle : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void boldSmallestGesamt_data();
    void boldSmallestGesamt();
    void laneTeamsInRed();
    void finaleMedals_data();
    void finaleMedals();
    void overallTable();
    void captionRowAndAlignment();
};

void TestCellStyle::boldSmallestGesamt_data()
{
    QTest::addColumn<QStringList>("gesamt");
    QTest::addColumn<int>("boldColumn");
    QTest::newRow("smallest of three")
        << QStringList{"31,00", "30,00", "32,00"} << columnIndex(VorrundeColumn::Lane2Gesamt);
    QTest::newRow("tie for the smallest marks nothing") << QStringList{"30,00", "30,00", "32,00"} << -1;
    QTest::newRow("empty lane 3 counts as 99999")
        << QStringList{"31,00", "30,50", ""} << columnIndex(VorrundeColumn::Lane2Gesamt);
    QTest::newRow("marks count as 99999")
        << QStringList{"AUS", "33,00", "DIS"} << columnIndex(VorrundeColumn::Lane2Gesamt);
    QTest::newRow("nothing recorded") << QStringList{"", "", ""} << -1;
}

void TestCellStyle::boldSmallestGesamt()
{
    QFETCH(QStringList, gesamt);
    QFETCH(int, boldColumn);
    auto c = makeCompetition(2);
    ResultGrid& v = c->grid(CompetitionRound::Vorrunde);
    for (int i = 0; i < 3; ++i)
        v.setCell(laneResultColumn(i + 1), 1, gesamt[i]);
    const std::array<quint32, 3> plain{colour::Lane1, colour::Lane2, colour::Lane3};
    for (int i = 0; i < 3; ++i) {
        const int col = columnIndex(laneResultColumn(i + 1));
        const CellStyle style = c->cellStyle(CompetitionRound::Vorrunde, col, 1);
        QCOMPARE(style.bold, col == boldColumn);
        QCOMPARE(*style.background,
                 col == boldColumn ? (plain[std::size_t(i)] | 0xF0F0F0) : plain[std::size_t(i)]);
    }
    QCOMPARE(*c->cellStyle(CompetitionRound::Vorrunde, VorrundeColumn::Lane1Gesamt, 1).background | 0xF0F0F0,
             quint32(0xFFF0F0));
}

void TestCellStyle::laneTeamsInRed()
{
    CompetitionOptions options;
    options.thirdLaneOn = true;
    auto c = makeCompetition(4, options);
    auto red = [&](CompetitionRound round, int row) {
        // the whole row is red; the team's number or name cell shows it
        const int col = round == CompetitionRound::Vorrunde ? columnIndex(VorrundeColumn::Mannschaft)
                                                            : columnIndex(KnockoutColumn::Nr);
        return c->cellStyle(round, col, row).foreground == std::optional<quint32>(colour::Red);
    };
    QVERIFY(red(CompetitionRound::Vorrunde, 1));
    QVERIFY(red(CompetitionRound::Vorrunde, 2));
    QVERIFY(red(CompetitionRound::Vorrunde, 3)); // lane 3 shown on the Vorrunde
    QVERIFY(!red(CompetitionRound::Vorrunde, 4));

    // two lanes: lane 3's team is no longer on a lane
    options.thirdLaneOn = false;
    c->setOptions(options);
    QVERIFY(!red(CompetitionRound::Vorrunde, 3));

    // knockout tables never consult lane 3
    options.thirdLaneOn = true;
    c->setOptions(options);
    ResultGrid& k = c->grid(CompetitionRound::Halbfinale);
    for (int r = 1; r <= 4; ++r) {
        k.setCell(KnockoutColumn::Nr, r, QString::number(r));
        k.setCell(KnockoutColumn::Mannschaft, r, QStringLiteral("FF Team %1").arg(r));
    }
    c->enterRound(CompetitionRound::Halbfinale);
    QVERIFY(red(CompetitionRound::Halbfinale, 1));
    QVERIFY(red(CompetitionRound::Halbfinale, 2));
    QVERIFY(!red(CompetitionRound::Halbfinale, 3));
}

void TestCellStyle::finaleMedals_data()
{
    QTest::addColumn<QString>("place");
    QTest::addColumn<int>("medal");
    QTest::newRow("first") << "1" << int(Medal::Gold);
    QTest::newRow("second") << "2" << int(Medal::Silver);
    QTest::newRow("third") << "3" << int(Medal::Bronze);
    QTest::newRow("fourth") << "4" << int(Medal::None);
    QTest::newRow("mark") << "+" << int(Medal::None);
    QTest::newRow("empty") << "" << int(Medal::None);
}

void TestCellStyle::finaleMedals()
{
    QFETCH(QString, place);
    QFETCH(int, medal);
    auto c = makeCompetition(2);
    c->grid(CompetitionRound::Finale).setCell(KnockoutColumn::Outcome, 2, place);
    const CellStyle style = c->cellStyle(CompetitionRound::Finale, KnockoutColumn::Outcome, 2);
    QCOMPARE(int(style.medal), medal);
    QCOMPARE(*style.background, colour::Outcome);
    if (medal != int(Medal::None))
        QCOMPARE(style.medalTextLeft, 10);
}

void TestCellStyle::overallTable()
{
    auto c = makeCompetition(20);
    ResultGrid& o = c->grid(CompetitionRound::GesamtErgebnis);
    o.setRowCount(21);
    // rows beyond a round's team count are white
    QCOMPARE(*c->cellStyle(CompetitionRound::GesamtErgebnis, OverallColumn::AchtelfinaleZeit, 16).background,
             colour::Lane2);
    QCOMPARE(*c->cellStyle(CompetitionRound::GesamtErgebnis, OverallColumn::AchtelfinaleZeit, 17).background,
             colour::White);
    QCOMPARE(
        *c->cellStyle(CompetitionRound::GesamtErgebnis, OverallColumn::ViertelfinaleErgebnis, 9).background,
        colour::White);
    QCOMPARE(
        *c->cellStyle(CompetitionRound::GesamtErgebnis, OverallColumn::ViertelfinaleErgebnis, 8).background,
        colour::Lane3);
    QCOMPARE(*c->cellStyle(CompetitionRound::GesamtErgebnis, OverallColumn::FinaleFehler, 5).background,
             colour::White);
    QCOMPARE(*c->cellStyle(CompetitionRound::GesamtErgebnis, OverallColumn::VorrundeResult, 20).background,
             colour::Lane3);
    QCOMPARE(*c->cellStyle(CompetitionRound::GesamtErgebnis, OverallColumn::BestResult, 20).background,
             colour::Ranking);

    // first smallest Ergebnis bold green
    o.setCell(OverallColumn::VorrundeResult, 1, "60,00");
    o.setCell(OverallColumn::AchtelfinaleErgebnis, 1, "29,00");
    o.setCell(OverallColumn::ViertelfinaleErgebnis, 1, "AUS");
    o.setCell(OverallColumn::HalbfinaleErgebnis, 1, "29,00");
    const CellStyle best =
        c->cellStyle(CompetitionRound::GesamtErgebnis, OverallColumn::AchtelfinaleErgebnis, 1);
    QVERIFY(best.bold);
    QCOMPARE(*best.foreground, colour::Green);
    QCOMPARE(*best.background, colour::BestOverall);
    QVERIFY(!c->cellStyle(CompetitionRound::GesamtErgebnis, OverallColumn::HalbfinaleErgebnis, 1).bold);

    // a medal only in rows 1-3 and only with a Finale result
    o.setCell(OverallColumn::Place, 1, "1");
    QCOMPARE(c->cellStyle(CompetitionRound::GesamtErgebnis, OverallColumn::Place, 1).medal, Medal::None);
    o.setCell(OverallColumn::FinaleErgebnis, 1, "30,00");
    QCOMPARE(c->cellStyle(CompetitionRound::GesamtErgebnis, OverallColumn::Place, 1).medal, Medal::Gold);
    QCOMPARE(c->cellStyle(CompetitionRound::GesamtErgebnis, OverallColumn::Place, 1).medalTextLeft, 7);
    o.setCell(OverallColumn::Place, 4, "3");
    o.setCell(OverallColumn::FinaleErgebnis, 4, "30,00");
    QCOMPARE(c->cellStyle(CompetitionRound::GesamtErgebnis, OverallColumn::Place, 4).medal, Medal::None);
}

void TestCellStyle::captionRowAndAlignment()
{
    auto c = makeCompetition(2);
    QCOMPARE(c->cellStyle(CompetitionRound::Vorrunde, VorrundeColumn::Lane1Zeit, 0).fontPointSize, 10);
    QCOMPARE(c->cellStyle(CompetitionRound::Vorrunde, VorrundeColumn::Mannschaft, 1).alignment,
             Qt::AlignLeft | Qt::AlignVCenter);
    QCOMPARE(c->cellStyle(CompetitionRound::Vorrunde, VorrundeColumn::Nr, 1).alignment,
             Qt::Alignment(Qt::AlignCenter));
    QCOMPARE(c->cellStyle(CompetitionRound::Achtelfinale, KnockoutColumn::Klasse, 1).alignment,
             Qt::AlignLeft | Qt::AlignVCenter);
    QCOMPARE(c->cellStyle(CompetitionRound::GesamtErgebnis, OverallColumn::Klasse, 1).alignment,
             Qt::AlignLeft | Qt::AlignVCenter);
}

QTEST_GUILESS_MAIN(TestCellStyle)
#include "tst_cellstyle.moc"
