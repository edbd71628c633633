#pragma once

#include <QtGlobal>

#include <atomic>

namespace brv {

// The millisecond tick every race time is taken from. Readable from any thread: the serial
// port threads stamp line changes with it.
class TickSource
{
public:
    virtual ~TickSource() = default;
    virtual quint32 now() const = 0;
};

// std::chrono::steady_clock in milliseconds, cut to 32 bits. It has the resolution of the
// system's monotonic clock, unlike a coarse scheduler tick that would spoil hundredths.
class SteadyTickSource final : public TickSource
{
public:
    quint32 now() const override;
};

// The program's tick, shared by the clock and the port threads.
const TickSource& steadyTickSource();

// A tick that only moves when told to; for tests and simulations.
class ManualTickSource final : public TickSource
{
public:
    explicit ManualTickSource(quint32 start = 1000) : m_now(start) {}
    quint32 now() const override { return m_now.load(); }
    void set(quint32 tick) { m_now.store(tick); }
    void advance(quint32 milliseconds) { m_now.fetch_add(milliseconds); }

private:
    std::atomic<quint32> m_now;
};

} // namespace brv
