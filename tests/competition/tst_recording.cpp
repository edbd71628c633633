#include "CompetitionFixture.h"

#include <QSignalSpy>
#include <QTest>

using namespace brv;
using brv::test::makeCompetition;

class TestRecording : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pageChangeFillsAndPreselects();
    void laneEntryText_data();
    void laneEntryText();
    void vorrundeStopWritesLaneGroup_data();
    void vorrundeStopWritesLaneGroup();
    void knockoutStopUsesResultColumns();
    void stopWithoutUsableTeam_data();
    void stopWithoutUsableTeam();
    void stopFindsTeamWhoseNumberIsWrittenDifferently_data();
    void stopFindsTeamWhoseNumberIsWrittenDifferently();
    void provisionalRanking_data();
    void provisionalRanking();
    void advanceLanes_data();
    void advanceLanes();
    void assignRowToLane();
    void editKeyFilter_data();
    void editKeyFilter();
    void typedPointIsTheDecimalSeparator_data();
    void typedPointIsTheDecimalSeparator();
    void pastedTextIsFilteredToo();
    void commitVorrundeEdit_data();
    void commitVorrundeEdit();
    void commitKnockoutZeitZeroEmptiesFehler();
    void movingAwayCommitsTheEdit();
    void markVoidAndDisqualified();
    void voidMarksTheLaneOfTheCell_data();
    void voidMarksTheLaneOfTheCell();
    void clearResults_data();
    void clearResults();
    void commitKeepsTheRanking_data();
    void commitKeepsTheRanking();
    void loadedVorrundeIsRanked();
    void recalculationDuringEditCommitsAndEndsIt();
    void pageChangeDuringEditCommitsAndEndsIt();
    void longStartNumbersFindTheirTeam_data();
    void longStartNumbersFindTheirTeam();
};

void TestRecording::pageChangeFillsAndPreselects()
{
    auto c = makeCompetition(3);
    QCOMPARE(c->lanes().selector(1).count(), 3);
    QCOMPARE(c->lanes().selector(1).index, 0);
    QCOMPARE(c->lanes().selector(2).index, 1);
    QCOMPARE(c->lanes().selector(3).index, 2);
    QVERIFY(c->lanes().selector(2).enabled);

    // a knockout page without teams yet: empty entries of four blanks, all selectable
    c->enterRound(CompetitionRound::Achtelfinale);
    QCOMPARE(c->lanes().selector(1).count(), 16);
    QCOMPARE(c->lanes().selector(1).text(), QStringLiteral("    "));
}

void TestRecording::laneEntryText_data()
{
    QTest::addColumn<QString>("nr");
    QTest::addColumn<QString>("team");
    QTest::addColumn<QString>("text");
    QTest::newRow("one digit") << "7"
                               << "FF Au"
                               << "  7 FF Au";
    QTest::newRow("three digits") << "123"
                                  << "FF Au"
                                  << "123 FF Au";
    QTest::newRow("four digits are not cut") << "1234"
                                             << "FF Au"
                                             << "1234 FF Au";
    QTest::newRow("empty row") << ""
                               << ""
                               << "    ";
}

void TestRecording::laneEntryText()
{
    QFETCH(QString, nr);
    QFETCH(QString, team);
    QFETCH(QString, text);
    ResultGrid v(TableId::Vorrunde, kVorrundeColumnCount, 2);
    v.setCell(VorrundeColumn::Nr, 1, nr);
    v.setCell(VorrundeColumn::Mannschaft, 1, team);
    QCOMPARE(LaneAssignment::entryText(v, 1), text);
    ResultGrid k(TableId::Viertelfinale, kKnockoutColumnCount, 2);
    k.setCell(KnockoutColumn::Nr, 1, nr);
    k.setCell(KnockoutColumn::Mannschaft, 1, team);
    QCOMPARE(LaneAssignment::entryText(k, 1), text);
}

void TestRecording::vorrundeStopWritesLaneGroup_data()
{
    QTest::addColumn<int>("lane");
    QTest::addColumn<int>("zeitColumn");
    QTest::newRow("lane 1") << 1 << 3;
    QTest::newRow("lane 2") << 2 << 6;
    QTest::newRow("lane 3") << 3 << 9;
}

