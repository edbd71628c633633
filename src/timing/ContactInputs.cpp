#include "ContactInputs.h"

#include "ComPort.h"
#include "SerialDevices.h"

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

void configureContactPort(TComPort& port)
{
    port.setBaudRate(TBaudRate::br9600);
    port.setDataBits(5);
    port.setParity(TParity::prNone);
    port.setStopBits(TStopBits::sbOneStopBit);
    port.setFlowControl(TFlowControl::fcRtsCts);
    port.setEnableDTR(true);
    port.setReadBufSize(64);
    port.setWriteBufSize(64);
    port.setEvents(TEvents{TEvent::evRing, TEvent::evCTS, TEvent::evDSR, TEvent::evRLSD});
}

bool openQuietly(TComPort& port)
{
    try {
        port.Open();
        return true;
    } catch (const EComHandle&) {
    } catch (const EComState&) {
    }
    return false;
}

void openContactPorts(TComPort& comPort1, TComPort& comPort2, const PortAssignment& ports)
{
    comPort1.setPort(ports.comPort1);
    comPort2.setPort(ports.comPort2);
    if (comPort1.Port() != 0)
        openQuietly(comPort1);
    if (comPort2.Port() != 0)
        openQuietly(comPort2);
}

void closeContactPorts(TComPort& comPort1, TComPort& comPort2)
{
    comPort1.Close();
    comPort2.Close();
    comPort1.setPort(0);
    comPort2.setPort(0);
}

QStringList PortChoiceList(quint64 availablePorts)
{
    QStringList list{QStringLiteral("Kein")};
    for (int port : portNumbers(availablePorts)) {
        for (int line = 1; line < kModemLineCount; ++line)
            list.append(QStringLiteral("COM") + QString::number(port) + modemLineLabel(line));
    }
    return list;
}

} // namespace brv
