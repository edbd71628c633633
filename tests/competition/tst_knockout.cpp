// Whole knockouts, run the way an operator runs them (teams on the lanes, times recorded,
// penalties typed, pages left), and the brackets, places and overall tables they give.
#include "CompetitionFixture.h"

#include <QSet>
#include <QSignalSpy>
#include <QTest>

using namespace brv;
using namespace brv::test;

namespace {

// Two equal runs per team of 31,00 + 5 hundredths times (factor * start number mod 1000): ranked,
// the places are the start numbers, or (factor, 20) places team n at (7n mod 20) + 1.
void rankVorrunde(Competition& c, int factor = 1, int modulus = 1000)
{
    ResultGrid& v = c.grid(CompetitionRound::Vorrunde);
    for (int team = 1; team < v.rowCount(); ++team) {
        v.setCell(VorrundeColumn::Lane1Zeit, team, hundredths(3100 + 5 * ((factor * team) % modulus)));
        v.setCell(VorrundeColumn::Lane2Zeit, team, v.cell(VorrundeColumn::Lane1Zeit, team));
    }
    c.recalculateRound();
}

// Every heat of a knockout page, as the operator runs it: in round i (Achtelfinale 1 .. Finale 4)
// team n's Zeit is 30,00 + form / 10 s + i hundredths, its Fehler i seconds; its form is 7n mod 17,
// 7 14 4 11 1 8 15 5 12 2 9 16 6 13 3 10 for teams 1 to 16.
void runRound(Competition& c, CompetitionRound round)
{
    c.changePage(round);
    const ResultGrid& k = c.grid(round);
    const int i = roundIndex(round);
    for (int row = 1; row <= roundTeamCount(round); ++row) {
        const int lane = 2 - row % 2;
        c.lanes().select(lane, row - 1);
        c.recordLaneTime(lane, 10 * (3000 + 10 * (7 * k.cell(KnockoutColumn::Nr, row).toInt() % 17) + i));
        c.selectCell(KnockoutColumn::Fehler, row);
        c.setEditText(QString::number(i));
        c.editEnter();
    }
}

// "Nr./Pl." of each row: the team and the place it brought into the round.
QString heats(const ResultGrid& k)
{
    QStringList rows;
    for (int r = 1; r < k.rowCount(); ++r)
        rows << k.cell(KnockoutColumn::Nr, r) + '/' + k.cell(KnockoutColumn::PlaceBefore, r);
    return rows.join(' ');
}

// The start numbers of the overall table's teams, in its order.
QString overallTeams(const ResultGrid& o)
{
    return column(o, OverallColumn::Mannschaft).replaceInStrings("FF Team ", "").join(' ');
}

} // namespace

class TestKnockout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void wholeKnockout_data();
    void wholeKnockout();
    void seedingByVorrundePlace_data();
    void seedingByVorrundePlace();
    void correctionsAndRebuiltRounds();
    void randomFill_data();
    void randomFill();
    void smallFields_data();
    void smallFields();
    void smallFieldStartsLater_data();
    void smallFieldStartsLater();
};

