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

PortAssignment portsAtStartup(const ContactInputs& inputs)
{
    PortAssignment ports;
    ports.comPort1 = inputs[ContactInput::Start].port;
    if (inputs[ContactInput::Ziel1].port != inputs[ContactInput::Start].port)
        ports.comPort2 = inputs[ContactInput::Ziel1].port;
    return ports;
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

void openContactPorts(SerialLineMonitor& comPort1, SerialLineMonitor& comPort2, const PortAssignment& ports)
{
    comPort1.setPort(ports.comPort1);
    comPort2.setPort(ports.comPort2);
    if (comPort1.port() != 0)
        openQuietly(comPort1);
    if (comPort2.port() != 0)
        openQuietly(comPort2);
}

void closeContactPorts(SerialLineMonitor& comPort1, SerialLineMonitor& comPort2)
{
    comPort1.close();
    comPort2.close();
    comPort1.setPort(0);
    comPort2.setPort(0);
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
