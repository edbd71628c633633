// The operator's actions on the competition: teams onto the lanes, stopped times recorded, cells
// corrected, runs marked, results cleared; the ranking they bring ("Neu auswerten"), what each of
// them announces, and how the tables are drawn.
#include "CompetitionFixture.h"
#include "competition/PublicBestResult.h"

#include <QSignalSpy>
#include <QTest>

#include <functional>

using namespace brv;
using namespace brv::test;

using Action = std::function<void(Competition&)>;
Q_DECLARE_METATYPE(Action)

namespace {

// "col=text" of the filled cells of a row from column 3 on.
QString filled(const ResultGrid& g, int row)
{
    QStringList cells;
    for (int col = 3; col < g.columnCount(); ++col) {
        if (!g.cell(col, row).isEmpty())
            cells << QStringLiteral("%1=%2").arg(col).arg(g.cell(col, row));
    }
    return cells.join(' ');
}

// The operator's actions, ';'-separated: "page P" (the tab control), "round P" (a page made
// current), "cell C R" (a click), "type TEXT", "enter", "commit", "void", "dis", "recalc",
// "lane L I" (an entry picked), "fill" (the lanes list the page's teams), "stop L TIME",
// "set C R TEXT" (a cell of the page written directly), "three" (the third lane's option on),
// "answer yes|no" (what the next questions are answered).
void run(Competition& c, const QString& script)
{
    for (const QString& step : script.split(';')) {
        const QStringList w = step.trimmed().split(' ');
        auto n = [&](int i) { return w.value(i).toInt(); };
        if (w[0] == "page")
            c.changePage(roundAt(n(1)));
        else if (w[0] == "round")
            c.setCurrentRound(roundAt(n(1)));
        else if (w[0] == "cell")
            c.selectCell(n(1), n(2));
        else if (w[0] == "type")
            c.setEditText(w.value(1));
        else if (w[0] == "enter")
            c.editEnter();
        else if (w[0] == "commit")
            c.commitCellEdit();
        else if (w[0] == "void")
            c.markVoid();
        else if (w[0] == "dis")
            c.markDisqualified();
        else if (w[0] == "recalc")
            c.recalculateRound();
        else if (w[0] == "lane")
            c.lanes().select(n(1), n(2));
        else if (w[0] == "fill")
            c.lanes().fill(c.currentGrid());
        else if (w[0] == "stop")
            c.recordLaneTime(n(1), qRound(QString(w.value(2)).replace(',', '.').toDouble() * 1000));
        else if (w[0] == "set")
            c.currentGrid().setCell(n(1), n(2), w.value(3));
        else if (w[0] == "answer") {
            static FixedAnswer yes(true);
            static FixedAnswer no(false);
            c.setYesNoQuestion(w.value(1) == "yes" ? &yes : &no);
        } else if (w[0] == "three")
            c.setOptions({RankingMode::BestSum, true});
    }
}

// Background, "bold", foreground, alignment other than centred, font size and medal.
QString describe(const CellStyle& s)
{
    QStringList words;
    if (s.background)
        words << QString::number(*s.background, 16).toUpper();
    if (s.bold)
        words << "bold";
    if (s.foreground)
        words << (*s.foreground == colour::Red ? "red"
                                               : (*s.foreground == colour::Green ? "green" : "other"));
    if (s.alignment == (Qt::AlignLeft | Qt::AlignVCenter))
        words << "left";
    else if (s.alignment != Qt::AlignCenter)
        words << (s.alignment == (Qt::AlignLeft | Qt::AlignTop) ? "top-left" : "other");
    if (s.fontPointSize)
        words << "font " + QString::number(s.fontPointSize);
    if (s.medal != Medal::None || s.medalTextLeft)
        words << QStringList{"none", "gold", "silver", "bronze"}[int(s.medal)] + ' ' +
                     QString::number(s.medalTextLeft);
    return words.join(' ');
}

// Six teams with three lanes, teams 1 to 3 on the lanes; a Halbfinale of teams 1, 5, 3, 6; a
// Finale with places; an overall table of 20 rows.
std::unique_ptr<Competition> drawnCompetition()
{
    CompetitionOptions options;
    options.thirdLaneOn = true;
    auto c = makeCompetition(6, options);
    ResultGrid& v = c->grid(CompetitionRound::Vorrunde);
    const QStringList gesamt = list("31 30 32|30 30 32|31 30,5 |AUS 33 DIS|29 30 31|31 30 29");
    for (int i = 0; i < 18; ++i)
        v.setCell(laneResultColumn(i % 3 + 1), i / 3 + 1, gesamt[i / 3].split(' ')[i % 3]);
    const int halbfinale[] = {1, 5, 3, 6};
    for (int r = 1; r <= 4; ++r) {
        const int team = halbfinale[r - 1];
        c->grid(CompetitionRound::Halbfinale)
            .setRowCells(r, {"1", v.cell(0, team), v.cell(1, team), "", "", "", "", "", "1"});
    }
    ResultGrid& f = c->grid(CompetitionRound::Finale);
    f.setRowCount(7);
    setColumn(f, KnockoutColumn::Mannschaft, list("FF A|FF B|FF C|FF D"));
    setColumn(f, KnockoutColumn::Gesamt, list("31,00|30,00|28,00|29,00")); // places 4 3 1 2
    f.setCell(KnockoutColumn::Outcome, 5, "+");
    ResultGrid& o = c->grid(CompetitionRound::GesamtErgebnis);
    o.setRowCount(21);
    setColumn(o, OverallColumn::Place, list("1|2|3|3"));
    setColumn(o, OverallColumn::FinaleErgebnis, list("30,00||31,00|31,00"));
    o.setRowCells(1, list("1|||60,00|||29,00|||AUS|||29,00|||30,00"));
    return c;
}

} // namespace

