#include "timing/SerialLineMonitor.h"

#include <QMetaMethod>
#include <QMetaObject>
#include <QtDebug>

#include <array>
#include <cerrno>
#include <chrono>
#include <deque>

namespace brv {

// ---------------------------------------------------------------- types

quint32 lineEventsOf(quint32 changed)
{
    quint32 events = 0;
    if (changed & ModemBit::CTS)
        events |= EventBit::CTS;
    if (changed & ModemBit::DSR)
        events |= EventBit::DSR;
    if (changed & ModemBit::RING)
        events |= EventBit::Ring;
    if (changed & ModemBit::RLSD)
        events |= EventBit::RLSD;
    return events;
}

quint32 linesWatchedBy(quint32 events)
{
    quint32 lines = 0;
    if (events & EventBit::CTS)
        lines |= ModemBit::CTS;
    if (events & EventBit::DSR)
        lines |= ModemBit::DSR;
    if (events & EventBit::Ring)
        lines |= ModemBit::RING;
    if (events & EventBit::RLSD)
        lines |= ModemBit::RLSD;
    return lines;
}

quint32 LineCounters::of(quint32 modemBit) const
{
    switch (modemBit) {
    case ModemBit::CTS:
        return cts;
    case ModemBit::DSR:
        return dsr;
    case ModemBit::RING:
        return ring;
    case ModemBit::RLSD:
        return rlsd;
    default:
        return 0;
    }
}

namespace {

constexpr std::array<quint32, 4> kModemLines{ModemBit::CTS, ModemBit::DSR, ModemBit::RING, ModemBit::RLSD};

// The edges one line made from `known` to `now`: 0 or 1 by its level, 2 more when its counter
// shows a pulse besides. The ring line counts only the edges where it goes off.
int edgesOf(quint32 line, const LineState& known, const LineState& now)
{
    const bool levelChanged = (known.status ^ now.status) & line;
    int edges = levelChanged ? 1 : 0;
    if (!known.counters || !now.counters)
        return edges;
    const quint32 counted = now.counters->of(line) - known.counters->of(line);
    if (line == ModemBit::RING) {
        const quint32 fallingNow = levelChanged && !(now.status & line) ? 1 : 0;
        return counted > fallingNow ? edges + 2 : edges;
    }
    return counted >= quint32(edges + 2) ? edges + 2 : edges;
}

} // namespace

quint32 linesMoved(const LineState& known, const LineState& now, quint32 watchedLines)
{
    quint32 moved = 0;
    for (const quint32 line : kModemLines) {
        if ((watchedLines & line) && edgesOf(line, known, now) > 0)
            moved |= line;
    }
    return moved;
}

std::vector<CapturedLineEvent> lineEdges(quint32 events, LineState& known, const LineState& now, quint32 tick)
{
    const quint32 watched = linesWatchedBy(events);
    std::array<int, kModemLines.size()> edges{};
    int steps = 0;
    for (std::size_t i = 0; i < kModemLines.size(); ++i) {
        if (watched & kModemLines[i])
            edges[i] = edgesOf(kModemLines[i], known, now);
        steps = std::max(steps, edges[i]);
    }
    std::vector<CapturedLineEvent> result;
    quint32 status = known.status;
    // A contact that closes is an edge of its own, even where two closed within one look: two
    // finishes close together are two finishes, not one. Contacts that open together stay one
    // event, so no opening passes through a state in which another contact still seems closed.
    const auto report = [&](quint32 lines) {
        status ^= lines;
        result.push_back({lineEventsOf(lines) & events, (status & watched) | (now.status & ~watched), tick});
    };
    for (int step = 1; step <= steps; ++step) {
        quint32 opening = 0;
        for (std::size_t i = 0; i < kModemLines.size(); ++i) {
            if (edges[i] >= step && (status & kModemLines[i]))
                opening |= kModemLines[i];
        }
        if (opening)
            report(opening);
        for (std::size_t i = 0; i < kModemLines.size(); ++i) {
            if (edges[i] >= step && !(opening & kModemLines[i]))
                report(kModemLines[i]);
        }
    }
    known = now;
    return result;
}

QString portThreadPriorityText(PortThreadPriority priority)
{
    switch (priority) {
    case PortThreadPriority::RealTime:
        return QStringLiteral("Echtzeit");
    case PortThreadPriority::Raised:
        return QStringLiteral("erhöht");
    case PortThreadPriority::Normal:
        break;
    }
    return QStringLiteral("normal");
}

QString portThreadRemedyText()
{
    return QStringLiteral("für Echtzeit den Benutzer in die Gruppe „dialout“ aufnehmen und neu anmelden "
                          "(das Paket erlaubt ihr Echtzeit), oder das Paket rtkit installieren");
}

QString lowLatencyRemedyText()
{
    return QStringLiteral("Latenz-Timer des Adapters auf 1 ms stellen: die udev-Regel des Pakets tut es "
                          "beim Einstecken (Handbuch: Verkabelung)");
}

qint32 baudRateValue(BaudRate rate, qint32 userRate)
{
    switch (rate) {
    case BaudRate::Baud110:
        return 110;
    case BaudRate::Baud300:
        return 300;
    case BaudRate::Baud600:
        return 600;
    case BaudRate::Baud1200:
        return 1200;
    case BaudRate::Baud2400:
        return 2400;
    case BaudRate::Baud4800:
        return 4800;
    case BaudRate::Baud9600:
        return 9600;
    case BaudRate::Baud14400:
        return 14400;
    case BaudRate::Baud19200:
        return 19200;
    case BaudRate::Baud38400:
        return 38400;
    case BaudRate::Baud56000:
        return 56000;
    case BaudRate::Baud57600:
        return 57600;
    case BaudRate::Baud115200:
        return 115200;
    case BaudRate::Baud128000:
        return 128000;
    case BaudRate::Baud256000:
        return 256000;
    case BaudRate::User:
        return userRate;
    }
    return userRate;
}

PortOpenFailure portOpenFailureOf(int error)
{
    switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return PortOpenFailure::Missing;
    case EACCES:
    case EPERM:
        return PortOpenFailure::NoPermission;
    case EBUSY:
    case EWOULDBLOCK: // a lock another program holds
        return PortOpenFailure::Busy;
    case ENOTTY:
        return PortOpenFailure::NotSerial;
    default:
        return PortOpenFailure::Other;
    }
}

