#include "timing/LinuxSerialBackend.h"

#include "timing/SerialDevices.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <ctime>

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace brv {

namespace {

QString systemText(int error)
{
    return qt_error_string(error);
}

std::optional<speed_t> speedOf(qint32 rate)
{
    switch (rate) {
    case 110:
        return B110;
    case 300:
        return B300;
    case 600:
        return B600;
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    case 230400:
        return B230400;
    case 460800:
        return B460800;
    case 921600:
        return B921600;
    default:
        return std::nullopt;
    }
}

quint32 statusFromLinux(int bits)
{
    quint32 status = 0;
    if (bits & TIOCM_CTS)
        status |= ModemBit::CTS;
    if (bits & TIOCM_DSR)
        status |= ModemBit::DSR;
    if (bits & TIOCM_RNG)
        status |= ModemBit::RING;
    if (bits & TIOCM_CAR)
        status |= ModemBit::RLSD;
    return status;
}

int linuxLines(quint32 modemBits)
{
    int lines = 0;
    if (modemBits & ModemBit::CTS)
        lines |= TIOCM_CTS;
    if (modemBits & ModemBit::DSR)
        lines |= TIOCM_DSR;
    if (modemBits & ModemBit::RING)
        lines |= TIOCM_RNG;
    if (modemBits & ModemBit::RLSD)
        lines |= TIOCM_CAR;
    return lines;
}

void sleepMs(long ms)
{
    timespec pause{0, ms * 1000000L};
    ::nanosleep(&pause, nullptr); // a wake signal ends it early
}

} // namespace

std::shared_ptr<SerialBackend> makePlatformSerialBackend()
{
    return std::make_shared<LinuxSerialBackend>();
}

PortThreadPriority LinuxSerialBackend::raisePortThread()
{
    return raiseThreadAsPortThread();
}

LinuxSerialBackend::LinuxSerialBackend(std::function<QString(int)> devicePath)
    : m_devicePath(devicePath ? std::move(devicePath) : std::function<QString(int)>(comDevicePath))
{}

LinuxSerialBackend::~LinuxSerialBackend()
{
    close();
}

void LinuxSerialBackend::open(const SerialLineSettings& settings)
{
    close();
    m_waker.reset();
    m_polling = false;
    m_noCounters = false;
    m_latency = {};

    const QString path = m_devicePath(settings.port);
    if (path.isEmpty())
        throw PortOpenError(ENOENT);
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw PortOpenError(errno);

    // Each failure closes the descriptor again and reports errno.
    const auto failHandle = [fd] {
        const int error = errno;
        ::close(fd);
        throw PortOpenError(error);
    };
    const auto failState = [fd] {
        const int error = errno;
        ::close(fd);
        throw PortSettingsError(systemText(error));
    };

    if (::isatty(fd) != 1)
        failHandle();
    // Exclusive: other programs that lock (flock) or open (TIOCEXCL) serial ports are kept out.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::ioctl(fd, TIOCEXCL) != 0) {
        const int error = errno;
        ::close(fd);
        throw PortOpenError(PortOpenFailure::Busy, systemText(error));
    }

    termios t{};
    if (::tcgetattr(fd, &t) != 0)
        failState();
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~tcflag_t(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    switch (settings.dataBits) {
    case 5:
        t.c_cflag |= CS5;
        break;
    case 6:
        t.c_cflag |= CS6;
        break;
    case 7:
        t.c_cflag |= CS7;
        break;
    default:
        t.c_cflag |= CS8;
        break;
    }
    switch (settings.parity) {
    case Parity::None:
        break;
    case Parity::Odd:
        t.c_cflag |= PARENB | PARODD;
        break;
    case Parity::Even:
        t.c_cflag |= PARENB;
        break;
    case Parity::Mark:
        t.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
    case Parity::Space:
        t.c_cflag |= PARENB | CMSPAR;
        break;
    }
    // With five data bits a UART sends 1.5 stop bits where two are asked for.
    if (settings.stopBits != StopBits::One)
        t.c_cflag |= CSTOPB;
    t.c_iflag &= ~tcflag_t(IXON | IXOFF | IXANY);
    if (settings.flowControl == FlowControl::RtsCts)
        t.c_cflag |= CRTSCTS;
    else if (settings.flowControl == FlowControl::XonXoff)
        t.c_iflag |= IXON | IXOFF;
    t.c_cc[VSTART] = 0x11;
    t.c_cc[VSTOP] = 0x13;
    t.c_cc[VMIN] = 0; // a read returns at once
    t.c_cc[VTIME] = 0;
    const std::optional<speed_t> speed = speedOf(baudRateValue(settings.baudRate, settings.userBaudRate));
    if (!speed) {
        errno = EINVAL;
        failState();
    }
    if (::cfsetispeed(&t, *speed) != 0 || ::cfsetospeed(&t, *speed) != 0 || ::tcsetattr(fd, TCSANOW, &t) != 0)
        failState();

    // DTR and RTS feed the contacts. A terminal without modem lines (a pseudo-terminal) fails here.
    int raise = TIOCM_RTS | (settings.dtrEnabled ? TIOCM_DTR : 0);
    if (::ioctl(fd, TIOCMBIS, &raise) != 0)
        failState();
    // Queue sizes and write time-outs have no counterpart here; nothing is ever written.
    m_fd = fd;
    askForLowLatency(path);
}

void LinuxSerialBackend::askForLowLatency(const QString& path)
{
    // FTDI adapters report line changes once per latency-timer period, 16 ms unless told
    // otherwise; the low-latency flag makes their driver set the timer to 1 ms. Other drivers
    // report at once anyway, or have no such flag (TIOCGSERIAL fails).
    serial_struct serial{};
    if (::ioctl(m_fd, TIOCGSERIAL, &serial) == 0) {
        m_latency.lowLatency = LineLatency::Request::Granted;
        if (!(serial.flags & ASYNC_LOW_LATENCY)) {
            serial.flags |= ASYNC_LOW_LATENCY;
            if (::ioctl(m_fd, TIOCSSERIAL, &serial) != 0) {
                m_latency.lowLatency = LineLatency::Request::Refused;
                m_latency.refusal = errno;
            }
        }
    }
    // The timer the adapter runs with, where its driver shows it (ftdi_sio).
    QFile timer(QStringLiteral("/sys/class/tty/%1/device/latency_timer")
                    .arg(QFileInfo(QFileInfo(path).canonicalFilePath()).fileName()));
    bool number = false;
    const int ms = timer.open(QIODevice::ReadOnly) ? timer.readAll().trimmed().toInt(&number) : 0;
    if (number)
        m_latency.timerMs = ms;
}

void LinuxSerialBackend::close()
{
    if (m_fd < 0)
        return;
    ::close(m_fd);
    m_fd = -1;
}

bool LinuxSerialBackend::readModemStatus(quint32& status)
{
    int bits = 0;
    if (m_fd < 0 || ::ioctl(m_fd, TIOCMGET, &bits) != 0)
        return false;
    status = statusFromLinux(bits);
    return true;
}

bool LinuxSerialBackend::readLineCounters(LineCounters& counters)
{
    serial_icounter_struct icount{};
    if (m_fd < 0 || m_noCounters)
        return false;
    if (::ioctl(m_fd, TIOCGICOUNT, &icount) != 0) {
        if (errno == ENOTTY || errno == EINVAL || errno == ENOSYS)
            m_noCounters = true; // the driver keeps none; not asked again until the next open
        return false;
    }
    counters = {quint32(icount.cts), quint32(icount.dsr), quint32(icount.rng), quint32(icount.dcd)};
    return true;
}

void LinuxSerialBackend::purgeInput()
{
    if (m_fd >= 0)
        ::tcflush(m_fd, TCIFLUSH);
}

WaitResult LinuxSerialBackend::failure(int error) const
{
    WaitResult r;
    r.kind = error == EIO || error == ENXIO || error == ENODEV ? WaitResult::Kind::DeviceGone
                                                               : WaitResult::Kind::Failed;
    r.error = error;
    return r;
}

WaitResult LinuxSerialBackend::waitForEvent(quint32 events, const LineState& known, const TickSource& ticks)
{
    struct Inside
    {
        ThreadWaker& waker;
        explicit Inside(ThreadWaker& w) : waker(w) { waker.enter(); }
        ~Inside() { waker.leave(); }
    } inside(m_waker);

    const quint32 watched = linesWatchedBy(events);
    const int lines = linuxLines(watched);
    // The lines as they are now; an event when they moved since `known`.
    const auto look = [&](quint32 tick, WaitResult& r) {
        LineState now;
        if (!readModemStatus(now.status)) {
            r = failure(errno);
            return true;
        }
        LineCounters counters;
        if (known.counters && readLineCounters(counters))
            now.counters = counters;
        const quint32 moved = linesMoved(known, now, watched);
        if (moved == 0)
            return false;
        r.kind = WaitResult::Kind::Event;
        r.mask = lineEventsOf(moved) & events;
        r.status = now.status;
        r.counters = now.counters;
        r.tick = tick;
        return true;
    };

    WaitResult r;
    while (!m_waker.woken()) {
        if (m_fd < 0)
            return failure(EBADF);
        if (lines == 0) { // nothing to watch: wait to be stopped
            sleepMs(100);
            continue;
        }
        // A wait sees only the changes after it began: whatever came since the last look (while
        // an event was handed over, or just now) is reported at once.
        if (look(ticks.now(), r))
            return r;
        if (m_polling) {
            sleepMs(1);
            continue;
        }
        if (::ioctl(m_fd, TIOCMIWAIT, lines) == 0) {
            // the moment the edge was seen, before the lines are read
            if (look(ticks.now(), r))
                return r;
            continue; // a line not watched
        }
        const int error = errno;
        if (error == EINTR)
            continue;
        if (error == ENOTTY || error == EINVAL || error == ENOSYS) {
            m_polling = true; // the driver has no TIOCMIWAIT (cp210x)
            continue;
        }
        return failure(error);
    }
    return WaitResult{};
}

void LinuxSerialBackend::interruptWait()
{
    m_waker.wake();
}

} // namespace brv
