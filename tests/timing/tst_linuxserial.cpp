#include "TimingTestSupport.h"
#include "timing/ContactDecoder.h"
#include "timing/LinuxSerialBackend.h"
#include "timing/RaceClock.h"
#include "timing/SerialDevices.h"
#include "timing/SerialLineMonitor.h"

#include <QSignalSpy>
#include <QTest>

#include <cerrno>
#include <cstdarg>

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <termios.h>
#include <unistd.h>

using namespace brv;

// A serial driver behind a pseudo-terminal the test holds open too (`slave`): this program's ioctl()
// answers the modem requests, TIOCMIWAIT reading a pipe that gets a byte per line change (the
// waker's signal ends it as it ends the kernel's wait), and hands the others to the kernel.
namespace fake {
std::atomic<int> lines, raised, waitedOn, reads, statusError; // statusError: errno of TIOCMGET
std::atomic<bool> noWait, stuck;             // no TIOCMIWAIT (as cp210x); a wait that ignores signals
std::atomic<int> dsrCount;                   // the driver's count of DSR changes
std::atomic<bool> serialOffered;             // the driver answers TIOCGSERIAL
std::atomic<int> serialFlags, serialRefusal; // its flags; errno of TIOCSSERIAL (0: taken)
int edges[2] = {-1, -1}, master = -1, slave = -1;
QString pty;
void setLines(int bits)
{
    lines = bits;
    [[maybe_unused]] const ssize_t n = ::write(edges[1], "e", 1);
}
} // namespace fake

extern "C" int ioctl(int fd, unsigned long request, ...) noexcept
{
    va_list args;
    va_start(args, request);
    void* const arg = va_arg(args, void*);
    va_end(args);
    char c = 0;
    switch (request) {
    case TIOCMBIS:
        return fake::raised |= *static_cast<int*>(arg), 0;
    case TIOCMGET:
        ++fake::reads;
        *static_cast<int*>(arg) = fake::lines;
        return fake::statusError ? (errno = fake::statusError, -1) : 0;
    case TIOCGICOUNT:
        *static_cast<serial_icounter_struct*>(arg) = {};
        static_cast<serial_icounter_struct*>(arg)->dsr = fake::dsrCount;
        return 0;
    case TIOCGSERIAL:
        *static_cast<serial_struct*>(arg) = {};
        static_cast<serial_struct*>(arg)->flags = fake::serialFlags;
        return fake::serialOffered ? 0 : (errno = ENOTTY, -1);
    case TIOCSSERIAL:
        fake::serialFlags =
            fake::serialRefusal ? int(fake::serialFlags) : static_cast<serial_struct*>(arg)->flags;
        return fake::serialRefusal ? (errno = fake::serialRefusal, -1) : 0;
    case TIOCMIWAIT:
        fake::waitedOn = int(reinterpret_cast<intptr_t>(arg));
        while (!fake::noWait && ::read(fake::edges[0], &c, 1) < 0)
            if (errno != EINTR || !fake::stuck)
                return -1;
        return fake::noWait ? (errno = ENOTTY, -1) : 0;
    }
    return int(::syscall(SYS_ioctl, fd, request, arg));
}

class TestLinuxSerial final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void devicePath_data();
    void devicePath();
    void portLife_data();
    void portLife();
    void pulseSeenByTheCounters();
    void lowLatency_data();
    void lowLatency();
    void hangingDriverIsLeftBehind();
};

void TestLinuxSerial::init()
{
    for (const int fd : {fake::edges[0], fake::edges[1], fake::slave, fake::master}) // of the last test
        ::close(fd);
    QVERIFY(::pipe(fake::edges) == 0);
    fake::master = ::posix_openpt(O_RDWR | O_NOCTTY);
    QVERIFY(::grantpt(fake::master) == 0 && ::unlockpt(fake::master) == 0);
    fake::pty = QString::fromLocal8Bit(::ptsname(fake::master));
    fake::slave = ::open(::ptsname(fake::master), O_RDWR | O_NOCTTY | O_NONBLOCK);
    fake::lines = fake::raised = fake::waitedOn = fake::reads = fake::statusError = fake::dsrCount = 0;
    fake::serialFlags = fake::serialRefusal = 0;
    fake::noWait = fake::stuck = fake::serialOffered = false;
}

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
}