class TestOperations : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void operations_data();
    void operations();
    void provisionalRanking_data();
    void provisionalRanking();
    void advanceLanes_data();
    void advanceLanes();
    void clearResults_data();
    void clearResults();
    void correctionAndLoadKeepTheRanking_data();
    void correctionAndLoadKeepTheRanking();
    void announcements_data();
    void announcements();
    void vorrundeRow_data();
    void vorrundeRow();
    void tieWarning_data();
    void tieWarning();
    void heats_data();
    void heats();
    void tvBestResult_data();
    void tvBestResult();
    void teamList_data();
    void teamList();
    void canRecalculate_data();
    void canRecalculate();
    void cellStyle_data();
    void cellStyle();
};

void TestOperations::operations_data()
{
    // Three teams on the Vorrunde page. Vorrunde columns: 3-5 Zeit, Fehler, Gesamt of lane 1, 6-8
    // of lane 2, 9-11 of lane 3, 12 the ranking value, 13 the place; knockout: 5-7 Zeit, Fehler,
    // Gesamt, 8 the outcome.
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("table"); // "row: col=text ..." of the page's rows, whether a cell is edited
    const QString row1 = "set 3 1 5,00; set 4 1 2; set 5 1 9,99; set 8 1 41,00; ";
    const QString stop = "fill; lane 1 1; stop 1 45,67";
    const QString lane1 = "2: 3=45,67 4=0 5=45,67";
    QTest::newRow("lane 1's time") << QString("lane 1 1; stop 1 45,67") << lane1;
    QTest::newRow("lane 3's time") << QString("three; lane 3 1; stop 3 45,67") << "2: 9=45,67 10=0 11=45,67";
    QTest::newRow("no Nr.") << "set 0 2; " + stop << lane1;
    QTest::newRow("Nr. 007 next to Nr. 7") << "set 0 2 007; set 0 3 7; " + stop << lane1;
    QTest::newRow("four digits next to three") << "set 0 1 123; set 0 2 1234; " + stop << lane1;
    QTest::newRow("one digit next to two") << "set 0 1 12; set 0 2 1; " + stop << lane1;
    QTest::newRow("no team on the lane: nothing") << QString("lane 1 -1; stop 1 45,67") << "";
    QTest::newRow("no lane 0 or 4") << QString("stop 0 45,67; stop 4 45,67") << "";
    QTest::newRow("Achtelfinale: a team alone wins its heat")
        << "round 1; set 1 2 2; set 2 2 B; " + stop << "2: 5=45,67 6=0 7=45,67 8=+";
    QTest::newRow("an empty knockout row: nothing") << QString("round 2; ") + stop << "";
    QTest::newRow("overall page") << QString("round 5; set 1 1 2; fill; lane 1 0; stop 1 45,67") << "";
    QTest::newRow("typed point is the separator") << row1 + "cell 3 1; type 5.40; enter"
                                                  << "1: 3=5,40 4=2 5=7,40 8=41,00 12=48,40 13=1 ended";
    QTest::newRow("letters dropped in Fehler") << row1 + "cell 4 1; type 1a0; enter"
                                               << "1: 3=5,00 4=10 5=15,00 8=41,00 12=56,00 13=1 ended";
    QTest::newRow("no penalty counts 0") << row1 + "cell 4 1; type x; enter"
                                         << "1: 3=5,00 4=0 5=5,00 8=41,00 12=46,00 13=1 ended";
    QTest::newRow("after Enter typing writes nothing")
        << QString("cell 3 2; type 40,00; enter; type 50,00") << "2: 3=40,00 4=0 5=40,00 ended";
    QTest::newRow("a deleted time empties the run") << row1 + "cell 3 1; type; enter"
                                                    << "1: 8=41,00 ended";
    QTest::newRow("no time: refused, the old one stays")
        << row1 + "cell 3 1; type 4,2,5; enter"
        << "1: 3=5,00 4=2 5=7,00 8=41,00 12=48,00 13=1 ended";
    QTest::newRow("a penalty needs a time") << QString("cell 4 1; type 3; enter") << " ended";
    QTest::newRow("not editable: nothing written") << row1 + "cell 12 1; type 99; enter"
                                                   << "1: 3=5,00 4=2 5=9,99 8=41,00";
    QTest::newRow("the same cell or outside: still editing")
        << QString("cell 3 2; type 40,00; cell 3 2; cell 3 4") << "2: 3=40,00 editing";
    QTest::newRow("another cell commits; no penalty shows 0")
        << QString("cell 3 2; type 40,00; cell 1 3") << "2: 3=40,00 4=0 5=40,00 ended";
    QTest::newRow("a recalculation commits and ends the edit")
        << QString("set 3 2 30,00; cell 4 2; type 1; recalc; cell 4 2; type 10")
        << "2: 3=30,00 4=10 5=31,00 editing ended";
    QTest::newRow("a page change commits and ends the edit")
        << QString("set 3 2 30,00; cell 4 2; type 1; page 1; page 0; cell 4 2; type 10")
        << "2: 3=30,00 4=10 5=31,00 editing ended";
    QTest::newRow("knockout Zeit: Enter commits and decides the heat")
        << QString("round 1; set 2 1 A; set 2 2 B; set 7 2 41,00; cell 5 1; type 40,5; enter")
        << "1: 5=40,5 6=0 7=40,50 8=+; 2: 7=41,00 8=- ended";
    QTest::newRow("knockout: a refused time gets its own cell's text back")
        << QString("round 1; set 5 1 41,00; cell 6 1; type 2; cell 5 1; type 4,2,5; enter")
        << "1: 5=41,00 6=2 7=43,00 ended";
    QTest::newRow("knockout penalty")
        << QString("round 1; cell 5 1; type 40,5; set 6 1 2; commit") << "1: 5=40,5 6=2 7=42,50 editing";
    QTest::newRow("void outside the lanes") << QString("three; cell 2 2; void; cell 12 2; void") << "";
    QTest::newRow("void lane 1") << QString("three; cell 3 2; void") << "2: 3=AUS 4=AUS 5=AUS ended";
    QTest::newRow("void lane 3") << QString("three; cell 10 2; void; cell 11 3; void")
                                 << "2: 9=AUS 10=AUS 11=AUS; 3: 9=AUS 10=AUS 11=AUS ended";
    QTest::newRow("two lanes: a void run disqualifies")
        << QString("cell 5 2; void") << "2: 3=AUS 4=AUS 5=AUS 12=DIS 13=DIS";
    QTest::newRow("disqualified")
        << QString("cell 0 2; dis")
        << "2: 3=DIS 4=DIS 5=DIS 6=DIS 7=DIS 8=DIS 9=DIS 10=DIS 11=DIS 12=DIS 13=DIS";
    QTest::newRow("void in a knockout heat") << QString("round 3; cell 2 2; void") << "2: 5=AUS 6=AUS 7=AUS";
    QTest::newRow("disqualified in a knockout heat")
        << QString("round 3; set 2 1 A; set 2 2 B; set 7 1 41,00; cell 2 2; dis")
        << "1: 7=41,00 8=+; 2: 5=DIS 6=DIS 7=DIS 8=-";
    QTest::newRow("overall page: no marks") << QString("round 5; cell 3 1; void; dis") << "";
    // a recorded time is replaced by a mark only after "Ja"
    QTest::newRow("void over a time: Nein")
        << QString("set 3 2 30,00; cell 3 2; answer no; void") << "2: 3=30,00 editing";
    QTest::newRow("void over a time: Ja")
        << QString("set 3 2 30,00; cell 3 2; answer yes; void") << "2: 3=AUS 4=AUS 5=AUS 12=DIS 13=DIS ended";
    QTest::newRow("dis over a knockout time: Nein")
        << QString("round 3; set 5 2 40,00; cell 2 2; answer no; dis") << "2: 5=40,00";
}

