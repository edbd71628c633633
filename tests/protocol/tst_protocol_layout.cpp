#include "ProtocolTestData.h"
#include "competition/Competition.h"
#include "protocol/ProtocolLayout.h"
#include "protocol/ProtocolLoader.h"
#include "protocol/WorkbookData.h"
#include "protocol/XlsxReader.h"

#include <QTest>

using namespace brv;

// Column numbers of one table kind, as the layout and loader functions give them.
template <typename Column> QList<int> columns(std::initializer_list<Column> list)
{
    QList<int> numbers;
    for (Column c : list)
        numbers << columnIndex(c);
    return numbers;
}

class TestWorkbookLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void shownColumnsOf_data();
    void shownColumnsOf();
    void blockPacksShownColumns_data();
    void blockPacksShownColumns();
    void cellValues_data();
    void cellValues();
    void headings_data();
    void headings();
    void bracket_data();
    void bracket();
    void bracketOfShortTables();
    void length_data();
    void length();
    void generalNumbers_data();
    void generalNumbers();
    void cellReferences_data();
    void cellReferences();
    void reformatKeepsTwoDecimals();
};

void TestWorkbookLayout::shownColumnsOf_data()
{
    QTest::addColumn<int>("round");
    QTest::addColumn<bool>("classShown");
    QTest::addColumn<bool>("thirdLane");
    QTest::addColumn<int>("knockoutStart");
    QTest::addColumn<QList<int>>("columns");

    QTest::newRow("Vorrunde all shown")
        << 0 << true << true << 0
        << columns<VorrundeColumn>(
               {VorrundeColumn::Nr, VorrundeColumn::Mannschaft, VorrundeColumn::Klasse,
                VorrundeColumn::Lane1Zeit, VorrundeColumn::Lane1Fehler, VorrundeColumn::Lane1Gesamt,
                VorrundeColumn::Lane2Zeit, VorrundeColumn::Lane2Fehler, VorrundeColumn::Lane2Gesamt,
                VorrundeColumn::Lane3Zeit, VorrundeColumn::Lane3Fehler, VorrundeColumn::Lane3Gesamt,
                VorrundeColumn::RankingValue, VorrundeColumn::Place});
    QTest::newRow("Vorrunde class hidden")
        << 0 << false << true << 0
        << columns<VorrundeColumn>({VorrundeColumn::Nr, VorrundeColumn::Mannschaft, VorrundeColumn::Lane1Zeit,
                                    VorrundeColumn::Lane1Fehler, VorrundeColumn::Lane1Gesamt,
                                    VorrundeColumn::Lane2Zeit, VorrundeColumn::Lane2Fehler,
                                    VorrundeColumn::Lane2Gesamt, VorrundeColumn::Lane3Zeit,
                                    VorrundeColumn::Lane3Fehler, VorrundeColumn::Lane3Gesamt,
                                    VorrundeColumn::RankingValue, VorrundeColumn::Place});
    QTest::newRow("Vorrunde two lanes")
        << 0 << true << false << 0
        << columns<VorrundeColumn>({VorrundeColumn::Nr, VorrundeColumn::Mannschaft, VorrundeColumn::Klasse,
                                    VorrundeColumn::Lane1Zeit, VorrundeColumn::Lane1Fehler,
                                    VorrundeColumn::Lane1Gesamt, VorrundeColumn::Lane2Zeit,
                                    VorrundeColumn::Lane2Fehler, VorrundeColumn::Lane2Gesamt,
                                    VorrundeColumn::RankingValue, VorrundeColumn::Place});
    QTest::newRow("Vorrunde two lanes no class")
        << 0 << false << false << 1
        << columns<VorrundeColumn>({VorrundeColumn::Nr, VorrundeColumn::Mannschaft, VorrundeColumn::Lane1Zeit,
                                    VorrundeColumn::Lane1Fehler, VorrundeColumn::Lane1Gesamt,
                                    VorrundeColumn::Lane2Zeit, VorrundeColumn::Lane2Fehler,
                                    VorrundeColumn::Lane2Gesamt, VorrundeColumn::RankingValue,
                                    VorrundeColumn::Place});
    QTest::newRow("knockout class hidden")
        << 2 << false << false << 0
        << columns<KnockoutColumn>({KnockoutColumn::PlaceBefore, KnockoutColumn::Nr,
                                    KnockoutColumn::Mannschaft, KnockoutColumn::BroughtResult,
                                    KnockoutColumn::Zeit, KnockoutColumn::Fehler, KnockoutColumn::Gesamt,
                                    KnockoutColumn::Outcome});
    QTest::newRow("knockout lane settings ignored")
        << 4 << true << false << 1
        << columns<KnockoutColumn>({KnockoutColumn::PlaceBefore, KnockoutColumn::Nr,
                                    KnockoutColumn::Mannschaft, KnockoutColumn::Klasse,
                                    KnockoutColumn::BroughtResult, KnockoutColumn::Zeit,
                                    KnockoutColumn::Fehler, KnockoutColumn::Gesamt, KnockoutColumn::Outcome});
    QTest::newRow("overall from Achtelfinale")
        << 5 << true << false << 0
        << columns<OverallColumn>({OverallColumn::Place, OverallColumn::Mannschaft, OverallColumn::Klasse,
                                   OverallColumn::VorrundeResult, OverallColumn::AchtelfinaleZeit,
                                   OverallColumn::AchtelfinaleFehler, OverallColumn::AchtelfinaleErgebnis,
                                   OverallColumn::ViertelfinaleZeit, OverallColumn::ViertelfinaleFehler,
                                   OverallColumn::ViertelfinaleErgebnis, OverallColumn::HalbfinaleZeit,
                                   OverallColumn::HalbfinaleFehler, OverallColumn::HalbfinaleErgebnis,
                                   OverallColumn::FinaleZeit, OverallColumn::FinaleFehler,
                                   OverallColumn::FinaleErgebnis, OverallColumn::BestResult});
    QTest::newRow("overall from Viertelfinale")
        << 5 << true << true << 1
        << columns<OverallColumn>({OverallColumn::Place, OverallColumn::Mannschaft, OverallColumn::Klasse,
                                   OverallColumn::VorrundeResult, OverallColumn::ViertelfinaleZeit,
                                   OverallColumn::ViertelfinaleFehler, OverallColumn::ViertelfinaleErgebnis,
                                   OverallColumn::HalbfinaleZeit, OverallColumn::HalbfinaleFehler,
                                   OverallColumn::HalbfinaleErgebnis, OverallColumn::FinaleZeit,
                                   OverallColumn::FinaleFehler, OverallColumn::FinaleErgebnis,
                                   OverallColumn::BestResult});
    QTest::newRow("overall Viertelfinale no class")
        << 5 << false << true << 1
        << columns<OverallColumn>(
               {OverallColumn::Place, OverallColumn::Mannschaft, OverallColumn::VorrundeResult,
                OverallColumn::ViertelfinaleZeit, OverallColumn::ViertelfinaleFehler,
                OverallColumn::ViertelfinaleErgebnis, OverallColumn::HalbfinaleZeit,
                OverallColumn::HalbfinaleFehler, OverallColumn::HalbfinaleErgebnis, OverallColumn::FinaleZeit,
                OverallColumn::FinaleFehler, OverallColumn::FinaleErgebnis, OverallColumn::BestResult});
}

