#pragma once

#include "timing/SerialBackend.h"
#include "timing/SerialLineTypes.h"
#include "timing/TickSource.h"

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace brv {

// One line event as the port thread saw it: the event bits, the modem status and the tick, all
// read the moment the thread saw the change, however long the main thread then takes to run it.
struct CapturedLineEvent
{
    quint32 mask = 0;
    quint32 status = 0;
    quint32 tick = 0;
};

// The edges that lead from what a port thread knew of the lines (`known`) to what it reads now,
// in the order they must have come, each with `tick`: a changed level is one edge; a counter that
// moved further adds a pulse, its change and its way back. Each line that goes on is an event of
// its own; lines that go off at the same step are one event, before those. Lines outside `events`
// give nothing. `known` becomes `now`.
std::vector<CapturedLineEvent> lineEdges(quint32 events, LineState& known, const LineState& now,
                                         quint32 tick);

// The contact log's words for a port thread's priority: "Echtzeit" (real-time class), "erhöht"
// (a higher nice level) or "normal" (the system allowed neither).
QString portThreadPriorityText(PortThreadPriority priority);
// What the operator can do when a port thread runs without the real-time class.
QString portThreadRemedyText();
// What the operator can do when the driver refuses to report line changes at once.
QString lowLatencyRemedyText();

class SerialLineMonitor;

// The event thread of an open port component. It waits for line events and hands each one to
// the main thread, where the component reports it while the thread waits. While
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
    // The scheduling the thread got; Normal until it has started.
    PortThreadPriority priority() const;

private:
    friend class SerialLineMonitor;
    struct Shared;
    static void run(std::shared_ptr<Shared> shared);

    std::shared_ptr<Shared> m_shared;
    std::thread m_thread;
};

// A serial port component that watches the modem-status lines of one COM port on a background
// thread and reports their changes on the main thread as signals, one event at a time, in a
// fixed order: ringChanged, ctsChanged, dsrChanged, rlsdChanged. The port thread waits until the
// slots of an event have run. No data is ever read or written. Lives on the main thread.
class SerialLineMonitor final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SerialLineMonitor)

public:
    // Without a backend, open() uses the platform's (makePlatformSerialBackend()).
    explicit SerialLineMonitor(QObject* parent = nullptr);
    explicit SerialLineMonitor(std::shared_ptr<SerialBackend> backend, QObject* parent = nullptr);
    // Closes the port (and emits closed() when it was open).
    ~SerialLineMonitor() override;

    // ---- settings; changes take effect at the next open()
    const SerialLineSettings& settings() const { return m_settings; }
    int port() const { return m_settings.port; }
    void setPort(int port) { m_settings.port = quint8(qBound(0, port, 255)); }
    void setSettings(const SerialLineSettings& settings) { m_settings = settings; }

    // The tick that stamps line events; the race clock's, so contact times compare with starts.
    void setTickSource(const TickSource& ticks) { m_ticks = &ticks; }
    // Replaces the backend; ignored while connected.
    void setBackend(std::shared_ptr<SerialBackend> backend);

    // ---- operation
    // Closes first if connected, opens the port, applies the settings, starts the thread, emits
    // opened(). Throws PortOpenError or PortSettingsError and stays closed on failure.
    void open();
    // Stops and joins the thread, closes the port, emits closed(). Does nothing when closed; may
    // even be called from a slot of this component's signals.
    void close();
    bool isConnected() const { return m_connected; }
    qintptr handle() const { return m_backend && m_connected ? m_backend->handle() : -1; }
    const SerialLineWatcher* watcher() const { return m_thread.get(); }
    // What the last open() learnt of how soon the driver reports line changes.
    const LineLatency& lineLatency() const { return m_latency; }
    // The current modem status word (ModemBit); 0 while closed.
    quint32 modemStatus();
    // Inside a slot of a line event: the event being reported, as the thread saw it.
    const std::optional<CapturedLineEvent>& currentEvent() const { return m_current; }

Q_SIGNALS:
    // The line events. A slot sees the event being reported in currentEvent(); a slot that
    // closes the port ends the reporting of that event, and whatever a slot throws is dropped.
    void ringChanged();
    void ctsChanged();
    void dsrChanged();
    void rlsdChanged();
    // The port was opened, or closed (by close() or because its device went away).
    void opened();
    void closed();

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
    LineLatency m_latency;
    std::optional<CapturedLineEvent> m_current;
};

} // namespace brv
