#pragma once

#include "competition/Competition.h"
#include "timing/Sound.h"

#include <QElapsedTimer>
#include <QList>
#include <QThread>

#include <functional>
#include <set>

namespace brv::test {

// Sounds without audio: remembers what was played and how.
class FakeSounds final : public SoundPlayer
{
public:
    struct Played
    {
        Sound sound;
        bool waited;
    };

    std::set<Sound> present{Sound::Start, Sound::Achtung, Sound::Fehlstart, Sound::Stopp};
    QList<Played> played;
    std::function<void(Sound, bool waited)> whilePlaying; // e.g. lets time pass

    bool hasSound(Sound sound) const override { return present.count(sound) > 0; }
    void playAndWait(Sound sound) override { record(sound, true); }
    void play(Sound sound) override { record(sound, false); }

private:
    void record(Sound sound, bool waited)
    {
        played.append({sound, waited});
        if (whilePlaying)
            whilePlaying(sound, waited);
    }
};

// A Vorrunde with `teams` teams numbered 1.., named "Team 1"..; the page is entered as the
// operator does, so lanes 1 and 2 stand on the first two teams.
inline void enterVorrunde(Competition& competition, int teams)
{
    ResultGrid& g = competition.grid(CompetitionRound::Vorrunde);
    g.setRowCount(teams + 1);
    for (int r = 1; r <= teams; ++r)
        g.setRowCells(r, {QString::number(r), QStringLiteral("Team %1").arg(r)});
    competition.enterRound(CompetitionRound::Vorrunde);
}

// The data row of team `number` in the Vorrunde (rows move when the table is sorted).
inline int vorrundeRow(const Competition& competition, int number)
{
    return competition.grid(CompetitionRound::Vorrunde).findRow(VorrundeColumn::Nr, QString::number(number));
}

// Waits without running the event loop, as a busy main thread would; false on time-out.
inline bool waitWithoutEvents(const std::function<bool()>& done, int timeoutMs = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QThread::usleep(200);
    }
    return true;
}

} // namespace brv::test
