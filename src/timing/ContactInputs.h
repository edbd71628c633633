#pragma once

#include "settings/Settings.h"
#include "timing/SerialLineTypes.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <array>

namespace brv {

class SerialLineMonitor;

// The six contact inputs, numbered as everywhere in the program.
enum class ContactInput { Start = 1, Ziel1 = 2, Ziel2 = 3, Ziel3 = 4, Start2 = 5, Start3 = 6 };
// kContactInputCount, kModemLineCount and modemLineLabel() come with the settings.

// The modem status bit a line code watches; 0 for "none" and unknown codes (never matches).
quint32 modemLineBit(int line);

// Port, line and edge setting of one input.
struct ContactInputSetting
{
    int port = 0;  // COM number 1 to 64; 0 = "Kein"
    int line = 0;  // ModemLine code
    int event = 0; // edge setting; only 0 ("Ein") fires

    // The stored port setting: bits 0-7 the port, bits 8-15 the line.
    static ContactInputSetting fromStored(qint32 value, int event = 0);
    qint32 stored() const { return line * 256 + port; }
    friend bool operator==(const ContactInputSetting&, const ContactInputSetting&) = default;
};

// inputPort, inputLine and inputEdge of inputs 1 to 6.
struct ContactInputs
{
    std::array<ContactInputSetting, kContactInputCount> inputs{};

    ContactInputSetting& operator[](int input) { return inputs[std::size_t(input - 1)]; }
    const ContactInputSetting& operator[](int input) const { return inputs[std::size_t(input - 1)]; }
    ContactInputSetting& operator[](ContactInput input) { return (*this)[int(input)]; }
    const ContactInputSetting& operator[](ContactInput input) const { return (*this)[int(input)]; }
};

// The inputs of the settings record, and back.
ContactInputs contactInputsOf(const Settings& settings);
void takeContactInputs(Settings& settings, const ContactInputs& inputs);

// The ports the two contact port components take (0 = none).
struct PortAssignment
{
    int comPort1 = 0;
    int comPort2 = 0;
    friend bool operator==(const PortAssignment&, const PortAssignment&) = default;
};

// Which component takes which port, at start-up as when settings are applied: inputs 1 to 4 in
// order, "Kein" skipped; the first component the first port that is set; the second each later
// port that differs from all earlier ones (the last such one wins). Inputs 5 and 6 claim no port.
PortAssignment portsWhenApplied(const ContactInputs& inputs);

// "Start", "Ziel1", "Ziel2", "Ziel3", "Start 2", "Start 3" for inputs 1 to 6.
QString contactInputName(int input);
// The inputs set to a port that neither component takes, in input order, each as
// "Ziel1 (COM2)": their contacts deliver nothing.
QStringList unwatchedInputs(const ContactInputs& inputs, const PortAssignment& ports);

// Gives a component the settings of a contact port: 9600 baud, 5 data bits, no parity, one
// stop bit, RTS/CTS flow control, DTR held active, 64-byte buffers, and the ring, CTS, DSR and
// RLSD events. DTR and RTS then power the contacts; no data is ever sent or read.
void configureContactPort(SerialLineMonitor& port);

// Opens a component, dropping PortOpenError and PortSettingsError: the inputs on it stay dead.
// `failure`, when given, learns why an open failed.
bool openQuietly(SerialLineMonitor& port, PortFailure* failure = nullptr);

// The entries the settings dialog offers: "Kein", then "COM<n>" with each of the four line
// labels for every available port in ascending order.
QStringList portChoiceList(quint64 availablePorts);
// The entry of a port and line: "COM" + port + the line's label ("COM3 /4,6"). An input without a
// port gives "COM0-", which no list holds.
QString portChoiceText(int port, int line);
// Reads an entry back: the port from its fourth character and, when that is a digit, the fifth
// ("COM7 /4,6" gives 7, "COM12 /7,9" 12); the line from the label it contains. "Kein" and any
// text that names no port give port 0 and line 0.
ContactInputSetting parsePortChoice(const QString& entry);

// The inputs the settings dialog confirms: each input takes port and line of its entry and the
// event of its list (inputs 1, 5 and 6 the start list's, 2 to 4 the finish list's). An input left
// on "Kein" gets port 0 and keeps the line and event it had in `before`.
ContactInputs inputsFromChoices(const std::array<QString, kContactInputCount>& entries, int startEvent,
                                int finishEvent, const ContactInputs& before);

} // namespace brv