void TestRecording::vorrundeStopWritesLaneGroup()
{
    QFETCH(int, lane);
    QFETCH(int, zeitColumn);
    CompetitionOptions options;
    options.thirdLaneOn = true;
    auto c = makeCompetition(3, options);
    c->lanes().select(lane, 1); // team 2 on this lane
    c->recordLaneTime(lane, QStringLiteral("45,67"));
    const ResultGrid& v = c->grid(CompetitionRound::Vorrunde);
    QCOMPARE(v.cell(zeitColumn, 2), QStringLiteral("45,67"));
    QCOMPARE(v.cell(zeitColumn + 1, 2), QStringLiteral("0"));
    QCOMPARE(v.cell(zeitColumn + 2, 2), QStringLiteral("45,67"));
    for (int col = 3; col <= 11; ++col) {
        if (col < zeitColumn || col > zeitColumn + 2)
            QVERIFY(v.cell(col, 2).isEmpty());
    }
    QVERIFY(v.cell(zeitColumn, 1).isEmpty());
}

void TestRecording::knockoutStopUsesResultColumns()
{
    auto c = makeCompetition(20);
    for (int r = 1; r <= 20; ++r)
        c->grid(CompetitionRound::Vorrunde).setCell(VorrundeColumn::Place, r, QString::number(r));
    c->changePage(CompetitionRound::Achtelfinale);
    const ResultGrid& k = c->grid(CompetitionRound::Achtelfinale);
    QCOMPARE(k.cell(KnockoutColumn::Mannschaft, 2), QStringLiteral("FF Team 16"));
    c->lanes().selectText(3, LaneAssignment::entryText(k, 2));
    c->recordLaneTime(3, QStringLiteral("33,30"));
    QCOMPARE(k.cell(KnockoutColumn::Zeit, 2), QStringLiteral("33,30"));
    QCOMPARE(k.cell(KnockoutColumn::Fehler, 2), QStringLiteral("0"));
    QCOMPARE(k.cell(KnockoutColumn::Gesamt, 2), QStringLiteral("33,30"));
    QVERIFY(k.cell(KnockoutColumn::Outcome, 2).isEmpty());

    // nothing is written on the overall page
    c->changePage(CompetitionRound::GesamtErgebnis);
    const ResultGrid overall = c->grid(CompetitionRound::GesamtErgebnis);
    c->recordLaneTime(1, QStringLiteral("1,00"));
    for (int r = 0; r < overall.rowCount(); ++r)
        QCOMPARE(c->grid(CompetitionRound::GesamtErgebnis).rowCells(r), overall.rowCells(r));
}

void TestRecording::stopWithoutUsableTeam_data()
{
    QTest::addColumn<QString>("nr");
    QTest::addColumn<QString>("team");
    QTest::addColumn<int>("index");
    QTest::newRow("no entry selected") << "1"
                                       << "FF Team 1" << -1;
    QTest::newRow("empty row on the lane") << ""
                                           << "" << 0;
}

void TestRecording::stopWithoutUsableTeam()
{
    QFETCH(QString, nr);
    QFETCH(QString, team);
    QFETCH(int, index);
    auto c = makeCompetition(2);
    ResultGrid& v = c->grid(CompetitionRound::Vorrunde);
    v.setCell(VorrundeColumn::Nr, 1, nr);
    v.setCell(VorrundeColumn::Mannschaft, 1, team);
    c->lanes().fill(c->currentGrid());
    c->lanes().select(1, index);
    const QStringList before = v.rowCells(1);
    c->recordLaneTime(1, QStringLiteral("12,34"));
    QCOMPARE(v.rowCells(1), before);
}

void TestRecording::stopFindsTeamWhoseNumberIsWrittenDifferently_data()
{
    QTest::addColumn<QString>("nr");
    QTest::newRow("leading zeros") << "007";
    QTest::newRow("letters") << "A1";
    QTest::newRow("no number at all") << "";
}

void TestRecording::stopFindsTeamWhoseNumberIsWrittenDifferently()
{
    QFETCH(QString, nr);
    auto c = makeCompetition(3);
    ResultGrid& v = c->grid(CompetitionRound::Vorrunde);
    v.setCell(VorrundeColumn::Nr, 2, nr);
    c->lanes().fill(c->currentGrid());
    c->lanes().select(2, 1);
    c->recordLaneTime(2, QStringLiteral("50,01"));
    QCOMPARE(v.cell(VorrundeColumn::Lane2Zeit, 2), QStringLiteral("50,01"));
    QCOMPARE(v.cell(VorrundeColumn::Lane2Gesamt, 2), QStringLiteral("50,01"));
}