void TestKnockout::wholeKnockout_data()
{
    QTest::addColumn<QList<int>>("setup"); // knockout start, pairing, teams (Vorrunde places = start numbers)
    QTest::addColumn<QStringList>("rounds"); // "Nr./Pl." of each knockout round, the first round first
    QTest::addColumn<QStringList>(
        "results"); // the Finale's places, the overall table's teams, its rows 1 and 5
    const QString achtel = "1/1 16/16 8/8 9/9 4/4 13/13 5/5 12/12 2/2 15/15 7/7 10/10 3/3 14/14 6/6 11/11";
    const QString winner =
        "1|FF Team 5|A|62,50|30,11|1|31,11|30,12|2|32,12|30,13|3|33,13|30,14|4|34,14|31,11";
    QTest::newRow("Achtelfinale, by place")
        << QList<int>{0, 0, 20}
        << QStringList{achtel, "5/1 6/8 3/4 8/5 10/2 1/7 15/3 13/6", "5/1 3/4 10/2 15/3", "3/4 15/3 10/2 5/1"}
        << QStringList{"4 3 2 1", "5 10 15 3 8 13 1 6 11 16 4 9 14 2 7 12 17 18 19 20", winner,
                       "5|FF Team 8|A|62,80|30,51|1|31,51|30,52|2|32,52|||||||31,40"};
    QTest::newRow("Achtelfinale, winners keep the bracket")
        << QList<int>{0, 1, 20}
        << QStringList{achtel, "1/1 8/2 13/3 5/4 15/5 10/6 3/7 6/8", "8/1 5/2 10/3 3/4", "8/4 3/3 5/2 10/1"}
        << QStringList{"4 3 1 2", "5 10 3 8 15 13 1 6 11 16 4 9 14 2 7 12 17 18 19 20", winner,
                       "5|FF Team 15|A|63,50|30,31|1|31,31|30,32|2|32,32|||||||31,31"};
    const QString viertel = "1/1 8/8 4/4 5/5 2/2 7/7 3/3 6/6";
    const QString overall = "5 3 8 2 1 6 4 7 9 10 11 12";
    const QString row1 = "1|FF Team 5|A|62,50||||30,12|2|32,12|30,13|3|33,13|30,14|4|34,14|31,25";
    const QString row5 = "5|FF Team 1|A|62,10||||30,72|2|32,72|||||||31,05";
    QTest::newRow("Viertelfinale, by place")
        << QList<int>{1, 0, 12} << QStringList{viertel, "5/1 2/4 3/2 8/3", "2/4 8/3 3/2 5/1"}
        << QStringList{"4 3 2 1", overall, row1, row5};
    QTest::newRow("Viertelfinale, winners keep the bracket")
        << QList<int>{1, 1, 12} << QStringList{viertel, "8/1 5/2 2/3 3/4", "8/4 2/3 5/2 3/1"}
        << QStringList{"3 4 1 2", overall, row1, row5};
}

void TestKnockout::wholeKnockout()
{
    QFETCH(QList<int>, setup);
    QFETCH(QStringList, rounds);
    QFETCH(QStringList, results);
    CompetitionOptions options;
    options.knockoutStart = KnockoutStart(setup[0]);
    options.pairing = Pairing(setup[1]);
    auto c = makeCompetition(setup[2], options);
    rankVorrunde(*c);
    const int first = roundIndex(CompetitionRound::Finale) + 1 - int(rounds.size());
    for (int i = first; i <= roundIndex(CompetitionRound::Finale); ++i)
        runRound(*c, roundAt(i));
    c->changePage(CompetitionRound::GesamtErgebnis);

    const ResultGrid& v = c->grid(CompetitionRound::Vorrunde);
    QCOMPARE(column(v, VorrundeColumn::Place), column(v, VorrundeColumn::Nr));
    QCOMPARE(c->grid(CompetitionRound::Achtelfinale).isRowBlank(1), first > 1);
    for (int i = first; i <= roundIndex(CompetitionRound::Finale); ++i) {
        const ResultGrid& k = c->grid(roundAt(i));
        QCOMPARE(heats(k), rounds[i - first]);
        // the result each team brought: its Vorrunde value, then its Gesamt of the round before
        const ResultGrid& before = c->grid(roundAt(i == first ? 0 : i - 1));
        const int nr = i == first ? columnIndex(VorrundeColumn::Nr) : columnIndex(KnockoutColumn::Nr);
        const int result =
            i == first ? columnIndex(VorrundeColumn::RankingValue) : columnIndex(KnockoutColumn::Gesamt);
        for (int r = 1; r < k.rowCount(); ++r)
            QCOMPARE(k.cell(KnockoutColumn::BroughtResult, r),
                     before.cell(result, before.findRow(nr, k.cell(KnockoutColumn::Nr, r))));
    }
    const ResultGrid& o = c->grid(CompetitionRound::GesamtErgebnis);
    QCOMPARE((QStringList{column(c->grid(CompetitionRound::Finale), KnockoutColumn::Outcome).join(' '),
                          overallTeams(o), o.rowCells(1).join('|'), o.rowCells(5).join('|')}),
             results);
    QCOMPARE(column(o, OverallColumn::Place), column(v, VorrundeColumn::Nr));
    QCOMPARE(c->cellStyle(CompetitionRound::GesamtErgebnis, OverallColumn::Place, 1).medal, Medal::Gold);

    // a look back at any page changes nothing: the overall table follows the rounds, not the path
    QStringList before;
    for (CompetitionRound round : kAllRounds)
        before << c->grid(round).rowCells(1).join('|') + column(c->grid(round), 2).join('|');
    for (CompetitionRound look : {CompetitionRound::Vorrunde, CompetitionRound::Finale, roundAt(first)}) {
        c->changePage(look);
        c->changePage(CompetitionRound::GesamtErgebnis);
        QStringList after;
        for (CompetitionRound round : kAllRounds)
            after << c->grid(round).rowCells(1).join('|') + column(c->grid(round), 2).join('|');
        QCOMPARE(after, before);
    }
    // a knockout row without its Nr. (an older file) still finds its team by the name
    const QStringList winnerRow = o.rowCells(1);
    ResultGrid& f = c->grid(CompetitionRound::Finale);
    f.setCell(KnockoutColumn::Nr, f.findRow(KnockoutColumn::Mannschaft, o.cell(OverallColumn::Mannschaft, 1)),
              "");
    QCOMPARE(o.rowCells(1), winnerRow);
}

