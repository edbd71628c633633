#include "timing/QtSoundPlayer.h"
#include "timing/Sound.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using namespace brv;

namespace {

QByteArray le32(quint32 value)
{
    const quint32 le = qToLittleEndian(value);
    return QByteArray(reinterpret_cast<const char*>(&le), 4);
}

// A mono 16-bit wave file of `ms` milliseconds of silence at 8000 Hz; `chunk` comes before the samples.
QByteArray wave(int ms, const QByteArray& chunk = {})
{
    const QByteArray format = QByteArray::fromHex("01000100401f0000803e000002001000"); // 16 000 bytes/s
    const QByteArray body =
        "WAVEfmt " + le32(16) + format + chunk + "data" + le32(16 * ms) + QByteArray(16 * ms, 0);
    return "RIFF" + le32(quint32(body.size())) + body;
}

} // namespace

class TestSoundPlayer final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void soundFile_data();
    void soundFile();
};

void TestSoundPlayer::soundFile_data()
{
    QTest::addColumn<Sound>("sound");
    QTest::addColumn<QByteArray>("file"); // null: none
    QTest::addColumn<int>("ms");          // its playing time; -1: not a wave file
    QTest::addColumn<int>("limit");       // how long playAndWait() may block
    const int margin = QtSoundPlayer::kWaitMarginMs;
    const int unknown = QtSoundPlayer::kUnknownLengthWaitMs;
    QTest::newRow("no file: silence") << Sound::Start << QByteArray() << -1 << 0;
    QTest::newRow("250 ms") << Sound::Start << wave(250) << 250 << 250 + margin;
    QTest::newRow("2 s behind a chunk of odd size")
        << Sound::Achtung << wave(2000, QByteArray("LIST\3\0\0\0abc\0", 12)) << 2000 << 2000 + margin;
    QTest::newRow("no samples") << Sound::Fehlstart << wave(0) << 0 << margin;
    QTest::newRow("40 s: the wait is capped")
        << Sound::Stopp << wave(40000) << 40000 << QtSoundPlayer::kMaxWaitMs;
    QTest::newRow("empty") << Sound::Stopp << QByteArray("") << -1 << unknown;
    QTest::newRow("not RIFF") << Sound::Start << QByteArray("RIFX\0\0\0\0WAVE", 12) << -1 << unknown;
    QTest::newRow("RIFF but not WAVE") << Sound::Start << wave(100).replace(8, 4, "AVI ") << -1 << unknown;
    QTest::newRow("no data chunk") << Sound::Start << wave(100).left(36) << -1 << unknown;
    QTest::newRow("chunk running past the end")
        << Sound::Start << QByteArray("RIFF\0\0\0\0WAVEfmt \xff\xff\xff\x7f", 20) << -1 << unknown;
    QTest::newRow("byte rate 0") << Sound::Start << wave(100).replace(28, 4, QByteArray(4, 0)) << -1
                                 << unknown;
}

// The playing time read from the header bounds the blocking play; a missing file is silence.
void TestSoundPlayer::soundFile()
{
    QFETCH(Sound, sound);
    QFETCH(QByteArray, file);
    QFETCH(int, ms);
    QFETCH(int, limit);
    QCOMPARE(waveDurationMs(file).value_or(-1), ms);
    const QStringList names{"Audio-Start.wav", "Audio-Achtung.wav", "Audio-Fehlstart.wav", "Audio-Stopp.wav"};
    QTemporaryDir dir;
    QFile out(dir.filePath(names.at(int(sound))));
    QVERIFY(file.isNull() || (out.open(QIODevice::WriteOnly) && out.write(file) == file.size()));
    out.close();
    QtSoundPlayer player(dir.path());
    for (Sound other : kAllSounds) {
        QCOMPARE(player.hasSound(other), !file.isNull() && other == sound);
        QCOMPARE(player.path(other), dir.filePath(names.at(int(other))));
    }
    QCOMPARE(player.waitLimitMs(sound), limit);
    if (file.isNull()) { // returns at once (a hang times out)
        player.playAndWait(sound);
        player.play(sound);
    }
}

QTEST_GUILESS_MAIN(TestSoundPlayer)
#include "tst_soundplayer.moc"