void TestOperations::operations()
{
    QFETCH(QString, script);
    QFETCH(QString, table);
    auto c = makeCompetition(3);
    QSignalSpy ended(c.get(), &Competition::editEnded);
    run(*c, script);
    const ResultGrid& g = c->currentGrid();
    QStringList rows;
    for (int r = 1; r < g.rowCount(); ++r) {
        if (!filled(g, r).isEmpty())
            rows << QStringLiteral("%1: %2").arg(r).arg(filled(g, r));
    }
    QCOMPARE(rows.join("; ") + (g.editMode ? " editing" : "") +
                 QString(" ended").repeated(int(ended.count())),
             table);
}

void TestOperations::provisionalRanking_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("times"); // the lane times; the last one is stopped
    QTest::addColumn<QString>("ranking");   // it held "x"
    QTest::newRow("sum of the two best") << 0 << list("30,10|29,95|31,00") << "60,05";
    QTest::newRow("sum of the two best, lanes 1 and 3") << 0 << list("29,00|31,00|30,00") << "59,00";
    QTest::newRow("two times are summed") << 0 << list("30,00||31,00") << "61,00";
    QTest::newRow("one time keeps the old value") << 0 << list("30,00||") << "x";
    QTest::newRow("best time copies its text") << 1 << list("31,5|30,1|") << "30,10";
    QTest::newRow("zero time does not count") << 1 << list("0||") << "x";
    QTest::newRow("equal best times take the first lane") << 1 << list("|30,10|30,1") << "30,10";
    QTest::newRow("another mode leaves the value") << 7 << list("30,00|31,00|") << "x";
}

void TestOperations::provisionalRanking()
{
    QFETCH(int, mode);
    QFETCH(QStringList, times);
    QFETCH(QString, ranking);
    CompetitionOptions options;
    options.rankingMode = RankingMode(mode);
    options.thirdLaneOn = true;
    auto c = makeCompetition(3, options);
    ResultGrid& v = c->grid(CompetitionRound::Vorrunde);
    v.setCell(VorrundeColumn::RankingValue, 1, "x");
    int lastLane = 0;
    for (int lane = 1; lane <= 3; ++lane)
        lastLane = times[lane - 1].isEmpty() ? lastLane : lane;
    for (int lane = 1; lane < lastLane; ++lane)
        v.setCell(laneTimeColumn(lane), 1, times[lane - 1]);
    c->lanes().select(lastLane, 0);
    c->recordLaneTime(lastLane, qRound(QString(times[lastLane - 1]).replace(',', '.').toDouble() * 1000));
    QCOMPARE(v.cell(VorrundeColumn::RankingValue, 1), ranking);
}