void TestKnockout::seedingByVorrundePlace_data()
{
    QTest::addColumn<int>("knockoutStart");
    QTest::addColumn<QString>("firstRound");
    QTest::newRow("Achtelfinale: 1-16, 8-9, 4-13, 5-12, 2-15, 7-10, 3-14, 6-11")
        << 0 << "20/1 5/16 1/8 4/9 9/4 16/13 12/5 13/12 3/2 2/15 18/7 7/10 6/3 19/14 15/6 10/11";
    QTest::newRow("Viertelfinale: 1-8, 4-5, 2-7, 3-6") << 1 << "20/1 1/8 9/4 12/5 3/2 18/7 6/3 15/6";
}

void TestKnockout::seedingByVorrundePlace()
{
    QFETCH(int, knockoutStart);
    QFETCH(QString, firstRound);
    CompetitionOptions options;
    options.knockoutStart = KnockoutStart(knockoutStart);
    auto c = makeCompetition(20, options);
    rankVorrunde(*c, 7, 20); // team 20 first, team 3 second, ..., team 17 last
    ResultGrid& v = c->grid(CompetitionRound::Vorrunde);
    v.setCell(VorrundeColumn::Lane3Gesamt, 17, "30,50"); // a third run counts for the best result
    c->changePage(CompetitionRound::GesamtErgebnis);     // leaving the Vorrunde builds the first round
    QCOMPARE(heats(c->grid(roundAt(knockoutStart + 1))), firstRound);
    const ResultGrid& o = c->grid(CompetitionRound::GesamtErgebnis);
    QCOMPARE(overallTeams(o), "20 3 6 9 12 15 18 1 4 7 10 13 16 19 2 5 8 11 14 17");
    QCOMPARE(o.rowCells(20).join('|'), "20|FF Team 17|A|63,90|||||||||||||30,50");
}

