#include "timing/TickSource.h"

#include <chrono>

namespace brv {

quint32 SteadyTickSource::now() const
{
    using namespace std::chrono;
    return static_cast<quint32>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

const TickSource& steadyTickSource()
{
    static const SteadyTickSource source;
    return source;
}

} // namespace brv
