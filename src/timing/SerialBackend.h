#pragma once

#include "timing/SerialLineTypes.h"
#include "timing/TickSource.h"

#include <QString>
#include <QtGlobal>

#include <memory>

namespace brv {

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
    quint32 mask = 0;   // event bits (EventBit)
    quint32 status = 0; // modem status word (ModemBit)
    quint32 tick = 0;   // read the moment the wait saw the event, before anything else
    int error = 0;      // errno of a failed wait
};

// The platform side of one serial port: opening it with the component's settings, reading its
// modem lines and waiting for line events. A port thread calls waitForEvent() and modemStatus();
// the main thread calls everything else. interruptWait() may be called from any thread, any
// number of times, and makes the current or the next wait return Interrupted.
class SerialBackend
{
public:
    virtual ~SerialBackend() = default;

    // Opens the port and applies `settings`. Throws PortOpenError when the port cannot be opened and
    // PortSettingsError when it rejects the settings; the backend is closed again after either.
    virtual void open(const SerialLineSettings& settings) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // The platform handle (a file descriptor), -1 while closed.
    virtual qintptr handle() const = 0;

    // Reads the modem status word; false when it cannot be read.
    virtual bool readModemStatus(quint32& status) = 0;
    // Bytes waiting in the input queue.
    virtual int inputQueueCount() = 0;
    // Discards pending input.
    virtual void purgeInput() = 0;

    // Blocks until one of `events` (EventBit) happens; a line event is a watched line whose state
    // differs from `knownStatus`. The result's tick is read from `ticks` as soon as the wait sees
    // the event.
    virtual WaitResult waitForEvent(quint32 events, quint32 knownStatus, const TickSource& ticks) = 0;
    virtual void interruptWait() = 0;
};

// The backend of this platform for port components that were given none.
std::shared_ptr<SerialBackend> makePlatformSerialBackend();

} // namespace brv
