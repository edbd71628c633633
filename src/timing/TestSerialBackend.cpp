#include "timing/TestSerialBackend.h"

#include <cerrno>

namespace brv {

void TestSerialBackend::setLines(quint32 status)
{
    {
        std::lock_guard lock(m_mutex);
        m_lines = status & ModemBit::Lines;
    }
    m_changed.notify_all();
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
        throw PortOpenError(qt_error_string(m_failureError));
    if (failure == OpenFailure::State)
        throw PortSettingsError(qt_error_string(m_failureError));
    if (m_unplugged)
        throw PortOpenError(qt_error_string(ENOENT));
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

WaitResult TestSerialBackend::waitForEvent(quint32 events, quint32 knownStatus, const TickSource& ticks)
{
    const quint32 watched = linesWatchedBy(events);
    std::unique_lock lock(m_mutex);
    m_waiting = true;
    m_changed.wait(lock, [&] {
        return m_interrupt || m_unplugged || (m_raised & events) || ((m_lines ^ knownStatus) & watched);
    });
    m_waiting = false;
    WaitResult r;
    if (m_interrupt)
        return r;
    if (m_unplugged) {
        r.kind = WaitResult::Kind::DeviceGone;
        r.error = EIO;
        return r;
    }
    r.tick = ticks.now();
    r.kind = WaitResult::Kind::Event;
    r.status = m_lines;
    r.mask = ((m_raised & events) | lineEventsOf(m_lines ^ knownStatus)) & events;
    m_raised = 0;
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
