#pragma once

#include "ComPortTypes.h"
#include "SerialBackend.h"
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
struct LineEvent
{
    quint32 mask = 0;
    quint32 status = 0;
    quint32 tick = 0;
};

class TComPort;

// The event thread of an open port component. It waits for line events and hands each one to
// the main thread, where the component's handlers run while the thread waits for them. While
// it waits it keeps sampling the lines every millisecond, so a second edge during a slow
// hand-over still gets the tick of its own moment; such edges are handed over next, in order.
// Destroying it stops the thread and joins it.
class TComThread final
{
    Q_DISABLE_COPY_MOVE(TComThread)

public:
    TComThread(TComPort& owner, std::shared_ptr<SerialBackend> backend, quint32 events,
               const TickSource& ticks);
    ~TComThread();

    // The event bits of the event handed over last.
    quint32 eventMask() const;
    // Line changes the thread has seen since it started.
    quint64 linesSeen() const;
    // True when the thread would not stop and was left behind.
    bool abandoned() const { return m_abandoned; }

private:
    friend class TComPort;
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
class TComPort final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TComPort)

public:
    using Handler = std::function<void(TComPort& sender)>;
    using RxCharHandler = std::function<void(TComPort& sender, int inQue)>;

    // Without a backend, Open() uses the platform's (makePlatformSerialBackend()).
    explicit TComPort(QObject* parent = nullptr);
    explicit TComPort(std::shared_ptr<SerialBackend> backend, QObject* parent = nullptr);
    // Closes the port (and calls OnClose when it was open).
    ~TComPort() override;

    // ---- settings; changes take effect at the next Open()
    const ComPortSettings& settings() const { return m_settings; }
    TBaudRate BaudRate() const { return m_settings.baudRate; }
    void setBaudRate(TBaudRate rate) { m_settings.baudRate = rate; }
    qint32 BaudRateUser() const { return m_settings.baudRateUser; }
    void setBaudRateUser(qint32 rate) { m_settings.baudRateUser = rate; }
    int Port() const { return m_settings.port; }
    void setPort(int port) { m_settings.port = quint8(qBound(0, port, 255)); }
    TParity Parity() const { return m_settings.parity; }
    void setParity(TParity parity) { m_settings.parity = parity; }
    TStopBits StopBits() const { return m_settings.stopBits; }
    void setStopBits(TStopBits stopBits) { m_settings.stopBits = stopBits; }
    TFlowControl FlowControl() const { return m_settings.flowControl; }
    void setFlowControl(TFlowControl flow) { m_settings.flowControl = flow; }
    int DataBits() const { return m_settings.dataBits; }
    // Clamped to 5 .. 8: 4 stores 5, 9 stores 8.
    void setDataBits(int bits) { m_settings.dataBits = quint8(qBound(5, bits, 8)); }
    TEvents Events() const { return m_settings.events; }
    void setEvents(TEvents events) { m_settings.events = events; }
    bool EnableDTR() const { return m_settings.enableDTR; }
    void setEnableDTR(bool on) { m_settings.enableDTR = on; }
    qint32 WriteBufSize() const { return m_settings.writeBufSize; }
    void setWriteBufSize(qint32 size) { m_settings.writeBufSize = size; }
    qint32 ReadBufSize() const { return m_settings.readBufSize; }
    void setReadBufSize(qint32 size) { m_settings.readBufSize = size; }

    // The tick that stamps line events; the race clock's, so contact times compare with starts.
    void setTickSource(const TickSource& ticks) { m_ticks = &ticks; }
    // Replaces the backend; ignored while connected.
    void setBackend(std::shared_ptr<SerialBackend> backend);

    // ---- operation
    // Closes first if connected, opens the port, applies the settings, starts the thread, calls
    // OnOpen. Throws EComHandle or EComState and stays closed on failure.
    void Open();
    // Stops and joins the thread, closes the port, calls OnClose. Does nothing when closed; may
    // even be called from a handler of this component.
    void Close();
    bool Connected() const { return m_connected; }
    qintptr handle() const { return m_backend && m_connected ? m_backend->handle() : -1; }
    const TComThread* thread() const { return m_thread.get(); }
    // The current modem status word (ModemBit); 0 while closed.
    quint32 GetModemStatus();
    // Inside a handler: the event being dispatched, as the thread saw it.
    const std::optional<LineEvent>& currentEvent() const { return m_current; }

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
    friend class TComThread;
    void dispatchHandOver(const std::weak_ptr<TComThread::Shared>& shared, quint64 serial);
    void closeAfterFailure(const std::weak_ptr<TComThread::Shared>& shared);
    void dispatch(quint32 mask, const std::shared_ptr<TComThread::Shared>& shared);

    ComPortSettings m_settings;
    std::shared_ptr<SerialBackend> m_backend;
    std::unique_ptr<TComThread> m_thread;
    const TickSource* m_ticks;
    bool m_connected = false;
    std::optional<LineEvent> m_current;
};

} // namespace brv