void TestRecording::provisionalRanking_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("times");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("ranking");
    QTest::newRow("sum of the two best") << 0 << QStringList{"30,10", "29,95", "31,00"} << ""
                                         << "60,05";
    QTest::newRow("sum of the two best, other order") << 0 << QStringList{"31,00", "30,10", "29,95"} << ""
                                                      << "60,05";
    QTest::newRow("equal best times") << 0 << QStringList{"30,10", "30,10", "31,00"} << ""
                                      << "60,20";
    QTest::newRow("two times are summed") << 0 << QStringList{"30,00", "", "31,00"} << ""
                                          << "61,00";
    QTest::newRow("one time keeps the old value") << 0 << QStringList{"30,00", "", ""} << "x"
                                                  << "x";
    QTest::newRow("best time copies its text") << 1 << QStringList{"31,5", "30,1", ""} << ""
                                               << "30,1";
    QTest::newRow("zero time does not count") << 1 << QStringList{"0", "", ""} << "x"
                                              << "x";
    QTest::newRow("equal best times take the first lane") << 1 << QStringList{"", "30,10", "30,1"} << ""
                                                          << "30,10";
    QTest::newRow("unknown mode leaves the value") << 7 << QStringList{"30,00", "31,00", ""} << "x"
                                                   << "x";
}

void TestRecording::provisionalRanking()
{
    QFETCH(int, mode);
    QFETCH(QStringList, times);
    QFETCH(QString, before);
    QFETCH(QString, ranking);
    CompetitionOptions options;
    options.rankingMode = RankingMode(mode);
    options.thirdLaneOn = true;
    auto c = makeCompetition(3, options);
    ResultGrid& v = c->grid(CompetitionRound::Vorrunde);
    v.setCell(VorrundeColumn::RankingValue, 1, before);
    // the last recorded time triggers the computation; earlier ones are already in the row
    int lastLane = 0;
    for (int lane = 1; lane <= 3; ++lane) {
        if (!times[lane - 1].isEmpty()) {
            v.setCell(laneTimeColumn(lane), 1, times[lane - 1]);
            lastLane = lane;
        }
    }
    c->lanes().select(lastLane, 0);
    c->recordLaneTime(lastLane, times[lastLane - 1]);
    QCOMPARE(v.cell(VorrundeColumn::RankingValue, 1), ranking);
}

void TestRecording::advanceLanes_data()
{
    QTest::addColumn<int>("teams");
    QTest::addColumn<bool>("three");
    QTest::addColumn<QList<int>>("start");
    QTest::addColumn<bool>("firstPassRun");
    QTest::addColumn<QList<int>>("after");
    QTest::newRow("wraps around") << 5 << false << QList<int>{3, 4, 2} << false << QList<int>{0, 1, 2};
    QTest::newRow("next heat") << 6 << false << QList<int>{0, 1, 2} << false << QList<int>{2, 3, 2};
    QTest::newRow("second pass swaps lanes")
        << 6 << false << QList<int>{4, 5, 2} << true << QList<int>{1, 0, 2};
    QTest::newRow("no swap before the first pass ran")
        << 6 << false << QList<int>{4, 5, 2} << false << QList<int>{0, 1, 2};
    QTest::newRow("odd team count never swaps")
        << 5 << false << QList<int>{3, 4, 2} << true << QList<int>{0, 1, 2};
    QTest::newRow("three lanes rotate") << 6 << true << QList<int>{3, 4, 5} << true << QList<int>{2, 0, 1};
}

