#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>

namespace brv {

enum class Sound { Start, Achtung, Fehlstart, Stopp };

inline constexpr std::array<Sound, 4> kAllSounds{Sound::Start, Sound::Achtung, Sound::Fehlstart,
                                                 Sound::Stopp};

// "Audio-Start.wav" and its siblings, looked for beside the program.
QString soundFileName(Sound sound);

// Plays the four wave files. A missing file or a machine without audio output is silence; no
// call ever hangs.
class SoundPlayer
{
public:
    virtual ~SoundPlayer() = default;
    // Whether the sound's file is there.
    virtual bool hasSound(Sound sound) const = 0;
    // Plays the sound and returns once it has been played.
    virtual void playAndWait(Sound sound) = 0;
    // Starts the sound and returns at once.
    virtual void play(Sound sound) = 0;
};

// Playing time of a RIFF wave file from its header, or nothing when the data is not one.
std::optional<int> waveDurationMs(const QByteArray& header);

} // namespace brv
