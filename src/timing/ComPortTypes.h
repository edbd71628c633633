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
enum class TEvent : quint32 {
    evRxChar = 0x0001,
    evTxEmpty = 0x0004,
    evRxFlag = 0x0002,
    evRing = 0x0100,
    evBreak = 0x0040,
    evCTS = 0x0008,
    evDSR = 0x0010,
    evError = 0x0080,
    evRLSD = 0x0020,
};
Q_DECLARE_FLAGS(TEvents, TEvent)
Q_DECLARE_OPERATORS_FOR_FLAGS(TEvents)

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

inline constexpr TEvents kAllEvents = TEvents::fromInt(EventBit::All);

// The line events that a change of modem status bits stands for.
quint32 lineEventsOf(quint32 changedStatusBits);
// The modem status bits a set of line events watches.
quint32 linesWatchedBy(quint32 eventBits);

enum class TBaudRate {
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200,
    br128000,
    br256000,
    brUser,
};
enum class TParity { prNone, prOdd, prEven, prMark, prSpace };
enum class TStopBits { sbOneStopBit, sbOne5StopBits, sbTwoStopBits };
enum class TFlowControl { fcNone, fcRtsCts, fcXonXoff };

// The number a rate stands for; brUser takes `userRate`.
qint32 baudRateValue(TBaudRate rate, qint32 userRate);

// Settings of a port component, with their defaults.
struct ComPortSettings
{
    TBaudRate baudRate = TBaudRate::br9600;
    qint32 baudRateUser = 9600;
    quint8 port = 1; // COM number; 0 = none
    TParity parity = TParity::prNone;
    TStopBits stopBits = TStopBits::sbOneStopBit;
    TFlowControl flowControl = TFlowControl::fcNone;
    quint8 dataBits = 8; // 5 to 8
    TEvents events = kAllEvents;
    bool enableDTR = true;
    qint32 writeBufSize = 2048;
    qint32 readBufSize = 2048;
};

// The port cannot be opened: "Unable to open com port: " and the system's text.
class EComHandle : public std::runtime_error
{
public:
    explicit EComHandle(const QString& systemText);
    QString message() const { return QString::fromLocal8Bit(what()); }
};

// The port rejected the settings: "Unable to set com state: " and the system's text.
class EComState : public std::runtime_error
{
public:
    explicit EComState(const QString& systemText);
    QString message() const { return QString::fromLocal8Bit(what()); }
};

} // namespace brv
