#include "timing/RaceClock.h"

#include "competition/HeatLanes.h"
#include "timing/RaceTime.h"

namespace brv {

RaceClock::RaceClock(HeatLanes& lanes, const TickSource& ticks, SoundPlayer* sounds, QObject* parent)
    : QObject(parent), m_lanes(lanes), m_ticks(ticks), m_sounds(sounds),
      m_commands{
          Command(
              QStringLiteral("Start"), QStringLiteral("Start"), [this] { return rc().startCommandEnabled; },
              [this](std::optional<quint32> t) { startCommon(t); }),
          // The per-lane starts are never disabled: one that cannot start its lane says why.
          Command(QStringLiteral("Start1"), QStringLiteral("Start 1"), {},
                  [this](std::optional<quint32> t) { startLane(1, t); }),
          Command(QStringLiteral("Start2"), QStringLiteral("Start 2"), {},
                  [this](std::optional<quint32> t) { startLane(2, t); }),
          Command(QStringLiteral("Start3"), QStringLiteral("Start 3"), {},
                  [this](std::optional<quint32> t) { startLane(3, t); }),
          Command(
              QStringLiteral("Stop1"), QStringLiteral("Stop1"), [this] { return rc().lane(1).armed; },
              [this](std::optional<quint32> t) { stopLane(1, t); }),
          Command(
              QStringLiteral("Stop2"), QStringLiteral("Stop2"), [this] { return rc().lane(2).armed; },
              [this](std::optional<quint32> t) { stopLane(2, t); }),
          Command(
              QStringLiteral("Stop3"), QStringLiteral("Stop3"), [this] { return rc().lane(3).armed; },
              [this](std::optional<quint32> t) { stopLane(3, t); }),
          Command(
              QStringLiteral("FalseStart"), QStringLiteral("Fehler"),
              [this] { return rc().falseStartEnabled; }, [this](std::optional<quint32>) { falseStart(); }),
          Command(
              QStringLiteral("Reset"), QStringLiteral("00:00"), [this] { return rc().resetEnabled; },
              [this](std::optional<quint32>) { reset(true); }),
          Command(QStringLiteral("Clear"), QStringLiteral("0,00"), {},
                  [this](std::optional<quint32>) { clear(); }),
      }
{
    m_displayTick.setInterval(kDisplayTickMs);
    connect(&m_displayTick, &QTimer::timeout, this, &RaceClock::onDisplayTick);
    updateReadiness();
}

RaceClock::~RaceClock() = default;

bool RaceClock::heatRunning() const
{
    const RunState state = runState();
    return state == RunState::Running || state == RunState::Finishing;
}

void RaceClock::resetIfFinished()
{
    if (m_controls.resetEnabled && m_controls.resetShown)
        command(ClockCommand::Reset).trigger();
}

void RaceClock::updateReadiness()
{
    RunControls& c = m_controls;
    const bool lane3Used = m_lanes.laneActive(3);
    const bool commonStart = m_lanes.commonStart();

    bool ready = !(m_lanes.laneChoices(1) == 0 || m_lanes.laneChoices(2) == 0 ||
                   (m_lanes.laneChoices(3) == 0 && lane3Used)) &&
                 !startRefusal();
    if (ready) {
        if (commonStart) {
            ready = !c.displayTickRunning;
        } else {
            ready = c.lane(1).startButtonEnabled || c.lane(2).startButtonEnabled ||
                    (c.lane(3).startButtonEnabled && lane3Used) || !c.displayTickRunning;
        }
    }
    c.startButtonEnabled = ready;
    c.startGreen = ready;

    for (int lane = 1; lane <= 3; ++lane) {
        LaneControls& l = c.lane(lane);
        l.startButtonVisible = !commonStart;
        if (!commonStart) {
            l.startButtonEnabled = l.startTick == 0 && !l.armed && (lane < 3 || lane3Used);
            l.startButtonGreen = l.startButtonEnabled;
        }
    }

    const bool hasData = m_lanes.tableHasData();
    c.saveEnabled = hasData;
    c.clearEnabled = hasData;
    c.assignEnabled[0] = c.settingsEnabled;
    c.assignEnabled[1] = c.settingsEnabled;
    c.assignEnabled[2] = c.settingsEnabled && lane3Used;
    c.certificatesEnabled = c.settingsEnabled && m_lanes.overallPage();

    if (c != m_announced) {
        m_announced = c;
        Q_EMIT controlsChanged();
    }
}

std::optional<ClockRefusal> RaceClock::startRefusal() const
{
    // a heat needs the lane area, a team on a lane in use, and no team on two lanes
    if (!m_lanes.laneAreaVisible())
        return ClockRefusal::NoHeatOnThisPage;
    bool anyTeam = false;
    for (int lane = 1; lane <= 3; ++lane)
        anyTeam = anyTeam || laneHasTeam(lane);
    if (!anyTeam)
        return ClockRefusal::NoTeamOnLanes;
    auto same = [this](int a, int b) {
        return laneHasTeam(a) && laneHasTeam(b) && m_lanes.laneRow(a) == m_lanes.laneRow(b);
    };
    if (same(1, 2) || same(1, 3) || same(2, 3))
        return ClockRefusal::SameTeamOnTwoLanes;
    return std::nullopt;
}

std::optional<ClockRefusal> RaceClock::commandRefusal(ClockCommand id) const
{
    if (m_commands[std::size_t(id)].isEnabled())
        return std::nullopt;
    const RunState state = runState();
    const bool lanesRun = state == RunState::Running || state == RunState::Finishing;
    switch (id) {
    case ClockCommand::Start:
        return lanesRun ? ClockRefusal::HeatRuns : ClockRefusal::NotReset;
    case ClockCommand::Stop1:
    case ClockCommand::Stop2:
    case ClockCommand::Stop3:
        return ClockRefusal::LaneNotRunning;
    case ClockCommand::FalseStart:
        return state == RunState::Idle ? ClockRefusal::NoHeatRunning : ClockRefusal::FalseStartAfterStop;
    case ClockCommand::Reset:
        if (state == RunState::Running)
            return ClockRefusal::ResetDuringHeat;
        return state == RunState::Finishing ? ClockRefusal::ResetBeforeLastStop : ClockRefusal::NoHeatToReset;
    case ClockCommand::Start1: // never disabled: they say why themselves
    case ClockCommand::Start2:
    case ClockCommand::Start3:
    case ClockCommand::Clear:
        break;
    }
    return std::nullopt;
}

std::optional<ClockRefusal> RaceClock::assignRefusal(int lane) const
{
    if (lane < 1 || lane > 3)
        return std::nullopt;
    if (!m_lanes.laneAreaVisible())
        return ClockRefusal::NoHeatOnThisPage;
    if (!m_lanes.laneActive(lane))
        return ClockRefusal::LaneNotInUse;
    if (!hasRun(lane))
        return std::nullopt;
    return controls().lane(lane).armed ? ClockRefusal::LaneKeepsItsTeam : ClockRefusal::TeamsAfterReset;
}

bool RaceClock::request(ClockCommand id)
{
    if (command(id).trigger())
        return true;
    const int stop = int(id) - int(ClockCommand::Stop1) + 1;
    if (const std::optional<ClockRefusal> why = commandRefusal(id))
        Q_EMIT refused(*why, stop >= 1 && stop <= 3 ? stop : 0);
    return false;
}

RunState RaceClock::runState() const
{
    bool anyArmed = false;
    bool anyStopped = false;
    for (int lane = 1; lane <= 3; ++lane) {
        anyArmed = anyArmed || controls().lane(lane).armed;
        anyStopped = anyStopped || m_stopped[std::size_t(lane - 1)];
    }
    if (anyArmed)
        return anyStopped ? RunState::Finishing : RunState::Running;
    return anyStopped ? RunState::Finished : RunState::Idle;
}

LaneDigits RaceClock::laneDisplay(int lane) const
{
    // a lane switched off shows its zeros in the off colours
    return laneDigitsFor(laneMilliseconds(lane), lane < 3 || m_lanes.laneActive(3));
}

// ---------------------------------------------------------------- lock-outs

bool RaceClock::lockoutRunning(int lane, quint32 tick) const
{
    const std::optional<quint32>& since = m_lockoutSince[std::size_t(lane - 1)];
    if (!since)
        return false;
    const qint32 elapsed = RaceTime(*since, tick);
    return elapsed >= 0 && elapsed < qint32(kLockoutMs);
}

void RaceClock::startLockout(int lane, quint32 tick)
{
    std::optional<quint32>& since = m_lockoutSince[std::size_t(lane - 1)];
    // Edges of two ports may be handed over out of order: a lock-out that an edge seen later
    // has already started is not moved back.
    if (since) {
        const qint32 ahead = RaceTime(tick, *since);
        if (ahead > 0 && ahead < qint32(kLockoutMs))
            return;
    }
    since = tick;
}

void RaceClock::cancelLockouts()
{
    m_lockoutSince.fill(std::nullopt);
}

// ---------------------------------------------------------------- display

void RaceClock::show(int lane, qint32 milliseconds)
{
    qint32& shown = m_shownMs[std::size_t(lane - 1)];
    const bool changed = hundredthsOf(shown) != hundredthsOf(milliseconds);
    shown = milliseconds;
    if (changed)
        Q_EMIT laneTimeChanged(lane);
}

void RaceClock::onDisplayTick()
{
    const quint32 tick = m_ticks.now();
    for (int lane = 1; lane <= 3; ++lane) {
        const LaneControls& l = controls().lane(lane);
        if (l.armed && l.startTick != 0 && m_lanes.laneActive(lane))
            show(lane, RaceTime(l.startTick, tick));
    }
}

void RaceClock::startDisplayTick()
{
    rc().displayTickRunning = true;
    if (!m_displayTick.isActive())
        m_displayTick.start();
}

void RaceClock::stopDisplayTick()
{
    rc().displayTickRunning = false;
    m_displayTick.stop();
}

// ---------------------------------------------------------------- helpers

void RaceClock::playIfThere(Sound sound)
{
    if (m_sounds && m_sounds->hasSound(sound))
        m_sounds->play(sound);
}

void RaceClock::notify(RunState before)
{
    m_announced = m_controls;
    Q_EMIT controlsChanged();
    const RunState after = runState();
    if (after != before)
        Q_EMIT runStateChanged(after);
}

void RaceClock::lockForRun()
{
    RunControls& c = rc();
    c.settingsEnabled = false;
    c.loadEnabled = false;
    c.assignEnabled = {false, false, false};
}

void RaceClock::disarmAll()
{
    for (LaneControls& l : rc().lanes)
        l.armed = false;
}

void RaceClock::clearStartTicks()
{
    for (LaneControls& l : rc().lanes)
        l.startTick = 0;
    m_stopped.fill(false);
}

// ---------------------------------------------------------------- starts

bool RaceClock::laneHasTeam(int lane) const
{
    return m_lanes.laneActive(lane) && m_lanes.laneRow(lane) > 0;
}

void RaceClock::startCommon(std::optional<quint32> tick)
{
    // START starts the lanes with a team that have not run in this heat; with per-lane starts
    // some may run or have stopped already, and they keep their start. A lane without a team
    // is not started: a bye runs alone.
    std::array<bool, 3> starting{};
    bool laneLeft = false;
    for (int lane = 1; lane <= 3; ++lane) {
        starting[std::size_t(lane - 1)] = !hasRun(lane) && laneHasTeam(lane);
        laneLeft = laneLeft || starting[std::size_t(lane - 1)];
    }
    if (!laneLeft) {
        // no lane left to start: for want of a page with lanes or of teams, or all have run
        Q_EMIT refused(startRefusal().value_or(ClockRefusal::AllLanesStarted), 0);
        return;
    }
    // a key or a contact starts exactly when the START button could
    if (!m_controls.startButtonEnabled) {
        Q_EMIT refused(startRefusal().value_or(ClockRefusal::NotReset), 0);
        return;
    }
    // a team that has run already on its lane runs again only when the operator says so
    if (!m_lanes.confirmHeatStart(starting))
        return;

    const RunState before = runState();
    RunControls& c = rc();
    c.startGreen = true;
    // A false start would wipe the heat: once a lane's time is taken, only RESET ends it.
    const bool timeTaken = m_stopped[0] || m_stopped[1] || m_stopped[2];

    // With "Audio" the run begins when the start sound has ended, so the tick is read after it.
    if (m_startSignal == StartSignal::Audio && m_sounds && m_sounds->hasSound(Sound::Start)) {
        m_sounds->playAndWait(Sound::Start);
        tick.reset();
    }
    const quint32 start = startTickFrom(tick.value_or(m_ticks.now()));

    c.startButtonEnabled = false;
    c.startCommandEnabled = false;
    c.startShown = false;
    c.falseStartShown = !timeTaken;
    c.falseStartEnabled = !timeTaken;
    c.resetShown = timeTaken;

    startDisplayTick();

    for (int lane = 1; lane <= 3; ++lane) {
        if (hasRun(lane))
            continue;
        c.lane(lane).startTick = start;
        m_lanes.lockLane(lane, true);
        c.lane(lane).armed = starting[std::size_t(lane - 1)];
    }

    lockForRun();
    c.resetEnabled = false;
    c.resetRed = false;

    updateReadiness();
    notify(before);
}

void RaceClock::startLane(int lane, std::optional<quint32> tick)
{
    if (m_lanes.commonStart()) {
        Q_EMIT refused(ClockRefusal::LaneStartNeedsOwnStart, lane);
        return;
    }
    // A lane that is switched off or not shown has nothing to time; starting it would only
    // start the display tick and keep START unavailable until "0,00".
    if (!m_lanes.laneActive(lane) || !m_lanes.laneAreaVisible())
        return;
    if (m_lanes.laneRow(lane) == 0) {
        Q_EMIT refused(ClockRefusal::LaneHasNoTeam, lane);
        return;
    }
    // A second start would move the start and shorten the time, or throw a stopped time away.
    if (controls().lane(lane).armed) {
        Q_EMIT refused(ClockRefusal::LaneRunning, lane);
        return;
    }
    if (hasRun(lane)) {
        Q_EMIT refused(ClockRefusal::LaneRanInThisHeat, lane);
        return;
    }
    std::array<bool, 3> starting{};
    starting[std::size_t(lane - 1)] = true;
    if (!m_lanes.confirmHeatStart(starting))
        return;

    const RunState before = runState();
    const quint32 start = startTickFrom(tick.value_or(m_ticks.now()));
    RunControls& c = rc();
    LaneControls& l = c.lane(lane);
    l.startTick = start;
    startDisplayTick();

    m_lanes.lockLane(lane, true);
    l.armed = true;
    l.startButtonEnabled = false;
    l.startButtonGreen = false;
    // A lane runs again: a RESET left enabled by an earlier finish must not cut this run short.
    c.resetEnabled = false;
    c.resetRed = false;

    bool startLeft = false;
    for (int other = 1; other <= 3; ++other)
        startLeft = startLeft || (c.lane(other).startButtonEnabled && laneHasTeam(other));
    if (!startLeft) {
        c.startButtonEnabled = false;
        c.startShown = false;
        c.resetShown = true;
    }

    lockForRun();
    updateReadiness();
    notify(before);
}

// ---------------------------------------------------------------- stop

void RaceClock::stopLane(int lane, std::optional<quint32> tick)
{
    // The stop tick comes first: nothing the stop does may lengthen the time.
    const quint32 stop = tick.value_or(m_ticks.now());
    // a stop in the first second is a slip (a key pressed with the start), not a run
    if (RaceTime(m_controls.lane(lane).startTick, stop) < kEarliestStopMs) {
        Q_EMIT refused(ClockRefusal::StopInFirstSecond, lane);
        return;
    }
    const RunState before = runState();
    playIfThere(Sound::Stopp);

    RunControls& c = rc();
    LaneControls& l = c.lane(lane);
    const qint32 elapsed = RaceTime(l.startTick, stop);

    l.armed = false;
    m_stopped[std::size_t(lane - 1)] = true;
    c.falseStartShown = false;
    c.falseStartEnabled = false;

    show(lane, elapsed);
    m_lanes.recordLaneTime(lane, elapsed);

    c.resetShown = true;
    c.startShown = false;
    const bool finished = !c.lane(1).armed && !c.lane(2).armed && !c.lane(3).armed;
    if (finished) {
        c.resetEnabled = true;
        stopDisplayTick();
        Q_EMIT heatFinished();
        c.resetRed = true;
    }
    Q_EMIT laneStopped(lane, elapsed);
    notify(before);
}

// ---------------------------------------------------------------- false start, resets

void RaceClock::falseStart()
{
    const RunState before = runState();
    stopDisplayTick();
    clearStartTicks();
    playIfThere(Sound::Fehlstart);
    disarmAll();
    resetSteps();
    finishReset();
    notify(before);
}

void RaceClock::reset(bool advance)
{
    const RunState before = runState();
    resetSteps();
    if (advance)
        Q_EMIT resetDone();
    finishReset();
    notify(before);
}

void RaceClock::clear()
{
    const RunState before = runState();
    resetSteps();
    disarmAll();
    // Nothing is armed any more, so the display tick would update nothing; stopping it also
    // lets START become available again in common-start mode.
    stopDisplayTick();
    RunControls& c = rc();
    for (int lane = 1; lane <= 2; ++lane) {
        c.lane(lane).startButtonEnabled = true;
        c.lane(lane).startButtonGreen = true;
    }
    const bool lane3 = m_lanes.laneActive(3);
    c.lane(3).startButtonEnabled = lane3;
    c.lane(3).startButtonGreen = lane3;
    finishReset();
    notify(before);
}

void RaceClock::resetSteps()
{
    cancelLockouts();
    RunControls& c = rc();
    for (int lane = 1; lane <= 3; ++lane) {
        show(lane, 0);
        if (m_lanes.laneActive(lane))
            m_lanes.lockLane(lane, false);
    }
    c.settingsEnabled = true;
    c.loadEnabled = true;
    c.startButtonEnabled = true;
    c.startGreen = true;
    c.startCommandEnabled = true;
    c.startShown = true;
    c.resetEnabled = false;
    c.resetRed = false;
    c.resetShown = false;
    c.falseStartShown = false;
    c.falseStartEnabled = false;
    clearStartTicks();
    c.assignEnabled = {true, true, m_lanes.laneActive(3)};
}

void RaceClock::finishReset()
{
    updateReadiness();
    Q_EMIT readyForStart();
}

// ---------------------------------------------------------------- lane 3 box

void RaceClock::lane3Switched(bool on)
{
    LaneControls& lane3 = m_controls.lane(3);
    lane3.startButtonEnabled =
        on && m_controls.lane(1).startButtonEnabled && m_controls.lane(2).startButtonEnabled;
    lane3.startButtonGreen = on;
    updateReadiness();
    m_shownMs[2] = 0;
    // Shown even when the value stays 0: the digits change colour with the box.
    Q_EMIT laneTimeChanged(3);
    Q_EMIT controlsChanged();
}

} // namespace brv
