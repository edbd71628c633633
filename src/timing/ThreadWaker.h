#pragma once

#include <QtGlobal>

#include <atomic>
#include <mutex>

#include <pthread.h>

namespace brv {

// Wakes a thread that blocks in a system call (TIOCMIWAIT, nanosleep). Closing the descriptor
// does not end such a call; a signal does, when its handler was installed without SA_RESTART.
// The blocking thread brackets each call with enter() and leave() and checks woken() before
// it blocks; wake() may be called from any thread and any number of times. A wake that comes
// between the check and the call is lost, so whoever waits for the thread repeats wake() until
// the thread has left.
class ThreadWaker final
{
    Q_DISABLE_COPY_MOVE(ThreadWaker)

public:
    ThreadWaker();

    void enter();
    void leave();
    bool woken() const { return m_woken; }
    void wake();
    // Ready for the next use (a port opened again).
    void reset() { m_woken = false; }

    static int signalNumber();

private:
    std::atomic<bool> m_woken{false};
    std::mutex m_mutex;
    bool m_inside = false;
    pthread_t m_thread{};
};

} // namespace brv
