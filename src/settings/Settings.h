#pragma once

#include "CertificateLayout.h"

#include <QLatin1StringView>
#include <QRect>
#include <QString>

#include <array>
#include <optional>

namespace brv {

// Contact inputs, numbered as their stored values "Port1" to "Port6".
inline constexpr int kContactInputCount = 6;

// Per-input numbers indexed by the input's number 1 to 6 (1 Start, 2 Ziel1, 3 Ziel2, 4 Ziel3,
// 5 Start 2, 6 Start 3), so code reads as the stored names do: InputPort[2] is "Port2".
class InputValues
{
public:
    int& operator[](int input) { return m_values[index(input)]; }
    int operator[](int input) const { return m_values[index(input)]; }
    bool operator==(const InputValues&) const = default;

private:
    static std::size_t index(int input)
    {
        Q_ASSERT(input >= 1 && input <= kContactInputCount);
        return std::size_t(input - 1);
    }
    std::array<int, kContactInputCount> m_values{};
};

// Modem-status line codes of a contact input and the label the settings dialog appends to a
// port's name: 0 none, 1 DSR, 2 CTS, 3 RLSD (carrier detect), 4 RING.
inline constexpr int kModemLineCount = 5;
// "-", " /4,6", " /7,8", " /1,4", " /7,9"; an unknown code gives an empty text.
QString modemLineLabel(int code);

inline constexpr int kMinimumWindowWidth = 960;
inline constexpr int kMinimumWindowHeight = 463;

// Every persisted setting, named by its stored value name. Default-constructed it holds the
// values in force when nothing is stored.
struct Settings
{
    static constexpr QLatin1StringView kDefaultTitle{"Brenvolutaris"};

    // "Port1".."Port6": COM number 1 to 64 (0 = none, "Kein") and ModemLine code per input.
    InputValues InputPort;
    InputValues InputLine;
    // "Alg1", "Alg2" for inputs 1 and 2; inputs 3 to 6 take their codes from the settings
    // dialog and are not stored. 0 = "Ein".
    InputValues InputEvent;

    // Main window bounds; no Left/Top means the window system places the window.
    std::optional<int> Left;
    std::optional<int> Top;
    int Width = 1030; // at least kMinimumWindowWidth after loading
    int Height = 588; // at least kMinimumWindowHeight after loading

    CertificateLayout Nadpis;                       // `CertificateLayout`
    int FilterInd = 2;                              // save dialog's file type, 1-based
    bool Klasse = false;                            // class column shown
    QString ColHideName = QStringLiteral("Klasse"); // class column header
    int Platznach = 0;                              // `RankingMode`: 0 "Beste Summe", 1 "Beste Zeit"
    QString Urkunde;                                // certificate template picture
    int Startznach = 0;                             // `StartTrigger`: 0 "Kontakt", 1 "Audio"
    int q16_8 = 0;                                  // `KnockoutStart`: 0 Achtelfinale, 1 Viertelfinale
    bool OnZiel3 = false;                           // `ThirdLaneOn`
    QString Title{kDefaultTitle};                   // competition title, the main window's Title label
    int Monitor = 0;                                // TV display monitor, 0-based
    QString TVImage;                                // TV title picture
    int Make = 0;                                   // `PairingMode`: 0 "nach Platz", 1 "Win+Win"
    bool OnStart = true;                            // `StartMode`: one common start contact

    // The main window's bounds: what the window is given at creation and what it reports
    // back before saving. A rectangle without Left/Top stands at (0, 0).
    QRect windowBounds() const { return QRect(Left.value_or(0), Top.value_or(0), Width, Height); }
    void setWindowBounds(const QRect& bounds);

    bool operator==(const Settings&) const = default;
};

// Packed form of "Port1".."Port6": line code × 256 + port number.
qint32 packPort(int port, int line);
// The low byte is the port, the second byte the line; higher bits are ignored.
inline int portOfPacked(qint32 packed)
{
    return packed & 0xFF;
}
inline int lineOfPacked(qint32 packed)
{
    return (packed >> 8) & 0xFF;
}

} // namespace brv