void TestRecording::advanceLanes()
{
    QFETCH(int, teams);
    QFETCH(bool, three);
    QFETCH(QList<int>, start);
    QFETCH(bool, firstPassRun);
    QFETCH(QList<int>, after);
    CompetitionOptions options;
    options.thirdLaneOn = three;
    auto c = makeCompetition(teams, options);
    ResultGrid& v = c->grid(CompetitionRound::Vorrunde);
    const int lanes = three ? 3 : 2;
    if (firstPassRun) {
        // the first pass ran team r on lane (r - 1) mod lanes + 1
        for (int r = 1; r <= teams; ++r)
            v.setCell(laneResultColumn((r - 1) % lanes + 1), r, "40,00");
    }
    for (int lane = 1; lane <= 3; ++lane)
        c->lanes().select(lane, start[lane - 1]);
    c->advanceLanes();
    for (int lane = 1; lane <= 3; ++lane)
        QCOMPARE(c->lanes().selector(lane).index, after[lane - 1]);

    if (three && firstPassRun) {
        // once the second pass ran (row 3 on lane 1, row 1 on lane 2, row 2 on lane 3, ...),
        // the rotation after the last heat goes on to (1, 2, 0)
        for (int r = 1; r <= teams; ++r)
            v.setCell(laneResultColumn(r % 3 + 1), r, "41,00");
        c->lanes().select(1, 5);
        c->lanes().select(2, 3);
        c->lanes().select(3, 4);
        c->advanceLanes();
        QCOMPARE(c->lanes().selector(1).index, 1);
        QCOMPARE(c->lanes().selector(2).index, 2);
        QCOMPARE(c->lanes().selector(3).index, 0);
    }
}

void TestRecording::assignRowToLane()
{
    auto c = makeCompetition(4);
    c->selectCell(VorrundeColumn::Mannschaft, 3);
    c->assignRowToLane(2);
    QCOMPARE(c->lanes().selector(2).index, 2);
    QCOMPARE(c->cellStyle(CompetitionRound::Vorrunde, VorrundeColumn::Mannschaft, 3).foreground,
             std::optional<quint32>(colour::Red));
    QVERIFY(!c->cellStyle(CompetitionRound::Vorrunde, VorrundeColumn::Mannschaft, 2).foreground);
}

void TestRecording::editKeyFilter_data()
{
    QTest::addColumn<int>("round");
    QTest::addColumn<int>("col");
    QTest::addColumn<QChar>("key");
    QTest::addColumn<QString>("typed"); // empty: the key is dropped
    QTest::newRow("digit in a Vorrunde Zeit cell") << 0 << 3 << QChar('5') << "5";
    QTest::newRow("separator in a Vorrunde Fehler cell") << 0 << 4 << QChar(',') << ",";
    QTest::newRow("backspace") << 0 << 6 << QChar(8) << "\b";
    QTest::newRow("letter in a Vorrunde Zeit cell") << 0 << 3 << QChar('a') << "";
    QTest::newRow("point under German settings means the comma") << 0 << 9 << QChar('.') << ",";
    QTest::newRow("minus") << 0 << 10 << QChar('-') << "";
    QTest::newRow("letter in a knockout Zeit cell") << 1 << 5 << QChar('a') << "a";
    QTest::newRow("point in a knockout Zeit cell") << 1 << 5 << QChar('.') << ",";
    QTest::newRow("letter in a knockout Fehler cell") << 1 << 6 << QChar('a') << "";
    QTest::newRow("point in a knockout Fehler cell") << 1 << 6 << QChar('.') << ",";
}

void TestRecording::editKeyFilter()
{
    QFETCH(int, round);
    QFETCH(int, col);
    QFETCH(QChar, key);
    QFETCH(QString, typed);
    auto c = makeCompetition(20);
    if (round != 0)
        c->changePage(roundAt(round));
    c->selectCell(col, 1);
    QVERIFY(c->currentGrid().editMode);
    const std::optional<QChar> result = c->editCharacter(key);
    QCOMPARE(result.has_value(), !typed.isEmpty());
    if (result)
        QCOMPARE(QString(*result), typed);
}

void TestRecording::typedPointIsTheDecimalSeparator_data()
{
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("zeit");
    QTest::addColumn<QString>("gesamt");
    QTest::newRow("German, point") << QChar(',') << "5.40"
                                   << "5,40"
                                   << "7,40";
    QTest::newRow("German, comma") << QChar(',') << "5,40"
                                   << "5,40"
                                   << "7,40";
    QTest::newRow("English, comma") << QChar('.') << "5,40"
                                    << "5.40"
                                    << "7.40";
    QTest::newRow("English, point") << QChar('.') << "5.40"
                                    << "5.40"
                                    << "7.40";
}

