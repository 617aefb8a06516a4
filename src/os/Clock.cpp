// The tick counter over the system's monotonic clock.
#include "Clock.h"

#include <chrono>

namespace Clock {

std::int64_t tickCount()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace Clock
