#include "TimingTestSupport.h"
#include "timing/LinuxSerialBackend.h"
#include "timing/SerialDevices.h"
#include "timing/SerialLineMonitor.h"
#include "timing/ThreadWaker.h"

#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <cerrno>
#include <thread>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <unistd.h>

using namespace brv;
using namespace brv::test;

namespace {

// A pseudo-terminal (a terminal without modem lines) and the other device nodes the tests use.
struct Devices
{
    Devices()
    {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0)
            pty = QString::fromLocal8Bit(::ptsname(master));
    }
    ~Devices()
    {
        if (holder >= 0)
            ::close(holder);
        if (master >= 0)
            ::close(master);
    }
    // "missing", "file", "null", "pty", "locked pty" (another program holds it) or "" (no name).
    QString path(const QString& kind)
    {
        if (kind == u"missing")
            return dir.filePath(QStringLiteral("ttyUSB9"));
        if (kind == u"file") {
            QFile file(dir.filePath(QStringLiteral("ttyS4")));
            return file.open(QIODevice::WriteOnly) ? file.fileName() : QString();
        }
        if (kind == u"null")
            return QStringLiteral("/dev/null");
        if (kind == u"locked pty") {
            holder = ::open(pty.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
            return holder >= 0 && ::flock(holder, LOCK_EX | LOCK_NB) == 0 ? pty : QString();
        }
        return kind == u"pty" ? pty : QString();
    }
    QTemporaryDir dir;
    int master = -1;
    int holder = -1;
    QString pty;
};

std::shared_ptr<LinuxSerialBackend> backendFor(const QString& path)
{
    return std::make_shared<LinuxSerialBackend>([path](int) { return path; });
}

QString openError(SerialLineMonitor& port)
{
    try {
        port.open();
    } catch (const PortOpenError& e) {
        return e.message();
    } catch (const PortSettingsError& e) {
        return e.message();
    }
    return QString();
}

} // namespace

class TestLinuxSerial final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void devicePath_data();
    void devicePath();
    void availablePortsFromProbe();
    void usableDevice_data();
    void usableDevice();
    void openFails_data();
    void openFails();
    void openPseudoTerminalEndsCleanly();
    void wakerEndsBlockedSystemCall_data();
    void wakerEndsBlockedSystemCall();
};

void TestLinuxSerial::devicePath_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("path");
    QTest::newRow("none") << 0 << "";
    QTest::newRow("COM1") << 1 << "/dev/ttyS0";
    QTest::newRow("COM32") << 32 << "/dev/ttyS31";
    QTest::newRow("COM33 first USB adapter") << 33 << "/dev/ttyUSB0";
    QTest::newRow("COM64") << 64 << "/dev/ttyUSB31";
    QTest::newRow("COM65 beyond the range") << 65 << "";
    QTest::newRow("negative") << -3 << "";
}

void TestLinuxSerial::devicePath()
{
    QFETCH(int, port);
    QFETCH(QString, path);
    QCOMPARE(comDevicePath(port), path);
}

void TestLinuxSerial::availablePortsFromProbe()
{
    QList<int> asked;
    const quint64 set = availableSerialPorts([&](int port) {
        asked.append(port);
        return port == 1 || port == 33 || port == 64;
    });
    QCOMPARE(asked.size(), 64);
    QCOMPARE(asked.first(), 1);
    QCOMPARE(set, (quint64(1) << 0) | (quint64(1) << 32) | (quint64(1) << 63));
    QCOMPARE(portNumbers(set), (QList<int>{1, 33, 64}));
    QVERIFY(portNumbers(0).isEmpty());
}

void TestLinuxSerial::usableDevice_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("usable");
    QTest::newRow("missing node") << "missing" << false;
    QTest::newRow("regular file") << "file" << false;
    QTest::newRow("character device that is no terminal") << "null" << false;
    QTest::newRow("empty name") << "" << false;
    QTest::newRow("pseudo-terminal") << "pty" << true;
    QTest::newRow("pseudo-terminal another program holds") << "locked pty" << false;
}

void TestLinuxSerial::usableDevice()
{
    QFETCH(QString, kind);
    QFETCH(bool, usable);
    Devices devices;
    const QString path = devices.path(kind);
    QVERIFY(kind.isEmpty() || !path.isEmpty());
    QCOMPARE(isUsableSerialDevice(path), usable);
    if (devices.holder >= 0) { // free again once the other program lets go
        ::close(std::exchange(devices.holder, -1));
        QVERIFY(isUsableSerialDevice(path));
    }
}

