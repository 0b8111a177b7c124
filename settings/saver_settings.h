// The seven settings, held as the decimal texts that the INI file holds;
// their users parse them with atol where they need numbers, every time.
#pragma once

constexpr int SettingTextSize = 256;  // 255 characters and the terminator
constexpr int SettingsPathSize = 1024;
constexpr int ThresholdCount = 6;

struct SaverSettingsRecord {
    char SettingsPath[SettingsPathSize];
    char Freq[SettingTextSize];                         // tick period, milliseconds
    char Thresholds[ThresholdCount][SettingTextSize];   // THRES0..THRES5, ascending
};

extern SaverSettingsRecord SaverSettings;