// A knockout Zeit typed with Enter decides its heat at once, and the next round takes the winner;
// going on from a round with an open heat asks. A Vorrunde correction that rebuilds a round after
// it ran decides every heat anew from its runs and names the teams that meet another opponent;
// runs that are deleted rank nobody. "Nein" to a rebuild keeps the tables.
void TestKnockout::correctionsAndRebuiltRounds()
{
    CompetitionOptions options;
    options.knockoutStart = KnockoutStart::Viertelfinale;
    auto c = makeCompetition(16, options);
    FixedAnswer yes(true);
    FixedAnswer no(false);
    c->setYesNoQuestion(&yes);
    rankVorrunde(*c);
    runRound(*c, CompetitionRound::Viertelfinale); // heat 1: team 1 beats team 8
    ResultGrid& q = c->grid(CompetitionRound::Viertelfinale);
    c->selectCell(KnockoutColumn::Zeit, 1);
    c->setEditText("59,99");
    c->editEnter();
    QCOMPARE(column(q, KnockoutColumn::Outcome).mid(0, 2).join(' '), "- +");
    c->changePage(CompetitionRound::Halbfinale);
    const ResultGrid& h = c->grid(CompetitionRound::Halbfinale);
    QVERIFY(h.findRow(KnockoutColumn::Mannschaft, "FF Team 8") > 0 &&
            h.findRow(KnockoutColumn::Mannschaft, "FF Team 1") < 0);

    c->changePage(CompetitionRound::Viertelfinale);
    c->selectCell(KnockoutColumn::Zeit, 5);
    c->clearCurrentCell(); // heat 3 is open again
    c->setYesNoQuestion(&no);
    QVERIFY(!c->changePage(CompetitionRound::Halbfinale));
    QCOMPARE(no.lastQuestion, "Lauf 3 ohne Entscheidung. Trotzdem weiter?");
    QCOMPARE(c->currentRound(), CompetitionRound::Viertelfinale);

    // Vorrunde place 4 disqualified: places 5 to 8 move up, team 9 comes in, every heat is
    // decided from its runs against its new opponent
    c->setYesNoQuestion(&yes);
    c->changePage(CompetitionRound::Vorrunde);
    c->selectCell(VorrundeColumn::Nr, 4);
    c->markDisqualified();
    c->setYesNoQuestion(&no); // "Nein" keeps every table as it was
    const QString before = heats(q) + column(q, KnockoutColumn::Gesamt).join(' ');
    c->changePage(CompetitionRound::Viertelfinale);
    QCOMPARE(heats(q) + column(q, KnockoutColumn::Gesamt).join(' '), before);
    c->setYesNoQuestion(&yes);
    c->changePage(CompetitionRound::Vorrunde);
    c->changePage(CompetitionRound::Viertelfinale);
    QCOMPARE(yes.lastQuestion,
             "Viertelfinale neu aufbauen? Die Ergebnisse von FF Team 4 entfallen. Neue Gegner "
             "für FF Team 1, FF Team 8, FF Team 5, FF Team 7, FF Team 3 und FF Team 6.");
    QCOMPARE(heats(q), "1/1 9/8 5/4 6/5 2/2 8/7 3/3 7/6");
    QCOMPARE(column(q, KnockoutColumn::Outcome).join(' '), "  + -   + -"); // teams 9 and 2 have not run

    // both runs of team 2 deleted: no ranking value, no place, not in the next round
    c->changePage(CompetitionRound::Vorrunde);
    for (VorrundeColumn zeit : {VorrundeColumn::Lane1Zeit, VorrundeColumn::Lane2Zeit}) {
        c->selectCell(zeit, 2);
        c->clearCurrentCell();
    }
    const ResultGrid& v = c->grid(CompetitionRound::Vorrunde);
    QCOMPARE(v.cell(VorrundeColumn::RankingValue, 2) + v.cell(VorrundeColumn::Place, 2), "");
    CompetitionOptions best = c->options(); // in best-time mode likewise
    best.rankingMode = RankingMode::BestTime;
    c->setOptions(best);
    c->recalculateRound();
    QCOMPARE(v.cell(VorrundeColumn::RankingValue, 2) + v.cell(VorrundeColumn::Place, 2), "");
    QVERIFY(!v.cell(VorrundeColumn::Place, 1).isEmpty());
    c->changePage(CompetitionRound::Viertelfinale);
    QCOMPARE(q.findRow(KnockoutColumn::Mannschaft, "FF Team 2"), -1);

    // places 7 and 8 swap after the Viertelfinale ran: nobody drops out, yet the question names
    // the teams that meet another opponent
    auto d = makeCompetition(16, options);
    d->setYesNoQuestion(&yes);
    rankVorrunde(*d);
    runRound(*d, CompetitionRound::Viertelfinale);
    d->changePage(CompetitionRound::Vorrunde);
    for (VorrundeColumn zeit : {VorrundeColumn::Lane1Zeit, VorrundeColumn::Lane2Zeit})
        d->grid(CompetitionRound::Vorrunde).setCell(zeit, 8, "31,30");
    d->recalculateRound();
    d->changePage(CompetitionRound::Viertelfinale);
    QCOMPARE(yes.lastQuestion,
             "Viertelfinale neu aufbauen? Neue Gegner für FF Team 1, FF Team 8, FF Team 2 und FF Team 7.");
}

void TestKnockout::randomFill_data()
{
    QTest::addColumn<bool>("shift");         // Shift held: 1 s bases instead of 10 s, and the third lane on
    QTest::addColumn<QString>("finaleRow1"); // the same numbers after every program start
    QTest::newRow("16 teams from the Achtelfinale") << false << "4|14|FF Team 14|A|88,19|77,10|2|79,10|4";
    QTest::newRow("12 teams from the Viertelfinale, Shift, three lanes")
        << true << "4|6|FF Team 6|A|14,80|4,99|1|5,99|3";
}

void TestKnockout::randomFill()
{
    QFETCH(bool, shift);
    QFETCH(QString, finaleRow1);
    CompetitionOptions options;
    options.knockoutStart = KnockoutStart(shift);
    options.thirdLaneOn = shift;
    auto c = makeCompetition(shift ? 12 : 16, options);
    FixedShift shiftKey(shift);
    c->setShiftKeyState(&shiftKey);
    QSignalSpy pages(c.get(), &Competition::pageChanged);
    c->fillAllPages();
    QCOMPARE(pages.count(), shift ? 5 : 6); // every page shown is entered
    QCOMPARE(c->grid(CompetitionRound::Finale).rowCells(1).join('|'), finaleRow1);
    QCOMPARE(c->currentRound(), CompetitionRound::GesamtErgebnis);
    QCOMPARE(c->grid(CompetitionRound::Achtelfinale).isRowBlank(1), shift);
    QCOMPARE(column(c->grid(CompetitionRound::Vorrunde), VorrundeColumn::Lane3Zeit).join("").isEmpty(),
             !shift);
}

