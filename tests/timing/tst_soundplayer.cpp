#include "timing/QtSoundPlayer.h"
#include "timing/Sound.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using namespace brv;

namespace {

// A mono 16-bit wave file of `ms` milliseconds of silence at 8000 Hz.
QByteArray wave(int ms, bool withListChunk = false)
{
    const quint32 rate = 8000;
    const quint32 byteRate = rate * 2;
    const quint32 dataSize = byteRate * quint32(ms) / 1000;
    QByteArray out("RIFF");
    const auto u32 = [&](quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        out.append(b, 4);
    };
    const auto u16 = [&](quint16 v) {
        char b[2];
        qToLittleEndian(v, b);
        out.append(b, 2);
    };
    u32(0); // patched below
    out.append("WAVE");
    out.append("fmt ");
    u32(16);
    u16(1);
    u16(1);
    u32(rate);
    u32(byteRate);
    u16(2);
    u16(16);
    if (withListChunk) {
        out.append("LIST");
        u32(3); // odd size: padded to 4
        out.append("abc\0", 4);
    }
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
    void missingFilesAreSilence();
    void blockingPlayEndsInTime();
    void asyncPlayReturnsAtOnce();
};

void TestSoundPlayer::waveDuration_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("ms"); // -1: not a wave file
    QTest::newRow("250 ms") << wave(250) << 250;
    QTest::newRow("2 s behind a padded chunk") << wave(2000, true) << 2000;
    QTest::newRow("empty") << QByteArray() << -1;
    QTest::newRow("not RIFF") << QByteArray("RIFX\0\0\0\0WAVE", 12) << -1;
    QTest::newRow("no data chunk") << wave(100).left(36) << -1;
    QTest::newRow("chunk size running past the end")
        << QByteArray("RIFF\0\0\0\0WAVEfmt \xff\xff\xff\x7f", 20) << -1;
    QByteArray noRate = wave(100);
    qToLittleEndian(quint32(0), noRate.data() + 28);
    QTest::newRow("byte rate 0") << noRate << -1;
}

void TestSoundPlayer::waveDuration()
{
    QFETCH(QByteArray, data);
    QFETCH(int, ms);
    const std::optional<int> length = waveDurationMs(data);
    QCOMPARE(length.value_or(-1), ms);
}

void TestSoundPlayer::missingFilesAreSilence()
{
    QTemporaryDir dir;
    QtSoundPlayer player(dir.path());
    QElapsedTimer timer;
    timer.start();
    for (Sound sound : kAllSounds) {
        QVERIFY(!player.hasSound(sound));
        player.playAndWait(sound);
        player.play(sound);
    }
    QVERIFY(timer.elapsed() < 1000);
}

void TestSoundPlayer::blockingPlayEndsInTime()
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("Audio-Start.wav")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(wave(300));
    file.close();
    QtSoundPlayer player(dir.path());
    QVERIFY(player.hasSound(Sound::Start));
    QCOMPARE(player.waitLimitMs(Sound::Start), 300 + QtSoundPlayer::kWaitMarginMs);
    QElapsedTimer timer;
    timer.start();
    player.playAndWait(Sound::Start); // with or without an audio device: never longer than the limit
    QVERIFY(timer.elapsed() <= 300 + QtSoundPlayer::kWaitMarginMs + 500);
    if (player.hasAudioOutput())
        QVERIFY(timer.elapsed() >= 250);
    else
        QVERIFY(timer.elapsed() < 200);
}

void TestSoundPlayer::asyncPlayReturnsAtOnce()
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("Audio-Stopp.wav")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(wave(2000));
    file.close();
    QtSoundPlayer player(dir.path());
    QElapsedTimer timer;
    timer.start();
    player.play(Sound::Stopp);
    QVERIFY(timer.elapsed() < 200);
}

QTEST_GUILESS_MAIN(TestSoundPlayer)
#include "tst_soundplayer.moc"