void TestRecording::typedPointIsTheDecimalSeparator()
{
    QFETCH(QChar, separator);
    QFETCH(QString, typed);
    QFETCH(QString, zeit);
    QFETCH(QString, gesamt);
    Competition c{NumberFormat(separator)};
    ResultGrid& v = c.grid(CompetitionRound::Vorrunde);
    v.setRowCount(2);
    v.setCell(VorrundeColumn::Nr, 1, QStringLiteral("1"));
    v.setCell(VorrundeColumn::Mannschaft, 1, QStringLiteral("FF A"));
    v.setCell(VorrundeColumn::Lane1Fehler, 1, QStringLiteral("2"));
    c.selectCell(VorrundeColumn::Lane1Zeit, 1);
    c.setEditText(typed);
    c.editEnter();
    QCOMPARE(v.cell(VorrundeColumn::Lane1Zeit, 1), zeit);
    QCOMPARE(v.cell(VorrundeColumn::Lane1Gesamt, 1), gesamt);
}

void TestRecording::pastedTextIsFilteredToo()
{
    auto c = makeCompetition(2);
    c->selectCell(VorrundeColumn::Lane1Fehler, 1);
    c->setEditText(QStringLiteral("1a0"));
    QCOMPARE(c->grid(CompetitionRound::Vorrunde).cell(VorrundeColumn::Lane1Fehler, 1), QStringLiteral("10"));
    // not editable: nothing is written
    c->selectCell(VorrundeColumn::RankingValue, 1);
    c->setEditText(QStringLiteral("99"));
    QVERIFY(c->grid(CompetitionRound::Vorrunde).cell(VorrundeColumn::RankingValue, 1).isEmpty());
}

void TestRecording::commitVorrundeEdit_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("zeit");
    QTest::addColumn<QString>("fehler");
    QTest::addColumn<QString>("gesamt");
    QTest::addColumn<QString>("ranking");
    QTest::newRow("penalty added") << 0 << "30,50"
                                   << "5"
                                   << "35,50"
                                   << "76,50";
    QTest::newRow("non-number penalty counts 0") << 0 << "30,50"
                                                 << "x"
                                                 << "30,50"
                                                 << "71,50";
    QTest::newRow("no time keeps Gesamt") << 0 << ""
                                          << "5"
                                          << "41,00"
                                          << "82,00";
    QTest::newRow("best time mode") << 1 << "30,50"
                                    << "0"
                                    << "30,50"
                                    << "30,50";
}

void TestRecording::commitVorrundeEdit()
{
    QFETCH(int, mode);
    QFETCH(QString, zeit);
    QFETCH(QString, fehler);
    QFETCH(QString, gesamt);
    QFETCH(QString, ranking);
    CompetitionOptions options;
    options.rankingMode = RankingMode(mode);
    auto c = makeCompetition(2, options);
    ResultGrid& v = c->grid(CompetitionRound::Vorrunde);
    v.setCell(VorrundeColumn::Lane1Gesamt, 1, "41,00");
    v.setCell(VorrundeColumn::Lane2Gesamt, 1, "41,00");
    v.setCell(VorrundeColumn::Lane1Zeit, 1, zeit);
    c->selectCell(VorrundeColumn::Lane1Fehler, 1);
    QCOMPARE(c->edit().column(), columnIndex(VorrundeColumn::Lane1Fehler));
    v.setCell(VorrundeColumn::Lane1Fehler, 1, fehler);
    c->editEnter();
    QCOMPARE(v.cell(VorrundeColumn::Lane1Gesamt, 1), gesamt);
    QCOMPARE(v.cell(VorrundeColumn::RankingValue, 1), ranking);
    QCOMPARE(c->edit().column(), -1);
    QVERIFY(!v.editMode);
    QCOMPARE(v.cell(VorrundeColumn::Place, 1), QStringLiteral("1")); // recalculated after Enter
}

void TestRecording::commitKnockoutZeitZeroEmptiesFehler()
{
    auto c = makeCompetition(20);
    c->changePage(CompetitionRound::Achtelfinale);
    ResultGrid& k = c->grid(CompetitionRound::Achtelfinale);
    k.setCell(KnockoutColumn::Gesamt, 1, "44,00");
    c->selectCell(KnockoutColumn::Zeit, 1);
    c->setEditText(QStringLiteral("0"));
    k.setCell(KnockoutColumn::Fehler, 1, "3");
    c->commitCellEdit();
    QVERIFY(k.cell(KnockoutColumn::Fehler, 1).isEmpty());
    QCOMPARE(k.cell(KnockoutColumn::Gesamt, 1), QStringLiteral("44,00"));

    c->setEditText(QStringLiteral("40,5"));
    k.setCell(KnockoutColumn::Fehler, 1, "2");
    c->commitCellEdit();
    QCOMPARE(k.cell(KnockoutColumn::Gesamt, 1), QStringLiteral("42,50"));
}