void TestOperations::advanceLanes_data()
{
    // teams, lanes (-3: three with lane 3's box off) | runs recorded "team:lane" | entries after
    QTest::addColumn<QString>("lanes");
    QTest::newRow("the next teams") << "6 2 | 1:1 2:2 | 2 3 -1";
    QTest::newRow("second pass: each team on its other lane") << "6 2 | 1:1 2:2 3:1 4:2 5:1 6:2 | 1 0 -1";
    QTest::newRow("odd count: the last team, then the first on its other lane")
        << "5 2 | 1:1 2:2 3:1 4:2 | 4 0 -1";
    QTest::newRow("three lanes rotate") << "6 3 | 1:1 2:2 3:3 4:1 5:2 6:3 | 1 0 3";
    QTest::newRow("a team left alone runs alone") << "3 2 | 1:1 2:2 3:1 1:2 2:1 | -1 2 -1";
    QTest::newRow("every run recorded: the lanes stay empty") << "2 2 | 1:1 2:2 1:2 2:1 | -1 -1 -1";
    QTest::newRow("a void run counts as run") << "4 2 | 1:1 2:2 3:1x | 3 0 -1";
    QTest::newRow("lane 3 off: two lanes only") << "6 -3 | 1:1 2:2 | 2 3 -1";
}

void TestOperations::advanceLanes()
{
    QFETCH(QString, lanes);
    const QStringList parts = lanes.split('|');
    const QStringList setup = parts[0].simplified().split(' ');
    CompetitionOptions options;
    options.thirdLaneOn = std::abs(setup[1].toInt()) == 3;
    auto c = makeCompetition(setup[0].toInt(), options);
    c->setLane3On(setup[1] != "-3");
    for (const QString& run : parts[1].simplified().split(' ')) {
        const int lane = run.section(':', 1).left(1).toInt();
        c->grid(CompetitionRound::Vorrunde)
            .setCell(laneResultColumn(lane), run.section(':', 0, 0).toInt(),
                     run.endsWith('x') ? "AUS" : "40,00");
    }
    c->advanceLanes();
    QStringList after;
    for (int lane = 1; lane <= 3; ++lane)
        after << QString::number(c->lanes().selector(lane).index);
    QCOMPARE(after.join(' '), parts[2].simplified());
}

void TestOperations::clearResults_data()
{
    QTest::addColumn<int>("answer"); // 1 yes, 0 no, -1 nobody to ask
    QTest::addColumn<int>("page");
    QTest::newRow("declined") << 0 << 0;
    QTest::newRow("nobody to ask") << -1 << 0;
    QTest::newRow("from the Vorrunde") << 1 << 0;
    QTest::newRow("from the Halbfinale") << 1 << 3;
    QTest::newRow("on the overall page") << 1 << 5;
}

void TestOperations::clearResults()
{
    QFETCH(int, answer);
    QFETCH(int, page);
    auto c = makeCompetition(4);
    FixedAnswer question(answer == 1);
    c->setYesNoQuestion(answer >= 0 ? &question : nullptr);
    for (CompetitionRound round : kAllRounds) // the last row of each table filled
        c->grid(round).setRowCells(c->grid(round).rowCount() - 1, QStringList(17, "v"));
    c->grid(CompetitionRound::Vorrunde).setCell(VorrundeColumn::Lane1Gesamt, 2, "31,50");
    const PublicBestResult shown(*c);
    c->resultsLoaded();
    c->setCurrentRound(roundAt(page));
    c->clearResults();
    QCOMPARE(question.lastQuestion, answer >= 0 ? "Ergebnisse löschen?" : "");
    const bool tvCleared = answer == 1 && page == 0; // only clearing the Vorrunde forgets the TV best
    QCOMPARE(shown.value() ? QString::number(shown.value()->milliseconds) + shown.value()->team
                           : QString("none"),
             tvCleared ? "none" : "31500FF Team 2");
    for (CompetitionRound round : kAllRounds) {
        // the page and the rounds after it lose everything from their first result column on;
        // the heats' outcomes and the overall table follow the runs
        const ResultGrid& g = c->grid(round);
        if (round == CompetitionRound::GesamtErgebnis)
            continue;
        const bool cleared = answer == 1 && roundIndex(round) >= page;
        const bool vorrunde = round == CompetitionRound::Vorrunde;
        const int typed = vorrunde ? g.columnCount() : columnIndex(KnockoutColumn::Outcome);
        const int kept = cleared ? (vorrunde ? 3 : 4) : typed;
        QCOMPARE(g.rowCells(g.rowCount() - 1).mid(0, typed).join(""), QString(kept, 'v'));
        QCOMPARE(g.rowCount(), round == CompetitionRound::Vorrunde ? 5 : roundInitialRowCount(round));
    }
}

void TestOperations::correctionAndLoadKeepTheRanking_data()
{
    QTest::addColumn<QStringList>("setup"); // places loaded (none: no load), team 2's value, penalty
    QTest::addColumn<QString>("places");
    QTest::newRow("start-up, small correction") << list("|80,00|1") << "3 2 1";
    QTest::newRow("loaded, small correction") << list("3 2 1|80,00|1") << "3 2 1";
    QTest::newRow("loaded, penalty moves team 3 last") << list("3 2 1|80,00|25") << "2 1 3";
    QTest::newRow("loaded in start order: ranked") << list("1 2 3|80,00|") << "3 2 1";
    QTest::newRow("loaded without a value: the file's place") << list("1 DIS 3||") << "2 DIS 1";
}

