#include "mosaic/tick_period.h"

#include <cstdlib>

uint32_t TickPeriodOf(const char* freqText) {
    const long period = std::atol(freqText);
    return period > 0 ? static_cast<uint32_t>(period) : DefaultTickPeriod;
}
