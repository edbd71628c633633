// The pieces the competition coordinates, each on its own: cell texts and numbers, the grid and its
// sorting, the protocol tables and their change signals, the lane assignment, the cell-edit
// session, the random numbers.
#include "CompetitionFixture.h"
#include "competition/Ranking.h"
#include "competition/TableSort.h"

#include <QSignalSpy>
#include <QTest>

using namespace brv;
using namespace brv::test;

namespace {

constexpr int RunTime = 0, Fixed2 = 1, ToNumber = 2, ToInteger = 3;

int columnCount(int table)
{
    return table == 0 ? kVorrundeColumnCount : (table == 5 ? kOverallColumnCount : kKnockoutColumnCount);
}

// Each lane's selected entry, "e" when enabled, "off" when switched off.
QString laneState(const LaneAssignment& lanes)
{
    QStringList state;
    for (int lane = 1; lane <= 3; ++lane) {
        const LaneSelector& s = lanes.selector(lane);
        state << QString::number(s.index) + (s.enabled ? "e" : "") + (s.inUse ? "" : "off");
    }
    return state.join(' ');
}

} // namespace

class TestUnits : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void conversion_data();
    void conversion();
    void gridEdges();
    void teamCount_data();
    void teamCount();
    void sortTable_data();
    void sortTable();
    void changeSignals_data();
    void changeSignals();
    void captions();
    void rankingCaptions_data();
    void rankingCaptions();
    void replaceTakesPresentTables();
    void laneSelection();
    void editKeys_data();
    void editKeys();
    void editableColumns();
    void randomSequence();
};

void TestUnits::conversion_data()
{
    QTest::addColumn<int>("function");
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<QStringList>("outputs"); // "-": not a number
    QTest::newRow("clock times are truncated, without minutes")
        << RunTime << list("0|9|10|12345|61005|1000000|-1234")
        << list("0,00|0,00|0,01|12,34|61,00|1000,00|-1,23");
    QTest::newRow("results are rounded as printf does")
        << Fixed2 << list("60.05|12.346|99999|0.125|2.675|-1.5|-1.006|1e17")
        << list("60,05|12,35|99999,00|0,13|2,67|-1,50|-1,01|100000000000000000,00");
    QTest::newRow("numbers")
        << ToNumber
        << list(" \t12,5 \t|,5|5,|-3,5|+5|1,5E2|-15e-1|123456789012345,6|1234567890123456,7|-0,001")
        << list("12.5|0.5|5|-3.5|5|150|-1.5|123456789012345.59|1234567890123456.8|-0.001");
    QTest::newRow("not numbers: other separators, marks, garbage, infinity")
        << ToNumber << list("12.34|1.234,5||   |AUS|+|,|12,3s|3E|3e+|12345678901234567e|1E999|nan|1,2,3| - 5")
        << QStringList(15, "-");
    QTest::newRow("start numbers")
        << ToInteger << list("  7|007|-4|2147483647|-2147483648|2147483648|99999999999|1,5|A1| |-")
        << list("7|7|-4|2147483647|-2147483648|-|-|-|-|-|-");
}

void TestUnits::conversion()
{
    QFETCH(int, function);
    QFETCH(QStringList, inputs);
    QFETCH(QStringList, outputs);
    const NumberFormat format = NumberFormat();
    QStringList results;
    for (const QString& input : inputs) {
        const std::optional<double> number = function == ToNumber ? format.toNumber(input) : std::nullopt;
        const std::optional<int> integer =
            function == ToInteger ? NumberFormat::toInteger(input) : std::nullopt;
        if (function == RunTime)
            results << format.runTime(input.toInt());
        else if (function == Fixed2)
            results << format.fixed2(input.toDouble());
        else
            results << (number    ? QString::number(*number, 'g', 17)
                        : integer ? QString::number(*integer)
                                  : "-");
    }
    QCOMPARE(results, outputs);
    // the separator is the locale's
    QCOMPARE(NumberFormat::fromLocale(QLocale(QLocale::German)).decimalSeparator(), QLatin1Char(','));
    const NumberFormat english = NumberFormat::fromLocale(QLocale(QLocale::English));
    QCOMPARE(english.runTime(12345) + ' ' + english.fixed2(0.125), "12.34 0.13");
    QVERIFY(!english.toNumber("12,34") && english.toNumber("12345678901234567.5") == 12345678901234567.5);
}