PortError::PortError(const QString& message, PortOpenFailure reason, const QString& systemText)
    : std::runtime_error((message + systemText).toLocal8Bit().toStdString()), m_reason(reason),
      m_systemText(systemText)
{}

PortOpenError::PortOpenError(PortOpenFailure reason, const QString& systemText)
    : PortError(QStringLiteral("Unable to open com port: "), reason, systemText)
{}

PortOpenError::PortOpenError(int error) : PortOpenError(portOpenFailureOf(error), qt_error_string(error)) {}

PortSettingsError::PortSettingsError(const QString& systemText)
    : PortError(QStringLiteral("Unable to set com state: "), PortOpenFailure::SettingsRejected, systemText)
{}

// ---------------------------------------------------------------- thread

struct SerialLineWatcher::Shared
{
    std::shared_ptr<SerialBackend> backend;
    const TickSource* ticks = nullptr;
    quint32 events = 0;
    SerialLineMonitor* owner = nullptr;

    std::mutex mutex;
    std::condition_variable changed;
    std::atomic<bool> stop{false};
    bool abandoned = false; // the owner no longer waits for this thread; post nothing
    bool exited = false;
    std::optional<CapturedLineEvent> pending;
    quint64 serial = 0;
    bool done = true;

    std::atomic<quint32> lastMask{0};
    std::atomic<quint64> linesSeen{0};
    std::atomic<PortThreadPriority> priority{PortThreadPriority::Normal};
    bool started = false; // the thread has set its priority
};

namespace {

using namespace std::chrono_literals;

// How often the thread samples the lines while the main thread has not yet run a hand-over.
constexpr auto kSampleInterval = 1ms;
// How often a stop is signalled again until the thread has left its wait.
constexpr auto kStopResend = 2ms;
// After this long a thread that does not stop is left behind rather than hanging the program.
constexpr auto kStopGiveUp = 3s;

// The levels and, where the driver counts them, the changes of the lines.
bool readLines(SerialBackend& backend, LineState& state)
{
    if (!backend.readModemStatus(state.status))
        return false;
    LineCounters counters;
    state.counters = backend.readLineCounters(counters) ? std::optional(counters) : std::nullopt;
    return true;
}

} // namespace

