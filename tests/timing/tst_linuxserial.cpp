#include "TimingTestSupport.h"
#include "timing/LinuxSerialBackend.h"
#include "timing/SerialDevices.h"
#include "timing/SerialLineMonitor.h"
#include "timing/ThreadWaker.h"

#include <QElapsedTimer>
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

// A pseudo-terminal: a terminal without modem lines.
struct PseudoTerminal
{
    PseudoTerminal()
    {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0)
            slave = QString::fromLocal8Bit(::ptsname(master));
    }
    ~PseudoTerminal()
    {
        if (master >= 0)
            ::close(master);
    }
    int master = -1;
    QString slave;
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
    void lockedPseudoTerminalIsNotUsable();
    void openFails_data();
    void openFails();
    void openPseudoTerminalEndsCleanly();
    void unsupportedRateIsRejected();
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
    QTest::newRow("empty name") << "empty" << false;
    QTest::newRow("pseudo-terminal") << "pty" << true;
}

void TestLinuxSerial::usableDevice()
{
    QFETCH(QString, kind);
    QFETCH(bool, usable);
    QTemporaryDir dir;
    PseudoTerminal pty;
    QString path;
    if (kind == QLatin1String("missing")) {
        path = dir.filePath(QStringLiteral("ttyUSB9"));
    } else if (kind == QLatin1String("file")) {
        path = dir.filePath(QStringLiteral("ttyS4"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else if (kind == QLatin1String("null")) {
        path = QStringLiteral("/dev/null");
    } else if (kind == QLatin1String("pty")) {
        QVERIFY(!pty.slave.isEmpty());
        path = pty.slave;
    }
    QCOMPARE(isUsableSerialDevice(path), usable);
}

void TestLinuxSerial::lockedPseudoTerminalIsNotUsable()
{
    PseudoTerminal pty;
    QVERIFY(!pty.slave.isEmpty());
    const int holder = ::open(pty.slave.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    QVERIFY(holder >= 0);
    QVERIFY(::flock(holder, LOCK_EX | LOCK_NB) == 0); // another program holds it
    QVERIFY(!isUsableSerialDevice(pty.slave));
    ::close(holder);
    QVERIFY(isUsableSerialDevice(pty.slave));
}

void TestLinuxSerial::openFails_data()
{
    // The system's reason follows the prefix in the system's language.
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("error");
    QTest::newRow("missing device") << "missing" << ENOENT;
    QTest::newRow("not a terminal") << "null" << ENOTTY;
    QTest::newRow("port 0 has no device") << "none" << ENOENT;
}

void TestLinuxSerial::openFails()
{
    QFETCH(QString, kind);
    QFETCH(int, error);
    const QString message = QStringLiteral("Unable to open com port: ") + qt_error_string(error);
    QTemporaryDir dir;
    std::shared_ptr<SerialBackend> backend;
    if (kind == QLatin1String("missing"))
        backend = backendFor(dir.filePath(QStringLiteral("ttyUSB0")));
    else if (kind == QLatin1String("null"))
        backend = backendFor(QStringLiteral("/dev/null"));
    else
        backend = std::make_shared<LinuxSerialBackend>();
    SerialLineMonitor port(backend);
    if (kind == QLatin1String("none"))
        port.setPort(0);
    int opened = 0;
    QObject::connect(&port, &SerialLineMonitor::opened, &port, [&] { ++opened; });
    QCOMPARE(openError(port), message);
    QVERIFY(!port.isConnected());
    QCOMPARE(port.handle(), qintptr(-1));
    QCOMPARE(opened, 0);
    port.close();
    port.close();
}

void TestLinuxSerial::openPseudoTerminalEndsCleanly()
{
    PseudoTerminal pty;
    QVERIFY(!pty.slave.isEmpty());
    SerialLineMonitor port(backendFor(pty.slave));
    int closed = 0;
    QObject::connect(&port, &SerialLineMonitor::closed, &port, [&] { ++closed; });
    QElapsedTimer timer;
    timer.start();
    const QString error = openError(port);
    // No modem lines: either the settings are refused, or the thread's first wait fails.
    if (error.isEmpty()) {
        QVERIFY(port.isConnected());
        port.close();
        QCOMPARE(closed, 1);
    } else {
        QVERIFY2(error.startsWith(QStringLiteral("Unable to set com state: ")), qPrintable(error));
        QVERIFY(!port.isConnected());
        QCOMPARE(closed, 0);
    }
    QVERIFY(timer.elapsed() < 3000);
    // The terminal is free again afterwards.
    QVERIFY(isUsableSerialDevice(pty.slave));
}

void TestLinuxSerial::unsupportedRateIsRejected()
{
    PseudoTerminal pty;
    QVERIFY(!pty.slave.isEmpty());
    SerialLineMonitor port(backendFor(pty.slave));
    port.setBaudRate(BaudRate::Baud14400);
    QCOMPARE(openError(port), QStringLiteral("Unable to set com state: ") + qt_error_string(EINVAL));
    QVERIFY(!port.isConnected());
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
    QElapsedTimer timer;
    timer.start();
    waker.wake();
    while (repeat && !done && timer.elapsed() < 2000) {
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