void TestKnockout::smallFields_data()
{
    QTest::addColumn<int>("teams");
    QTest::addColumn<int>("start"); // KnockoutStart
    QTest::addColumn<int>("byes");  // places 1 to `byes` have no opponent on leaving the Vorrunde
    const std::array<std::tuple<int, int, int>, 12> fields{{{2, 0, 2},
                                                            {3, 0, 3},
                                                            {6, 0, 6},
                                                            {9, 0, 7},
                                                            {14, 0, 2},
                                                            {15, 0, 1},
                                                            {2, 1, 2},
                                                            {3, 1, 3},
                                                            {4, 1, 4},
                                                            {5, 1, 3},
                                                            {7, 1, 1},
                                                            {9, 1, 0}}};
    for (const auto& [teams, start, byes] : fields)
        QTest::addRow("%d teams from the %s", teams, start ? "Viertelfinale" : "Achtelfinale")
            << teams << start << byes;
}

// A small field in both pairings: every team stays in the overall result once, with places 1 to
// n, also after a knockout round's results are cleared; a team whose opponent is missing runs
// alone and goes on; no team meets the same opponent in two rounds running; the final has two
// teams and the match for third place the others.
void TestKnockout::smallFields()
{
    QFETCH(int, teams);
    QFETCH(int, start);
    QFETCH(int, byes);
    PlaceNotice notice{PlaceNotice::Kind::Byes, {}};
    for (int p = 1; p <= byes; ++p)
        notice.places << p;
    for (Pairing pairing : {Pairing::ByPlace, Pairing::WinnersKeepBracket}) {
        CompetitionOptions options;
        options.knockoutStart = KnockoutStart(start);
        options.pairing = pairing;
        auto c = makeCompetition(teams, options);
        FixedAnswer yes(true);
        c->setYesNoQuestion(&yes);
        QSignalSpy messages(c.get(), &Competition::placeNoticeChanged);
        c->fillAllPages();
        QVERIFY(byes == 0 || std::any_of(messages.begin(), messages.end(), [&notice](const QVariantList& m) {
                    return m.value(0).value<PlaceNotice>() == notice;
                }));

        const ResultGrid& overall = c->grid(CompetitionRound::GesamtErgebnis);
        auto placesHold = [&] {
            QStringList listed = column(overall, OverallColumn::Mannschaft);
            listed.sort();
            QStringList all = column(c->grid(CompetitionRound::Vorrunde), VorrundeColumn::Mannschaft);
            all.sort();
            QCOMPARE(listed, all);
            for (int r = 1; r <= teams; ++r)
                QCOMPARE(overall.cell(OverallColumn::Place, r), QString::number(r));
        };
        placesHold();

        QSet<QString> metBefore;
        for (int i = roundIndex(start ? CompetitionRound::Viertelfinale : CompetitionRound::Achtelfinale);
             i <= roundIndex(CompetitionRound::Finale); ++i) {
            const ResultGrid& round = c->grid(roundAt(i));
            QSet<QString> met;
            for (int row = 1; row < round.rowCount(); row += 2) {
                const QString a = round.cell(KnockoutColumn::Mannschaft, row);
                const QString b = round.cell(KnockoutColumn::Mannschaft, row + 1);
                if (!a.isEmpty() && !b.isEmpty()) {
                    QVERIFY2(!metBefore.contains(a + b) && !metBefore.contains(b + a),
                             qPrintable(a + " " + b));
                    met << a + b;
                }
                // a team alone in its heat won it and stands in the next round
                const QString alone = a.isEmpty() ? b : b.isEmpty() ? a : QString();
                if (alone.isEmpty() || i == roundIndex(CompetitionRound::Finale))
                    continue;
                QCOMPARE(
                    round.cell(KnockoutColumn::Outcome, round.findRow(KnockoutColumn::Mannschaft, alone)),
                    "+");
                QVERIFY2(c->grid(roundAt(i + 1)).findRow(KnockoutColumn::Mannschaft, alone) > 0,
                         qPrintable(alone));
            }
            metBefore = met;
        }
        const ResultGrid& finale = c->grid(CompetitionRound::Finale);
        for (int row = 1; row <= 4; ++row)
            QCOMPARE(finale.cell(KnockoutColumn::Mannschaft, row).isEmpty(), row <= 2 && row + teams <= 4);

        c->changePage(roundAt(start + 1));
        c->clearResults();
        placesHold();
    }
}