void TestOperations::correctionAndLoadKeepTheRanking()
{
    QFETCH(QStringList, setup);
    QFETCH(QString, places);
    // A finished two-lane Vorrunde of three teams in start order, as a load or a start-up leaves
    // it: ranking values written, no recalculation run. Team 3 is the fastest.
    auto c = makeCompetition(3);
    ResultGrid& v = c->grid(CompetitionRound::Vorrunde);
    const QStringList runs = list("45,00|40,00|35,00");
    for (int r = 1; r <= 3; ++r)
        v.setRowCells(r, v.rowCells(r).mid(0, 3) +
                             QStringList{runs[r - 1], "0", runs[r - 1], runs[r - 1], "0", runs[r - 1]});
    setColumn(v, VorrundeColumn::RankingValue, {"90,00", setup[1], "70,00"});
    setColumn(v, VorrundeColumn::Place, list("3|2|1"));
    v.setCell(VorrundeColumn::Nr, 2, "17"); // start numbers need not be row numbers
    if (!setup[0].isEmpty()) {
        std::array<std::unique_ptr<ResultGrid>, kRoundCount> loaded;
        loaded[0] = std::make_unique<ResultGrid>(v);
        setColumn(*loaded[0], VorrundeColumn::Place, setup[0].split(' '));
        c->replaceTables(loaded, {true});
    }
    if (!setup[2].isEmpty()) {
        c->selectCell(VorrundeColumn::Lane1Fehler, 3);
        c->setEditText(setup[2]);
        c->selectCell(VorrundeColumn::Lane2Fehler, 3); // the next cell: commits the correction
    }
    QCOMPARE(column(v, VorrundeColumn::Place).join(' '), places);
    QCOMPARE(column(v, VorrundeColumn::Nr).join(' '), "1 17 3"); // still in start order
}

void TestOperations::announcements_data()
{
    QTest::addColumn<Action>("action");
    QTest::addColumn<QString>("announced");
    using C = Competition;
    QTest::newRow("a page entered") << Action([](C& c) { c.enterRound(CompetitionRound::Finale); })
                                    << "cell lanes layout page";
    QTest::newRow("lanes after a load") << Action([](C& c) { c.enterLoadedLanes(); }) << "lanes layout";
    QTest::newRow("recalculated with a best time") << Action([](C& c) {
        c.grid(CompetitionRound::Vorrunde).setCell(VorrundeColumn::Lane1Gesamt, 1, "30,00");
        c.recalculateRound();
    }) << "cell evaluated";
    QTest::newRow("results cleared") << Action([](C& c) {
        FixedAnswer yes(true);
        c.setYesNoQuestion(&yes);
        c.clearResults();
        c.setYesNoQuestion(nullptr);
    }) << "layout reset";
    QTest::newRow("tables replaced") << Action([](C& c) { c.replaceTables({}, {}); }) << "cell";
    QTest::newRow("a lane time") << Action([](C& c) { c.recordLaneTime(1, 30000); }) << "";
}

void TestOperations::announcements()
{
    QFETCH(Action, action);
    QFETCH(QString, announced);
    auto c = makeCompetition(3);
    QStringList seen;
    const std::pair<QString, void (Competition::*)()> plain[] = {
        {"cell", &Competition::currentCellChanged},
        {"lanes", &Competition::lanesChanged},
        {"layout", &Competition::layoutRequested},
        {"evaluated", &Competition::resultsEvaluated},
        {"reset", &Competition::resultsReset}};
    for (const auto& [name, signal] : plain)
        connect(c.get(), signal, [&seen, name = name] { seen << name; });
    connect(c.get(), &Competition::pageChanged, [&] { seen << "page"; });
    action(*c);
    seen.sort();
    seen.removeDuplicates();
    QCOMPARE(seen.join(' '), announced);
}

void TestOperations::vorrundeRow_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("three");
    QTest::addColumn<QStringList>("cells"); // Zeit, Fehler of lanes 1..3
    QTest::addColumn<QString>("result");    // Gesamt of lanes 1..3 and the ranking value (it held "x")
    QTest::newRow("two lanes, sum") << 0 << false << list("30|2|31|0||") << "32,00|31,00||63,00";
    QTest::newRow("two lanes, a void run: DIS") << 0 << false << list("AUS|AUS|31|0||") << "AUS|31,00||DIS";
    QTest::newRow("one of three void") << 0 << true << list("30|0|AUS|AUS|31|1") << "30,00|AUS|32,00|62,00";
    QTest::newRow("three lanes, two void runs") << 0 << true << list("30|0|AUS|||AUS") << "30,00|AUS|AUS|DIS";
    QTest::newRow("lanes 1 and 3 best") << 0 << true << list("30|0|31|0|30|0") << "30,00|31,00|30,00|60,00";
    QTest::newRow("a zero run alone") << 0 << false << list("0|0||||") << "0|||";
    QTest::newRow("one result: no ranking value") << 0 << false << list("30|0||||") << "30,00|||";
    QTest::newRow("lane 3's runs count after lane 3 was switched off")
        << 0 << false << list("30|0|40|0|10|0") << "30,00|40,00|10,00|40,00";
    QTest::newRow("best time") << 1 << true << list("30|3|31|1||") << "33,00|32,00||32,00";
    QTest::newRow("best time, lane 3") << 1 << true << list("31|0|32|0|30,5|0") << "31,00|32,00|30,50|30,50";
    QTest::newRow("best time, 2 of 3 void") << 1 << true << list("AUS||31|1|AUS|") << "AUS|32,00|AUS|32,00";
    QTest::newRow("best time, all void") << 1 << true << list("AUS||AUS||AUS|") << "AUS|AUS|AUS|DIS";
    QTest::newRow("best time, zero Gesamt is no result") << 1 << false << list("0|0|0|0||") << "0|0||";
    QTest::newRow("another mode never ranks") << 5 << false << list("AUS||30|0||") << "AUS|30,00||x";
}