void TestWorkbookLayout::shownColumnsOf()
{
    QFETCH(int, round);
    QFETCH(bool, classShown);
    QFETCH(bool, thirdLane);
    QFETCH(int, knockoutStart);
    QFETCH(QList<int>, columns);
    const std::vector<int> got =
        shownColumns(roundAt(round), test::options(classShown, thirdLane, knockoutStart));
    QCOMPARE(QList<int>(got.begin(), got.end()), columns);
}

void TestWorkbookLayout::blockPacksShownColumns_data()
{
    QTest::addColumn<bool>("classShown");
    QTest::addColumn<bool>("thirdLane");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("emptyOnRight");

    QTest::newRow("everything shown") << true << true << 14 << 0;
    QTest::newRow("class hidden narrows by one") << false << true << 13 << 0;
    QTest::newRow("third lane off leaves three empty places") << true << false << 14 << 3;
    QTest::newRow("both hidden") << false << false << 13 << 3;
}

void TestWorkbookLayout::blockPacksShownColumns()
{
    QFETCH(bool, classShown);
    QFETCH(bool, thirdLane);
    QFETCH(int, width);
    QFETCH(int, emptyOnRight);
    Competition c;
    test::fillCompetition(c, 4);
    const CompetitionOptions o = test::options(classShown, thirdLane, 0);
    const SheetBlock block =
        tableBlock(c.grid(CompetitionRound::Vorrunde), CompetitionRound::Vorrunde, o, c.numberFormat());
    QCOMPARE(block.firstRow, 2);
    QCOMPARE(block.rows, 5);
    QCOMPARE(block.width, width);
    const std::vector<int> columns = shownColumns(CompetitionRound::Vorrunde, o);
    for (int r = 0; r < block.rows; ++r) {
        for (int j = 0; j < block.width; ++j) {
            if (j >= block.width - emptyOnRight) {
                QCOMPARE(block.at(r, j).kind, CellValue::Kind::Empty);
                continue;
            }
            const QString source = c.grid(CompetitionRound::Vorrunde).cell(columns[std::size_t(j)], r);
            QCOMPARE(block.at(r, j), CellValue::fromCellText(source, c.numberFormat()));
        }
    }
}

