// Free of windows.h, so it builds and is tested natively.
// The timer period of the mosaic.
#pragma once
#include <cstdint>

constexpr uint32_t DefaultTickPeriod = 300;

// The timer period for a FREQ text. A hand-edited text that parses to 0 or
// less would stop the mosaic (a negative one wraps to weeks): the default
// period takes its place.
uint32_t TickPeriodOf(const char* freqText);