void TestKnockout::smallFieldStartsLater_data()
{
    QTest::addColumn<QList<int>>("setup"); // teams, ranked teams, knockout start, answer, Achtelfinale run
    QTest::addColumn<QString>("asked");
    QTest::addColumn<QString>("seen"); // the page entered, its lanes' rows, after one heat and the next
    const QString six = "Nur 6 Mannschaften: mit dem Viertelfinale beginnen?";
    QTest::newRow("6 teams, Ja") << QList<int>{6, 6, 0, 1, 0} << six << "Viertelfinale 1 0, 3 4";
    QTest::newRow("6 teams, Nein: byes keep the lanes filled")
        << QList<int>{6, 6, 0, 0, 0} << six << "Achtelfinale 1 0, 5 0";
    QTest::newRow("one team") << QList<int>{3, 1, 0, 1, 0}
                              << "Nur 1 Mannschaft: mit dem Viertelfinale beginnen?"
                              << "Viertelfinale 1 0, 0 0";
    QTest::newRow("7 of 12 ranked") << QList<int>{12, 7, 0, 1, 0}
                                    << "Nur 7 Mannschaften: mit dem Viertelfinale beginnen?"
                                    << "Viertelfinale 1 0, 3 4";
    QTest::newRow("8 teams: no question") << QList<int>{8, 8, 0, 1, 0} << ""
                                          << "Achtelfinale 1 0, 3 0";
    QTest::newRow("nobody ranked") << QList<int>{6, 0, 0, 1, 0} << ""
                                   << "Achtelfinale 0 0, 0 0";
    QTest::newRow("from the Viertelfinale") << QList<int>{3, 3, 1, 1, 0} << ""
                                            << "Viertelfinale 1 0, 5 0";
    QTest::newRow("the Achtelfinale has run") << QList<int>{6, 6, 0, 1, 1} << ""
                                              << "Achtelfinale 5 0, 7 0";
}

// Leaving the Vorrunde with fewer than 8 ranked teams for an Achtelfinale offers to start at the
// Viertelfinale; either way a lane whose heat has only a bye takes the next team that has to run.
void TestKnockout::smallFieldStartsLater()
{
    QFETCH(QList<int>, setup);
    QFETCH(QString, asked);
    QFETCH(QString, seen);
    CompetitionOptions options;
    options.knockoutStart = KnockoutStart(setup[2]);
    auto c = makeCompetition(setup[0], options);
    ResultGrid& v = c->grid(CompetitionRound::Vorrunde);
    for (int team = 1; team <= setup[1]; ++team) {
        v.setCell(VorrundeColumn::Lane1Zeit, team, hundredths(3100 + team));
        v.setCell(VorrundeColumn::Lane2Zeit, team, hundredths(3100 + team));
    }
    c->recalculateRound();
    const CompetitionRound first =
        setup[2] ? CompetitionRound::Viertelfinale : CompetitionRound::Achtelfinale;
    FixedAnswer answer(setup[3] == 1);
    c->setYesNoQuestion(&answer);
    if (setup[4]) { // the Achtelfinale ran its first heat, then the operator went back
        answer.answer = false;
        c->changePage(first);
        c->recordLaneTime(1, 30000);
        c->changePage(CompetitionRound::Vorrunde);
        answer.answer = true;
        answer.lastQuestion.clear();
    }
    c->changePage(first);
    QCOMPARE(answer.lastQuestion, asked);
    auto lanes = [&]() -> QString {
        return QString::number(c->lanes().selector(1).row()) + ' ' +
               QString::number(c->lanes().selector(2).row());
    };
    QString result = roundCaption(c->currentRound()) + ' ' + lanes();
    for (int lane = 1; lane <= 2; ++lane)
        c->recordLaneTime(lane, 30000);
    c->advanceLanes();
    QCOMPARE(result + ", " + lanes(), seen);
    QCOMPARE(c->options().knockoutStart,
             seen.startsWith("Viertel") ? KnockoutStart::Viertelfinale : KnockoutStart::Achtelfinale);
}

QTEST_GUILESS_MAIN(TestKnockout)
#include "tst_knockout.moc"