void TestLinuxSerial::devicePath()
{
    QFETCH(int, port);
    QFETCH(QString, path);
    QCOMPARE(comDevicePath(port), path);
    // Listed when its node is usable: each number 1 to 64 is asked for and gets its own bit.
    const quint64 set = availableSerialPorts([&](int asked) { return asked == port; });
    QCOMPARE(portNumbers(set), path.isEmpty() ? QList<int>() : QList<int>{port});
}

void TestLinuxSerial::portLife_data()
{
    QTest::addColumn<int>("line"); // TIOCM_*, switched once
    QTest::addColumn<quint32>("status");
    QTest::addColumn<QByteArray>("signal");
    QTest::addColumn<bool>("polled"); // the driver has no TIOCMIWAIT
    QTest::addColumn<int>("error");   // of the next status read (EIO: unplugged); 0: none
    QTest::newRow("CTS, EIO") << TIOCM_CTS << ModemBit::CTS << QByteArray("ctsChanged") << false << EIO;
    QTest::newRow("DSR, EPERM") << TIOCM_DSR << ModemBit::DSR << QByteArray("dsrChanged") << false << EPERM;
    QTest::newRow("RI") << TIOCM_RNG << ModemBit::RING << QByteArray("ringChanged") << false << 0;
    QTest::newRow("DCD") << TIOCM_CAR << ModemBit::RLSD << QByteArray("rlsdChanged") << false << 0;
    QTest::newRow("DSR, polled") << TIOCM_DSR << ModemBit::DSR << QByteArray("dsrChanged") << true << 0;
}

