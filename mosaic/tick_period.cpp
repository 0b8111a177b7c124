#include "mosaic/tick_period.h"

#include "settings/saver_settings.h"

uint32_t TickPeriodOf(const char* freqText) {
    const int32_t period = SettingNumber(freqText);
    return period > 0 ? static_cast<uint32_t>(period) : DefaultTickPeriod;
}
