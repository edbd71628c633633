#pragma once

#include "timing/ContactInputs.h"

#include <QObject>
#include <QSet>
#include <QStringList>

#include <array>
#include <optional>

namespace brv {

class RaceClock;
class SerialLineMonitor;

// Turns modem-line changes of the contact ports into commands of the race clock: finds which of
// the six inputs changed, writes the diagnostic line, and fires the input through the clock's
// commands with the finish lock-outs. Also keeps the start-barrier block ([F11]) and whether its
// symbol is shown. Runs on the main thread, called through the ports' hand-over.
class ContactDecoder final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ContactDecoder)

public:
    static constexpr quint32 kUnknownStatus = 0xFFFFFFFFu;
    static constexpr int kContactLogLimit = 10000; // lines kept in the contact log

    explicit ContactDecoder(RaceClock& clock, QObject* parent = nullptr);

    void setInputs(const ContactInputs& inputs) { m_inputs = inputs; }
    const ContactInputs& inputs() const { return m_inputs; }

    // Hooks a port component up: its ring, CTS, DSR and RLSD signals come to onLinesChanged(),
    // its opened() and closed() show and hide the start-barrier symbol.
    void attach(SerialLineMonitor& port);

    // The contact event of a port component. Uses the modem status and the tick the port thread
    // read when it saw the change; outside a hand-over, the current status and tick.
    void onLinesChanged(SerialLineMonitor& sender);
    // The decoding of one event of the component on `port`.
    void decode(int port, quint32 status, std::optional<quint32> edgeTick = std::nullopt);

    // PortSlot 0 belongs to the start port (input 1's), slot 1 to every other port.
    quint32 rememberedStatus(int slot) const { return m_slots[std::size_t(slot)]; }
    // The hidden diagnostic text box on the "Vorrunde" page. An opened port adds a line with its
    // thread's priority and its latency timer, and what to do when the priority is not real-time;
    // a driver that refuses low latency is named once per port.
    const QStringList& contactLog() const { return m_contactLog; }

    // The start-barrier block: false (blocked) at every program start.
    bool isStartLightBarrierArmed() const { return m_armed; }
    // A click on the start-barrier indicator, or [F11]: works whether or not a port is open.
    void toggleStartLightBarrier();
    bool startBarrierSymbolVisible() const { return m_symbolVisible; }
    void onPortOpened(SerialLineMonitor& sender);
    void onPortClosed(SerialLineMonitor& sender);

Q_SIGNALS:
    void contactLogAppended(const QString& line);
    void startLightBarrierChanged(bool armed);
    void startBarrierSymbolChanged(bool visible);
    // Input 1 to 6 fired (its edge setting is "Ein"), whether or not a command ran.
    void inputFired(int input);

private:
    void fire(int input, std::optional<quint32> edgeTick);
    void appendToContactLog(const QString& line);

    RaceClock& m_clock;
    ContactInputs m_inputs;
    std::array<quint32, 2> m_slots{kUnknownStatus, kUnknownStatus};
    QStringList m_contactLog;
    bool m_armed = false;
    bool m_symbolVisible = false;
    QSet<int> m_latencyRefusalTold; // ports whose refusal of low latency the log named
};

} // namespace brv
