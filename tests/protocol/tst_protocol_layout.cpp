#include "ProtocolTestData.h"
#include "competition/Competition.h"
#include "protocol/ProtocolLayout.h"
#include "protocol/ProtocolLoader.h"
#include "protocol/XlsxReader.h"

#include <QTest>

using namespace brv;

class TestWorkbookLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sheetLayout_data();
    void sheetLayout();
    void cellValues_data();
    void cellValues();
    void bracket();
    void bracketOfShortTables();
    void length_data();
    void length();
    void generalNumbers_data();
    void generalNumbers();
    void cellReferences_data();
    void cellReferences();
};

// The columns a sheet holds, the block of cells they are packed into and the captions above it:
// a hidden class column narrows the block, other hidden columns leave empty places on its right;
// each caption stands above the middle of its group.
void TestWorkbookLayout::sheetLayout_data()
{
    QTest::addColumn<int>("round");
    QTest::addColumn<bool>("classShown");
    QTest::addColumn<bool>("thirdLane");
    QTest::addColumn<int>("knockoutStart");
    QTest::addColumn<QList<int>>("columns");
    QTest::addColumn<QStringList>("headings"); // "column=text"
    using V = VorrundeColumn;
    using K = KnockoutColumn;
    using O = OverallColumn;
    QTest::newRow("Vorrunde all shown") << 0 << true << true << 0 << test::allBut<V>({})
                                        << QStringList{"5=Bahn 1", "8=Bahn 2", "11=Bahn 3", "13=Beste"};
    QTest::newRow("Vorrunde class hidden") << 0 << false << true << 0 << test::allBut<V>({V::Klasse})
                                           << QStringList{"4=Bahn 1", "7=Bahn 2", "10=Bahn 3", "12=Beste"};
    QTest::newRow("Vorrunde two lanes")
        << 0 << true << false << 0 << test::allBut<V>({V::Lane3Zeit, V::Lane3Fehler, V::Lane3Gesamt})
        << QStringList{"5=Bahn 1", "8=Bahn 2", "10=Beste"};
    QTest::newRow("Vorrunde two lanes no class")
        << 0 << false << false << 1
        << test::allBut<V>({V::Klasse, V::Lane3Zeit, V::Lane3Fehler, V::Lane3Gesamt})
        << QStringList{"4=Bahn 1", "7=Bahn 2", "9=Beste"};
    QTest::newRow("knockout class hidden")
        << 2 << false << false << 0 << test::allBut<K>({K::Klasse}) << QStringList();
    QTest::newRow("knockout lane settings ignored")
        << 4 << true << false << 1 << test::allBut<K>({}) << QStringList();
    QTest::newRow("overall from Achtelfinale")
        << 5 << true << false << 0 << test::allBut<O>({})
        << QStringList{"4=Vorrunde",    "7=Achtelfinale", "10=Viertelfinale",
                       "13=Halbfinale", "16=Finale",      "17=Bestes"};
    QTest::newRow("overall from Viertelfinale")
        << 5 << true << true << 1
        << test::allBut<O>({O::AchtelfinaleZeit, O::AchtelfinaleFehler, O::AchtelfinaleErgebnis})
        << QStringList{"4=Vorrunde", "7=Viertelfinale", "10=Halbfinale", "13=Finale", "14=Bestes"};
    QTest::newRow("overall Viertelfinale no class")
        << 5 << false << true << 1
        << test::allBut<O>({O::Klasse, O::AchtelfinaleZeit, O::AchtelfinaleFehler, O::AchtelfinaleErgebnis})
        << QStringList{"3=Vorrunde", "6=Viertelfinale", "9=Halbfinale", "12=Finale", "13=Bestes"};
}

void TestWorkbookLayout::sheetLayout()
{
    QFETCH(int, round);
    QFETCH(bool, classShown);
    QFETCH(bool, thirdLane);
    QFETCH(int, knockoutStart);
    QFETCH(QList<int>, columns);
    QFETCH(QStringList, headings);
    Competition c;
    c.setOptions(test::options(classShown, thirdLane, knockoutStart));
    test::fillCompetition(c, 4);
    const std::vector<int> got = shownColumns(roundAt(round), c.options());
    QCOMPARE(QList<int>(got.begin(), got.end()), columns);

    const ResultGrid& grid = c.grid(roundAt(round));
    const SheetBlock block = tableBlock(grid, roundAt(round), c.options(), c.numberFormat());
    QCOMPARE(block.firstRow, round == 0 || round == 5 ? 2 : 1);
    QCOMPARE(block.rows, grid.rowCount());
    QCOMPARE(block.width, grid.columnCount() - (classShown ? 0 : 1));
    for (int r = 0; r < block.rows; ++r) {
        for (int j = 0; j < block.width; ++j) {
            const QString source = j < columns.size() ? grid.cell(columns.at(j), r) : QString();
            QCOMPARE(block.at(r, j), CellValue::fromCellText(source, c.numberFormat()));
        }
    }
    QStringList placed;
    for (const PlacedCell& cell : headingCells(c, roundAt(round)))
        placed << QStringLiteral("%1=%2").arg(cell.row == 1 ? cell.col : -1).arg(cell.value.text);
    QCOMPARE(placed, headings);
}

