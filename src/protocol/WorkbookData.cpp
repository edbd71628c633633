#include "protocol/WorkbookData.h"

#include "competition/CellText.h"

#include <cmath>

namespace brv {

CellValue CellValue::fromCellText(const QString& text, const NumberFormat& format)
{
    CellValue value;
    if (text.isEmpty())
        return value;
    if (const std::optional<double> number = format.toNumber(text)) {
        value.kind = Kind::Number;
        value.number = *number;
        return value;
    }
    value.kind = Kind::Text;
    value.text = text;
    return value;
}

CellValue CellValue::ofText(const QString& text)
{
    CellValue value;
    if (!text.isEmpty()) {
        value.kind = Kind::Text;
        value.text = text;
    }
    return value;
}

QString SheetContent::text(int row, int col) const
{
    const auto it = rows.find(row);
    if (it == rows.end() || col < 1 || col > int(it->second.size()))
        return QString();
    return it->second[std::size_t(col - 1)];
}

void SheetContent::setText(int row, int col, const QString& text)
{
    if (col < 1)
        return;
    std::vector<QString>& cells = rows[row];
    if (int(cells.size()) < col)
        cells.resize(std::size_t(col));
    cells[std::size_t(col - 1)] = text;
}

QString generalNumberText(double value, QChar decimalSeparator)
{
    if (!std::isfinite(value))
        return QString();
    if (value == 0)
        return QStringLiteral("0");
    QString text = QString::number(value, 'g', 15);
    // Exponent form as the spreadsheet writes it: 1E+20, 1E-07.
    const qsizetype e = text.indexOf(QLatin1Char('e'));
    if (e >= 0)
        text[e] = QLatin1Char('E');
    if (decimalSeparator != QLatin1Char('.'))
        text.replace(QLatin1Char('.'), decimalSeparator);
    return text;
}

} // namespace brv
