// Free of windows.h, so it builds and is tested natively.
// The settings, held as the decimal texts that the INI file holds;
// their users parse them with atol where they need numbers, every time.
#pragma once
#include <cstdint>

constexpr int SettingTextSize = 256;  // 255 characters and the terminator
constexpr int SettingsPathSize = 1024;
constexpr int ThresholdCount = 6;

struct SaverSettingsRecord {
    char SettingsPath[SettingsPathSize];
    char Freq[SettingTextSize];                         // tick period, milliseconds
    char Thresholds[ThresholdCount][SettingTextSize];   // THRES0..THRES5, ascending
    char Input[SettingTextSize];  // INPUT: "" the default input, "none", or an input's name
    char Auto[SettingTextSize];   // AUTO: "1", the gain follows the room
};

extern SaverSettingsRecord SaverSettings;

// What a setting holds when nobody has set it.
extern const char DefaultFreqText[];
extern const char* const DefaultThresholdTexts[ThresholdCount];
extern const char DefaultInputText[];

// AUTO: on only as "1"; absent, empty or anything else is off.
bool RoomGainSwitchedOn(const SaverSettingsRecord& settings);

// atol's reading of a setting text (leading blanks, a sign, then digits; 0
// without digits), but a value beyond 32 bits stops at the nearest end
// instead of being undefined or wrapping.
int32_t SettingNumber(const char* text);