// The settings replace what another program left, DTR and RTS power the contacts, a line change is
// reported, a failing status read ends the thread (and closes the port when the device is gone),
// closing lets go of the port, and a port another program holds is not opened.
void TestLinuxSerial::portLife()
{
    QFETCH(int, line);
    QFETCH(quint32, status);
    QFETCH(QByteArray, signal);
    QFETCH(bool, polled);
    QFETCH(int, error);
    termios t{};
    ::tcgetattr(fake::slave, &t);
    t.c_cflag |= CSTOPB | PARODD | CMSPAR; // a pseudo-terminal keeps no PARENB
    t.c_cc[VMIN] = t.c_cc[VTIME] = t.c_cc[VSTART] = t.c_cc[VSTOP] = 5;
    QVERIFY(::ioctl(fake::slave, TCSETS, &t) == 0);
    const auto backend = std::make_shared<LinuxSerialBackend>([](int) { return fake::pty; });
    SerialLineMonitor port(backend);
    SerialLineSettings settings;
    settings.flowControl = FlowControl::RtsCts;
    port.setSettings(settings);
    QSignalSpy changed(&port, QByteArray("2" + signal + "()").constData());
    QSignalSpy closed(&port, &SerialLineMonitor::closed);
    fake::noWait = polled;
    port.open();
    ::tcgetattr(fake::slave, &t);
    // no parity bits are left: the contact ports use none, and the other kinds go untested
    QCOMPARE(t.c_cflag & (CSTOPB | PARODD | CMSPAR | CRTSCTS | CLOCAL | CREAD), CRTSCTS | CLOCAL | CREAD);
    QVERIFY(::cfgetospeed(&t) == B9600 && ::cfgetispeed(&t) == B9600 && !(t.c_lflag & ICANON));
    QVERIFY(t.c_cc[VMIN] == 0 && t.c_cc[VTIME] == 0 && t.c_cc[VSTART] == 0x11 && t.c_cc[VSTOP] == 0x13);
    QCOMPARE(fake::raised.load(), TIOCM_RTS | TIOCM_DTR);
    QVERIFY(test::waitWithoutEvents([] { return fake::waitedOn != 0; })); // the thread knows the lines
    fake::setLines(line);
    QTRY_COMPARE_WITH_TIMEOUT(changed.count(), 1, 5000);
    QVERIFY(port.modemStatus() == status && backend->polling() == polled);
    QCOMPARE(fake::waitedOn.load(), TIOCM_CTS | TIOCM_DSR | TIOCM_RNG | TIOCM_CAR);
    const int reads = fake::reads;
    fake::statusError = error;
    fake::setLines(0);
    QTRY_VERIFY_WITH_TIMEOUT(fake::reads > reads, 5000);
    QTest::qWait(20);
    QTRY_COMPARE_WITH_TIMEOUT(closed.count(), error == EIO ? 1 : 0, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(changed.count(), error ? 1 : 2, 5000);
    port.close();
    QVERIFY(closed.count() == 1 && backend->handle() == -1 && isUsableSerialDevice(fake::pty));
    backend->open(port.settings());
    backend->open(port.settings()); // again: closes first
    backend->close();
    QVERIFY(!isUsableSerialDevice("/dev/null") && !isUsableSerialDevice("/") && !isUsableSerialDevice(""));
    QVERIFY(::flock(fake::slave, LOCK_EX | LOCK_NB) == 0 &&
            !isUsableSerialDevice(fake::pty)); // held elsewhere
    try {
        backend->open(port.settings());
        QFAIL("a port held elsewhere opened");
    } catch (const PortOpenError& e) {
        QVERIFY(e.reason() == PortOpenFailure::Busy);
    }
}

// A driver that never returns from its wait (a hanging USB adapter) does not hang the program:
// the thread is left behind, the port reports closed, and the next open makes a new backend.
void TestLinuxSerial::hangingDriverIsLeftBehind()
{
    SerialLineMonitor port(std::make_shared<LinuxSerialBackend>([](int) { return fake::pty; }));
    port.setPort(0); // the next backend has no device
    QSignalSpy closed(&port, &SerialLineMonitor::closed);
    fake::stuck = true;
    port.open();
    QVERIFY(test::waitWithoutEvents([] { return fake::waitedOn != 0; }));
    QTest::ignoreMessage(QtWarningMsg, "Serial port thread did not stop; it is left behind");
    port.close();
    QVERIFY(closed.count() == 1 && !port.isConnected());
    QVERIFY_THROWS_EXCEPTION(PortOpenError, port.open());
    fake::stuck = false; // the driver returns: the thread left behind ends and lets go of the port
    fake::setLines(TIOCM_CTS);
    QTRY_VERIFY_WITH_TIMEOUT(isUsableSerialDevice(fake::pty), 5000);
}

// DSR went on and off before the thread woke: the level shows nothing, the count both edges.
void TestLinuxSerial::pulseSeenByTheCounters()
{
    const auto backend = std::make_shared<LinuxSerialBackend>([](int) { return fake::pty; });
    SerialLineMonitor port(backend);
    QSignalSpy dsr(&port, &SerialLineMonitor::dsrChanged);
    port.open();
    QVERIFY(test::waitWithoutEvents([] { return fake::waitedOn != 0; }));
    fake::dsrCount += 2;
    fake::setLines(0);
    QTRY_COMPARE_WITH_TIMEOUT(dsr.count(), 2, 5000);
}

void TestLinuxSerial::lowLatency_data()
{
    QTest::addColumn<bool>("offered"); // the driver has the serial settings (TIOCGSERIAL)
    QTest::addColumn<int>("refusal");  // errno of the request; 0: taken
    QTest::addColumn<int>("request");  // LineLatency::Request
    QTest::newRow("taken") << true << 0 << int(LineLatency::Request::Granted);
    QTest::newRow("refused") << true << EPERM << int(LineLatency::Request::Refused);
    QTest::newRow("not offered") << false << 0 << int(LineLatency::Request::NotOffered);
}

// Opening asks the driver for low latency; a refusal is named in the contact log once, not at
// every opening.
void TestLinuxSerial::lowLatency()
{
    QFETCH(bool, offered);
    QFETCH(int, refusal);
    QFETCH(int, request);
    fake::serialOffered = offered;
    fake::serialRefusal = refusal;
    Competition competition;
    RaceClock clock(competition);
    ContactDecoder decoder(clock);
    SerialLineMonitor port(std::make_shared<LinuxSerialBackend>([](int) { return fake::pty; }));
    decoder.attach(port);
    for (int opening = 0; opening < 3; ++opening) {
        port.open();
        port.close();
    }
    QCOMPARE(int(port.lineLatency().lowLatency), request);
    QCOMPARE(fake::serialFlags & ASYNC_LOW_LATENCY, offered && !refusal ? ASYNC_LOW_LATENCY : 0);
    QCOMPARE(decoder.contactLog().filter(QStringLiteral("COM1 offen, Priorität des Port-Threads")).size(), 3);
    QCOMPARE(decoder.contactLog().filter(QStringLiteral("lehnt niedrige Latenz ab")).size(), refusal ? 1 : 0);
}

QTEST_GUILESS_MAIN(TestLinuxSerial)
#include "tst_linuxserial.moc"