void TestRecording::movingAwayCommitsTheEdit()
{
    auto c = makeCompetition(3);
    ResultGrid& v = c->grid(CompetitionRound::Vorrunde);
    c->selectCell(VorrundeColumn::Lane1Zeit, 2);
    c->setEditText(QStringLiteral("40,00"));
    c->selectCell(VorrundeColumn::Mannschaft, 3); // a name cell: back to row mode
    QCOMPARE(v.cell(VorrundeColumn::Lane1Gesamt, 2), QStringLiteral("40,00"));
    QVERIFY(!v.editMode);
    QCOMPARE(v.currentRow, 3);
    QCOMPARE(c->edit().column(), -1);
}

void TestRecording::markVoidAndDisqualified()
{
    auto c = makeCompetition(3);
    ResultGrid& v = c->grid(CompetitionRound::Vorrunde);
    v.setCell(VorrundeColumn::Lane2Zeit, 2, "41,00");
    v.setCell(VorrundeColumn::Lane2Fehler, 2, "0");
    c->selectCell(VorrundeColumn::Lane2Fehler, 2);
    c->markVoid();
    QCOMPARE(v.cell(VorrundeColumn::Lane2Zeit, 2), QStringLiteral("AUS"));
    QCOMPARE(v.cell(VorrundeColumn::Lane2Fehler, 2), QStringLiteral("AUS"));
    QCOMPARE(v.cell(VorrundeColumn::Lane2Gesamt, 2), QStringLiteral("AUS"));
    QCOMPARE(v.cell(VorrundeColumn::RankingValue, 2),
             QStringLiteral("DIS")); // two lanes: one void run disqualifies

    c->selectCell(VorrundeColumn::Mannschaft, 1); // outside the lane groups nothing is marked
    c->markVoid();
    QVERIFY(v.cell(VorrundeColumn::Lane1Zeit, 1).isEmpty());

    c->selectCell(VorrundeColumn::Nr, 3);
    c->markDisqualified();
    for (int col = columnIndex(VorrundeColumn::Lane1Zeit); col <= columnIndex(VorrundeColumn::Place); ++col)
        QCOMPARE(v.cell(col, 3), QStringLiteral("DIS"));
    QCOMPARE(v.cell(VorrundeColumn::Nr, 3), QStringLiteral("3"));

    c->changePage(CompetitionRound::Halbfinale);
    ResultGrid& h = c->grid(CompetitionRound::Halbfinale);
    c->selectCell(KnockoutColumn::Mannschaft, 2);
    c->markVoid();
    QCOMPARE(h.cell(KnockoutColumn::Zeit, 2), QStringLiteral("AUS"));
    QCOMPARE(h.cell(KnockoutColumn::Gesamt, 2), QStringLiteral("AUS"));
}

void TestRecording::voidMarksTheLaneOfTheCell_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("lane"); // 0: no lane
    QTest::newRow("Nr.") << 0 << 0;
    QTest::newRow("Klasse") << 2 << 0;
    QTest::newRow("lane 1 Zeit") << 3 << 1;
    QTest::newRow("lane 1 Gesamt") << 5 << 1;
    QTest::newRow("lane 2 Zeit") << 6 << 2;
    QTest::newRow("lane 3 Fehler") << 10 << 3;
    QTest::newRow("lane 3 Gesamt") << 11 << 3;
    QTest::newRow("ranking value") << 12 << 0;
    QTest::newRow("Pl.") << 13 << 0;
}

void TestRecording::voidMarksTheLaneOfTheCell()
{
    QFETCH(int, column);
    QFETCH(int, lane);
    CompetitionOptions options;
    options.thirdLaneOn = true;
    auto c = makeCompetition(2, options);
    const ResultGrid& v = c->grid(CompetitionRound::Vorrunde);
    c->selectCell(column, 2);
    c->markVoid();
    for (int l = 1; l <= 3; ++l) {
        const QString expected = l == lane ? QStringLiteral("AUS") : QString();
        QCOMPARE(v.cell(laneTimeColumn(l), 2), expected);
        QCOMPARE(v.cell(lanePenaltyColumn(l), 2), expected);
        QCOMPARE(v.cell(laneTimeColumn(l), 1), QString());
    }
}