void TestLinuxSerial::openFails_data()
{
    // The system's reason follows the prefix in the system's language.
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("baud");
    QTest::addColumn<QString>("message");
    const QString open = QStringLiteral("Unable to open com port: ");
    QTest::newRow("missing device") << "missing" << int(BaudRate::Baud9600) << open + qt_error_string(ENOENT);
    QTest::newRow("not a terminal") << "null" << int(BaudRate::Baud9600) << open + qt_error_string(ENOTTY);
    QTest::newRow("port 0 has no device") << "" << int(BaudRate::Baud9600) << open + qt_error_string(ENOENT);
    QTest::newRow("unsupported rate")
        << "pty" << int(BaudRate::Baud14400) << "Unable to set com state: " + qt_error_string(EINVAL);
}

void TestLinuxSerial::openFails()
{
    QFETCH(QString, kind);
    QFETCH(int, baud);
    QFETCH(QString, message);
    Devices devices;
    SerialLineMonitor port(kind.isEmpty() ? std::make_shared<LinuxSerialBackend>()
                                          : backendFor(devices.path(kind)));
    port.setPort(kind.isEmpty() ? 0 : 1);
    port.setBaudRate(BaudRate(baud));
    int opened = 0;
    QObject::connect(&port, &SerialLineMonitor::opened, &port, [&] { ++opened; });
    QCOMPARE(openError(port), message);
    QVERIFY(!port.isConnected());
    QCOMPARE(port.handle(), qintptr(-1));
    QCOMPARE(opened, 0);
    port.close();
    QVERIFY(kind != u"pty" || isUsableSerialDevice(devices.pty)); // not left open
}

void TestLinuxSerial::openPseudoTerminalEndsCleanly()
{
    Devices devices;
    QVERIFY(!devices.pty.isEmpty());
    SerialLineMonitor port(backendFor(devices.pty));
    int closed = 0;
    QObject::connect(&port, &SerialLineMonitor::closed, &port, [&] { ++closed; });
    const QString error = openError(port);
    // No modem lines: either the settings are refused, or the thread's first wait fails.
    if (error.isEmpty()) {
        QVERIFY(port.isConnected());
        QVERIFY(port.handle() >= 0);
        port.close();
        QCOMPARE(closed, 1);
    } else {
        QVERIFY2(error.startsWith(QStringLiteral("Unable to set com state: ")), qPrintable(error));
        QVERIFY(!port.isConnected());
        QCOMPARE(closed, 0);
    }
    QVERIFY(isUsableSerialDevice(devices.pty)); // the terminal is free again afterwards
}

void TestLinuxSerial::wakerEndsBlockedSystemCall_data()
{
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<bool>("repeat");
    QTest::newRow("thread already blocked: one wake") << 100 << false;
    QTest::newRow("wake racing the block: repeated") << 0 << true;
}

// What close() relies on: a thread blocked in a system call that closing a descriptor would
// not end (here a read from an empty pipe) is woken by the signal.
void TestLinuxSerial::wakerEndsBlockedSystemCall()
{
    QFETCH(int, delayMs);
    QFETCH(bool, repeat);
    int pipeFds[2];
    QVERIFY(::pipe(pipeFds) == 0);
    ThreadWaker waker;
    std::atomic<bool> done{false};
    std::atomic<int> interrupted{0};
    std::thread blocked([&] {
        waker.enter();
        while (!waker.woken()) {
            char c = 0;
            if (::read(pipeFds[0], &c, 1) < 0 && errno == EINTR)
                ++interrupted;
        }
        waker.leave();
        done = true;
    });
    QThread::msleep(ulong(delayMs));
    waker.wake();
    for (int i = 0; repeat && !done && i < 1000; ++i) {
        QThread::msleep(2);
        waker.wake();
    }
    const bool ended = waitWithoutEvents([&] { return done.load(); }, 2000);
    if (!ended) { // do not leave the test hanging on a failure
        const char c = 'x';
        QVERIFY(::write(pipeFds[1], &c, 1) == 1);
    }
    blocked.join();
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    QVERIFY(ended);
    if (!repeat)
        QCOMPARE(interrupted.load(), 1);
}

QTEST_GUILESS_MAIN(TestLinuxSerial)
#include "tst_linuxserial.moc"
