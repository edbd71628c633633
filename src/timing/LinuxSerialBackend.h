#pragma once

#include "timing/SerialBackend.h"
#include "timing/ThreadWaker.h"

#include <atomic>
#include <functional>

namespace brv {

// Serial ports through the Linux terminal interface. Open: O_RDWR | O_NOCTTY | O_NONBLOCK,
// exclusive (flock and TIOCEXCL), raw termios from the settings with CLOCAL set (a dropping DCD
// must not hang the port up), DTR and RTS raised, the driver asked for low latency
// (ASYNC_LOW_LATENCY through TIOCSSERIAL) and the adapter's latency timer read where sysfs
// shows it. A wait blocks in TIOCMIWAIT on the watched lines and reads TIOCMGET and the
// interrupt counters (TIOCGICOUNT) before it and after it, so a pulse over before the thread
// woke, or an edge just before the wait began, is still seen; drivers without TIOCMIWAIT
// (cp210x) are polled every millisecond on the same thread. The UART reports the ring line only
// where it goes off: a contact on it is seen when it opens again. interruptWait() wakes a
// blocked wait with a signal whose handler is installed without SA_RESTART. Only the four line
// events are reported: no data is read or written.
class LinuxSerialBackend final : public SerialBackend
{
    Q_DISABLE_COPY_MOVE(LinuxSerialBackend)

public:
    // `devicePath` turns a COM number into a device node; comDevicePath() by default.
    explicit LinuxSerialBackend(std::function<QString(int port)> devicePath = {});
    ~LinuxSerialBackend() override;

    void open(const SerialLineSettings& settings) override;
    void close() override;
    LineLatency lineLatency() const override { return m_latency; }
    bool isOpen() const override { return m_fd >= 0; }
    qintptr handle() const override { return m_fd; }

    bool readModemStatus(quint32& status) override;
    bool readLineCounters(LineCounters& counters) override;
    void purgeInput() override;

    WaitResult waitForEvent(quint32 events, const LineState& known, const TickSource& ticks) override;
    void interruptWait() override;
    // The real-time class where the process may take it, or through RealtimeKit where it may not;
    // else a higher nice level.
    PortThreadPriority raisePortThread() override;

    // True once the driver turned out to lack TIOCMIWAIT and the lines are polled.
    bool polling() const { return m_polling; }

private:
    WaitResult failure(int error) const;
    void askForLowLatency(const QString& path);

    std::function<QString(int)> m_devicePath;
    int m_fd = -1;
    LineLatency m_latency;
    std::atomic<bool> m_polling{false};
    std::atomic<bool> m_noCounters{false}; // TIOCGICOUNT failed: the driver counts no interrupts
    ThreadWaker m_waker;
};

} // namespace brv