SerialLineWatcher::SerialLineWatcher(SerialLineMonitor& owner, std::shared_ptr<SerialBackend> backend,
                                     quint32 events, const TickSource& ticks)
    : m_shared(std::make_shared<Shared>())
{
    m_shared->backend = std::move(backend);
    m_shared->ticks = &ticks;
    m_shared->events = events;
    m_shared->owner = &owner;
    m_thread = std::thread(&SerialLineWatcher::run, m_shared);
    // The thread's scheduling is known before the port counts as open.
    std::unique_lock lock(m_shared->mutex);
    m_shared->changed.wait_for(lock, kStopGiveUp, [this] { return m_shared->started; });
}

SerialLineWatcher::~SerialLineWatcher()
{
    Shared& s = *m_shared;
    {
        std::lock_guard lock(s.mutex);
        s.stop = true;
    }
    s.changed.notify_all();
    s.backend->interruptWait();

    // A stop signalled just before the thread entered its wait is lost, so it is repeated until
    // the thread has left.
    const auto giveUp = std::chrono::steady_clock::now() + kStopGiveUp;
    std::unique_lock lock(s.mutex);
    while (!s.changed.wait_for(lock, kStopResend, [&] { return s.exited; })) {
        if (std::chrono::steady_clock::now() > giveUp) {
            s.abandoned = true;
            lock.unlock();
            qWarning("Serial port thread did not stop; it is left behind");
            m_thread.detach();
            return;
        }
        lock.unlock();
        s.backend->interruptWait();
        lock.lock();
    }
    lock.unlock();
    m_thread.join();
}

quint32 SerialLineWatcher::eventMask() const
{
    return m_shared->lastMask.load();
}

quint64 SerialLineWatcher::linesSeen() const
{
    return m_shared->linesSeen.load();
}

PortThreadPriority SerialLineWatcher::priority() const
{
    return m_shared->priority.load();
}

void SerialLineWatcher::run(std::shared_ptr<Shared> shared)
{
    Shared& s = *shared;
    s.priority = s.backend->raisePortThread();
    {
        std::lock_guard lock(s.mutex);
        s.started = true;
    }
    s.changed.notify_all();
    LineState known;
    if (!readLines(*s.backend, known))
        known = {};
    std::deque<CapturedLineEvent> later; // edges not yet handed over, in order
    // Events the wait reported besides the edges (a driver's own event word) go with the last edge.
    const auto queue = [&](const LineState& now, quint32 tick, quint32 reported) {
        std::vector<CapturedLineEvent> edges = lineEdges(s.events, known, now, tick);
        s.linesSeen += edges.size();
        quint32 otherEvents = reported & s.events;
        for (const CapturedLineEvent& edge : edges)
            otherEvents &= ~edge.mask;
        if (otherEvents) {
            if (edges.empty())
                edges.push_back({0, now.status, tick});
            edges.back().mask |= otherEvents;
        }
        for (const CapturedLineEvent& edge : edges) {
            if (edge.mask)
                later.push_back(edge);
        }
    };
    WaitResult::Kind end = WaitResult::Kind::Interrupted;

    while (!s.stop) {
        if (later.empty()) {
            const WaitResult r = s.backend->waitForEvent(s.events, known, *s.ticks);
            if (r.kind == WaitResult::Kind::Interrupted)
                continue;
            if (r.kind != WaitResult::Kind::Event) {
                end = r.kind;
                break;
            }
            queue({r.status, r.counters}, r.tick, r.mask);
            if (later.empty())
                continue;
        }
        const CapturedLineEvent event = later.front();
        later.pop_front();
        s.lastMask = event.mask;

        // Hand the event to the main thread and wait until it has been reported there.
        std::unique_lock lock(s.mutex);
        if (s.stop)
            break;
        s.pending = event;
        s.done = false;
        const quint64 serial = ++s.serial;
        SerialLineMonitor* owner = s.owner;
        std::weak_ptr<Shared> weak = shared;
        QMetaObject::invokeMethod(
            owner, [owner, weak, serial] { owner->dispatchHandOver(weak, serial); }, Qt::QueuedConnection);
        while (!s.changed.wait_for(lock, kSampleInterval, [&] { return s.done || s.stop.load(); })) {
            lock.unlock();
            LineState now;
            const bool read = readLines(*s.backend, now);
            const quint32 tick = s.ticks->now();
            if (read)
                queue(now, tick, 0);
            lock.lock();
        }
    }

    s.backend->purgeInput();
    {
        std::lock_guard lock(s.mutex);
        s.exited = true;
        if (end == WaitResult::Kind::DeviceGone && !s.stop && !s.abandoned) {
            SerialLineMonitor* owner = s.owner;
            std::weak_ptr<Shared> weak = shared;
            QMetaObject::invokeMethod(
                owner, [owner, weak] { owner->closeAfterFailure(weak); }, Qt::QueuedConnection);
        }
    }
    s.changed.notify_all();
}

