#include "ProtocolTestData.h"
#include "competition/Competition.h"
#include "protocol/ProtocolLayout.h"

#include <QTest>

using namespace brv;

class TestWorkbookLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sheetLayout_data();
    void sheetLayout();
    void bracket();
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
    QTest::addColumn<QList<int>>("hidden");
    QTest::addColumn<QStringList>("headings"); // "column=text"
    using V = VorrundeColumn;
    using K = KnockoutColumn;
    using O = OverallColumn;
    QTest::newRow("Vorrunde all shown") << 0 << true << true << 0 << QList<int>()
                                        << QStringList{"5=Bahn 1", "8=Bahn 2", "11=Bahn 3", "13=Beste"};
    QTest::newRow("Vorrunde two lanes no class")
        << 0 << false << false << 1
        << test::columns<V>({V::Klasse, V::Lane3Zeit, V::Lane3Fehler, V::Lane3Gesamt})
        << QStringList{"4=Bahn 1", "7=Bahn 2", "9=Beste"};
    QTest::newRow("knockout class hidden")
        << 2 << false << false << 0 << test::columns<K>({K::Klasse}) << QStringList();
    QTest::newRow("overall from Achtelfinale")
        << 5 << true << false << 0 << QList<int>()
        << QStringList{"4=Vorrunde",    "7=Achtelfinale", "10=Viertelfinale",
                       "13=Halbfinale", "16=Finale",      "17=Bestes"};
    QTest::newRow("overall Viertelfinale no class")
        << 5 << false << true << 1
        << test::columns<O>({O::Klasse, O::AchtelfinaleZeit, O::AchtelfinaleFehler, O::AchtelfinaleErgebnis})
        << QStringList{"3=Vorrunde", "6=Viertelfinale", "9=Halbfinale", "12=Finale", "13=Bestes"};
}

void TestWorkbookLayout::sheetLayout()
{
    QFETCH(int, round);
    QFETCH(bool, classShown);
    QFETCH(bool, thirdLane);
    QFETCH(int, knockoutStart);
    QFETCH(QList<int>, hidden);
    QFETCH(QStringList, headings);
    Competition c;
    c.setOptions(test::options(classShown, thirdLane, knockoutStart));
    test::fillCompetition(c, 4);
    const ResultGrid& grid = c.grid(roundAt(round));
    QList<int> columns;
    for (int col = 0; col < grid.columnCount(); ++col) {
        if (!hidden.contains(col))
            columns << col;
    }
    const std::vector<int> got = shownColumns(roundAt(round), c.options());
    QCOMPARE(QList<int>(got.begin(), got.end()), columns);

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
    for (const PlacedCell& cell : headingCells(c, roundAt(round), c.options()))
        placed << QStringLiteral("%1=%2").arg(cell.row == 1 ? cell.col : -1).arg(cell.value.text);
    QCOMPARE(placed, headings);

    // a hidden class column is saved all the same when it holds a class
    QVERIFY(savedLayout(grid, roundAt(round), c.options()).classColumnShown);
    ResultGrid noClasses = grid;
    noClasses.setChangeObserver({});
    for (int r = 1; r < noClasses.rowCount(); ++r)
        noClasses.setCell(classColumn(roundAt(round)), r, QString());
    QCOMPARE(savedLayout(noClasses, roundAt(round), c.options()).classColumnShown, classShown);
}

// The bracket sheet of 20 teams: place, text and fill of the cells that carry the pattern.
// Finale places: row r holds 5 - r, so row 3 is "2" and row 1 is "4". Then a semi-final whose
// first row lost swaps its pair, and missing rows give empty red cells.
void TestWorkbookLayout::bracket()
{
    Competition c;
    test::fillCompetition(c, 20);
    auto placed = [&c] {
        QStringList got;
        for (const PlacedCell& p : bracketCells(c)) {
            const QString text =
                p.value.kind == CellValue::Kind::Number ? QString::number(p.value.number) : p.value.text;
            got << QStringLiteral("%1,%2 %3 %4").arg(p.row).arg(p.col).arg(text).arg(quint32(p.fill), 0, 16);
        }
        return got;
    };
    QStringList got = placed();
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

    c.grid(CompetitionRound::Halbfinale)
        .setCell(KnockoutColumn::Gesamt, 1, QStringLiteral("20,30")); // heat 1 lost
    c.grid(CompetitionRound::Achtelfinale).setRowCount(2);
    got = placed();
    for (const char* cell : {"10,10 FF Halbfinale 2 ff0000", "12,9 FF Halbfinale 1 ff0000", "34,3  ff0000"})
        QVERIFY2(got.contains(QLatin1String(cell)), cell);
}

QTEST_GUILESS_MAIN(TestWorkbookLayout)
#include "tst_protocol_layout.moc"