void TestUnits::gridEdges()
{
    ResultGrid g(TableId::Finale, kKnockoutColumnCount, 0);
    QCOMPARE(g.rowCount(), 2); // never fewer than the caption row and one data row
    g.setRowCount(5);
    g.setRowCells(0, list("Pl.|Nr.|B"));
    setColumn(g, KnockoutColumn::Mannschaft, list("| \t|B|B"));
    g.setCell(0, 3, "1");
    for (const auto& [col, row] : {std::pair{-1, 1}, std::pair{9, 1}, std::pair{0, 5}, std::pair{0, -1}})
        g.setCell(col, row, "x"); // outside the table: ignored
    QVERIFY(g.isRowBlank(1) && g.isRowBlank(2) && !g.isRowBlank(3) && g.cell(9, 1).isEmpty());
    QCOMPARE(g.findRow(KnockoutColumn::Mannschaft, "B"), 3); // the first data row; captions do not count
    QCOMPARE(g.findRow(KnockoutColumn::Mannschaft, "Nr."), -1);
    g.clearDataCells(0, 1);
    QCOMPARE(g.rowCells(0).join('|') + ' ' + g.rowCells(3).join('|'), "Pl.|Nr.|B|||||| ||B||||||");
    g.currentRow = 4;
    g.setRowCount(4);
    g.raiseRowCount(3);
    QVERIFY(g.currentRow == 3 && g.rowCount() == 4); // the current row stays inside; raising never drops
    g.raiseRowCount(6);
    QVERIFY(g.rowCount() == 6 && g.isRowBlank(4)); // a dropped row comes back empty
    ResultGrid copy(TableId::Vorrunde, kVorrundeColumnCount, 0);
    copy = g; // a table of another shape takes the whole shape
    QVERIFY(copy.id() == TableId::Finale && copy.columnCount() == kKnockoutColumnCount &&
            copy.rowCells(3) == g.rowCells(3));
}

void TestUnits::teamCount_data()
{
    QTest::addColumn<int>("table");
    QTest::addColumn<QStringList>("rows"); // each row's first cells
    QTest::addColumn<int>("teams");
    QTest::newRow("Vorrunde: a number or a name is a team, blanks, a class or a time are none")
        << 0 << QStringList{"1|FF A", "|FF B", "7|", " | \t|Kl. 1|31,00", ""} << 3;
    QTest::newRow("knockout: a bye's row is none") << 1 << QStringList{"1|3|FF A", "16||", "2||FF C"} << 2;
    QTest::newRow("overall: a place alone is none") << 5 << QStringList{"1|FF A", "2|", "|FF C"} << 2;
}

void TestUnits::teamCount()
{
    QFETCH(int, table);
    QFETCH(QStringList, rows);
    ResultGrid g(TableId(table), columnCount(table), int(rows.size()) + 1);
    for (int r = 1; r <= rows.size(); ++r)
        g.setRowCells(r, rows.at(r - 1).split('|'));
    QTEST(g.teamCount(), "teams");
}