void TestWorkbookLayout::cellValues_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("kind");
    QTest::addColumn<double>("number");
    QTest::newRow("decimal comma") << "12,34" << int(CellValue::Kind::Number) << 12.34;
    QTest::newRow("whole number") << "7" << int(CellValue::Kind::Number) << 7.0;
    QTest::newRow("negative") << "-0,5" << int(CellValue::Kind::Number) << -0.5;
    QTest::newRow("decimal point is text under German settings")
        << "12.34" << int(CellValue::Kind::Text) << 0.0;
    QTest::newRow("void mark") << "AUS" << int(CellValue::Kind::Text) << 0.0;
    QTest::newRow("won mark") << "+" << int(CellValue::Kind::Text) << 0.0;
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

void TestWorkbookLayout::headings_data()
{
    QTest::addColumn<int>("round");
    QTest::addColumn<bool>("classShown");
    QTest::addColumn<bool>("thirdLane");
    QTest::addColumn<int>("knockoutStart");
    QTest::addColumn<QStringList>("expected"); // "column=text"

    QTest::newRow("Vorrunde three lanes with class")
        << 0 << true << true << 0 << QStringList{"5=Bahn 1", "8=Bahn 2", "11=Bahn 3", "13=Beste"};
    QTest::newRow("Vorrunde three lanes no class")
        << 0 << false << true << 0 << QStringList{"4=Bahn 1", "7=Bahn 2", "10=Bahn 3", "12=Beste"};
    QTest::newRow("Vorrunde two lanes with class")
        << 0 << true << false << 0 << QStringList{"5=Bahn 1", "8=Bahn 2", "10=Beste"};
    QTest::newRow("Vorrunde two lanes no class")
        << 0 << false << false << 0 << QStringList{"4=Bahn 1", "7=Bahn 2", "9=Beste"};
    QTest::newRow("overall from Achtelfinale")
        << 5 << true << false << 0 << QStringList{"4=Vorrunde",    "7=Achtelfinale", "10=Viertelfinale",
                                                  "13=Halbfinale", "16=Finale",      "17=Bestes"};
    QTest::newRow("overall from Viertelfinale")
        << 5 << true << false << 1
        << QStringList{"4=Vorrunde", "7=Viertelfinale", "10=Halbfinale", "13=Finale", "14=Bestes"};
    QTest::newRow("overall from Viertelfinale no class")
        << 5 << false << false << 1
        << QStringList{"3=Vorrunde", "6=Viertelfinale", "9=Halbfinale", "12=Finale", "13=Bestes"};
    QTest::newRow("knockout sheet has none") << 1 << true << true << 0 << QStringList{};
}

