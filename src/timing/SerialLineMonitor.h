#pragma once

#include "SerialBackend.h"
#include "SerialLineTypes.h"
#include "TickSource.h"

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace brv {

// One line event as the port thread saw it: the event bits, the modem status and the tick, all
// read the moment the thread saw the change, however long the main thread then takes to run it.
struct CapturedLineEvent
{
    quint32 mask = 0;
    quint32 status = 0;
    quint32 tick = 0;
};

class SerialLineMonitor;

// The event thread of an open port component. It waits for line events and hands each one to
// the main thread, where the component's handlers run while the thread waits for them. While
// it waits it keeps sampling the lines every millisecond, so a second edge during a slow
// hand-over still gets the tick of its own moment; such edges are handed over next, in order.
// Destroying it stops the thread and joins it.
class SerialLineWatcher final
{
    Q_DISABLE_COPY_MOVE(SerialLineWatcher)

public:
    SerialLineWatcher(SerialLineMonitor& owner, std::shared_ptr<SerialBackend> backend, quint32 events,
                      const TickSource& ticks);
    ~SerialLineWatcher();

    // The event bits of the event handed over last.
    quint32 eventMask() const;
    // Line changes the thread has seen since it started.
    quint64 linesSeen() const;
    // True when the thread would not stop and was left behind.
    bool abandoned() const { return m_abandoned; }

private:
    friend class SerialLineMonitor;
    struct Shared;
    static void run(std::shared_ptr<Shared> shared);

    std::shared_ptr<Shared> m_shared;
    std::thread m_thread;
    bool m_abandoned = false;
};

// A serial port component that watches the modem-status lines of one COM port on a background
// thread and calls its handlers on the main thread, one event at a time, in a fixed order:
// OnRxChar, OnTxEmpty, OnBreak, OnRing, OnCTS, OnDSR, OnRxFlag, OnRLSD, OnError. No data is
// ever read or written. Lives on the main thread.
class SerialLineMonitor final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SerialLineMonitor)

public:
    using Handler = std::function<void(SerialLineMonitor& sender)>;
    using RxCharHandler = std::function<void(SerialLineMonitor& sender, int inQue)>;

    // Without a backend, open() uses the platform's (makePlatformSerialBackend()).
    explicit SerialLineMonitor(QObject* parent = nullptr);
    explicit SerialLineMonitor(std::shared_ptr<SerialBackend> backend, QObject* parent = nullptr);
    // Closes the port (and calls OnClose when it was open).
    ~SerialLineMonitor() override;

    // ---- settings; changes take effect at the next open()
    const SerialLineSettings& settings() const { return m_settings; }
    BaudRate baudRate() const { return m_settings.baudRate; }
    void setBaudRate(BaudRate rate) { m_settings.baudRate = rate; }
    qint32 userBaudRate() const { return m_settings.userBaudRate; }
    void setUserBaudRate(qint32 rate) { m_settings.userBaudRate = rate; }
    int port() const { return m_settings.port; }
    void setPort(int port) { m_settings.port = quint8(qBound(0, port, 255)); }
    Parity parity() const { return m_settings.parity; }
    void setParity(Parity parity) { m_settings.parity = parity; }
    StopBits stopBits() const { return m_settings.stopBits; }
    void setStopBits(StopBits stopBits) { m_settings.stopBits = stopBits; }
    FlowControl flowControl() const { return m_settings.flowControl; }
    void setFlowControl(FlowControl flow) { m_settings.flowControl = flow; }
    int dataBits() const { return m_settings.dataBits; }
    // Clamped to 5 .. 8: 4 stores 5, 9 stores 8.
    void setDataBits(int bits) { m_settings.dataBits = quint8(qBound(5, bits, 8)); }
    LineEvents events() const { return m_settings.events; }
    void setEvents(LineEvents events) { m_settings.events = events; }
    bool isDtrEnabled() const { return m_settings.dtrEnabled; }
    void setDtrEnabled(bool on) { m_settings.dtrEnabled = on; }
    qint32 writeBufferSize() const { return m_settings.writeBufferSize; }
    void setWriteBufferSize(qint32 size) { m_settings.writeBufferSize = size; }
    qint32 readBufferSize() const { return m_settings.readBufferSize; }
    void setReadBufferSize(qint32 size) { m_settings.readBufferSize = size; }

    // The tick that stamps line events; the race clock's, so contact times compare with starts.
    void setTickSource(const TickSource& ticks) { m_ticks = &ticks; }
    // Replaces the backend; ignored while connected.
    void setBackend(std::shared_ptr<SerialBackend> backend);

    // ---- operation
    // Closes first if connected, opens the port, applies the settings, starts the thread, calls
    // OnOpen. Throws PortOpenError or PortSettingsError and stays closed on failure.
    void open();
    // Stops and joins the thread, closes the port, calls OnClose. Does nothing when closed; may
    // even be called from a handler of this component.
    void close();
    bool isConnected() const { return m_connected; }
    qintptr handle() const { return m_backend && m_connected ? m_backend->handle() : -1; }
    const SerialLineWatcher* watcher() const { return m_thread.get(); }
    // The current modem status word (ModemBit); 0 while closed.
    quint32 modemStatus();
    // Inside a handler: the event being dispatched, as the thread saw it.
    const std::optional<CapturedLineEvent>& currentEvent() const { return m_current; }

    RxCharHandler OnRxChar;
    Handler OnTxEmpty;
    Handler OnBreak;
    Handler OnRing;
    Handler OnCTS;
    Handler OnDSR;
    Handler OnRLSD;
    Handler OnError;
    Handler OnRxFlag;
    Handler OnOpen;
    Handler OnClose;

private:
    friend class SerialLineWatcher;
    void dispatchHandOver(const std::weak_ptr<SerialLineWatcher::Shared>& shared, quint64 serial);
    void closeAfterFailure(const std::weak_ptr<SerialLineWatcher::Shared>& shared);
    void dispatch(quint32 mask, const std::shared_ptr<SerialLineWatcher::Shared>& shared);

    SerialLineSettings m_settings;
    std::shared_ptr<SerialBackend> m_backend;
    std::unique_ptr<SerialLineWatcher> m_thread;
    const TickSource* m_ticks;
    bool m_connected = false;
    std::optional<CapturedLineEvent> m_current;
};

} // namespace brv
