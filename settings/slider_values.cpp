#include "settings/slider_values.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace {

int Clamp(int32_t value, int minimum, int maximum) {
    if (value < minimum) return minimum;
    if (value > maximum) return maximum;
    return static_cast<int>(value);
}

}  // namespace

int32_t SettingNumber(const char* text) {
    // strtoll saturates where atol would overflow; long long is 64 bits on
    // both builds, so native and Windows read every text alike.
    long long value = std::strtoll(text, nullptr, 10);
    if (value < INT32_MIN) return INT32_MIN;
    if (value > INT32_MAX) return INT32_MAX;
    return static_cast<int32_t>(value);
}

int FreqStartPosition(const char* freqText) {
    return Clamp(SettingNumber(freqText), FreqMinimum, FreqMaximum);
}

int ThresholdStartPosition(const char* thresholdText) {
    return Clamp(SettingNumber(thresholdText), ThresholdMinimum, ThresholdMaximum);
}

void FormatText(char* target, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(target, FormatTextSize, format, arguments);
    va_end(arguments);
}
