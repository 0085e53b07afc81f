// The one clock of the layer: milliseconds since an arbitrary start, never
// going back.
#pragma once

#include <ctime>

namespace zorbel::standin {

inline unsigned long long MonotonicMilliseconds()
{
    timespec now{};
    (void)clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<unsigned long long>(now.tv_sec) * 1000ull +
           static_cast<unsigned long long>(now.tv_nsec) / 1000000ull;
}

// The same clock in microseconds, for pacing frames.
inline long long MicrosecondsNow()
{
    timespec now{};
    (void)clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000ll + now.tv_nsec / 1000;
}

} // namespace zorbel::standin
