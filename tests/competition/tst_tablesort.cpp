#include "CompetitionFixture.h"
#include "competition/Ranking.h"
#include "competition/TableSort.h"

#include <QTest>

using namespace brv;
using brv::test::german;

namespace {

template <typename Column> QStringList column(const ResultGrid& grid, Column col)
{
    QStringList values;
    for (int r = 1; r < grid.rowCount(); ++r)
        values << grid.cell(col, r);
    return values;
}

} // namespace

class TestTableSort : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void compareResultText_data();
    void compareResultText();
    void resultSortPutsBlanksAndMarksLast();
    void disabledSortChangesNothing();
    void descendingMarksKeepTies();
    void secondaryKeysInListedOrder();
    void textKeyFoldsOnlyAsciiLetters();
    void sortAndNumber_data();
    void sortAndNumber();
};

void TestTableSort::compareResultText_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<int>("result");
    QTest::newRow("smaller") << "29,80"
                             << "31,50" << -1;
    QTest::newRow("greater") << "31,50"
                             << "29,80" << 1;
    QTest::newRow("equal numbers written differently") << "12,5"
                                                       << " 12,50 " << 0;
    QTest::newRow("number before blank") << "99999"
                                         << "" << -1;
    QTest::newRow("blank and DIS are equal") << ""
                                             << "DIS" << 0;
    QTest::newRow("AUS after any number") << "AUS"
                                          << "100000" << 1;
    QTest::newRow("point is not a number under German settings") << "1.5"
                                                                 << "2,0" << 1;
}

void TestTableSort::compareResultText()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(int, result);
    QCOMPARE(brv::compareResultText(a, b, german()), result);
}

void TestTableSort::resultSortPutsBlanksAndMarksLast()
{
    ResultGrid grid(TableId::Vorrunde, kVorrundeColumnCount, 5);
    const QStringList values{"31,50", "", "DIS", "29,80"};
    for (int r = 1; r <= 4; ++r) {
        grid.setCell(VorrundeColumn::Nr, r, QString::number(r));
        grid.setCell(VorrundeColumn::RankingValue, r, values[r - 1]);
    }
    grid.sortEnabled = true;
    sortTable(grid, columnIndex(VorrundeColumn::RankingValue), german());
    QCOMPARE(column(grid, VorrundeColumn::RankingValue), QStringList({"29,80", "31,50", "", "DIS"}));
    QCOMPARE(column(grid, VorrundeColumn::Nr), QStringList({"4", "1", "2", "3"}));
    QCOMPARE(grid.sortColumn, columnIndex(VorrundeColumn::RankingValue));
}

void TestTableSort::disabledSortChangesNothing()
{
    ResultGrid grid(TableId::Vorrunde, kVorrundeColumnCount, 3);
    grid.setCell(VorrundeColumn::RankingValue, 1, "5,00");
    grid.setCell(VorrundeColumn::RankingValue, 2, "1,00");
    grid.sortColumn = columnIndex(VorrundeColumn::Lane1Zeit);
    sortTable(grid, columnIndex(VorrundeColumn::RankingValue), german());
    QCOMPARE(column(grid, VorrundeColumn::RankingValue), QStringList({"5,00", "1,00"}));
    QCOMPARE(grid.sortColumn, columnIndex(VorrundeColumn::Lane1Zeit));
}

void TestTableSort::descendingMarksKeepTies()
{
    ResultGrid grid(TableId::Halbfinale, kKnockoutColumnCount, 5);
    const QStringList marks{"+", "-", "+", "-"};
    for (int r = 1; r <= 4; ++r) {
        grid.setCell(KnockoutColumn::PlaceBefore, r, QString::number(r));
        grid.setCell(KnockoutColumn::Outcome, r, marks[r - 1]);
    }
    grid.sortEnabled = true;
    grid.sortDirection = SortDirection::Descending;
    sortTable(grid, columnIndex(KnockoutColumn::Outcome), german());
    QCOMPARE(column(grid, KnockoutColumn::Outcome), QStringList({"-", "-", "+", "+"}));
    QCOMPARE(column(grid, KnockoutColumn::PlaceBefore), QStringList({"2", "4", "1", "3"}));
}

