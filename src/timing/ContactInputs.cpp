#include "timing/ContactInputs.h"

#include "timing/SerialDevices.h"
#include "timing/SerialLineMonitor.h"

namespace brv {

quint32 modemLineBit(int line)
{
    switch (line) {
    case 1:
        return ModemBit::DSR;
    case 2:
        return ModemBit::CTS;
    case 3:
        return ModemBit::RLSD;
    case 4:
        return ModemBit::RING;
    default:
        return 0;
    }
}

ContactInputSetting ContactInputSetting::fromStored(qint32 value, int event)
{
    ContactInputSetting s;
    s.port = int(quint32(value) & 0xFFu);
    s.line = int((quint32(value) >> 8) & 0xFFu);
    s.event = event;
    return s;
}

PortAssignment portsWhenApplied(const ContactInputs& inputs)
{
    PortAssignment ports;
    for (int n = 1; n <= 4; ++n) {
        const int port = inputs[n].port;
        if (port == 0)
            continue;
        bool earlierSet = false;
        bool differs = true;
        for (int earlier = 1; earlier < n; ++earlier) {
            earlierSet = earlierSet || inputs[earlier].port != 0;
            differs = differs && inputs[earlier].port != port;
        }
        if (n == 1 || !earlierSet)
            ports.comPort1 = port;
        else if (differs)
            ports.comPort2 = port;
    }
    return ports;
}

QString contactInputName(int input)
{
    switch (ContactInput(input)) {
    case ContactInput::Start:
        return QStringLiteral("Start");
    case ContactInput::Ziel1:
        return QStringLiteral("Ziel1");
    case ContactInput::Ziel2:
        return QStringLiteral("Ziel2");
    case ContactInput::Ziel3:
        return QStringLiteral("Ziel3");
    case ContactInput::Start2:
        return QStringLiteral("Start 2");
    case ContactInput::Start3:
        return QStringLiteral("Start 3");
    }
    return QString();
}

QStringList unwatchedInputs(const ContactInputs& inputs, const PortAssignment& ports)
{
    QStringList names;
    for (int n = 1; n <= kContactInputCount; ++n) {
        const int port = inputs[n].port;
        if (port != 0 && port != ports.comPort1 && port != ports.comPort2)
            names.append(QStringLiteral("%1 (COM%2)").arg(contactInputName(n)).arg(port));
    }
    return names;
}

void configureContactPort(SerialLineMonitor& port)
{
    port.setBaudRate(BaudRate::Baud9600);
    port.setDataBits(5);
    port.setParity(Parity::None);
    port.setStopBits(StopBits::One);
    port.setFlowControl(FlowControl::RtsCts);
    port.setDtrEnabled(true);
    port.setReadBufferSize(64);
    port.setWriteBufferSize(64);
    port.setEvents(LineEvents{LineEvent::Ring, LineEvent::Cts, LineEvent::Dsr, LineEvent::Rlsd});
}

bool openQuietly(SerialLineMonitor& port)
{
    try {
        port.open();
        return true;
    } catch (const PortOpenError&) {
    } catch (const PortSettingsError&) {
    }
    return false;
}

QStringList portChoiceList(quint64 availablePorts)
{
    QStringList list{QStringLiteral("Kein")};
    for (int port : portNumbers(availablePorts)) {
        for (int line = 1; line < kModemLineCount; ++line)
            list.append(QStringLiteral("COM") + QString::number(port) + modemLineLabel(line));
    }
    return list;
}

} // namespace brv