void TestUnits::sortTable_data()
{
    QTest::addColumn<int>("table");
    QTest::addColumn<QList<int>>("keys"); // the sort column, then the further keys
    QTest::addColumn<QString>("how");     // "up", "down", "off" (sorting disabled); "places": sortAndNumber
    QTest::addColumn<QStringList>("values"); // the key cells of each row, ';'-separated
    QTest::addColumn<QString>("order"); // the rows as they were, in their new order; "/" the places column
    const QStringList outcomes = list("+;40,00|-;45,00|+;35,00|-;AUS|;|;50,00");
    QTest::newRow("result: blanks and marks after numbers")
        << 0 << QList<int>{12} << "up" << list("31,50||DIS|29,80") << "4 1 2 3";
    QTest::newRow("Nr. is numeric") << 0 << QList<int>{0} << "up" << list("10|9|x|2") << "4 2 1 3";
    QTest::newRow("lane 1 Zeit is a result") << 0 << QList<int>{3} << "up" << list("10,00|9,00") << "2 1";
    QTest::newRow("A-Z folded") << 0 << QList<int>{1} << "up" << list("b|A|a|B|Ä|[|Z|y") << "6 2 3 1 4 8 7 5";
    QTest::newRow("knockout Pl. is numeric") << 2 << QList<int>{0} << "up" << list("10|9|2") << "3 2 1";
    QTest::newRow("overall table compares text") << 5 << QList<int>{0} << "up" << list("10|9|2") << "1 3 2";
    QTest::newRow("descending, ties kept") << 3 << QList<int>{8} << "down" << list("+|-|+|-") << "2 4 1 3";
    QTest::newRow("descending results keep ties")
        << 3 << QList<int>{7} << "down" << list("30|31|30|31") << "2 4 1 3";
    QTest::newRow("second key after the first") << 1 << QList<int>{8, 7} << "up" << outcomes << "6 5 3 1 2 4";
    QTest::newRow("descending for both keys") << 1 << QList<int>{8, 7} << "down" << outcomes << "4 2 1 3 5 6";
    QTest::newRow("sorting off") << 0 << QList<int>{12} << "off" << list("31,50|29,80") << "1 2";
    QTest::newRow("places: numbers count, texts are copied")
        << 0 << QList<int>{12} << "places" << list("31,50||DIS|29,80") << "4 1 2 3 / 1|2||DIS";
    QTest::newRow("places with sorting off: in row order")
        << 0 << QList<int>{12} << "places off" << list("31,50|29,80| ") << "1 2 3 / 1|2| ";
    QTest::newRow("by Nr.: no places") << 0 << QList<int>{0} << "places" << list("2|1") << "2 1 / x|x";
    QTest::newRow("a knockout round: no places")
        << 4 << QList<int>{7} << "places" << list("31,00|30,00") << "2 1 / x|x";
    QTest::newRow("overall: never sorted") << 5 << QList<int>{3} << "places" << list("3|1") << "1 2 / x|x";
}

void TestUnits::sortTable()
{
    QFETCH(int, table);
    QFETCH(QList<int>, keys);
    QFETCH(QString, how);
    QFETCH(QStringList, values);
    QFETCH(QString, order);
    ResultGrid g(TableId(table), columnCount(table), int(values.size()) + 1);
    const int tag = table == 0 || table == 5 ? 2 : 3; // Klasse: never a key here
    const bool places = how.startsWith("places");
    for (int r = 1; r <= values.size(); ++r) {
        g.setCell(places ? g.columnCount() - 1 : tag, r, places ? "x" : "");
        g.setCell(tag, r, QString::number(r));
        const QStringList cells = values[r - 1].split(';');
        for (int k = 0; k < cells.size(); ++k)
            g.setCell(keys[k], r, cells[k]);
    }
    g.sortEnabled = !how.endsWith("off");
    g.sortDirection = how == "down" ? SortDirection::Descending : SortDirection::Ascending;
    g.secondarySortColumns.assign(keys.begin() + 1, keys.end());
    g.sortColumn = places ? keys[0] : 99;
    places ? brv::sortAndNumber(g, NumberFormat()) : brv::sortTable(g, keys[0], NumberFormat());
    QCOMPARE(column(g, tag).join(' ') +
                 (places ? " / " + column(g, g.columnCount() - 1).join('|') : QString()),
             order);
    QCOMPARE(g.sortColumn, g.sortEnabled || places ? keys[0] : 99);
}

