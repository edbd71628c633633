#pragma once

#include "settings/Settings.h"
#include "timing/Command.h"
#include "timing/LaneDisplay.h"
#include "timing/RunControls.h"
#include "timing/Sound.h"
#include "timing/TickSource.h"

#include <QObject>
#include <QTimer>

#include <array>
#include <functional>
#include <optional>

namespace brv {

class Competition;

enum class RunState {
    Idle,      // no lane armed, start ticks 0
    Running,   // at least one lane armed, none stopped
    Finishing, // at least one lane stopped, another still armed
    Finished,  // every stop command disabled after a run; RESET waits
};

enum class ClockCommand { Start, Start1, Start2, Start3, Stop1, Stop2, Stop3, FalseStart, Reset, Clear };

// Times up to three lanes that run side by side. The clock owns the run controls (which buttons
// and commands are shown and enabled, the start ticks, which lanes are armed); its commands are
// the only way to change them, and it announces every change. It follows the competition's
// lanes and tables, which decide whether a heat can start and which protocol buttons are
// offered. Runs on the main thread.
class RaceClock final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RaceClock)

public:
    // A stop earlier than this after its lane's start is refused.
    static constexpr qint32 kEarliestStopMs = 1000;

    static constexpr quint32 kLockoutMs = 1000;
    static constexpr int kDisplayTickMs = 10;

    // `sounds` may be null (silence). The clock registers its reset with the competition, so
    // leaving a page runs a reset that a finished heat still waits for.
    explicit RaceClock(Competition& competition, const TickSource& ticks = steadyTickSource(),
                       SoundPlayer* sounds = nullptr, QObject* parent = nullptr);
    ~RaceClock() override;

    Competition& competition() { return m_competition; }
    const TickSource& ticks() const { return m_ticks; }
    quint32 now() const { return m_ticks.now(); }

    // ---- commands
    Command& command(ClockCommand id) { return m_commands[std::size_t(id)]; }
    Command& startCommand(int lane) { return command(ClockCommand(int(ClockCommand::Start1) + lane - 1)); }
    Command& stopCommand(int lane) { return command(ClockCommand(int(ClockCommand::Stop1) + lane - 1)); }

    // ---- settings the clock reads
    // What starts the run: the contact, or the end of the start sound.
    void setStartSignal(StartSignal signal) { m_startSignal = signal; }
    StartSignal startSignal() const { return m_startSignal; }
    // saveToText of the current table into the autosave file after each finished heat; empty
    // means nothing is written.
    void setAutosave(std::function<void()> writer) { m_autosave = std::move(writer); }

    // ---- state
    RunState runState() const;
    // Why a heat cannot start now (no lane area on the page, no team on the lanes, one team on
    // two lanes); empty when it can.
    QString startRefusal() const;
    bool displayTickActive() const { return m_displayTick.isActive(); }
    const RunControls& controls() const { return m_controls; }

    // What lane 1 to 3's panel shows.
    qint32 laneMilliseconds(int lane) const { return m_shownMs[std::size_t(lane - 1)]; }
    LaneDigits laneDisplay(int lane) const;

    // Finish lock-outs (1000 ms per lane), judged at a tick: contacts pass their edge's tick.
    bool lockoutRunning(int lane, quint32 tick) const;
    void startLockout(int lane, quint32 tick);
    void cancelLockouts();

    // Lane 3's on/off box was clicked.
    void setLane3On(bool on);

    // The team of the current row goes onto the lane, unless the lane runs: its time belongs to
    // the team it started with.
    void assignRowToLane(int lane);

public Q_SLOTS:
    // The 10 ms display tick: refreshes the running lanes' panels; never a source of times.
    void onDisplayTick();

Q_SIGNALS:
    // Lane panel `lane` shows something else (its hundredths or its colours changed).
    void laneTimeChanged(int lane);
    void controlsChanged();
    void runStateChanged(brv::RunState state);
    // A reset (after a heat, a false start or "0,00") is done: the next heat can be started.
    void readyForStart();
    // A lane was stopped with this time (after it was recorded).
    void laneStopped(int lane, qint32 milliseconds);
    // A command or a lane assignment did nothing, for this reason (a status text).
    void refused(const QString& reason);

private:
    RunControls& rc() { return m_controls; }
    // What follows from the lanes, the current table and the clock's own state: whether START
    // and the lanes' start buttons are ready, and the protocol buttons.
    void updateReadiness();
    void startCommon(std::optional<quint32> tick);
    void startLane(int lane, std::optional<quint32> tick);
    void stopLane(int lane, std::optional<quint32> tick);
    void falseStart();
    void reset(bool advance);
    void clear();
    void resetSteps();
    void finishReset();
    void lockForRun();
    void disarmAll();
    void clearStartTicks();
    void startDisplayTick();
    void stopDisplayTick();
    void show(int lane, qint32 milliseconds);
    void playIfThere(Sound sound);
    void notify(RunState before);
    // The lane is shown, switched on and holds a team.
    bool laneHasTeam(int lane) const;
    // The lane runs, or has stopped since its start in this heat.
    bool hasRun(int lane) const { return controls().lane(lane).armed || m_stopped[std::size_t(lane - 1)]; }

    Competition& m_competition;
    RunControls m_controls;
    RunControls m_announced;
    const TickSource& m_ticks;
    SoundPlayer* m_sounds;
    std::array<Command, 10> m_commands;
    QTimer m_displayTick;
    StartSignal m_startSignal = StartSignal::Contact;
    std::function<void()> m_autosave;
    std::array<qint32, 3> m_shownMs{};
    std::array<bool, 3> m_stopped{}; // the lane has stopped since its start
    std::array<std::optional<quint32>, 3> m_lockoutSince;
};

} // namespace brv