void TestWorkbookLayout::headings()
{
    QFETCH(int, round);
    QFETCH(bool, classShown);
    QFETCH(bool, thirdLane);
    QFETCH(int, knockoutStart);
    QFETCH(QStringList, expected);
    Competition c;
    c.setOptions(test::options(classShown, thirdLane, knockoutStart));
    QStringList got;
    for (const PlacedCell& cell : headingCells(c, roundAt(round))) {
        QCOMPARE(cell.row, 1);
        got << QStringLiteral("%1=%2").arg(cell.col).arg(cell.value.text);
    }
    QCOMPARE(got, expected);
    // Each caption stands above the middle of its group, i.e. over a shown "Fehler" or result
    // column of the packed block.
    if (round == 0 && !expected.isEmpty()) {
        const std::vector<int> columns = shownColumns(CompetitionRound::Vorrunde, c.options());
        QCOMPARE(columns[std::size_t(expected.first().section('=', 0, 0).toInt() - 1)], 4);
        QCOMPARE(columns[std::size_t(expected.last().section('=', 0, 0).toInt() - 1)], 12);
    }
}

void TestWorkbookLayout::bracket_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("col");
    QTest::addColumn<QString>("text");
    QTest::addColumn<quint32>("fill");

    QTest::newRow("team count") << 2 << 1 << "20" << quint32(CellFill::None);
    QTest::newRow("first team") << 3 << 1 << "FF Dorf 1" << quint32(CellFill::None);
    QTest::newRow("last team") << 22 << 1 << "FF Dorf 20" << quint32(CellFill::None);
    QTest::newRow("Achtelfinale winner") << 4 << 3 << "FF Achtelfinale 1" << quint32(CellFill::Green);
    QTest::newRow("Achtelfinale loser") << 6 << 3 << "FF Achtelfinale 2" << quint32(CellFill::Red);
    QTest::newRow("Achtelfinale row 16") << 34 << 3 << "FF Achtelfinale 16" << quint32(CellFill::Red);
    QTest::newRow("Viertelfinale row 1") << 5 << 5 << "FF Viertelfinale 1" << quint32(CellFill::Green);
    QTest::newRow("Viertelfinale row 8") << 33 << 5 << "FF Viertelfinale 8" << quint32(CellFill::Red);
    QTest::newRow("Halbfinale row 1") << 7 << 7 << "FF Halbfinale 1" << quint32(CellFill::Green);
    QTest::newRow("Halbfinale row 4") << 31 << 7 << "FF Halbfinale 4" << quint32(CellFill::Red);
    // Finale places: row r holds 5 - r, so row 3 is "2" and row 1 is "4": both red.
    QTest::newRow("final pair 1 winner side") << 10 << 10 << "FF Halbfinale 1" << quint32(CellFill::Red);
    QTest::newRow("final pair 1 loser side") << 12 << 9 << "FF Halbfinale 2" << quint32(CellFill::Red);
    QTest::newRow("final pair 2 winner side") << 28 << 10 << "FF Halbfinale 3" << quint32(CellFill::Green);
    QTest::newRow("final pair 2 loser side") << 26 << 9 << "FF Halbfinale 4" << quint32(CellFill::Green);
    QTest::newRow("gold") << 17 << 12 << "FF Gesamt 1" << quint32(CellFill::Gold);
    QTest::newRow("silver") << 19 << 12 << "FF Gesamt 2" << quint32(CellFill::Silver);
    QTest::newRow("bronze") << 21 << 12 << "FF Gesamt 3" << quint32(CellFill::Bronze);
}