void TestUnits::changeSignals_data()
{
    // Steps on the tables: "T:r" writes "x" into row r of table T (its index), "T:r=text" writes
    // the text, "T#n" sets its row count, "T~" swaps its rows pairwise; "[" starts a batch, "]"
    // ends one. Row 4 of the Vorrunde holds "same". The cells written are lane 1's Zeit or the
    // class, which the overall table does not show; a new row count reaches it.
    QTest::addColumn<QStringList>("steps"); // the steps, then the signals
    QTest::newRow("a cell outside a batch: its row") << QStringList{"0:3", "rows 0 3 3"};
    QTest::newRow("the same text: nothing") << QStringList{"0:4=same", ""};
    QTest::newRow("batch: one range per table") << QStringList{"[ 4:1 0:5 0:2 ]", "rows 0 2 5, rows 4 1 1"};
    QTest::newRow("nested batches: at the outer end") << QStringList{"[ [ 0:2 ] 0:4 ]", "rows 0 2 4"};
    QTest::newRow("more rows: the table, and the overall table") << QStringList{"0#8", "table 0, table 5"};
    QTest::newRow("the same row count: nothing") << QStringList{"0#6", ""};
    QTest::newRow("rows and cells: the table")
        << QStringList{"[ 0:1 0#4 3:2 0:3 ]", "table 0, rows 3 2 2, table 5"};
    QTest::newRow("sorted rows: the table") << QStringList{"4~", "table 4"};
}

void TestUnits::changeSignals()
{
    QFETCH(QStringList, steps);
    ProtocolTables t;
    t.grid(CompetitionRound::Vorrunde).setRowCount(6);
    t.grid(CompetitionRound::Vorrunde).setCell(3, 4, "same");
    QStringList seen;
    connect(&t, &ProtocolTables::rowsChanged, [&](CompetitionRound round, int first, int last) {
        seen << QStringLiteral("rows %1 %2 %3").arg(roundIndex(round)).arg(first).arg(last);
    });
    connect(&t, &ProtocolTables::tableChanged,
            [&](CompetitionRound round) { seen << QStringLiteral("table %1").arg(roundIndex(round)); });
    std::vector<std::unique_ptr<ProtocolTables::ChangeBatch>> batches;
    for (const QString& step : steps[0].split(' ')) {
        if (step == "[") {
            batches.push_back(std::make_unique<ProtocolTables::ChangeBatch>(t));
        } else if (step == "]") {
            batches.pop_back();
        } else {
            ResultGrid& g = t.grid(roundAt(step.left(1).toInt()));
            const QString arg = step.mid(2);
            if (step[1] == '#')
                g.setRowCount(arg.toInt());
            else if (step[1] == '~')
                g.reorderDataRows({2, 1, 4, 3});
            else
                g.setCell(3, arg.section('=', 0, 0).toInt(), arg.contains('=') ? arg.section('=', 1) : "x");
        }
    }
    QCOMPARE(seen.join(", "), steps[1]);
}

void TestUnits::captions()
{
    ProtocolTables t;
    QSignalSpy announced(&t, &ProtocolTables::captionsChanged);
    CompetitionOptions options;
    options.rankingMode = RankingMode::BestTime;
    options.classColumnCaption = "Gruppe";
    t.writeCaptions(options);
    QStringList rows;
    for (const ResultGrid* g : {&t.grid(CompetitionRound::Vorrunde), &t.grid(CompetitionRound::Finale),
                                &t.grid(CompetitionRound::GesamtErgebnis)})
        rows << g->rowCells(0).join(' ');
    QCOMPARE(rows,
             QStringList(
                 {"Nr. Mannschaft Gruppe Zeit Fehler Gesamt Zeit Fehler Gesamt Zeit Fehler Gesamt Zeit Pl.",
                  "Pl. Nr. Mannschaft Gruppe Vorrunde Zeit Fehler Gesamt Pl.",
                  "Platz Mannschaft Gruppe Ergebnis Zeit Fehler Ergebnis Zeit Fehler Ergebnis Zeit Fehler "
                  "Ergebnis Zeit Fehler Ergebnis Ergebnis"}));
    t.applyClassCaption("Klasse");
    t.setRoundHeading(7, "x");
    t.setRoundHeading(0, "Runde");
    t.setRoundHeading(6, "Beste Zeit");
    t.setPageCaption(CompetitionRound::Finale, "Endlauf");
    QStringList pages{t.laneHeadings().join('|'), t.roundHeadings().join('|')};
    for (CompetitionRound round : kAllRounds)
        pages << t.pageCaption(round) + ' ' + t.grid(round).cell(classColumn(round), 0);
    QCOMPARE(pages.join(", "),
             "|Bahn 1|Bahn 2|Bahn 3|Best, Runde|Vorrunde|Achtelfinale|Viertelfinale|Halbfinale|Finale|"
             "Beste Zeit, Vorrunde Klasse, Achtelfinale Klasse, Viertelfinale Klasse, Halbfinale "
             "Klasse, Endlauf Klasse, Gesamt-Ergebnis Klasse");
    QCOMPARE(announced.count(), 5);
}

