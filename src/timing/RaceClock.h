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

class HeatLanes;

enum class RunState {
    Idle,      // no lane armed, start ticks 0
    Running,   // at least one lane armed, none stopped
    Finishing, // at least one lane stopped, another still armed
    Finished,  // every stop command disabled after a run; RESET waits
};

enum class ClockCommand { Start, Start1, Start2, Start3, Stop1, Stop2, Stop3, FalseStart, Reset, Clear };

// Why a command of the clock did nothing.
enum class ClockRefusal {
    PageDuringHeat,         // the page stays while a heat runs
    NoHeatOnThisPage,       // the overall table runs no heat
    NoTeamOnLanes,          // no lane in use holds a team
    SameTeamOnTwoLanes,     // one team on two lanes
    AllLanesStarted,        // every lane has started in this heat
    NotReset,               // the heat waits for its RESET
    LaneStartNeedsOwnStart, // a lane's own start while one start starts all
    LaneHasNoTeam,          // the lane holds no team
    LaneRunning,            // the lane runs already
    LaneRanInThisHeat,      // the lane has run in this heat
    StopInFirstSecond,      // a stop within a second of the lane's start
    LaneKeepsItsTeam,       // a running lane's team cannot be changed
    HeatRuns,               // START while the heat runs
    LaneNotRunning,         // a stop for a lane that does not run
    NoHeatRunning,          // a false start without a heat
    FalseStartAfterStop,    // a false start once a time is taken
    ResetDuringHeat,        // RESET while no lane has stopped yet
    ResetBeforeLastStop,    // RESET while a lane still runs
    NoHeatToReset,          // RESET without a heat
    TeamsAfterReset,        // new teams before the finished heat's RESET
    LaneNotInUse,           // the lane is switched off or not on this page
    SettingsDuringHeat,     // the settings wait for RESET
    LoadDuringHeat,         // loading waits for RESET
    TableEmpty,             // nothing to save, print or clear
};

// Times up to three lanes that run side by side. The clock owns the run controls (which buttons
// and commands are shown and enabled, the start ticks, which lanes are armed); its commands are
// the only way to change them, and it announces every change. Of the competition it knows only
// the lanes (HeatLanes): which run and hold a team, and where a stopped lane's time goes. What
// follows a heat (the recalculation, the text copy, the next teams) is wired to heatFinished()
// and resetDone(); whoever changes the lanes or the tables calls updateReadiness(). Runs on the
// main thread.
class RaceClock final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RaceClock)

public:
    // A stop earlier than this after its lane's start is refused.
    static constexpr qint32 kEarliestStopMs = 1000;

    static constexpr quint32 kLockoutMs = 1000;
    static constexpr int kDisplayTickMs = 10;

    // `sounds` may be null (silence).
    explicit RaceClock(HeatLanes& lanes, const TickSource& ticks = steadyTickSource(),
                       SoundPlayer* sounds = nullptr, QObject* parent = nullptr);
    ~RaceClock() override;

    HeatLanes& lanes() { return m_lanes; }
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

    // ---- state
    RunState runState() const;
    // Why a heat cannot start now (no lane area on the page, no team on the lanes, one team on
    // two lanes); none when it can.
    std::optional<ClockRefusal> startRefusal() const;
    // Why command `id` does nothing now (it is disabled); none when it runs.
    std::optional<ClockRefusal> commandRefusal(ClockCommand id) const;
    // Runs command `id` for the operator's key: one that does nothing announces why (refused()).
    // Contacts call trigger(): a bouncing contact says nothing.
    bool request(ClockCommand id);
    // Why lane `lane` may not get another team now: no heat on this page, the lane not in use,
    // it runs, or it has its time and waits for RESET, which brings the next teams. None when it
    // may.
    std::optional<ClockRefusal> assignRefusal(int lane) const;
    // A heat runs (from START until every lane has stopped): its page stays, its teams too.
    bool heatRunning() const;
    // A heat that has finished and waits for RESET gets it (before its page is left).
    void resetIfFinished();
    bool displayTickActive() const { return m_displayTick.isActive(); }
    const RunControls& controls() const { return m_controls; }

    // What lane 1 to 3's panel shows.
    qint32 laneMilliseconds(int lane) const { return m_shownMs[std::size_t(lane - 1)]; }
    LaneDigits laneDisplay(int lane) const;

    // Finish lock-outs (1000 ms per lane), judged at a tick: contacts pass their edge's tick.
    bool lockoutRunning(int lane, quint32 tick) const;
    void startLockout(int lane, quint32 tick);
    void cancelLockouts();

    // Lane 3's on/off box was switched (the lanes already know).
    void lane3Switched(bool on);

public Q_SLOTS:
    // The 10 ms display tick: refreshes the running lanes' panels; never a source of times.
    void onDisplayTick();
    // What follows from the lanes, the current table and the clock's own state: whether START
    // and the lanes' start buttons are ready, and the protocol buttons. Called when the lanes or
    // the tables change.
    void updateReadiness();

Q_SIGNALS:
    // Lane panel `lane` shows something else (its hundredths or its colours changed).
    void laneTimeChanged(int lane);
    void controlsChanged();
    void runStateChanged(brv::RunState state);
    // A reset (after a heat, a false start or "0,00") is done: the next heat can be started.
    void readyForStart();
    // A lane was stopped with this time (after it was recorded).
    void laneStopped(int lane, qint32 milliseconds);
    // The last running lane has stopped: the heat's results are complete.
    void heatFinished();
    // RESET after a heat: the next teams may come onto the lanes.
    void resetDone();
    // A command did nothing, for this reason (on `lane` where it names one).
    void refused(brv::ClockRefusal reason, int lane);

private:
    RunControls& rc() { return m_controls; }
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

    HeatLanes& m_lanes;
    RunControls m_controls;
    RunControls m_announced;
    const TickSource& m_ticks;
    SoundPlayer* m_sounds;
    std::array<Command, 10> m_commands;
    QTimer m_displayTick;
    StartSignal m_startSignal = StartSignal::Contact;
    std::array<qint32, 3> m_shownMs{};
    std::array<bool, 3> m_stopped{}; // the lane has stopped since its start
    std::array<std::optional<quint32>, 3> m_lockoutSince;
};

} // namespace brv