void TestOperations::vorrundeRow()
{
    QFETCH(int, mode);
    QFETCH(bool, three);
    QFETCH(QStringList, cells);
    QFETCH(QString, result);
    CompetitionOptions options;
    options.rankingMode = RankingMode(mode);
    options.thirdLaneOn = three;
    auto c = makeCompetition(1, options);
    ResultGrid& v = c->grid(CompetitionRound::Vorrunde);
    for (int lane = 1; lane <= 3; ++lane) {
        v.setCell(laneTimeColumn(lane), 1, cells[2 * lane - 2]);
        v.setCell(lanePenaltyColumn(lane), 1, cells[2 * lane - 1]);
        if (cells[2 * lane - 2] == "0")
            v.setCell(laneResultColumn(lane), 1, "0"); // a zero run as a file may hold it
    }
    v.setCell(VorrundeColumn::RankingValue, 1, "x");
    c->recalculateRound();
    QCOMPARE(QStringList({v.cell(VorrundeColumn::Lane1Gesamt, 1), v.cell(VorrundeColumn::Lane2Gesamt, 1),
                          v.cell(VorrundeColumn::Lane3Gesamt, 1), v.cell(VorrundeColumn::RankingValue, 1)})
                 .join('|'),
             result);
}

void TestOperations::tieWarning_data()
{
    QTest::addColumn<int>("teams");
    QTest::addColumn<QString>("atCut"); // the teams on the last qualifying place and the next one
    QTest::addColumn<int>("warned");    // the last qualifying place in " Plätze 16 und 17 prüfen!", 0: none
    QTest::newRow("9 teams, tie at 8 and 9") << 9 << "tie" << 8;
    QTest::newRow("9 teams, no tie") << 9 << "distinct" << 0;
    QTest::newRow("17 teams, tie at 16 and 17") << 17 << "tie" << 16;
    QTest::newRow("17 teams, both without a value: no tie") << 17 << "blank" << 0;
    QTest::newRow("8 teams keep the last warning") << 8 << "tie" << 16;
}

void TestOperations::tieWarning()
{
    QFETCH(int, teams);
    QFETCH(QString, atCut);
    QFETCH(int, warned);
    const PlaceNotice warning{warned == 16  ? PlaceNotice::Kind::TieAt16
                              : warned == 8 ? PlaceNotice::Kind::TieAt8
                                            : PlaceNotice::Kind::None,
                              {}};
    auto c = makeCompetition(17);
    ResultGrid& v = c->grid(CompetitionRound::Vorrunde);
    setColumn(v, VorrundeColumn::Lane1Zeit, QStringList(17, "30")); // two equal runs each: a tie, a warning
    setColumn(v, VorrundeColumn::Lane2Zeit, QStringList(17, "30"));
    c->recalculateRound();
    const PlaceNotice before = c->placeNotice();
    QSignalSpy announced(c.get(), &Competition::placeNoticeChanged);
    v.setRowCount(teams + 1);
    const int cut = teams >= 17 ? 16 : 8;
    for (int r = 1; r <= teams - (atCut == "blank" ? 2 : 0); ++r) { // "blank": the two last keep no value
        // sums 60 + r; the team after the cut ties with the one at it
        v.setCell(VorrundeColumn::Lane1Zeit, r,
                  QString::number(atCut == "tie" && r == cut + 1 ? 30 + cut : 30 + r));
        v.setCell(VorrundeColumn::Lane2Zeit, r, "30");
    }
    c->recalculateRound();
    QVERIFY(c->placeNotice() == warning);
    QCOMPARE(announced.count(), warning == before ? 0 : 1);
}

void TestOperations::heats_data()
{
    QTest::addColumn<int>("round"); // 1: the last heat of the Achtelfinale, Viertelfinale and Halbfinale
    QTest::addColumn<QStringList>("results");
    QTest::addColumn<QString>("outcome");
    QTest::newRow("faster first row") << 1 << list("25,00|26,00") << "+ -";
    QTest::newRow("faster second row") << 1 << list("26,00|25,00") << "- +";
    QTest::newRow("equal results go to the second row") << 1 << list("25,10|25,10") << "- +";
    QTest::newRow("void run loses") << 1 << list("AUS|40,00") << "- +";
    QTest::newRow("both void: second row wins") << 1 << list("AUS|AUS") << "- +";
    QTest::newRow("disqualified loses") << 1 << list("30,00|DIS") << "+ -";
    QTest::newRow("unfinished heat stays open") << 1 << list("30,00|") << " ";
    QTest::newRow("a result under a second counts") << 1 << list("0,50|30,00") << "+ -";
    QTest::newRow("second row under a second") << 1 << list("30,00|0,50") << "- +";
    QTest::newRow("zero result decides nothing") << 1 << list("0|30,00") << " ";
    QTest::newRow("Finale: places 3-4, then 1-2") << 4 << list("31,00|30,00|28,00|29,00") << "4 3 1 2";
    QTest::newRow("Finale, equal: second row better") << 4 << list("30,00|30,00|29,00|29,00") << "4 3 2 1";
    QTest::newRow("Finale, a void run loses") << 4 << list("AUS|30,00|28,00|29,00") << "4 3 1 2";
    QTest::newRow("Finale, under a second counts") << 4 << list("0,50|30,00|28,00|29,00") << "3 4 1 2";
    QTest::newRow("Finale, zero result: no places") << 4 << list("30,00|0|28,00|0") << "   ";
    QTest::newRow("Finale, open match") << 4 << list("30,00|||") << "   ";
    QTest::newRow("Finale, rows after the fourth") << 4 << list("31|30|28|29|27|26") << "4 3 1 2  ";
}