void TestUnits::rankingCaptions_data()
{
    QTest::addColumn<QList<int>>("modes"); // the captions' mode before, the mode applied
    QTest::addColumn<QString>("captions"); // lane heading, ranking value's caption, announced
    QTest::newRow("best sum") << QList<int>{1, 0} << "Beste Summe 1";
    QTest::newRow("best time") << QList<int>{0, 1} << "Best Zeit 1";
    QTest::newRow("another mode after best time: nothing") << QList<int>{1, 7} << "Best Zeit 0";
}

void TestUnits::rankingCaptions()
{
    QFETCH(QList<int>, modes);
    QFETCH(QString, captions);
    ProtocolTables t;
    CompetitionOptions options;
    options.rankingMode = RankingMode(modes[0]);
    t.writeCaptions(options);
    QSignalSpy announced(&t, &ProtocolTables::captionsChanged);
    t.applyRankingCaptions(RankingMode(modes[1]));
    QCOMPARE(QStringList({t.laneHeadings().at(4), t.grid(CompetitionRound::Vorrunde).cell(12, 0),
                          QString::number(announced.count())})
                 .join(' '),
             captions);
}

void TestUnits::replaceTakesPresentTables()
{
    ProtocolTables t;
    ResultGrid& achtel = t.grid(CompetitionRound::Achtelfinale);
    achtel.currentRow = 5;
    achtel.editMode = true;
    std::array<std::unique_ptr<ResultGrid>, kRoundCount> tables;
    tables[1] = std::make_unique<ResultGrid>(TableId::Achtelfinale, kKnockoutColumnCount, 17);
    tables[1]->setRowCells(2, list("9|12|FF Neu"));
    tables[2] = std::make_unique<ResultGrid>(TableId::Viertelfinale, kKnockoutColumnCount, 3);
    QSignalSpy whole(&t, &ProtocolTables::tableChanged);
    QSignalSpy rows(&t, &ProtocolTables::rowsChanged);
    t.replace(tables, {false, true, false, true}); // no Viertelfinale; the Halbfinale's table is missing
    QCOMPARE(
        QStringLiteral("%1 %2 %3").arg(whole.count()).arg(rows.count()).arg(achtel.rowCells(2).join('|')),
        "1 0 9|12|FF Neu||||||");
    QVERIFY(achtel.currentRow == 1 && !achtel.editMode &&
            t.grid(CompetitionRound::Viertelfinale).rowCount() == 9);
}

