// How a Linux port thread gets ahead of the program's other threads: the real-time class where the
// process may take it itself (root, CAP_SYS_NICE, or an rtprio limit such as the one the package
// gives the dialout group), otherwise from RealtimeKit, the system service that desktop audio
// uses for the same; failing both, a higher nice level, again its own or RealtimeKit's.
#include "timing/SerialBackend.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>

#include <algorithm>
#include <cerrno>
#include <optional>

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace brv {

namespace {

// The real-time priority a port thread asks for: any real-time priority runs before every normal
// thread; this one stays below the kernel's threaded interrupts (50) and RealtimeKit's limit (20).
constexpr int kRealTimePriority = 10;
// Nice steps above the program's other threads where no real-time class is to be had.
constexpr int kNiceSteps = 5;
// A system service that does not answer within this time is taken as absent.
constexpr int kServiceTimeoutMs = 1000;

quint64 threadId()
{
    return quint64(::syscall(SYS_gettid));
}

// The RealtimeKit service (org.freedesktop.RealtimeKit1 on the system bus).
class RealtimeKit final
{
public:
    RealtimeKit() : m_bus(QDBusConnection::systemBus()) {}

    // Real-time class for thread `thread` of this process, at `priority` or RealtimeKit's highest.
    bool makeRealTime(quint64 thread, int priority)
    {
        if (!readLimits() || m_maxPriority <= 0 || m_rtTimeMaxUsec <= 0)
            return false;
        // The service gives the real-time class only to a process whose threads may run at most
        // RTTimeUSecMax without blocking; a port thread blocks within a millisecond.
        rlimit cap{};
        if (::getrlimit(RLIMIT_RTTIME, &cap) != 0)
            return false;
        if (cap.rlim_max == RLIM_INFINITY || cap.rlim_max > rlim_t(m_rtTimeMaxUsec)) {
            cap.rlim_cur = cap.rlim_max = rlim_t(m_rtTimeMaxUsec);
            if (::setrlimit(RLIMIT_RTTIME, &cap) != 0)
                return false;
        }
        return call(
            QStringLiteral("MakeThreadRealtime"),
            {QVariant::fromValue(thread), QVariant::fromValue(quint32(std::min(priority, m_maxPriority)))});
    }

    // Nice level `nice` for thread `thread`, or the lowest RealtimeKit gives.
    bool makeHighPriority(quint64 thread, int nice)
    {
        return readLimits() &&
               call(QStringLiteral("MakeThreadHighPriority"),
                    {QVariant::fromValue(thread), QVariant::fromValue(qint32(std::max(nice, m_minNice)))});
    }

private:
    // Whether the service answered.
    bool readLimits()
    {
        if (!m_limitsRead) {
            m_limitsRead = true;
            const std::optional<QVariant> max = property(QStringLiteral("MaxRealtimePriority"));
            const std::optional<QVariant> nice = property(QStringLiteral("MinNiceLevel"));
            const std::optional<QVariant> cap = property(QStringLiteral("RTTimeUSecMax"));
            m_answered = max && nice && cap;
            m_maxPriority = max.value_or(0).toInt();
            m_minNice = nice.value_or(0).toInt();
            m_rtTimeMaxUsec = cap.value_or(0).toLongLong();
        }
        return m_answered;
    }

    std::optional<QVariant> property(const QString& name)
    {
        if (!m_bus.isConnected())
            return std::nullopt;
        QDBusMessage get = QDBusMessage::createMethodCall(
            kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
        get << kService << name;
        const QDBusMessage reply = m_bus.call(get, QDBus::Block, kServiceTimeoutMs);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return std::nullopt;
        return reply.arguments().constFirst().value<QDBusVariant>().variant();
    }

    bool call(const QString& method, const QVariantList& arguments)
    {
        QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kService, method);
        message.setArguments(arguments);
        return m_bus.call(message, QDBus::Block, kServiceTimeoutMs).type() == QDBusMessage::ReplyMessage;
    }

    inline static const QString kService = QStringLiteral("org.freedesktop.RealtimeKit1");
    inline static const QString kPath = QStringLiteral("/org/freedesktop/RealtimeKit1");

    QDBusConnection m_bus;
    bool m_limitsRead = false;
    bool m_answered = false;
    int m_maxPriority = 0;
    int m_minNice = 0;
    qint64 m_rtTimeMaxUsec = 0;
};

} // namespace

PortThreadPriority raiseThreadAsPortThread()
{
    sched_param param{};
    param.sched_priority = std::min(kRealTimePriority, ::sched_get_priority_max(SCHED_FIFO));
    if (::pthread_setschedparam(::pthread_self(), SCHED_FIFO, &param) == 0)
        return PortThreadPriority::RealTime;
    RealtimeKit kit;
    if (kit.makeRealTime(threadId(), kRealTimePriority))
        return PortThreadPriority::RealTime;
    const auto self = id_t(threadId());
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, self);
    if (errno != 0)
        return PortThreadPriority::Normal;
    if (::setpriority(PRIO_PROCESS, self, nice - kNiceSteps) == 0 ||
        kit.makeHighPriority(threadId(), nice - kNiceSteps))
        return PortThreadPriority::Raised;
    return PortThreadPriority::Normal;
}

} // namespace brv
