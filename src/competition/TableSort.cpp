#include "competition/TableSort.h"

#include <algorithm>
#include <numeric>

namespace brv {

double resultValue(const QString& text, const NumberFormat& format)
{
    if (text.trimmed().isEmpty())
        return kSortLast;
    return format.numberOr(text, kSortLast);
}

namespace {

// Only A-Z are folded; everything else compares by its code.
QString foldAscii(const QString& text)
{
    QString folded = text;
    for (QChar& c : folded) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    }
    return folded;
}

std::vector<int> sortKeys(const ResultGrid& grid, int primary)
{
    std::vector<int> keys{primary};
    for (const int col : grid.secondarySortColumns) {
        if (col != primary)
            keys.push_back(col);
    }
    return keys;
}

} // namespace

int compareResultText(const QString& a, const QString& b, const NumberFormat& format)
{
    return compareResultValues(resultValue(a, format), resultValue(b, format));
}

int compareResultValues(double va, double vb)
{
    if (va == vb)
        return 0;
    return va > vb ? 1 : -1;
}

void sortTable(ResultGrid& grid, int column, const NumberFormat& format)
{
    if (!grid.sortEnabled)
        return;
    grid.sortColumn = column;

    const int rows = grid.dataRowCount();
    // working[i] is the table row now at working position i
    std::vector<int> working(static_cast<std::size_t>(rows));
    std::iota(working.begin(), working.end(), 1);
    const bool descending = grid.sortDirection == SortDirection::Descending;

    const std::vector<int> keys = sortKeys(grid, column);
    std::vector<int> order(static_cast<std::size_t>(rows));
    for (auto key = keys.rbegin(); key != keys.rend(); ++key) {
        const int col = *key;
        std::iota(order.begin(), order.end(), 0);
        if (grid.compareKind(col) == CompareKind::Text) {
            std::vector<QString> values(static_cast<std::size_t>(rows));
            for (int i = 0; i < rows; ++i)
                values[std::size_t(i)] = foldAscii(grid.cell(col, working[std::size_t(i)]));
            std::stable_sort(order.begin(), order.end(), [&](int x, int y) {
                const int c = QString::compare(values[std::size_t(x)], values[std::size_t(y)]);
                return descending ? c > 0 : c < 0;
            });
        } else {
            // numeric and result columns; a non-number sorts last in ascending order
            std::vector<double> values(static_cast<std::size_t>(rows));
            for (int i = 0; i < rows; ++i)
                values[std::size_t(i)] = resultValue(grid.cell(col, working[std::size_t(i)]), format);
            std::stable_sort(order.begin(), order.end(), [&](int x, int y) {
                const double a = values[std::size_t(x)];
                const double b = values[std::size_t(y)];
                return descending ? a > b : a < b;
            });
        }
        std::vector<int> next(static_cast<std::size_t>(rows));
        for (int i = 0; i < rows; ++i)
            next[std::size_t(i)] = working[std::size_t(order[std::size_t(i)])];
        working.swap(next);
    }
    grid.reorderDataRows(working);
}

} // namespace brv