void TestRecording::clearResults_data()
{
    QTest::addColumn<bool>("answer");
    QTest::addColumn<int>("page");
    QTest::newRow("declined") << false << 0;
    QTest::newRow("from the Vorrunde") << true << 0;
    QTest::newRow("from the Halbfinale") << true << 3;
    QTest::newRow("on the overall page") << true << 5;
}

void TestRecording::clearResults()
{
    QFETCH(bool, answer);
    QFETCH(int, page);
    auto c = makeCompetition(4);
    test::FixedAnswer question(answer);
    c->setYesNoQuestion(&question);
    for (CompetitionRound round : kAllRounds) {
        ResultGrid& g = c->grid(round);
        for (int col = 0; col < g.columnCount(); ++col)
            g.setCell(col, 1, QStringLiteral("v%1").arg(col));
    }
    c->grid(CompetitionRound::Vorrunde).setCell(VorrundeColumn::Lane1Gesamt, 2, "31,50");
    c->updateTvBestResult();
    c->setCurrentRound(roundAt(page));
    c->clearResults();
    QCOMPARE(question.lastQuestion, QStringLiteral("Ergebnisse löschen?"));
    const bool tvCleared = answer && page == 0; // only clearing the Vorrunde forgets the TV best
    QCOMPARE(c->tvBestMilliseconds(), tvCleared ? 0 : 31500);
    QCOMPARE(c->tvBestTeam(), tvCleared ? QString() : QStringLiteral("FF Team 2"));
    for (CompetitionRound round : kAllRounds) {
        const ResultGrid& g = c->grid(round);
        const int index = roundIndex(round);
        const bool cleared = answer && index >= page && index <= 4;
        const int first = index == 0 ? 3 : 4;
        for (int col = 0; col < g.columnCount(); ++col) {
            const bool empty = cleared && col >= first;
            QCOMPARE(g.cell(col, 1).isEmpty(), empty);
        }
        QCOMPARE(g.rowCount(), round == CompetitionRound::Vorrunde ? 5 : roundInitialRowCount(round));
    }
}

namespace {

// A finished two-lane Vorrunde of three teams, as a load or a start-up leaves it: in start
// order, the ranking values written and no recalculation run. Team 3 is the fastest.
void writeFinishedVorrunde(Competition& c)
{
    ResultGrid& v = c.grid(CompetitionRound::Vorrunde);
    const QStringList ranking{"90,00", "80,00", "70,00"};
    const QStringList runs{"45,00", "40,00", "35,00"};
    for (int r = 1; r <= 3; ++r) {
        const QString& run = runs[r - 1];
        for (int lane = 1; lane <= 2; ++lane) {
            v.setCell(laneTimeColumn(lane), r, run);
            v.setCell(lanePenaltyColumn(lane), r, "0");
            v.setCell(laneResultColumn(lane), r, run);
        }
        v.setCell(VorrundeColumn::RankingValue, r, ranking[r - 1]);
        v.setCell(VorrundeColumn::Place, r, QString::number(4 - r));
    }
}

QStringList places(const ResultGrid& v)
{
    QStringList out;
    for (int r = 1; r < v.rowCount(); ++r)
        out << v.cell(VorrundeColumn::Place, r);
    return out;
}

} // namespace

void TestRecording::commitKeepsTheRanking_data()
{
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<QString>("penalty");
    QTest::addColumn<QStringList>("places");
    QTest::newRow("start-up, small correction") << false << "1" << QStringList{"3", "2", "1"};
    QTest::newRow("loaded, small correction") << true << "1" << QStringList{"3", "2", "1"};
    QTest::newRow("loaded, penalty moves team 3 last") << true << "25" << QStringList{"2", "1", "3"};
}

void TestRecording::commitKeepsTheRanking()
{
    QFETCH(bool, loaded);
    QFETCH(QString, penalty);
    QFETCH(QStringList, places);
    auto c = makeCompetition(3);
    writeFinishedVorrunde(*c);
    if (loaded) {
        std::array<std::unique_ptr<ResultGrid>, kRoundCount> tables;
        std::array<bool, kRoundCount> present{};
        tables[0] = std::make_unique<ResultGrid>(c->grid(CompetitionRound::Vorrunde));
        present[0] = true;
        c->replaceTables(tables, present);
    }
    const ResultGrid& v = c->grid(CompetitionRound::Vorrunde);
    c->selectCell(VorrundeColumn::Lane1Fehler, 3);
    c->setEditText(penalty);
    c->selectCell(VorrundeColumn::Lane2Fehler, 3); // the next cell: commits the correction
    QCOMPARE(::places(v), places);
    QCOMPARE(v.cell(VorrundeColumn::Nr, 1), QStringLiteral("1")); // still in start order
}

