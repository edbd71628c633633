#include "support/TestSerialBackend.h"

#include <cerrno>

namespace brv {

void TestSerialBackend::setLines(quint32 status)
{
    {
        std::lock_guard lock(m_mutex);
        const quint32 changed = (m_lines ^ status) & ModemBit::Lines;
        m_counters.cts += (changed & ModemBit::CTS) ? 1 : 0;
        m_counters.dsr += (changed & ModemBit::DSR) ? 1 : 0;
        m_counters.ring += (changed & ModemBit::RING) && !(status & ModemBit::RING) ? 1 : 0;
        m_counters.rlsd += (changed & ModemBit::RLSD) ? 1 : 0;
        m_lines = status & ModemBit::Lines;
    }
    m_changed.notify_all();
}

void TestSerialBackend::holdWakeUps(bool held)
{
    {
        std::lock_guard lock(m_mutex);
        m_held = held;
    }
    m_changed.notify_all();
}

void TestSerialBackend::setBeforeWait(std::function<void()> hook)
{
    std::lock_guard lock(m_mutex);
    m_beforeWait = std::move(hook);
}

void TestSerialBackend::setCountersSupported(bool supported)
{
    std::lock_guard lock(m_mutex);
    m_countersSupported = supported;
}

quint32 TestSerialBackend::lines() const
{
    std::lock_guard lock(m_mutex);
    return m_lines;
}

void TestSerialBackend::raiseEvents(quint32 mask)
{
    {
        std::lock_guard lock(m_mutex);
        m_raised |= mask & EventBit::All;
    }
    m_changed.notify_all();
}

void TestSerialBackend::unplug()
{
    {
        std::lock_guard lock(m_mutex);
        m_unplugged = true;
    }
    m_changed.notify_all();
}

void TestSerialBackend::plugIn()
{
    std::lock_guard lock(m_mutex);
    m_unplugged = false;
}

void TestSerialBackend::setLineLatency(const LineLatency& latency)
{
    std::lock_guard lock(m_mutex);
    m_latency = latency;
}

LineLatency TestSerialBackend::lineLatency() const
{
    std::lock_guard lock(m_mutex);
    return m_latency;
}

void TestSerialBackend::setPlatformThreadPriority(bool on)
{
    m_platformPriority = on;
}

PortThreadPriority TestSerialBackend::raisePortThread()
{
    return m_platformPriority ? raiseThreadAsPortThread() : PortThreadPriority::Normal;
}

void TestSerialBackend::failNextOpen(OpenFailure failure, int error)
{
    std::lock_guard lock(m_mutex);
    m_failure = failure;
    m_failureError = error;
}

bool TestSerialBackend::isOpen() const
{
    std::lock_guard lock(m_mutex);
    return m_open;
}

int TestSerialBackend::openCount() const
{
    std::lock_guard lock(m_mutex);
    return m_openCount;
}

SerialLineSettings TestSerialBackend::lastSettings() const
{
    std::lock_guard lock(m_mutex);
    return m_settings;
}

bool TestSerialBackend::waiting() const
{
    std::lock_guard lock(m_mutex);
    return m_waiting;
}

void TestSerialBackend::open(const SerialLineSettings& settings)
{
    std::lock_guard lock(m_mutex);
    const OpenFailure failure = std::exchange(m_failure, OpenFailure::None);
    if (failure == OpenFailure::Handle)
        throw PortOpenError(m_failureError);
    if (failure == OpenFailure::State)
        throw PortSettingsError(qt_error_string(m_failureError));
    if (m_unplugged)
        throw PortOpenError(ENOENT);
    m_open = true;
    m_interrupt = false;
    m_raised = 0;
    m_settings = settings;
    ++m_openCount;
}

void TestSerialBackend::close()
{
    std::lock_guard lock(m_mutex);
    m_open = false;
}

qintptr TestSerialBackend::handle() const
{
    std::lock_guard lock(m_mutex);
    return m_open ? 1 : -1;
}

bool TestSerialBackend::readModemStatus(quint32& status)
{
    std::lock_guard lock(m_mutex);
    if (!m_open || m_unplugged)
        return false;
    status = m_lines;
    return true;
}

bool TestSerialBackend::readLineCounters(LineCounters& counters)
{
    std::lock_guard lock(m_mutex);
    if (!m_open || m_unplugged || !m_countersSupported)
        return false;
    counters = m_counters;
    return true;
}

WaitResult TestSerialBackend::waitForEvent(quint32 events, const LineState& known, const TickSource& ticks)
{
    const quint32 watched = linesWatchedBy(events);
    WaitResult r;
    // The lines as a driver shows them now; an event when they moved since `known`.
    const auto look = [&](quint32 tick) {
        const LineState now{m_lines,
                            m_countersSupported && known.counters ? std::optional(m_counters) : std::nullopt};
        const quint32 moved = linesMoved(known, now, watched);
        if (moved == 0 && !(m_raised & events))
            return false;
        r.kind = WaitResult::Kind::Event;
        r.tick = tick;
        r.status = now.status;
        r.counters = now.counters;
        r.mask = ((m_raised & events) | lineEventsOf(moved)) & events;
        m_raised = 0;
        return true;
    };
    std::unique_lock lock(m_mutex);
    if (m_interrupt)
        return r;
    if (look(ticks.now()))
        return r;
    if (const std::function<void()> hook = m_beforeWait) {
        lock.unlock();
        hook();
        lock.lock();
    }
    m_waiting = true;
    for (;;) {
        // The wait counts only the changes after it began.
        const LineCounters began = m_counters;
        const auto moved = [&] {
            return ((watched & ModemBit::CTS) && m_counters.cts != began.cts) ||
                   ((watched & ModemBit::DSR) && m_counters.dsr != began.dsr) ||
                   ((watched & ModemBit::RING) && m_counters.ring != began.ring) ||
                   ((watched & ModemBit::RLSD) && m_counters.rlsd != began.rlsd);
        };
        m_changed.wait(lock, [&] {
            return m_interrupt || m_unplugged || (!m_held && ((m_raised & events) || moved()));
        });
        if (m_interrupt || m_unplugged)
            break;
        if (look(ticks.now()))
            break;
    }
    m_waiting = false;
    if (m_unplugged && !m_interrupt) {
        r.kind = WaitResult::Kind::DeviceGone;
        r.error = EIO;
    }
    return r;
}

void TestSerialBackend::interruptWait()
{
    {
        std::lock_guard lock(m_mutex);
        m_interrupt = true;
    }
    m_changed.notify_all();
}

} // namespace brv