// ---------------------------------------------------------------- component

SerialLineMonitor::SerialLineMonitor(QObject* parent) : SerialLineMonitor(nullptr, parent) {}

SerialLineMonitor::SerialLineMonitor(std::shared_ptr<SerialBackend> backend, QObject* parent)
    : QObject(parent), m_backend(std::move(backend)), m_ticks(&steadyTickSource())
{}

SerialLineMonitor::~SerialLineMonitor()
{
    close();
}

void SerialLineMonitor::setBackend(std::shared_ptr<SerialBackend> backend)
{
    if (!m_connected)
        m_backend = std::move(backend);
}

void SerialLineMonitor::open()
{
    if (m_connected)
        close();
    if (!m_backend)
        m_backend = makePlatformSerialBackend();
    m_backend->open(m_settings); // throws; the backend is closed again then
    m_latency = m_backend->lineLatency();
    try {
        m_thread = std::make_unique<SerialLineWatcher>(*this, m_backend, quint32(m_settings.events.toInt()),
                                                       *m_ticks);
    } catch (const std::system_error& e) {
        m_backend->close();
        throw PortOpenError(PortOpenFailure::Other, QString::fromLocal8Bit(e.what()));
    }
    m_connected = true;
    Q_EMIT opened();
}

void SerialLineMonitor::close()
{
    if (!m_connected)
        return;
    m_connected = false;
    m_current.reset();
    const std::shared_ptr<SerialLineWatcher::Shared> shared = m_thread->m_shared;
    m_thread.reset(); // stops and joins the thread
    bool abandoned = false;
    {
        std::lock_guard lock(shared->mutex);
        abandoned = shared->abandoned;
    }
    if (abandoned)
        m_backend.reset(); // the thread left behind still holds it; the next open() makes a new one
    else
        m_backend->close();
    Q_EMIT closed();
}

quint32 SerialLineMonitor::modemStatus()
{
    quint32 status = 0;
    if (!m_connected || !m_backend || !m_backend->readModemStatus(status))
        return 0;
    return status;
}

void SerialLineMonitor::dispatchHandOver(const std::weak_ptr<SerialLineWatcher::Shared>& weak, quint64 serial)
{
    const std::shared_ptr<SerialLineWatcher::Shared> shared = weak.lock();
    if (!shared)
        return;
    CapturedLineEvent event;
    {
        std::lock_guard lock(shared->mutex);
        if (shared->stop || shared->done || shared->serial != serial || !shared->pending)
            return;
        event = *shared->pending;
    }

    const std::optional<CapturedLineEvent> outer = m_current; // a slot may have spun an event loop
    m_current = event;
    dispatch(event.mask, shared);
    m_current = outer;

    {
        std::lock_guard lock(shared->mutex);
        if (shared->serial == serial) {
            shared->done = true;
            shared->pending.reset();
        }
    }
    shared->changed.notify_all();
}

void SerialLineMonitor::dispatch(quint32 mask, const std::shared_ptr<SerialLineWatcher::Shared>& shared)
{
    // The slots are the program's code: whatever one throws must not reach the event loop, and a
    // slot that closes the port ends the reporting.
    const auto report = [&](quint32 bit, void (SerialLineMonitor::*signal)()) {
        if (!(mask & bit) || shared->stop)
            return;
        try {
            (this->*signal)();
        } catch (...) {
        }
    };
    report(EventBit::Ring, &SerialLineMonitor::ringChanged);
    report(EventBit::CTS, &SerialLineMonitor::ctsChanged);
    report(EventBit::DSR, &SerialLineMonitor::dsrChanged);
    report(EventBit::RLSD, &SerialLineMonitor::rlsdChanged);
}

void SerialLineMonitor::closeAfterFailure(const std::weak_ptr<SerialLineWatcher::Shared>& weak)
{
    const std::shared_ptr<SerialLineWatcher::Shared> shared = weak.lock();
    if (shared && m_thread && m_thread->m_shared == shared)
        close();
}

} // namespace brv
