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

ContactInputs contactInputsOf(const Settings& settings)
{
    ContactInputs inputs;
    for (int n = 1; n <= kContactInputCount; ++n)
        inputs[n] = {settings.inputPort[n], settings.inputLine[n], settings.inputEdge[n]};
    return inputs;
}

void takeContactInputs(Settings& settings, const ContactInputs& inputs)
{
    for (int n = 1; n <= kContactInputCount; ++n) {
        settings.inputPort[n] = inputs[n].port;
        settings.inputLine[n] = inputs[n].line;
        settings.inputEdge[n] = inputs[n].event;
    }
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
    SerialLineSettings settings = port.settings();
    settings.baudRate = BaudRate::Baud9600;
    settings.dataBits = 5;
    settings.parity = Parity::None;
    settings.stopBits = StopBits::One;
    settings.flowControl = FlowControl::RtsCts;
    settings.dtrEnabled = true;
    settings.readBufferSize = 64;
    settings.writeBufferSize = 64;
    settings.events = LineEvents{LineEvent::Ring, LineEvent::Cts, LineEvent::Dsr, LineEvent::Rlsd};
    port.setSettings(settings);
}

bool openQuietly(SerialLineMonitor& port, PortFailure* failure)
{
    try {
        port.open();
        return true;
    } catch (const PortError& e) {
        if (failure)
            *failure = {e.reason(), e.systemText()};
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

QString portChoiceText(int port, int line)
{
    return QStringLiteral("COM") + QString::number(port) + modemLineLabel(line);
}

ContactInputSetting parsePortChoice(const QString& entry)
{
    ContactInputSetting setting;
    if (entry.size() < 4 || !entry.startsWith(QLatin1String("COM")) || !entry.at(3).isDigit())
        return setting;
    QString digits(entry.at(3));
    if (entry.size() > 4 && entry.at(4).isDigit())
        digits.append(entry.at(4));
    setting.port = digits.toInt();
    for (int line = 1; line < kModemLineCount; ++line) {
        if (entry.contains(modemLineLabel(line)))
            setting.line = line;
    }
    return setting;
}

ContactInputs inputsFromChoices(const std::array<QString, kContactInputCount>& entries, int startEvent,
                                int finishEvent, const ContactInputs& before)
{
    ContactInputs inputs = before;
    for (int n = 1; n <= kContactInputCount; ++n) {
        const ContactInputSetting chosen = parsePortChoice(entries[std::size_t(n - 1)]);
        ContactInputSetting& input = inputs[n];
        input.port = chosen.port;
        if (chosen.port == 0)
            continue;
        input.line = chosen.line;
        const bool startInput = n == 1 || n == 5 || n == 6;
        input.event = startInput ? startEvent : finishEvent;
    }
    return inputs;
}

} // namespace brv
