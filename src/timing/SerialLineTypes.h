#pragma once

#include <QFlags>
#include <QString>
#include <QtGlobal>

#include <stdexcept>

namespace brv {

// Bits of the modem status word.
namespace ModemBit {
inline constexpr quint32 CTS = 0x10;
inline constexpr quint32 DSR = 0x20;
inline constexpr quint32 RING = 0x40;
inline constexpr quint32 RLSD = 0x80; // DCD
inline constexpr quint32 Lines = CTS | DSR | RING | RLSD;
} // namespace ModemBit

// Line events, declared in this order; the value of each is its bit of the event mask.
enum class LineEvent : quint32 {
    RxChar = 0x0001,
    TxEmpty = 0x0004,
    RxFlag = 0x0002,
    Ring = 0x0100,
    Break = 0x0040,
    Cts = 0x0008,
    Dsr = 0x0010,
    Error = 0x0080,
    Rlsd = 0x0020,
};
Q_DECLARE_FLAGS(LineEvents, LineEvent)
Q_DECLARE_OPERATORS_FOR_FLAGS(LineEvents)

namespace EventBit {
inline constexpr quint32 RxChar = 0x0001;
inline constexpr quint32 RxFlag = 0x0002;
inline constexpr quint32 TxEmpty = 0x0004;
inline constexpr quint32 CTS = 0x0008;
inline constexpr quint32 DSR = 0x0010;
inline constexpr quint32 RLSD = 0x0020;
inline constexpr quint32 Break = 0x0040;
inline constexpr quint32 Error = 0x0080;
inline constexpr quint32 Ring = 0x0100;
inline constexpr quint32 All = 0x01FF;
inline constexpr quint32 Lines = CTS | DSR | RLSD | Ring;
} // namespace EventBit

inline constexpr LineEvents kAllLineEvents = LineEvents::fromInt(EventBit::All);

// The line events that a change of modem status bits stands for.
quint32 lineEventsOf(quint32 changedStatusBits);
// The modem status bits a set of line events watches.
quint32 linesWatchedBy(quint32 eventBits);

enum class BaudRate {
    Baud110,
    Baud300,
    Baud600,
    Baud1200,
    Baud2400,
    Baud4800,
    Baud9600,
    Baud14400,
    Baud19200,
    Baud38400,
    Baud56000,
    Baud57600,
    Baud115200,
    Baud128000,
    Baud256000,
    User,
};
enum class Parity { None, Odd, Even, Mark, Space };
enum class StopBits { One, OneAndHalf, Two };
enum class FlowControl { None, RtsCts, XonXoff };

// The number a rate stands for; User takes `userRate`.
qint32 baudRateValue(BaudRate rate, qint32 userRate);

// Settings of a port component, with their defaults.
struct SerialLineSettings
{
    BaudRate baudRate = BaudRate::Baud9600;
    qint32 userBaudRate = 9600;
    quint8 port = 1; // COM number; 0 = none
    Parity parity = Parity::None;
    StopBits stopBits = StopBits::One;
    FlowControl flowControl = FlowControl::None;
    quint8 dataBits = 8; // 5 to 8
    LineEvents events = kAllLineEvents;
    bool dtrEnabled = true;
    qint32 writeBufferSize = 2048;
    qint32 readBufferSize = 2048;
};

// Why a port could not be opened, as far as the system tells.
enum class PortOpenFailure {
    Other,            // only the system's text says why
    Missing,          // no such device: an adapter not plugged in, or plugged in under another name
    NoPermission,     // the user may not open it (not in the group that owns serial ports)
    Busy,             // another program holds it
    NotSerial,        // the device is no serial port
    SettingsRejected, // it opened but rejected the settings
};

// The failure an errno of opening a device stands for.
PortOpenFailure portOpenFailureOf(int error);

// Why a port is not open: the reason and the system's own text.
struct PortFailure
{
    PortOpenFailure reason = PortOpenFailure::Other;
    QString systemText;
};

// A port that could not be opened or set up: the reason and the system's text for it.
class PortError : public std::runtime_error
{
public:
    PortError(const QString& message, PortOpenFailure reason, const QString& systemText);
    QString message() const { return QString::fromLocal8Bit(what()); }
    PortOpenFailure reason() const { return m_reason; }
    const QString& systemText() const { return m_systemText; }

private:
    PortOpenFailure m_reason;
    QString m_systemText;
};

// The port cannot be opened: "Unable to open com port: " and the system's text.
class PortOpenError : public PortError
{
public:
    PortOpenError(PortOpenFailure reason, const QString& systemText);
    // From the errno the system gave.
    explicit PortOpenError(int error);
};

// The port rejected the settings: "Unable to set com state: " and the system's text.
class PortSettingsError : public PortError
{
public:
    explicit PortSettingsError(const QString& systemText);
};

} // namespace brv
