#include "app/QtSoundPlayer.h"

#include <QAudioDevice>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMediaDevices>
#include <QSemaphore>
#include <QSoundEffect>
#include <QUrl>

#include <array>
#include <memory>

namespace brv {

namespace {

// Lives on the sound thread and owns the effects.
class SoundWorker final : public QObject
{
public:
    void load(Sound sound, const QString& path)
    {
        QSoundEffect*& effect = m_effects[std::size_t(sound)];
        if (!effect)
            effect = new QSoundEffect(this);
        effect->setSource(QUrl::fromLocalFile(path));
    }

    void play(Sound sound, const QString& path, std::shared_ptr<QSemaphore> finished)
    {
        QSoundEffect* effect = m_effects[std::size_t(sound)];
        if (!effect || effect->status() == QSoundEffect::Error || effect->source().isEmpty()) {
            load(sound, path); // the file may have appeared after start-up
            effect = m_effects[std::size_t(sound)];
        }
        if (finished) {
            // Released once the sound has stopped playing or failed to load.
            auto connections = std::make_shared<std::array<QMetaObject::Connection, 2>>();
            const auto release = [effect, finished, connections](bool done) {
                if (!done)
                    return;
                finished->release();
                for (const QMetaObject::Connection& c : *connections)
                    QObject::disconnect(c);
            };
            (*connections)[0] = connect(effect, &QSoundEffect::playingChanged, this,
                                        [effect, release] { release(!effect->isPlaying()); });
            (*connections)[1] = connect(effect, &QSoundEffect::statusChanged, this, [effect, release] {
                release(effect->status() == QSoundEffect::Error);
            });
            if (effect->status() == QSoundEffect::Error) {
                release(true);
                return;
            }
        }
        effect->play();
    }

private:
    std::array<QSoundEffect*, 4> m_effects{};
};

} // namespace

QtSoundPlayer::QtSoundPlayer(const QString& directory, QObject* parent)
    : QObject(parent), m_directory(directory), m_output(!QMediaDevices::audioOutputs().isEmpty())
{
    if (!m_output)
        return;
    auto* worker = new SoundWorker;
    worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, worker, &QObject::deleteLater);
    m_worker = worker;
    m_thread.setObjectName(QStringLiteral("Sounds"));
    m_thread.start();
    for (Sound sound : kAllSounds) {
        if (hasSound(sound)) {
            const QString file = path(sound);
            QMetaObject::invokeMethod(worker, [worker, sound, file] { worker->load(sound, file); });
        }
    }
}

QtSoundPlayer::~QtSoundPlayer()
{
    if (m_worker) {
        m_thread.quit();
        m_thread.wait();
    }
}

QString QtSoundPlayer::path(Sound sound) const
{
    return QDir(m_directory).filePath(soundFileName(sound));
}

bool QtSoundPlayer::hasSound(Sound sound) const
{
    return QFileInfo(path(sound)).isFile();
}

int QtSoundPlayer::waitLimitMs(Sound sound) const
{
    QFile file(path(sound));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const std::optional<int> length = waveDurationMs(file.read(4096));
    if (!length)
        return kUnknownLengthWaitMs;
    return qMin(*length + kWaitMarginMs, kMaxWaitMs);
}

void QtSoundPlayer::playAndWait(Sound sound)
{
    if (!m_output || !hasSound(sound))
        return;
    const int limit = waitLimitMs(sound);
    auto finished = std::make_shared<QSemaphore>();
    auto* worker = static_cast<SoundWorker*>(m_worker);
    const QString file = path(sound);
    QMetaObject::invokeMethod(worker,
                              [worker, sound, file, finished] { worker->play(sound, file, finished); });
    finished->tryAcquire(1, limit);
}

void QtSoundPlayer::play(Sound sound)
{
    if (!m_output || !hasSound(sound))
        return;
    auto* worker = static_cast<SoundWorker*>(m_worker);
    const QString file = path(sound);
    QMetaObject::invokeMethod(worker, [worker, sound, file] { worker->play(sound, file, nullptr); });
}

} // namespace brv
