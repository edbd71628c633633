#include "timing/ThreadWaker.h"

#include <csignal>

namespace brv {

namespace {

void onWakeSignal(int) {}

} // namespace

int ThreadWaker::signalNumber()
{
    return SIGRTMIN + 5;
}

ThreadWaker::ThreadWaker()
{
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action
        {};
        action.sa_handler = onWakeSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0; // no SA_RESTART: the blocked call returns EINTR
        ::sigaction(signalNumber(), &action, nullptr);
    });
}

void ThreadWaker::enter()
{
    std::lock_guard lock(m_mutex);
    m_thread = ::pthread_self();
    m_inside = true;
}

void ThreadWaker::leave()
{
    std::lock_guard lock(m_mutex);
    m_inside = false;
}

void ThreadWaker::wake()
{
    m_woken = true;
    std::lock_guard lock(m_mutex);
    // Only while the thread is inside: a thread that has left may already be gone.
    if (m_inside)
        ::pthread_kill(m_thread, signalNumber());
}

} // namespace brv
