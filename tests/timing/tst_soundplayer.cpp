#include "timing/QtSoundPlayer.h"
#include "timing/Sound.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using namespace brv;

namespace {

// A mono 16-bit wave file of `ms` milliseconds of silence at 8000 Hz.
QByteArray wave(int ms, bool withListChunk = false)
{
    QByteArray out("RIFF\0\0\0\0WAVEfmt ", 16);
    const auto u32 = [&](quint32 v) {
        out.append(4, '\0');
        qToLittleEndian(v, out.data() + out.size() - 4);
    };
    const quint32 dataSize = 16 * quint32(ms);
    u32(16);
    u32(0x00010001); // PCM, mono
    u32(8000);
    u32(16000);      // byte rate
    u32(0x00100002); // block align 2, 16 bits
    if (withListChunk)
        out.append("LIST\3\0\0\0abc\0", 12); // odd size: padded to 4
    out.append("data");
    u32(dataSize);
    out.append(QByteArray(int(dataSize), '\0'));
    qToLittleEndian(quint32(out.size() - 8), out.data() + 4);
    return out;
}

} // namespace

class TestSoundPlayer final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void waveDuration_data();
    void waveDuration();
    void waitLimit_data();
    void waitLimit();
};

void TestSoundPlayer::waveDuration_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("ms"); // -1: not a wave file
    QTest::newRow("250 ms") << wave(250) << 250;
    QTest::newRow("2 s behind a padded chunk") << wave(2000, true) << 2000;
    QTest::newRow("empty") << QByteArray() << -1;
    QTest::newRow("not RIFF") << QByteArray("RIFX\0\0\0\0WAVE", 12) << -1;
    QTest::newRow("RIFF but not WAVE") << QByteArray(wave(100)).replace(8, 4, "AVI ") << -1;
    QTest::newRow("no data chunk") << wave(100).left(36) << -1;
    QTest::newRow("chunk size running past the end")
        << QByteArray("RIFF\0\0\0\0WAVEfmt \xff\xff\xff\x7f", 20) << -1;
    QTest::newRow("byte rate 0") << QByteArray(wave(100)).replace(28, 4, QByteArray(4, '\0')) << -1;
}

void TestSoundPlayer::waveDuration()
{
    QFETCH(QByteArray, data);
    QFETCH(int, ms);
    QCOMPARE(waveDurationMs(data).value_or(-1), ms);
}

void TestSoundPlayer::waitLimit_data()
{
    QTest::addColumn<int>("sound");
    QTest::addColumn<QByteArray>("file"); // empty: no file
    QTest::addColumn<int>("limit");       // how long playAndWait() may block
    QTest::newRow("no file: no wait") << int(Sound::Start) << QByteArray() << 0;
    QTest::newRow("Start, 300 ms") << int(Sound::Start) << wave(300) << 300 + QtSoundPlayer::kWaitMarginMs;
    QTest::newRow("Achtung, 2 s") << int(Sound::Achtung) << wave(2000) << 2000 + QtSoundPlayer::kWaitMarginMs;
    QTest::newRow("Fehlstart, unreadable header")
        << int(Sound::Fehlstart) << QByteArray("junk") << QtSoundPlayer::kUnknownLengthWaitMs;
    QTest::newRow("Stopp, 40 s: capped") << int(Sound::Stopp) << wave(40000) << QtSoundPlayer::kMaxWaitMs;
}

// The blocking play waits at most this limit for the sound's end.
void TestSoundPlayer::waitLimit()
{
    QFETCH(int, sound);
    QFETCH(QByteArray, file);
    QFETCH(int, limit);
    const QString names[] = {"Audio-Start.wav", "Audio-Achtung.wav", "Audio-Fehlstart.wav",
                             "Audio-Stopp.wav"};
    QTemporaryDir dir;
    if (!file.isEmpty()) {
        QFile out(dir.filePath(names[sound]));
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(file) == file.size());
    }
    QtSoundPlayer player(dir.path());
    for (Sound other : kAllSounds) {
        QCOMPARE(player.hasSound(other), !file.isEmpty() && int(other) == sound);
        QCOMPARE(player.path(other), dir.filePath(names[int(other)]));
    }
    QCOMPARE(player.waitLimitMs(Sound(sound)), limit);
    if (file.isEmpty()) { // a missing file is silence and returns at once (a hang times out)
        player.playAndWait(Sound(sound));
        player.play(Sound(sound));
    }
}

QTEST_GUILESS_MAIN(TestSoundPlayer)
#include "tst_soundplayer.moc"
