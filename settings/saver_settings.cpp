#include "settings/saver_settings.h"

#include <cstdlib>
#include <cstring>

SaverSettingsRecord SaverSettings = {};

const char DefaultFreqText[] = "300";
const char* const DefaultThresholdTexts[ThresholdCount] = {"2", "4", "8", "16", "32", "64"};
const char DefaultInputText[] = "";

bool RoomGainSwitchedOn(const SaverSettingsRecord& settings) {
    return std::strcmp(settings.Auto, "1") == 0;
}

int32_t SettingNumber(const char* text) {
    // strtoll saturates where atol would overflow; long long is 64 bits on
    // both builds, so native and Windows read every text alike.
    const long long value = std::strtoll(text, nullptr, 10);
    if (value < INT32_MIN) return INT32_MIN;
    if (value > INT32_MAX) return INT32_MAX;
    return static_cast<int32_t>(value);
}
