#include "timing/ContactPortKeeper.h"

#include "timing/ContactInputs.h"
#include "timing/SerialLineMonitor.h"

namespace brv {

ContactPortKeeper::ContactPortKeeper(SerialLineMonitor& port, QObject* parent) : QObject(parent), m_port(port)
{
    m_retry.setInterval(kRetryInterval);
    connect(&m_retry, &QTimer::timeout, this, &ContactPortKeeper::retry);
    connect(&m_port, &SerialLineMonitor::closed, this, [this] {
        if (m_releasing || m_port.port() == 0)
            return;
        m_retry.start();
        Q_EMIT lost(m_port.port());
    });
}

bool ContactPortKeeper::keep(int comPort)
{
    release();
    m_port.setPort(comPort);
    if (comPort == 0 || open())
        return true;
    m_retry.start();
    return false;
}

void ContactPortKeeper::release()
{
    m_retry.stop();
    m_failure.reset();
    m_releasing = true;
    m_port.close();
    m_releasing = false;
    m_port.setPort(0);
}

void ContactPortKeeper::retry()
{
    if (m_port.isConnected() || m_port.port() == 0) {
        m_retry.stop();
        return;
    }
    if (!open())
        return;
    m_retry.stop();
    Q_EMIT reconnected(m_port.port());
}

bool ContactPortKeeper::open()
{
    PortFailure failure;
    const bool opened = openQuietly(m_port, &failure);
    m_failure = opened ? std::nullopt : std::optional(failure);
    return opened;
}

} // namespace brv
