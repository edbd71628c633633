#pragma once

#include "timing/SerialBackend.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>

namespace brv {

// A serial port without hardware: its modem lines are switched by the caller, from any thread,
// and the port thread of a SerialLineMonitor sees the change as it would see a real edge. It
// behaves as the Linux driver does: each line change moves the line's counter (the ring line's
// only where it goes off), a wait sees only the counters moving after it began, and a waiting
// thread may be woken late. Used by tests and by the contact-latency benchmark; it drives the
// same thread and hand-over code as the Linux backend.
class TestSerialBackend final : public SerialBackend
{
    Q_DISABLE_COPY_MOVE(TestSerialBackend)

public:
    TestSerialBackend() = default;

    // ---- what a test switches
    // Sets the modem status word (ModemBit); a change of a watched line wakes the waiting thread.
    void setLines(quint32 status);
    quint32 lines() const;
    // While held, a waiting thread stays asleep whatever the lines do, as one the system lets
    // wake late; releasing wakes it.
    void holdWakeUps(bool held);
    // Runs on the port thread inside each wait, after the lines were looked at and before the
    // wait begins (nullptr: nothing).
    void setBeforeWait(std::function<void()> hook);
    // Whether the driver counts line changes; it does unless told otherwise.
    void setCountersSupported(bool supported);
    // Reports this event word once, with the current lines (as a driver reporting several events).
    void raiseEvents(quint32 mask);
    // The adapter is pulled out: the current or next wait fails with EIO.
    void unplug();
    // The adapter is back: later opens succeed again.
    void plugIn();
    // What the next opens report of the driver's latency.
    void setLineLatency(const LineLatency& latency);
    // Port threads get the priority the platform's backend gives its own (off: they keep theirs).
    void setPlatformThreadPriority(bool on);
    // The next open fails: PortOpenError or PortSettingsError with the text of `error` (an errno).
    enum class OpenFailure { None, Handle, State };
    void failNextOpen(OpenFailure failure, int error);

    // ---- what a test reads
    bool isOpen() const override;
    int openCount() const;
    SerialLineSettings lastSettings() const;
    // Whether a thread is blocked in waitForEvent now.
    bool waiting() const;

    // ---- SerialBackend
    void open(const SerialLineSettings& settings) override;
    LineLatency lineLatency() const override;
    void close() override;
    qintptr handle() const override;
    bool readModemStatus(quint32& status) override;
    bool readLineCounters(LineCounters& counters) override;
    void purgeInput() override {}
    WaitResult waitForEvent(quint32 events, const LineState& known, const TickSource& ticks) override;
    void interruptWait() override;
    PortThreadPriority raisePortThread() override;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open = false;
    bool m_unplugged = false;
    bool m_interrupt = false;
    bool m_waiting = false;
    bool m_held = false;
    bool m_countersSupported = true;
    quint32 m_lines = 0;
    LineCounters m_counters;
    quint32 m_raised = 0;
    std::function<void()> m_beforeWait;
    int m_openCount = 0;
    SerialLineSettings m_settings;
    LineLatency m_latency;
    std::atomic<bool> m_platformPriority{false};
    OpenFailure m_failure = OpenFailure::None;
    int m_failureError = 0;
};

} // namespace brv