void TestWorkbookLayout::cellValues_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("kind");
    QTest::addColumn<double>("number");
    QTest::newRow("decimal comma") << "12,34" << int(CellValue::Kind::Number) << 12.34;
    QTest::newRow("negative") << "-0,5" << int(CellValue::Kind::Number) << -0.5;
    QTest::newRow("decimal point is text under German settings")
        << "12.34" << int(CellValue::Kind::Text) << 0.0;
    QTest::newRow("void mark") << "AUS" << int(CellValue::Kind::Text) << 0.0;
    QTest::newRow("team name") << "FF 1 Dorf" << int(CellValue::Kind::Text) << 0.0;
    QTest::newRow("empty") << "" << int(CellValue::Kind::Empty) << 0.0;
    QTest::newRow("blank is text") << " " << int(CellValue::Kind::Text) << 0.0;
}

void TestWorkbookLayout::cellValues()
{
    QFETCH(QString, text);
    QFETCH(int, kind);
    QFETCH(double, number);
    const CellValue value = CellValue::fromCellText(text, NumberFormat(QLatin1Char(',')));
    QCOMPARE(int(value.kind), kind);
    if (value.kind == CellValue::Kind::Number)
        QCOMPARE(value.number, number);
    if (value.kind == CellValue::Kind::Text)
        QCOMPARE(value.text, text);
}

// The bracket sheet of 20 teams: place, text and fill of the cells that carry the pattern.
// Finale places: row r holds 5 - r, so row 3 is "2" and row 1 is "4".
void TestWorkbookLayout::bracket()
{
    Competition c;
    test::fillCompetition(c, 20);
    QStringList got;
    for (const PlacedCell& p : bracketCells(c)) {
        const QString text =
            p.value.kind == CellValue::Kind::Number ? QString::number(p.value.number) : p.value.text;
        got << QStringLiteral("%1,%2 %3 %4").arg(p.row).arg(p.col).arg(text).arg(quint32(p.fill), 0, 16);
    }
    const QString expected =
        "2,1 20 ffffffff;3,1 FF Dorf 1 ffffffff;22,1 FF Dorf 20 ffffffff;"
        "4,3 FF Achtelfinale 1 8000;6,3 FF Achtelfinale 2 ff0000;34,3 FF Achtelfinale 16 ff0000;"
        "5,5 FF Viertelfinale 1 8000;33,5 FF Viertelfinale 8 ff0000;7,7 FF Halbfinale 1 8000;"
        "31,7 FF Halbfinale 4 ff0000;10,10 FF Halbfinale 1 ff0000;12,9 FF Halbfinale 2 ff0000;"
        "28,10 FF Halbfinale 3 8000;26,9 FF Halbfinale 4 8000;17,12 FF Gesamt 1 ffcc33;"
        "19,12 FF Gesamt 2 b0b0b0;21,12 FF Gesamt 3 cd7f32";
    for (const QString& cell : expected.split(QLatin1Char(';')))
        QVERIFY2(got.contains(cell), qPrintable(cell));
    QCOMPARE(got.size(), 1 + 20 + 16 + 8 + 4 + 4 + 3);
}

