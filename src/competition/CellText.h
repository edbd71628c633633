#pragma once

#include <QChar>
#include <QLocale>
#include <QString>

#include <optional>

namespace brv {

// Every protocol value is cell text. A computation that needs a number parses the text and
// substitutes one of these defaults when the text is not a number.
inline constexpr double kNoTime = 0.0;            // an absent time
inline constexpr double kNoResult = 99999.0;      // an absent result
inline constexpr double kSortLast = 2147483647.0; // a non-number when sorting result columns

namespace mark {
inline constexpr QLatin1StringView Void{"AUS"}; // the run is void
inline constexpr QLatin1StringView Disqualified{"DIS"};
inline constexpr QLatin1StringView Won{"+"};
inline constexpr QLatin1StringView Lost{"-"};
} // namespace mark

// Number conversion in the locale's format: one decimal separator, no group separators.
// "12.34" under German settings is not a number (and certainly not 1234).
class NumberFormat
{
public:
    explicit NumberFormat(QChar decimalSeparator = QLatin1Char(',')) : m_separator(decimalSeparator) {}
    static NumberFormat fromLocale(const QLocale& locale);

    QChar decimalSeparator() const { return m_separator; }

    // Surrounding blanks are allowed; an optional sign, digits, the separator, digits and an
    // optional exponent. Anything else (empty, "AUS", "DIS", "+") is not a number.
    std::optional<double> toNumber(const QString& text) const;
    double numberOr(const QString& text, double fallback) const { return toNumber(text).value_or(fallback); }

    // Whole numbers with surrounding blanks allowed, 32-bit range.
    static std::optional<int> toInteger(const QString& text);

    // "%1.2f": two decimals, rounded, with the locale's separator.
    QString fixed2(double value) const;

    // A clock time: seconds without leading zeros, the separator and two truncated digits of
    // hundredths, no minutes. 12345 ms gives "12,34", 5 ms "0,00", 61005 ms "61,00".
    QString runTime(qint32 milliseconds) const;

private:
    QChar m_separator;
};

} // namespace brv
