#include "app/QtSoundPlayer.h"
#include "timing/Sound.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using namespace brv;

namespace {

// The header of a mono 16-bit wave file at 8000 Hz (16 000 bytes a second) announcing `ms`
// milliseconds of samples; `chunk` comes before them.
QByteArray wave(int ms, const QByteArray& chunk = {})
{
    QByteArray file =
        QByteArray("RIFF\0\0\0\0WAVEfmt \x10\0\0\0\1\0\1\0\x40\x1f\0\0\x80\x3e\0\0\2\0\x10\0", 36) + chunk +
        QByteArray("data\0\0\0\0", 8);
    qToLittleEndian(quint32(16 * ms), file.data() + file.size() - 4);
    qToLittleEndian(quint32(file.size() - 8), file.data() + 4);
    return file;
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
    QTest::addColumn<QByteArray>("file"); // of the Fehlstart sound; null: none
    QTest::addColumn<int>("ms");          // its playing time; -1: not a wave file
    QTest::addColumn<int>("limit");       // how long playAndWait() may block
    const int margin = QtSoundPlayer::kWaitMarginMs;
    const int unknown = QtSoundPlayer::kUnknownLengthWaitMs;
    QTest::newRow("no file: silence") << QByteArray() << -1 << 0;
    QTest::newRow("250 ms") << wave(250) << 250 << 250 + margin;
    QTest::newRow("2 s behind a chunk of odd size")
        << wave(2000, QByteArray("LIST\3\0\0\0abc\0", 12)) << 2000 << 2000 + margin;
    QTest::newRow("40 s: the wait is capped") << wave(40000) << 40000 << QtSoundPlayer::kMaxWaitMs;
    QTest::newRow("chunk running past the end")
        << QByteArray("RIFF\0\0\0\0WAVEfmt \xff\xff\xff\x7f", 20) << -1 << unknown;
    QTest::newRow("byte rate 0") << wave(100).replace(28, 4, QByteArray(4, 0)) << -1 << unknown;
}

// The playing time read from the header bounds the blocking play; a missing file is silence.
void TestSoundPlayer::soundFile()
{
    QFETCH(QByteArray, file);
    QFETCH(int, ms);
    QFETCH(int, limit);
    QCOMPARE(waveDurationMs(file).value_or(-1), ms);
    const QStringList names{"Audio-Start.wav", "Audio-Achtung.wav", "Audio-Fehlstart.wav", "Audio-Stopp.wav"};
    QTemporaryDir dir;
    QFile out(dir.filePath(names.at(2)));
    QVERIFY(file.isNull() || (out.open(QIODevice::WriteOnly) && out.write(file) == file.size()));
    out.close();
    QtSoundPlayer player(dir.path());
    for (Sound other : kAllSounds) {
        QCOMPARE(player.hasSound(other), !file.isNull() && other == Sound::Fehlstart);
        QCOMPARE(player.path(other), dir.filePath(names.at(int(other))));
    }
    QCOMPARE(player.waitLimitMs(Sound::Fehlstart), limit);
    if (file.isNull()) { // returns at once (a hang times out)
        player.playAndWait(Sound::Fehlstart);
        player.play(Sound::Fehlstart);
    }
}

QTEST_GUILESS_MAIN(TestSoundPlayer)
#include "tst_app_soundplayer.moc"