void TestWorkbookLayout::bracketOfShortTables()
{
    // A semi-final whose first row lost swaps the pair; missing rows give empty red cells.
    Competition c;
    ResultGrid& g4 = c.grid(CompetitionRound::Halbfinale);
    g4.setCell(KnockoutColumn::Mannschaft, 1, QStringLiteral("Verlierer"));
    g4.setCell(KnockoutColumn::Outcome, 1, QStringLiteral("-"));
    g4.setCell(KnockoutColumn::Mannschaft, 2, QStringLiteral("Sieger"));
    g4.setCell(KnockoutColumn::Outcome, 2, QStringLiteral("+"));
    c.grid(CompetitionRound::Finale).setCell(KnockoutColumn::Outcome, 3, QStringLiteral("1"));
    c.grid(CompetitionRound::Achtelfinale).setRowCount(2);
    const std::vector<PlacedCell> cells = bracketCells(c);
    auto at = [&](int row, int col) {
        return *std::find_if(cells.begin(), cells.end(),
                             [&](const PlacedCell& p) { return p.row == row && p.col == col; });
    };
    QCOMPARE(at(10, 10).value.text, QStringLiteral("Sieger"));
    QCOMPARE(at(10, 10).fill, CellFill::Green);
    QCOMPARE(at(12, 9).value.text, QStringLiteral("Verlierer"));
    QCOMPARE(at(34, 3).value.kind, CellValue::Kind::Empty);
    QCOMPARE(at(34, 3).fill, CellFill::Red);
    QCOMPARE(at(2, 1).value.number, 1.0);
}

void TestWorkbookLayout::length_data()
{
    QTest::addColumn<QStringList>("columnA"); // from the block's first row; "" empty
    QTest::addColumn<int>("totalRows");
    QTest::addColumn<int>("expected");

    QTest::newRow("ends before two empty cells") << QStringList{"Nr.", "1", "2", "3"} << 1048576 << 4;
    QTest::newRow("one empty cell does not end it") << QStringList{"Nr.", "1", "", "3"} << 1048576 << 4;
    QTest::newRow("two empty cells end it, rest ignored")
        << QStringList{"Nr.", "1", "", "", "5"} << 1048576 << 2;
    QTest::newRow("caption and one blank row still two") << QStringList{"Nr."} << 1048576 << 2;
    QTest::newRow("empty sheet still two") << QStringList{} << 1048576 << 2;
    QTest::newRow("table reaching the sheet's end") << QStringList{"Nr.", "1", "2", "3", "4"} << 5 << 4;
    QTest::newRow("last row ends with a single gap") << QStringList{"Nr.", "1", "2", "", "4"} << 1048576 << 5;
}

void TestWorkbookLayout::length()
{
    QFETCH(QStringList, columnA);
    QFETCH(int, totalRows);
    QFETCH(int, expected);
    SheetContent sheet;
    sheet.totalRows = totalRows;
    for (int i = 0; i < columnA.size(); ++i) {
        if (!columnA.at(i).isEmpty())
            sheet.setText(1 + i, 1, columnA.at(i));
        sheet.setText(1 + i, 2, QStringLiteral("x")); // other columns do not matter
    }
    QCOMPARE(tableLength(sheet, 1), expected);
}

void TestWorkbookLayout::generalNumbers_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("trailing zero dropped") << 12.5 << "12,5";
    QTest::newRow("two decimals") << 12.34 << "12,34";
    QTest::newRow("binary noise hidden") << 0.1 + 0.2 << "0,3";
    QTest::newRow("negative") << -3.25 << "-3,25";
    QTest::newRow("negative zero") << -0.0 << "0";
    QTest::newRow("large") << 1e20 << "1E+20";
}

void TestWorkbookLayout::generalNumbers()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(generalNumberText(value, QLatin1Char(',')), text);
}

void TestWorkbookLayout::cellReferences_data()
{
    QTest::addColumn<QString>("ref");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("col");
    QTest::addColumn<int>("row");
    QTest::newRow("A1") << "A1" << true << 1 << 1;
    QTest::newRow("AZ12") << "AZ12" << true << 52 << 12;
    QTest::newRow("lower case") << "q7" << true << 17 << 7;
    QTest::newRow("absolute") << "$C$3" << false << 0 << 0;
    QTest::newRow("last cell") << "XFD1048576" << true << 16384 << 1048576;
    QTest::newRow("column too far") << "XFE1" << false << 0 << 0;
    QTest::newRow("row too far") << "A1048577" << false << 0 << 0;
    QTest::newRow("row zero") << "A0" << false << 0 << 0;
    QTest::newRow("no column") << "12" << false << 0 << 0;
    QTest::newRow("junk") << "A1x" << false << 0 << 0;
    QTest::newRow("huge digits") << "A99999999999999999999" << false << 0 << 0;
}

void TestWorkbookLayout::cellReferences()
{
    QFETCH(QString, ref);
    QFETCH(bool, ok);
    QFETCH(int, col);
    QFETCH(int, row);
    int c = 0, r = 0;
    QCOMPARE(XlsxReader::parseCellReference(ref, c, r), ok);
    if (ok) {
        QCOMPARE(c, col);
        QCOMPARE(r, row);
    }
}

QTEST_GUILESS_MAIN(TestWorkbookLayout)
#include "tst_protocol_layout.moc"
