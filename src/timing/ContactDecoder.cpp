#include "timing/ContactDecoder.h"

#include "competition/HeatLanes.h"
#include "timing/RaceClock.h"
#include "timing/RaceTime.h"
#include "timing/SerialLineMonitor.h"

namespace brv {

ContactDecoder::ContactDecoder(RaceClock& clock, QObject* parent) : QObject(parent), m_clock(clock) {}

void ContactDecoder::attach(SerialLineMonitor& port)
{
    SerialLineMonitor* const sender = &port;
    const auto linesChanged = [this, sender] { onLinesChanged(*sender); };
    connect(sender, &SerialLineMonitor::ringChanged, this, linesChanged);
    connect(sender, &SerialLineMonitor::ctsChanged, this, linesChanged);
    connect(sender, &SerialLineMonitor::dsrChanged, this, linesChanged);
    connect(sender, &SerialLineMonitor::rlsdChanged, this, linesChanged);
    connect(sender, &SerialLineMonitor::opened, this, [this, sender] { onPortOpened(*sender); });
    connect(sender, &SerialLineMonitor::closed, this, [this, sender] { onPortClosed(*sender); });
}

void ContactDecoder::onLinesChanged(SerialLineMonitor& sender)
{
    const std::optional<CapturedLineEvent>& event = sender.currentEvent();
    if (event)
        decode(sender.port(), event->status, event->tick);
    else
        decode(sender.port(), sender.modemStatus());
}

void ContactDecoder::decode(int port, quint32 status, std::optional<quint32> edgeTick)
{
    quint32& remembered = m_slots[port == m_inputs[ContactInput::Start].port ? 0 : 1];
    const quint32 changed = remembered == kUnknownStatus ? status : remembered ^ status;

    int matched = 0;
    if (port != 0) {
        for (int n = 1; n <= kContactInputCount; ++n) {
            if (m_inputs[n].port == port && (modemLineBit(m_inputs[n].line) & changed))
                matched = n; // the last matching input wins
        }
    }
    remembered = status;
    // A contact that opens while no other line of its port is active fires nothing.
    if (matched == 0 || status == 0)
        return;

    appendToContactLog(QString::number(matched) + QLatin1Char(' ') +
                       QString::number(changed, 16).toUpper().rightJustified(2, QLatin1Char('0')) +
                       QLatin1Char(' ') + modemLineLabel(m_inputs[matched].line));
    if (m_inputs[matched].event == 0)
        fire(matched, edgeTick);
}

void ContactDecoder::fire(int input, std::optional<quint32> edgeTick)
{
    Q_EMIT inputFired(input);
    const RunControls& c = m_clock.controls();
    const quint32 tick = edgeTick.value_or(m_clock.now());

    switch (ContactInput(input)) {
    case ContactInput::Start:
        if (m_clock.lanes().commonStart()) {
            if (c.startButtonEnabled && m_armed && m_clock.command(ClockCommand::Start).trigger(edgeTick)) {
                // The finish contacts rest for a second from the moment the run began.
                for (int lane = 1; lane <= 3; ++lane)
                    m_clock.startLockout(lane, c.lane(lane).startTick);
            }
        } else if (c.lane(1).startButtonEnabled) {
            m_clock.command(ClockCommand::Start1).trigger(edgeTick);
        }
        break;
    case ContactInput::Ziel1:
    case ContactInput::Ziel2:
    case ContactInput::Ziel3: {
        const int lane = input - 1;
        if (m_clock.lockoutRunning(lane, tick))
            break; // dropped; the lock-out is not extended
        // An edge from before the lane's start (handed over late) did not finish this run.
        const LaneControls& l = c.lane(lane);
        if (l.armed && RaceTime(l.startTick, tick) >= 0)
            m_clock.stopCommand(lane).trigger(edgeTick);
        m_clock.startLockout(lane, tick);
        break;
    }
    case ContactInput::Start2:
    case ContactInput::Start3: {
        const int lane = input - 3;
        if (c.lane(lane).startButtonEnabled)
            m_clock.startCommand(lane).trigger(edgeTick);
        break;
    }
    }
}

void ContactDecoder::appendToContactLog(const QString& line)
{
    if (m_contactLog.size() >= kContactLogLimit)
        m_contactLog.removeFirst();
    m_contactLog.append(line);
    Q_EMIT contactLogAppended(line);
}

void ContactDecoder::toggleStartLightBarrier()
{
    m_armed = !m_armed;
    Q_EMIT startLightBarrierChanged(m_armed);
}

void ContactDecoder::onPortOpened(SerialLineMonitor& sender)
{
    if (const SerialLineWatcher* watcher = sender.watcher()) {
        const PortThreadPriority priority = watcher->priority();
        QString line = QStringLiteral("COM%1 offen, Priorität des Port-Threads: %2")
                           .arg(sender.port())
                           .arg(portThreadPriorityText(priority));
        if (const std::optional<int> timer = sender.lineLatency().timerMs)
            line += QStringLiteral(", Latenz-Timer %1 ms").arg(*timer);
        if (priority != PortThreadPriority::RealTime)
            line += QStringLiteral(" – ") + portThreadRemedyText();
        appendToContactLog(line);
    }
    // A driver that keeps refusing is named once, not at every reopening.
    const LineLatency& latency = sender.lineLatency();
    if (latency.lowLatency == LineLatency::Request::Refused &&
        !m_latencyRefusalTold.contains(sender.port())) {
        m_latencyRefusalTold.insert(sender.port());
        appendToContactLog(QStringLiteral("COM%1: Der Treiber lehnt niedrige Latenz ab (%2) – %3")
                               .arg(sender.port())
                               .arg(qt_error_string(latency.refusal), lowLatencyRemedyText()));
    }
    m_symbolVisible = true;
    Q_EMIT startBarrierSymbolChanged(true);
}

void ContactDecoder::onPortClosed(SerialLineMonitor& sender)
{
    // A port that comes back starts as at program start: what its lines did meanwhile is unknown.
    m_slots[sender.port() == m_inputs[ContactInput::Start].port ? 0 : 1] = kUnknownStatus;
    m_symbolVisible = false;
    Q_EMIT startBarrierSymbolChanged(false);
}

} // namespace brv
