#pragma once

#include <QtCore/qnamespace.h>
#include <QtGlobal>

#include <optional>

namespace brv {

enum class Medal { None, Gold, Silver, Bronze };

// How one table cell is drawn. Colours are 0xRRGGBB; an empty optional means the view's default.
// The currently selected row keeps the view's selection colours; these rules apply to the others.
struct CellStyle
{
    std::optional<quint32> background;
    std::optional<quint32> foreground;
    bool bold = false;
    Qt::Alignment alignment = Qt::AlignCenter;
    int fontPointSize = 0; // 0 = the table's font size
    Medal medal = Medal::None;
    int medalTextLeft = 0; // with a medal: the place number's left offset in pixels

    bool operator==(const CellStyle&) const = default;
};

namespace colour {
inline constexpr quint32 Red = 0xFF0000;
inline constexpr quint32 White = 0xFFFFFF;
inline constexpr quint32 Green = 0x008000;
inline constexpr quint32 Yellow = 0xFFFF00;
inline constexpr quint32 Lane1 = 0xFFD0D0;
inline constexpr quint32 Lane2 = 0xFFFFD0;
inline constexpr quint32 Lane3 = 0xD0FFD0;
inline constexpr quint32 Ranking = 0xD0E0FF;
inline constexpr quint32 Outcome = 0xD0D0D0;
inline constexpr quint32 BestOverall = 0xE8FFF0;
// Round colours of the tabs and of the overall table's heading bar.
inline constexpr quint32 Vorrunde = 0x008000;
inline constexpr quint32 Achtelfinale = 0xFFFF00;
inline constexpr quint32 Viertelfinale = 0xFF8030;
inline constexpr quint32 Halbfinale = 0xB0B0B0;
inline constexpr quint32 Finale = 0xFFCC33;
inline constexpr quint32 Gesamt = 0xFFFFFF;
inline constexpr quint32 Bestes = 0x300080;
} // namespace colour

} // namespace brv