void TestOperations::heats()
{
    QFETCH(int, round);
    QFETCH(QStringList, results);
    QFETCH(QString, outcome);
    for (int i = round; i <= std::max(round, 3); ++i) {
        auto c = makeCompetition(2);
        c->setCurrentRound(roundAt(i));
        ResultGrid& k = c->currentGrid();
        const int first = round == 4 ? 1 : roundTeamCount(roundAt(i)) - 1;
        k.raiseRowCount(first + int(results.size()));
        for (int r = 0; r < results.size(); ++r) {
            k.setCell(KnockoutColumn::Mannschaft, first + r, QStringLiteral("FF %1").arg(r));
            k.setCell(KnockoutColumn::Gesamt, first + r, results[r]);
        }
        c->recalculateRound();
        QCOMPARE(column(k, KnockoutColumn::Outcome).mid(first - 1, results.size()).join(' '), outcome);
    }
}

void TestOperations::tvBestResult_data()
{
    QTest::addColumn<QStringList>("results"); // Gesamt of lanes 1..3 of teams 1 and 2, team 3 in the Finale
    QTest::addColumn<QString>("best");        // milliseconds and team; 5,00 of "before" was the best
    QTest::newRow("the smallest lane result") << list("31,50|32,00||33,00||31,60|") << "31500 FF Team 1";
    QTest::newRow("lane 3") << list("32,00|33,00|31,40|31,60|||") << "31400 FF Team 1";
    QTest::newRow("a tie counts nothing") << list("30,00|30,00||31,50|32,00||") << "31500 FF Team 2";
    QTest::newRow("a knockout result") << list("31,50||||||12,345") << "12345 FF Team 3";
    QTest::newRow("nothing: the last best stays") << list("|||AUS|||") << "5000 before";
    QTest::newRow("under a second") << list("||||||0,5") << "500 FF Team 3";
    QTest::newRow("zero is no result") << list("||||||0") << "5000 before";
}

void TestOperations::tvBestResult()
{
    QFETCH(QStringList, results);
    QFETCH(QString, best);
    auto c = makeCompetition(2);
    ResultGrid& f = c->grid(CompetitionRound::Finale);
    f.setRowCells(3, list("|9|before|||||5,00"));
    const PublicBestResult shown(*c);
    c->resultsLoaded();
    f.setRowCells(3, {"", "3", "FF Team 3", "", "", "", "", results[6]});
    for (int i = 0; i < 6; ++i)
        c->grid(CompetitionRound::Vorrunde).setCell(laneResultColumn(i % 3 + 1), i / 3 + 1, results[i]);
    c->resultsLoaded();
    QCOMPARE(QString::number(shown.value()->milliseconds) + ' ' + shown.value()->team, best);
}

void TestOperations::teamList_data()
{
    // on 4 teams, row 3 blank, lanes on rows 3 and 4, row 2 current; with a run: row 1 has one
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("run");
    QTest::addColumn<QString>("names");
    QTest::addColumn<QString>("lanes");
    QTest::addColumn<int>("refused"); // an InputRefusal, -1: none
    const char* unchanged = "FF Team 1|FF Team 2||FF Team 4";
    QTest::newRow("insert after the current row") << "insert" << false << "FF Team 1|FF Team 2|||FF Team 4"
                                                  << "3 4" << -1;
    QTest::newRow("remove the blank row") << "remove 3" << false << "FF Team 1|FF Team 2|FF Team 4"
                                          << "-1 2" << -1;
    QTest::newRow("a team's row stays")
        << "remove 2" << false << unchanged << "2 3" << int(InputRefusal::OnlyEmptyRowRemoved);
    QTest::newRow("no row added after a run")
        << "insert" << true << unchanged << "2 3" << int(InputRefusal::NoRowInsertedAfterFirstRun);
    QTest::newRow("no row removed after a run")
        << "remove 3" << true << unchanged << "2 3" << int(InputRefusal::NoRowRemovedAfterFirstRun);
    QTest::newRow("a name is corrected everywhere") << "name" << true << "FF Team 1|FF Neu||FF Team 4"
                                                    << "2 3" << -1;
    QTest::newRow("numbers are fixed after a run")
        << "nr" << true << unchanged << "2 3" << int(InputRefusal::OnlyNameAfterFirstRun);
    QTest::newRow("numbers typed before") << "nr" << false << unchanged << "2 3" << -1;
}

