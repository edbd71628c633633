#pragma once

#include "competition/CompetitionOptions.h"
#include "settings/CertificateLayout.h"
#include "version.h"

#include <QLatin1StringView>
#include <QRect>
#include <QString>

#include <array>
#include <optional>

namespace brv {

// Contact inputs, numbered as their stored values "Port1" to "Port6".
inline constexpr int kContactInputCount = 6;

// Per-input numbers indexed by the input's number 1 to 6 (1 Start, 2 Ziel1, 3 Ziel2, 4 Ziel3,
// 5 Start 2, 6 Start 3), so code reads as the stored names do: inputPort[2] is "Port2".
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

// What starts a run: the start contact, or the end of the start sound.
enum class StartSignal : int {
    Contact = 0, // "Kontakt"
    Audio = 1,   // "Audio"
};

// Every persisted setting. Default-constructed it holds the values in force when nothing is
// stored. The names the values are stored under live with the settings store.
struct Settings
{
    static constexpr QLatin1StringView kDefaultTitle{version::kProgramName};

    // COM number 1 to 64 (0 = none, "Kein") and modem line code per contact input.
    InputValues inputPort;
    InputValues inputLine;
    // Edge settings of inputs 1 and 2; inputs 3 to 6 take theirs from the settings dialog and
    // are not stored. 0 = "Ein".
    InputValues inputEdge;

    // Main window bounds; no left/top means the window system places the window.
    std::optional<int> windowLeft;
    std::optional<int> windowTop;
    int windowWidth = 1030; // at least version::kMinimumWindowWidth after loading
    int windowHeight = 588; // at least version::kMinimumWindowHeight after loading

    CertificateLayout certificateLayout;
    int saveFilterIndex = 2; // save dialog's file type, 1-based
    bool classColumnShown = false;
    QString classColumnCaption = QStringLiteral("Klasse");
    RankingMode rankingMode = RankingMode::BestSum;
    QString certificateTemplate; // certificate background picture
    StartSignal startSignal = StartSignal::Contact;
    KnockoutStart knockoutStart = KnockoutStart::Achtelfinale;
    bool thirdLaneOn = false;
    QString competitionTitle{kDefaultTitle}; // shown in the main window's top bar
    int tvMonitor = 0;                       // TV display monitor, 0-based
    QString tvTitleImage;                    // TV title picture
    Pairing pairing = Pairing::ByPlace;
    bool commonStart = true; // one common start contact for all lanes
    // The live results on the local network: a read-only web server on this port.
    bool liveResultsOn = false;
    int liveResultsPort = 8080; // 1 to 65535 after loading

    // The main window's bounds: what the window is given at creation and what it reports
    // back before saving. A rectangle without left/top stands at (0, 0).
    QRect windowBounds() const
    {
        return QRect(windowLeft.value_or(0), windowTop.value_or(0), windowWidth, windowHeight);
    }
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
