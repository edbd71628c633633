#include "competition/CellText.h"

#include <charconv>
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

    // Fast path: sign, up to 15 digits and a separator, no exponent. The digits as an integer
    // and the power of ten are both exact in a double, so one division gives the correctly
    // rounded value, the same as the general conversion below.
    {
        static constexpr double kPow10[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                            1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
        qsizetype j = i;
        bool negative = false;
        if (text.at(j) == QLatin1Char('+') || text.at(j) == QLatin1Char('-')) {
            negative = text.at(j) == QLatin1Char('-');
            ++j;
        }
        quint64 mantissa = 0;
        int digits = 0;
        int fractionDigits = 0;
        bool separatorSeen = false;
        bool simple = true;
        for (; j < end; ++j) {
            const QChar c = text.at(j);
            if (isDigit(c)) {
                mantissa = mantissa * 10 + (c.unicode() - '0');
                ++digits;
                if (separatorSeen)
                    ++fractionDigits;
            } else if (c == m_separator && !separatorSeen) {
                separatorSeen = true;
            } else {
                simple = false;
                break;
            }
        }
        if (simple) {
            if (digits == 0)
                return std::nullopt;
            if (digits <= 15) {
                const double value = double(mantissa) / kPow10[fractionDigits];
                return negative ? -value : value;
            }
        }
    }

    // Copy into a C-locale buffer once the shape is checked, and convert that. Cells are short;
    // a long one takes the slow road through the heap.
    constexpr qsizetype kShort = 64;
    char shortBuffer[kShort];
    QByteArray longBuffer;
    char* plain = shortBuffer;
    if (end - i >= kShort) {
        longBuffer.resize(end - i + 1);
        plain = longBuffer.data();
    }
    qsizetype n = 0;
    auto put = [&](QChar c) { plain[n++] = char(c.unicode()); };

    if (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')) {
        if (text.at(i) == QLatin1Char('-'))
            put(text.at(i));
        ++i;
    }
    int digits = 0;
    while (i < end && isDigit(text.at(i))) {
        put(text.at(i));
        ++i;
        ++digits;
    }
    if (i < end && text.at(i) == m_separator) {
        plain[n++] = '.';
        ++i;
        while (i < end && isDigit(text.at(i))) {
            put(text.at(i));
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return std::nullopt;
    if (i < end && (text.at(i) == QLatin1Char('e') || text.at(i) == QLatin1Char('E'))) {
        plain[n++] = 'e';
        ++i;
        if (i < end && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-'))) {
            put(text.at(i));
            ++i;
        }
        int expDigits = 0;
        while (i < end && isDigit(text.at(i))) {
            put(text.at(i));
            ++i;
            ++expDigits;
        }
        if (expDigits == 0)
            return std::nullopt;
    }
    if (i != end)
        return std::nullopt;

    double value = 0;
    const auto [ptr, ec] = std::from_chars(plain, plain + n, value);
    if (ec != std::errc() || ptr != plain + n || !std::isfinite(value))
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
    // The common case by integer arithmetic; a value that lies on or near a half hundredth, or
    // is very large, goes through printf so that the rounding is exactly printf's.
    const double scaled = value * 100.0;
    const double rounded = std::nearbyint(scaled);
    if (std::fabs(scaled) < 1e15 && std::fabs(std::fabs(scaled - std::trunc(scaled)) - 0.5) > 1e-6) {
        const qint64 h = qint64(rounded);
        const qint64 magnitude = h < 0 ? -h : h;
        QString text;
        text.reserve(12);
        if (h < 0)
            text += QLatin1Char('-');
        text += QString::number(magnitude / 100);
        text += m_separator;
        const qint64 fraction = magnitude % 100;
        text += QLatin1Char(char('0' + fraction / 10));
        text += QLatin1Char(char('0' + fraction % 10));
        return text;
    }
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