void TestOperations::teamList()
{
    QFETCH(QString, action);
    QFETCH(bool, run);
    auto c = makeCompetition(4);
    ResultGrid& v = c->grid(CompetitionRound::Vorrunde);
    ResultGrid& af = c->grid(CompetitionRound::Achtelfinale);
    af.setCell(KnockoutColumn::Mannschaft, 5, "FF Team 2");
    v.setRowCells(3, {});
    if (run)
        v.setCell(VorrundeColumn::Lane1Zeit, 1, "40,00");
    c->lanes().select(1, 2);
    c->lanes().select(2, 3);
    QSignalSpy refused(c.get(), &Competition::inputRefused);
    c->selectCell(VorrundeColumn::Mannschaft, action.endsWith('3') ? 3 : 2);
    if (action == "insert")
        c->insertTeamRow();
    else if (action.startsWith("remove"))
        c->removeTeamRow();
    else if (action == "name")
        c->setTeamCell(columnIndex(VorrundeColumn::Mannschaft), 2, " FF Neu ");
    else
        c->setTeamCell(columnIndex(VorrundeColumn::Nr), 2, "17");
    QTEST(column(v, VorrundeColumn::Mannschaft).join(QLatin1Char('|')), "names");
    QTEST(QStringLiteral("%1 %2").arg(c->lanes().selector(1).index).arg(c->lanes().selector(2).index),
          "lanes");
    QTEST(refused.isEmpty() ? -1 : int(refused.first().first().value<InputRefusal>()), "refused");
    QCOMPARE(v.cell(VorrundeColumn::Nr, 2), action == "nr" && !run ? "17" : "2");
    QCOMPARE(af.cell(KnockoutColumn::Mannschaft, 5), action == "name" ? "FF Neu" : "FF Team 2");
    QCOMPARE(c->laneTeam(2), LaneAssignment::entryText(v, c->lanes().selector(2).index + 1));
}

void TestOperations::canRecalculate_data()
{
    QTest::addColumn<QList<int>>("setup"); // page, teams, row 1 blanked
    QTest::addColumn<QString>("offered");  // "Neu auswerten"; save, print and clear
    QTest::newRow("one team") << QList<int>{0, 1, 0} << "1 0";
    QTest::newRow("one blank row") << QList<int>{0, 1, 1} << "0 0";
    QTest::newRow("two teams") << QList<int>{0, 2, 0} << "1 1";
    QTest::newRow("overall page, one blank row") << QList<int>{5, 0, 1} << "0 0";
}

void TestOperations::canRecalculate()
{
    QFETCH(QList<int>, setup);
    QFETCH(QString, offered);
    auto c = makeCompetition(setup[1]);
    c->setCurrentRound(roundAt(setup[0]));
    if (setup[2])
        c->currentGrid().setRowCells(1, QStringList(kOverallColumnCount, " "));
    QCOMPARE(QStringLiteral("%1 %2").arg(c->canRecalculate()).arg(c->tableHasData()), offered);
}

void TestOperations::cellStyle_data()
{
    QTest::addColumn<int>("round");         // -1: the Vorrunde with the third lane's option off
    QTest::addColumn<QStringList>("cells"); // "col/row=style"
    QTest::newRow("teams on the lanes are red") << 0 << list("0/3=red|5/1=FFD0D0 red");
    QTest::newRow("two lanes: lane 3's team is not red") << -1 << list("0/2=red|0/3=");
    QTest::newRow("smallest bold") << 0 << list("8/1=FFFFF0 bold red|5/5=FFF0F0 bold|11/6=F0FFF0 bold");
    QTest::newRow("a tie marks nothing") << 0 << list("5/2=FFD0D0 red|8/2=FFFFD0 red");
    QTest::newRow("blanks, marks: 99999") << 0 << list("8/3=FFFFF0 bold red|8/4=FFFFF0 bold|11/4=D0FFD0");
    QTest::newRow("knockout: lanes 1 and 2 only are red; the run's colours")
        << 3 << list("1/1=red|1/3=|0/3=D0E0FF|4/3=D0E0FF|5/3=FFFFD0|6/3=FFD0D0|7/3=D0FFD0");
    QTest::newRow("Finale medals")
        << 4
        << list("8/3=D0D0D0 top-left gold 10|8/4=D0D0D0 top-left silver 10|8/2=D0D0D0 top-left bronze 10");
    QTest::newRow("Finale without medals") << 4 << list("8/1=D0D0D0|8/5=D0D0D0|8/6=D0D0D0");
    QTest::newRow("overall: a round's run is white below its teams")
        << 5 << list("4/16=FFFFD0|4/17=FFFFFF|9/8=D0FFD0|9/9=FFFFFF|11/4=FFD0D0|13/4=FFFFD0|14/5=FFFFFF");
    QTest::newRow("overall: the first smallest result")
        << 5 << list("6/1=E8FFF0 bold green|12/1=D0FFD0|3/1=D0FFD0|15/3=E8FFF0 bold green");
    QTest::newRow("overall medals: places 1 to 3 with a Finale result")
        << 5 << list("0/1=top-left gold 7|0/2=|0/3=top-left bronze 7|0/4=");
}

void TestOperations::cellStyle()
{
    QFETCH(int, round);
    QFETCH(QStringList, cells);
    const auto c = drawnCompetition();
    if (round < 0)
        c->setOptions({});
    if (round == roundIndex(CompetitionRound::Halbfinale)) { // its own teams on lanes 1 to 3
        c->setCurrentRound(CompetitionRound::Halbfinale);
        c->lanes().fill(c->currentGrid());
        for (int lane = 1; lane <= 3; ++lane)
            c->lanes().select(lane, lane - 1);
    }
    QStringList drawn;
    for (const QString& cell : cells) {
        const int col = cell.section('/', 0, 0).toInt();
        const int row = cell.section('/', 1).section('=', 0, 0).toInt();
        drawn << cell.section('=', 0, 0) + '=' +
                     describe(c->cellStyle(roundAt(std::max(round, 0)), col, row));
    }
    QCOMPARE(drawn, cells);
}

QTEST_GUILESS_MAIN(TestOperations)
#include "tst_operations.moc"
