#include "timing/Sound.h"

#include <QtEndian>

namespace brv {

QString soundFileName(Sound sound)
{
    switch (sound) {
    case Sound::Start:
        return QStringLiteral("Audio-Start.wav");
    case Sound::Achtung:
        return QStringLiteral("Audio-Achtung.wav");
    case Sound::Fehlstart:
        return QStringLiteral("Audio-Fehlstart.wav");
    case Sound::Stopp:
        return QStringLiteral("Audio-Stopp.wav");
    }
    return QString();
}

std::optional<int> waveDurationMs(const QByteArray& header)
{
    const auto u32 = [&](qsizetype at) { return qFromLittleEndian<quint32>(header.constData() + at); };
    if (header.size() < 12 || !header.startsWith("RIFF") || header.mid(8, 4) != "WAVE")
        return std::nullopt;

    quint32 byteRate = 0;
    qsizetype at = 12;
    while (at + 8 <= header.size()) {
        const QByteArray id = header.mid(at, 4);
        const quint32 size = u32(at + 4);
        const qsizetype body = at + 8;
        if (id == "fmt " && body + 12 <= header.size())
            byteRate = u32(body + 8);
        if (id == "data") {
            if (byteRate == 0)
                return std::nullopt;
            return int(quint64(size) * 1000 / byteRate);
        }
        // Chunks are padded to an even size; a size running past the data ends the search.
        const quint64 next = quint64(body) + size + (size & 1u);
        if (next > quint64(header.size()))
            break;
        at = qsizetype(next);
    }
    return std::nullopt;
}

} // namespace brv
