#include "timing/SerialDevices.h"

#include <QList>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace brv {

QString comDevicePath(int port)
{
    if (port >= 1 && port <= 32)
        return QStringLiteral("/dev/ttyS%1").arg(port - 1);
    if (port >= 33 && port <= kMaxComPort)
        return QStringLiteral("/dev/ttyUSB%1").arg(port - 33);
    return QString();
}

bool isUsableSerialDevice(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QByteArray name = path.toLocal8Bit();
    struct stat info
    {};
    if (::stat(name.constData(), &info) != 0 || !S_ISCHR(info.st_mode))
        return false;
    // Non-blocking: a port without carrier must not block the open. A legacy ttyS node without
    // a UART behind it fails here with EIO.
    const int fd = ::open(name.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool usable = ::isatty(fd) == 1 && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    termios settings{};
    usable = usable && ::tcgetattr(fd, &settings) == 0;
    ::close(fd);
    return usable;
}

quint64 availableSerialPorts(const std::function<bool(int port)>& usable)
{
    quint64 set = 0;
    for (int port = 1; port <= kMaxComPort; ++port) {
        const bool ok = usable ? usable(port) : isUsableSerialDevice(comDevicePath(port));
        if (ok)
            set |= quint64(1) << (port - 1);
    }
    return set;
}

QList<int> portNumbers(quint64 available)
{
    QList<int> ports;
    for (int port = 1; port <= kMaxComPort; ++port) {
        if (available & (quint64(1) << (port - 1)))
            ports.append(port);
    }
    return ports;
}

} // namespace brv
