// The millisecond tick counter that times a level load.
#pragma once

#include <cstdint>

namespace Clock {

// Milliseconds from a fixed point in the past, from a monotonic clock: it never goes back and
// does not wrap, so end minus start is never negative.
std::int64_t tickCount();

} // namespace Clock
