#include "CompetitionFixture.h"
#include "competition/TableSort.h"

#include <QTest>

using namespace brv;
using brv::test::german;

namespace {

QStringList column(const ResultGrid& grid, int col)
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
    void sortAndNumberPlaces();
    void sortAndNumberWithSortColZeroNumbersNothing();
    void sortAndNumberWithoutSortingStillNumbers();
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
    ResultGrid grid(TableId::Vorrunde, 14, 5);
    const QStringList values{"31,50", "", "DIS", "29,80"};
    for (int r = 1; r <= 4; ++r) {
        grid.setCell(0, r, QString::number(r));
        grid.setCell(12, r, values[r - 1]);
    }
    grid.sortEnabled = true;
    sortTable(grid, 12, german());
    QCOMPARE(column(grid, 12), QStringList({"29,80", "31,50", "", "DIS"}));
    QCOMPARE(column(grid, 0), QStringList({"4", "1", "2", "3"}));
    QCOMPARE(grid.sortColumn, 12);
}

void TestTableSort::disabledSortChangesNothing()
{
    ResultGrid grid(TableId::Vorrunde, 14, 3);
    grid.setCell(12, 1, "5,00");
    grid.setCell(12, 2, "1,00");
    grid.sortColumn = 3;
    sortTable(grid, 12, german());
    QCOMPARE(column(grid, 12), QStringList({"5,00", "1,00"}));
    QCOMPARE(grid.sortColumn, 3);
}

void TestTableSort::descendingMarksKeepTies()
{
    ResultGrid grid(TableId::Halbfinale, 9, 5);
    const QStringList marks{"+", "-", "+", "-"};
    for (int r = 1; r <= 4; ++r) {
        grid.setCell(0, r, QString::number(r));
        grid.setCell(8, r, marks[r - 1]);
    }
    grid.sortEnabled = true;
    grid.sortDirection = SortDirection::Descending;
    sortTable(grid, 8, german());
    QCOMPARE(column(grid, 8), QStringList({"-", "-", "+", "+"}));
    QCOMPARE(column(grid, 0), QStringList({"2", "4", "1", "3"}));
}

void TestTableSort::secondaryKeysInListedOrder()
{
    // outcome first, then the result; the direction applies to both keys
    ResultGrid grid(TableId::Achtelfinale, 9, 7);
    const QStringList marks{"+", "-", "+", "-", "", ""};
    const QStringList results{"40,00", "45,00", "35,00", "AUS", "", "50,00"};
    for (int r = 1; r <= 6; ++r) {
        grid.setCell(0, r, QString::number(r));
        grid.setCell(8, r, marks[r - 1]);
        grid.setCell(7, r, results[r - 1]);
    }
    grid.sortEnabled = true;
    grid.secondarySortColumns = "7";
    sortTable(grid, 8, german());
    QCOMPARE(column(grid, 0), QStringList({"6", "5", "3", "1", "2", "4"}));

    grid.sortDirection = SortDirection::Descending;
    sortTable(grid, 8, german());
    QCOMPARE(column(grid, 8), QStringList({"-", "-", "+", "+", "", ""}));
    QCOMPARE(column(grid, 7), QStringList({"AUS", "45,00", "40,00", "35,00", "", "50,00"}));
}

void TestTableSort::textKeyFoldsOnlyAsciiLetters()
{
    ResultGrid grid(TableId::Vorrunde, 14, 5);
    const QStringList names{"b", "A", "a", "B"};
    for (int r = 1; r <= 4; ++r)
        grid.setCell(1, r, names[r - 1]);
    grid.sortEnabled = true;
    grid.secondarySortColumns.clear();
    sortTable(grid, 1, german());
    QCOMPARE(column(grid, 1), QStringList({"A", "a", "b", "B"}));
}

void TestTableSort::sortAndNumberPlaces()
{
    auto competition = test::makeCompetition(4);
    ResultGrid& v = competition->grid(CompetitionRound::Vorrunde);
    const QStringList values{"31,50", "", "DIS", "29,80"};
    for (int r = 1; r <= 4; ++r)
        v.setCell(12, r, values[r - 1]);
    v.sortEnabled = true;
    v.sortColumn = 12;
    competition->sortCurrentTableAndNumber();
    QCOMPARE(column(v, 12), QStringList({"29,80", "31,50", "", "DIS"}));
    QCOMPARE(column(v, 13), QStringList({"1", "2", "", "DIS"}));
}

void TestTableSort::sortAndNumberWithSortColZeroNumbersNothing()
{
    auto competition = test::makeCompetition(3);
    ResultGrid& v = competition->grid(CompetitionRound::Vorrunde);
    v.setCell(13, 1, "x");
    v.sortEnabled = true;
    v.sortColumn = 0;
    competition->sortCurrentTableAndNumber();
    QCOMPARE(v.cell(13, 1), QStringLiteral("x"));
}

void TestTableSort::sortAndNumberWithoutSortingStillNumbers()
{
    auto competition = test::makeCompetition(3);
    ResultGrid& v = competition->grid(CompetitionRound::Vorrunde);
    v.setCell(12, 1, "50,00");
    v.setCell(12, 2, "40,00");
    v.setCell(12, 3, "DIS");
    v.sortEnabled = false;
    v.sortColumn = 12;
    competition->sortCurrentTableAndNumber();
    QCOMPARE(column(v, 12), QStringList({"50,00", "40,00", "DIS"}));
    QCOMPARE(column(v, 13), QStringList({"1", "2", "DIS"}));
}

QTEST_GUILESS_MAIN(TestTableSort)
#include "tst_tablesort.moc"
