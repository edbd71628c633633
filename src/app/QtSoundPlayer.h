#pragma once

#include "timing/Sound.h"

#include <QObject>
#include <QString>
#include <QThread>

namespace brv {

// The program's sounds through Qt Multimedia (QSoundEffect), played on a thread of their own so
// that a blocking start sound really blocks the main thread without spinning a nested event
// loop. Without an audio output (QMediaDevices::audioOutputs() is empty) everything is silence:
// QSoundEffect would never report the end of a sound there. The blocking wait is also bounded
// by the file's playing time plus a margin.
class QtSoundPlayer final : public QObject, public SoundPlayer
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QtSoundPlayer)

public:
    static constexpr int kWaitMarginMs = 1500;
    static constexpr int kUnknownLengthWaitMs = 10000;
    static constexpr int kMaxWaitMs = 30000;

    // Looks for the four files in `directory` and hands each one that exists to the sound
    // service once, so that the first play does not wait for loading.
    explicit QtSoundPlayer(const QString& directory, QObject* parent = nullptr);
    ~QtSoundPlayer() override;

    bool hasAudioOutput() const { return m_output; }
    QString path(Sound sound) const;
    // How long playAndWait() waits at most for this sound.
    int waitLimitMs(Sound sound) const;

    bool hasSound(Sound sound) const override;
    void playAndWait(Sound sound) override;
    void play(Sound sound) override;

private:
    QString m_directory;
    bool m_output = false;
    QThread m_thread;
    QObject* m_worker = nullptr;
};

} // namespace brv