void TestUnits::laneSelection()
{
    ResultGrid v(TableId::Vorrunde, kVorrundeColumnCount, 4);
    setColumn(v, VorrundeColumn::Nr, list("7|123|1234"));
    setColumn(v, VorrundeColumn::Mannschaft, list("FF A|FF B|FF C"));
    LaneAssignment lanes;
    QSignalSpy changed(&lanes, &LaneAssignment::changed);
    lanes.fill(v); // "%3s %s": numbers right-aligned, longer ones not cut
    QCOMPARE(QStringList({LaneAssignment::entryText(v, 1), LaneAssignment::entryText(v, 2),
                          LaneAssignment::entryText(v, 3)}),
             list("  7 FF A|123 FF B|1234 FF C"));
    QCOMPARE(lanes.selector(2).count, 3);
    QCOMPARE(laneState(lanes), "-1 -1 -1");
    lanes.enterPage(v, {true, true, true}); // lane n takes team n
    QCOMPARE(laneState(lanes), "0e 1e 2e");
    v.setCell(VorrundeColumn::Lane3Gesamt, 1, "30,00");
    lanes.select(1, 1);
    lanes.setLane3On(true, v); // on again: the first team on no other lane that has not run on lane 3
    QCOMPARE(laneState(lanes), "1e 1e 2e");
    v.setCell(VorrundeColumn::Lane3Gesamt, 1, "");
    lanes.setLane3On(false, v); // off: no teams, locked
    QCOMPARE(laneState(lanes) + ' ' + QString::number(lanes.selector(3).count), "1e 1e -1off 0");
    lanes.select(1, 0);
    lanes.setLane3On(true, v);
    QCOMPARE(lanes.selector(3).count, lanes.selector(1).count);
    lanes.setLane3On(false, v);
    lanes.enterPage(v, {true, true, false}); // lane 3 lists the teams but takes none
    QCOMPARE(laneState(lanes), "0e 1e -1eoff");
    lanes.setLane3On(true, v);
    lanes.enterLoadedPage(v, {true, false, true}); // lanes shown and in use take their team
    QCOMPARE(laneState(lanes), "0e -1 2e");
    lanes.select(1, 3); // outside the list: nothing
    lanes.setEnabled(3, false);
    const qsizetype announced = changed.count();
    lanes.setEnabled(3, false); // no change: not announced
    QCOMPARE(laneState(lanes) + ' ' + QString::number(changed.count() - announced), "-1e -1 2 0");
}

void TestUnits::editKeys_data()
{
    QTest::addColumn<QList<int>>("cell"); // round (-1: no edit), column, the column the edit belongs to
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<QStringList>("keys"); // typed, what reaches the cell
    QTest::addColumn<bool>("enterCommits");
    QTest::newRow("Vorrunde Zeit: digits, separator, backspace")
        << QList<int>{0, 3, 4} << QChar(',') << QStringList{"09/:a,.-\b", "09,,\b"} << true;
    QTest::newRow("lane 3, English") << QList<int>{0, 9, 10} << QChar('.') << list("1,2.x|1.2.") << true;
    QTest::newRow("Vorrunde lane 2 Fehler") << QList<int>{0, 7, 7} << QChar(',') << list("3e+|3") << true;
    QTest::newRow("knockout Zeit: no letters either")
        << QList<int>{1, 5, 5} << QChar(',') << list("a.1-|,1") << true;
    QTest::newRow("no edit: everything as it is")
        << QList<int>{-1, 0, -1} << QChar(',') << QStringList{"a.\b", "a.\b"} << false;
}

void TestUnits::editKeys()
{
    QFETCH(QList<int>, cell);
    QFETCH(QChar, separator);
    QFETCH(QStringList, keys);
    QFETCH(bool, enterCommits);
    CellEditSession session;
    if (cell[0] >= 0)
        session.begin(roundAt(cell[0]), cell[1]);
    QString typed;
    for (QChar key : keys[0]) {
        if (const std::optional<QChar> c = session.character(key, separator))
            typed += *c;
    }
    QCOMPARE(typed, keys[1]);
    QCOMPARE(session.accepted(keys[0], separator), QString(keys[1]).remove(QChar(8)));
    QCOMPARE(session.column(), cell[2]);
    QCOMPARE(session.isActive(), cell[0] >= 0);
    QCOMPARE(session.enterCommits(), enterCommits);
}

void TestUnits::editableColumns()
{
    // Zeit and Fehler of each run; nothing on the overall page
    const QList<QList<int>> editable{{3, 4, 6, 7, 9, 10}, {5, 6}, {5, 6}, {5, 6}, {5, 6}, {}};
    for (int round = 0; round < kRoundCount; ++round) {
        for (int col = -1; col <= kOverallColumnCount; ++col)
            QCOMPARE(CellEditSession::isEditable(roundAt(round), col), editable[round].contains(col));
    }
}

void TestUnits::randomSequence()
{
    RandomGenerator random; // the first numbers after a program start
    QList<quint32> values;
    for (quint32 range : {1000u, 1000u, 1000u, 0xFFFFFFFFu, 0u, 1000u})
        values << random.bounded(range);
    QCOMPARE(values, (QList<quint32>{0, 31, 861, 870078619u, 0, 671}));
}

QTEST_GUILESS_MAIN(TestUnits)
#include "tst_units.moc"