void TestWorkbookLayout::bracket()
{
    QFETCH(int, row);
    QFETCH(int, col);
    QFETCH(QString, text);
    QFETCH(quint32, fill);
    Competition c;
    test::fillCompetition(c, 20);
    const std::vector<PlacedCell> cells = bracketCells(c);
    const auto it = std::find_if(cells.begin(), cells.end(),
                                 [&](const PlacedCell& p) { return p.row == row && p.col == col; });
    QVERIFY(it != cells.end());
    const QString got =
        it->value.kind == CellValue::Kind::Number ? QString::number(it->value.number) : it->value.text;
    QCOMPARE(got, text);
    QCOMPARE(quint32(it->fill), fill);
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
    QTest::newRow("whole") << 7.0 << "7";
    QTest::newRow("two decimals") << 12.34 << "12,34";
    QTest::newRow("binary noise hidden") << 0.1 + 0.2 << "0,3";
    QTest::newRow("negative") << -3.25 << "-3,25";
    QTest::newRow("zero") << 0.0 << "0";
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
    QTest::newRow("AB12") << "AB12" << true << 28 << 12;
    QTest::newRow("lower case") << "q7" << true << 17 << 7;
    QTest::newRow("absolute") << "$C$3" << false << 0 << 0;
    QTest::newRow("last cell") << "XFD1048576" << true << 16384 << 1048576;
    QTest::newRow("column too far") << "XFE1" << false << 0 << 0;
    QTest::newRow("row too far") << "A1048577" << false << 0 << 0;
    QTest::newRow("row zero") << "A0" << false << 0 << 0;
    QTest::newRow("no row") << "AB" << false << 0 << 0;
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

void TestWorkbookLayout::reformatKeepsTwoDecimals()
{
    Competition c;
    ResultGrid& g = c.grid(CompetitionRound::Vorrunde);
    g.setRowCount(5);
    const QStringList times{QStringLiteral("12,5"), QStringLiteral("AUS"), QStringLiteral("2,1"), QString()};
    for (int r = 1; r <= 4; ++r) {
        g.setCell(VorrundeColumn::Lane1Zeit, r, times[r - 1]);
        g.setCell(VorrundeColumn::Lane1Gesamt, r, times[r == 2 ? 0 : r - 1]);
        g.setCell(VorrundeColumn::Lane1Fehler, r, QStringLiteral("5")); // Fehler stays as it is
    }
    ResultGrid& knockout = c.grid(CompetitionRound::Viertelfinale);
    knockout.setCell(KnockoutColumn::BroughtResult, 1, QStringLiteral("DIS"));
    knockout.setCell(KnockoutColumn::BroughtResult, 2, QStringLiteral("49,6"));
    knockout.setCell(KnockoutColumn::Gesamt, 1, QStringLiteral("7"));
    knockout.setCell(KnockoutColumn::Outcome, 1, QStringLiteral("1")); // a place is no time
    ResultGrid& overall = c.grid(CompetitionRound::GesamtErgebnis);
    overall.setCell(OverallColumn::BestResult, 1, QStringLiteral("3,1"));
    overall.setCell(OverallColumn::Place, 1, QStringLiteral("1"));
    reformatLoadedTimes(c);
    QCOMPARE(g.cell(VorrundeColumn::Lane1Zeit, 1), QStringLiteral("12,50"));
    QCOMPARE(g.cell(VorrundeColumn::Lane1Zeit, 2), QStringLiteral("AUS"));
    QCOMPARE(g.cell(VorrundeColumn::Lane1Zeit, 3),
             QStringLiteral("2,10")); // a mark above a time does not stop it
    QCOMPARE(g.cell(VorrundeColumn::Lane1Gesamt, 2), QStringLiteral("12,50"));
    QCOMPARE(g.cell(VorrundeColumn::Lane1Gesamt, 3), QStringLiteral("2,10"));
    QCOMPARE(g.cell(VorrundeColumn::Lane1Gesamt, 4), QString());
    QCOMPARE(g.cell(VorrundeColumn::Lane1Fehler, 1), QStringLiteral("5"));
    QCOMPARE(knockout.cell(KnockoutColumn::BroughtResult, 1), QStringLiteral("DIS"));
    QCOMPARE(knockout.cell(KnockoutColumn::BroughtResult, 2), QStringLiteral("49,60"));
    QCOMPARE(knockout.cell(KnockoutColumn::Gesamt, 1), QStringLiteral("7,00"));
    QCOMPARE(knockout.cell(KnockoutColumn::Outcome, 1), QStringLiteral("1"));
    QCOMPARE(overall.cell(OverallColumn::BestResult, 1), QStringLiteral("3,10"));
    QCOMPARE(overall.cell(OverallColumn::Place, 1), QStringLiteral("1"));
}

QTEST_GUILESS_MAIN(TestWorkbookLayout)
#include "tst_protocol_layout.moc"
