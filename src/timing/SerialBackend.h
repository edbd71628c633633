#pragma once

#include "timing/SerialLineTypes.h"
#include "timing/TickSource.h"

#include <QString>
#include <QtGlobal>

#include <memory>
#include <optional>

namespace brv {

// How often each modem line has changed since the port was opened, as the driver counts its
// interrupts (TIOCGICOUNT). The ring line counts only its trailing edges. A counter that moved
// while the level is back where it was tells of a pulse the level no longer shows.
struct LineCounters
{
    quint32 cts = 0;
    quint32 dsr = 0;
    quint32 ring = 0;
    quint32 rlsd = 0;

    // The counter of one ModemBit line; 0 for anything else.
    quint32 of(quint32 modemBit) const;
    friend bool operator==(const LineCounters&, const LineCounters&) = default;
};

// What a port thread knows of the lines: their levels and, where the driver counts them, their
// changes.
struct LineState
{
    quint32 status = 0;
    std::optional<LineCounters> counters;
};

// The watched lines (ModemBit) that changed from `known` to `now`, counting the ones whose level
// is back but whose counter moved.
quint32 linesMoved(const LineState& known, const LineState& now, quint32 watchedLines);

// What one wait of a port thread brought.
struct WaitResult
{
    enum class Kind {
        Event,       // `mask` happened; `status` is the modem status read right after
        Interrupted, // interruptWait() was called
        Failed,      // the wait failed; the thread's loop ends
        DeviceGone,  // the device went away (an adapter was unplugged); the port closes itself
    };
    Kind kind = Kind::Interrupted;
    quint32 mask = 0;                     // event bits (EventBit)
    quint32 status = 0;                   // modem status word (ModemBit)
    std::optional<LineCounters> counters; // read right after the status, where the driver has them
    quint32 tick = 0;                     // read the moment the wait saw the event, before anything else
    int error = 0;                        // errno of a failed wait
};

// How a port thread got ahead of the program's other threads.
enum class PortThreadPriority { Normal, Raised, RealTime };

// What opening a port learnt of how soon its driver reports a line change.
struct LineLatency
{
    enum class Request {
        NotOffered, // the driver has no low-latency mode
        Granted,    // the driver reports line changes at once
        Refused,    // the driver would not switch to low latency
    };
    Request lowLatency = Request::NotOffered;
    int refusal = 0;            // errno of a refused request
    std::optional<int> timerMs; // the adapter's latency timer, where the driver tells
};

// The platform side of one serial port: opening it with the component's settings, reading its
// modem lines and waiting for line events. A port thread calls waitForEvent() and modemStatus();
// the main thread calls everything else. interruptWait() may be called from any thread, any
// number of times, and makes the current or the next wait return Interrupted.
class SerialBackend
{
public:
    virtual ~SerialBackend() = default;

    // Opens the port and applies `settings`, asking the driver to report line changes at once.
    // Throws PortOpenError when the port cannot be opened and PortSettingsError when it rejects
    // the settings; the backend is closed again after either.
    virtual void open(const SerialLineSettings& settings) = 0;
    // What the last open() learnt of the driver's latency.
    virtual LineLatency lineLatency() const { return {}; }
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // The platform handle (a file descriptor), -1 while closed.
    virtual qintptr handle() const = 0;

    // Reads the modem status word; false when it cannot be read.
    virtual bool readModemStatus(quint32& status) = 0;
    // Reads the lines' change counters; false where the driver keeps none.
    virtual bool readLineCounters(LineCounters& counters)
    {
        Q_UNUSED(counters)
        return false;
    }
    // Discards pending input.
    virtual void purgeInput() = 0;

    // Blocks until one of `events` (EventBit) happens; a line event is a watched line whose level
    // or change counter differs from `known`. The lines are compared before the wait and after
    // each wake, since a wait only sees changes after it began. The result's tick is read from
    // `ticks` as soon as the wait sees the event.
    virtual WaitResult waitForEvent(quint32 events, const LineState& known, const TickSource& ticks) = 0;
    virtual void interruptWait() = 0;

    // Called on a port thread as it starts: puts that thread ahead of the program's others as far
    // as the system lets it. A backend without a platform behind it leaves the thread as it is.
    virtual PortThreadPriority raisePortThread() { return PortThreadPriority::Normal; }
};

// The backend of this platform for port components that were given none.
std::shared_ptr<SerialBackend> makePlatformSerialBackend();

// Puts the calling thread ahead as this platform's backend does with its port threads.
PortThreadPriority raiseThreadAsPortThread();

} // namespace brv