void TestRecording::loadedVorrundeIsRanked()
{
    auto c = makeCompetition(3);
    writeFinishedVorrunde(*c);
    ResultGrid loaded = c->grid(CompetitionRound::Vorrunde);
    for (int r = 1; r <= 3; ++r)
        loaded.setCell(VorrundeColumn::Place, r, QString::number(r)); // places in start order
    std::array<std::unique_ptr<ResultGrid>, kRoundCount> tables;
    std::array<bool, kRoundCount> present{};
    tables[0] = std::make_unique<ResultGrid>(loaded);
    present[0] = true;
    c->replaceTables(tables, present);
    QCOMPARE(places(c->grid(CompetitionRound::Vorrunde)), (QStringList{"3", "2", "1"}));
}

void TestRecording::recalculationDuringEditCommitsAndEndsIt()
{
    auto c = makeCompetition(2);
    QSignalSpy ended(c.get(), &Competition::editEnded);
    ResultGrid& v = c->grid(CompetitionRound::Vorrunde);
    v.setCell(VorrundeColumn::Lane1Zeit, 1, "30,00");
    c->selectCell(VorrundeColumn::Lane1Fehler, 1);
    c->setEditText(QStringLiteral("1"));
    c->recalculateRound(); // the last lane stops while the operator types
    QCOMPARE(v.cell(VorrundeColumn::Lane1Gesamt, 1), QStringLiteral("31,00"));
    QCOMPARE(c->edit().column(), -1);
    QVERIFY(!v.editMode);
    QCOMPARE(ended.count(), 1);
    // the next click on the cell starts a new edit that takes keys
    c->selectCell(VorrundeColumn::Lane1Fehler, 1);
    c->setEditText(QStringLiteral("10"));
    QCOMPARE(v.cell(VorrundeColumn::Lane1Fehler, 1), QStringLiteral("10"));
}

void TestRecording::pageChangeDuringEditCommitsAndEndsIt()
{
    auto c = makeCompetition(20);
    QSignalSpy ended(c.get(), &Competition::editEnded);
    ResultGrid& v = c->grid(CompetitionRound::Vorrunde);
    v.setCell(VorrundeColumn::Lane1Zeit, 4, "30,00");
    c->selectCell(VorrundeColumn::Lane1Fehler, 4);
    c->setEditText(QStringLiteral("5"));
    c->changePage(CompetitionRound::Achtelfinale);
    QCOMPARE(v.cell(VorrundeColumn::Lane1Gesamt, 4), QStringLiteral("35,00"));
    QVERIFY(!v.editMode);
    QCOMPARE(c->edit().column(), -1);
    QCOMPARE(ended.count(), 1);
    c->changePage(CompetitionRound::Vorrunde);
    QVERIFY(!v.editMode); // back in row mode
}

void TestRecording::longStartNumbersFindTheirTeam_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("other");
    QTest::newRow("four digits") << "1234"
                                 << "123";
    QTest::newRow("five digits") << "12345"
                                 << "123";
    QTest::newRow("three digits") << "123"
                                  << "1234";
    QTest::newRow("one digit") << "1"
                               << "12";
}

void TestRecording::longStartNumbersFindTheirTeam()
{
    QFETCH(QString, number);
    QFETCH(QString, other);
    auto c = makeCompetition(2);
    ResultGrid& v = c->grid(CompetitionRound::Vorrunde);
    v.setCell(VorrundeColumn::Nr, 1, other);
    v.setCell(VorrundeColumn::Nr, 2, number);
    c->lanes().fill(c->currentGrid());
    c->lanes().select(1, 1);
    c->recordLaneTime(1, QStringLiteral("41,20"));
    QCOMPARE(v.cell(VorrundeColumn::Lane1Zeit, 2), QStringLiteral("41,20"));
    QVERIFY(v.cell(VorrundeColumn::Lane1Zeit, 1).isEmpty());
}

QTEST_GUILESS_MAIN(TestRecording)
#include "tst_recording.moc"
