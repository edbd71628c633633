#pragma once

#include <QtGlobal>

#include <array>

namespace brv {

struct DigitColour
{
    int red = 0;
    int green = 0;
    int blue = 0;
    friend constexpr bool operator==(const DigitColour&, const DigitColour&) = default;
};

// The two colours every lane panel uses: index 0 dim, index 1 bright.
inline constexpr std::array<DigitColour, 2> kDigitColours{{{32, 32, 32}, {255, 153, 51}}};

// What a lane panel shows for one time: the values written to its five digits, from the first
// (hundreds of seconds) to the fifth (hundredths), whether each is bright, and the comma's colour.
struct LaneDigits
{
    std::array<int, 5> values{};  // as written; a digit shows 0 for a value outside 0 to 9
    std::array<bool, 5> bright{}; // false = dim
    bool commaBright = false;

    // The figure the seven-segment digit draws (0 for an overflowing value).
    int shown(int digit) const
    {
        const int v = values[std::size_t(digit)];
        return v >= 0 && v <= 9 ? v : 0;
    }
    bool overflows(int digit) const { return shown(digit) != values[std::size_t(digit)]; }
    DigitColour colour(int digit) const { return kDigitColours[bright[std::size_t(digit)] ? 1 : 0]; }
    DigitColour commaColour() const { return kDigitColours[commaBright ? 1 : 0]; }

    friend bool operator==(const LaneDigits&, const LaneDigits&) = default;
};

// A lane time as digits: hundredths truncated, leading zeros of the seconds dim, everything dim
// when the lane is not in use. 1 000 000 ms shows 000,00 with the first digit bright.
LaneDigits laneDigitsFor(qint32 milliseconds, bool inUse);

} // namespace brv
