#pragma once

#include "timing/SerialLineTypes.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <optional>

namespace brv {

class SerialLineMonitor;

// Keeps one contact port component open while the program runs. A port that cannot be opened,
// or that closes by itself because its adapter went away, is tried again every retry interval
// with the same settings until it opens; the component's opened() then tells the decoder.
class ContactPortKeeper final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ContactPortKeeper)

public:
    static constexpr std::chrono::milliseconds kRetryInterval{1000};

    explicit ContactPortKeeper(SerialLineMonitor& port, QObject* parent = nullptr);

    void setRetryInterval(std::chrono::milliseconds interval) { m_retry.setInterval(interval); }
    // Gives the component `comPort` (0: none) and opens it. False when it cannot be opened now:
    // it is then tried again until it opens.
    bool keep(int comPort);
    // Stops trying, closes the component and sets its port to 0; this closing is no loss.
    void release();
    bool isRetrying() const { return m_retry.isActive(); }
    // Why the kept port did not open at its last try; empty while it is open or none is kept.
    const std::optional<PortFailure>& failure() const { return m_failure; }

Q_SIGNALS:
    // The component closed by itself; it is tried again from now on.
    void lost(int comPort);
    // A retry opened the component.
    void reconnected(int comPort);

private:
    void retry();
    bool open();

    SerialLineMonitor& m_port;
    QTimer m_retry;
    bool m_releasing = false;
    std::optional<PortFailure> m_failure;
};

} // namespace brv
