#include "settings/slider_values.h"

namespace {

int Clamp(int32_t value, int minimum, int maximum) {
    if (value < minimum) return minimum;
    if (value > maximum) return maximum;
    return static_cast<int>(value);
}

}  // namespace

int FreqStartPosition(const char* freqText) {
    return Clamp(SettingNumber(freqText), FreqMinimum, FreqMaximum);
}

int ThresholdStartPosition(const char* thresholdText) {
    return Clamp(SettingNumber(thresholdText), ThresholdMinimum, ThresholdMaximum);
}