void TestTableSort::secondaryKeysInListedOrder()
{
    // outcome first, then the result; the direction applies to both keys
    ResultGrid grid(TableId::Achtelfinale, kKnockoutColumnCount, 7);
    const QStringList marks{"+", "-", "+", "-", "", ""};
    const QStringList results{"40,00", "45,00", "35,00", "AUS", "", "50,00"};
    for (int r = 1; r <= 6; ++r) {
        grid.setCell(KnockoutColumn::PlaceBefore, r, QString::number(r));
        grid.setCell(KnockoutColumn::Outcome, r, marks[r - 1]);
        grid.setCell(KnockoutColumn::Gesamt, r, results[r - 1]);
    }
    grid.sortEnabled = true;
    grid.secondarySortColumns = {columnIndex(KnockoutColumn::Gesamt)};
    sortTable(grid, columnIndex(KnockoutColumn::Outcome), german());
    QCOMPARE(column(grid, KnockoutColumn::PlaceBefore), QStringList({"6", "5", "3", "1", "2", "4"}));

    grid.sortDirection = SortDirection::Descending;
    sortTable(grid, columnIndex(KnockoutColumn::Outcome), german());
    QCOMPARE(column(grid, KnockoutColumn::Outcome), QStringList({"-", "-", "+", "+", "", ""}));
    QCOMPARE(column(grid, KnockoutColumn::Gesamt),
             QStringList({"AUS", "45,00", "40,00", "35,00", "", "50,00"}));
}

void TestTableSort::textKeyFoldsOnlyAsciiLetters()
{
    ResultGrid grid(TableId::Vorrunde, kVorrundeColumnCount, 5);
    const QStringList names{"b", "A", "a", "B"};
    for (int r = 1; r <= 4; ++r)
        grid.setCell(VorrundeColumn::Mannschaft, r, names[r - 1]);
    grid.sortEnabled = true;
    grid.secondarySortColumns.clear();
    sortTable(grid, columnIndex(VorrundeColumn::Mannschaft), german());
    QCOMPARE(column(grid, VorrundeColumn::Mannschaft), QStringList({"A", "a", "b", "B"}));
}

void TestTableSort::sortAndNumber_data()
{
    QTest::addColumn<bool>("sortEnabled");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QStringList>("places");
    // Numbers count up in sorted order; a text stands in the place column as it is.
    QTest::newRow("sorted") << true << QStringList{"29,80", "31,50", "", "DIS"}
                            << QStringList{"1", "2", "", "DIS"};
    QTest::newRow("sorting off: numbered in row order")
        << false << QStringList{"31,50", "29,80", "", "DIS"} << QStringList{"1", "2", "", "DIS"};
}

void TestTableSort::sortAndNumber()
{
    QFETCH(bool, sortEnabled);
    QFETCH(QStringList, values);
    QFETCH(QStringList, places);
    auto competition = test::makeCompetition(4);
    ResultGrid& v = competition->grid(CompetitionRound::Vorrunde);
    const QStringList unsorted{"31,50", "", "DIS", "29,80"};
    for (int r = 1; r <= 4; ++r)
        v.setCell(VorrundeColumn::RankingValue, r, sortEnabled ? unsorted[r - 1] : values[r - 1]);
    v.setCell(VorrundeColumn::Place, 1, "x");
    v.sortEnabled = sortEnabled;
    v.sortColumn = columnIndex(VorrundeColumn::RankingValue);
    brv::sortAndNumber(v, competition->numberFormat());
    QCOMPARE(column(v, VorrundeColumn::RankingValue), values);
    QCOMPARE(column(v, VorrundeColumn::Place), places);

    // Sorted by start number, the places stay as they are.
    v.sortEnabled = false;
    v.sortColumn = columnIndex(VorrundeColumn::Nr);
    v.setCell(VorrundeColumn::Place, 1, "x");
    brv::sortAndNumber(v, competition->numberFormat());
    QCOMPARE(v.cell(VorrundeColumn::Place, 1), QStringLiteral("x"));
}

QTEST_GUILESS_MAIN(TestTableSort)
#include "tst_tablesort.moc"
