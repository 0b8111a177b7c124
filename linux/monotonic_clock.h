// Milliseconds of CLOCK_MONOTONIC, shared by the ticks and the listener's
// time stamps, so that one may be compared with the other.
#pragma once
#include <time.h>

#include <cstdint>

inline int64_t MonotonicMilliseconds() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}
