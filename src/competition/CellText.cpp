#include "CellText.h"

#include <cmath>
#include <limits>

namespace brv {

NumberFormat NumberFormat::fromLocale(const QLocale& locale)
{
    const QString point = locale.decimalPoint();
    return NumberFormat(point.isEmpty() ? QLatin1Char('.') : point.at(0));
}

namespace {

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

} // namespace

std::optional<double> NumberFormat::toNumber(const QString& text) const
{
    qsizetype i = 0;
    qsizetype end = text.size();
    while (i < end && isBlank(text.at(i)))
        ++i;
    while (end > i && isBlank(text.at(end - 1)))
        --end;
    if (i == end)
        return std::nullopt;

    // Build a C-locale copy and let strtod do the arithmetic once the shape is checked.
    QByteArray plain;
    plain.reserve(end - i);
    if (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')) {
        plain.append(char(text.at(i).unicode()));
        ++i;
    }
    int digits = 0;
    while (i < end && isDigit(text.at(i))) {
        plain.append(char(text.at(i).unicode()));
        ++i;
        ++digits;
    }
    if (i < end && text.at(i) == m_separator) {
        plain.append('.');
        ++i;
        while (i < end && isDigit(text.at(i))) {
            plain.append(char(text.at(i).unicode()));
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return std::nullopt;
    if (i < end && (text.at(i) == QLatin1Char('e') || text.at(i) == QLatin1Char('E'))) {
        plain.append('e');
        ++i;
        if (i < end && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-'))) {
            plain.append(char(text.at(i).unicode()));
            ++i;
        }
        int expDigits = 0;
        while (i < end && isDigit(text.at(i))) {
            plain.append(char(text.at(i).unicode()));
            ++i;
            ++expDigits;
        }
        if (expDigits == 0)
            return std::nullopt;
    }
    if (i != end)
        return std::nullopt;

    bool ok = false;
    const double value = plain.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<int> NumberFormat::toInteger(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    qsizetype i = 0;
    bool negative = false;
    if (trimmed.at(0) == QLatin1Char('+') || trimmed.at(0) == QLatin1Char('-')) {
        negative = trimmed.at(0) == QLatin1Char('-');
        i = 1;
    }
    if (i == trimmed.size())
        return std::nullopt;
    qint64 value = 0;
    for (; i < trimmed.size(); ++i) {
        if (!isDigit(trimmed.at(i)))
            return std::nullopt;
        value = value * 10 + (trimmed.at(i).unicode() - '0');
        if (value > qint64(std::numeric_limits<int>::max()) + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int>::max() || value < std::numeric_limits<int>::min())
        return std::nullopt;
    return int(value);
}

QString NumberFormat::fixed2(double value) const
{
    QString text = QString::asprintf("%1.2f", value);
    if (m_separator != QLatin1Char('.'))
        text.replace(QLatin1Char('.'), m_separator);
    return text;
}

QString NumberFormat::runTime(qint32 milliseconds) const
{
    const qint64 hundredths = qint64(milliseconds) / 10; // truncating, never rounding
    const qint64 magnitude = hundredths < 0 ? -hundredths : hundredths;
    const qint64 seconds = magnitude / 100;
    const qint64 fraction = magnitude % 100;
    QString text;
    if (hundredths < 0)
        text += QLatin1Char('-');
    text += QString::number(seconds);
    text += m_separator;
    if (fraction < 10)
        text += QLatin1Char('0');
    text += QString::number(fraction);
    return text;
}

} // namespace brv
