// Free of windows.h, so it builds and is tested natively.
// The numbers behind the dialog's sliders and the texts they are saved as.
#pragma once
#include <cstdint>

#include "settings/saver_settings.h"

constexpr int FreqMinimum = 55;
constexpr int FreqMaximum = 3000;
constexpr int ThresholdMinimum = 0;
constexpr int ThresholdMaximum = 127;

// Where a slider starts for a setting text: inside its range, at the nearest
// end when the text says otherwise.
int FreqStartPosition(const char* freqText);
int ThresholdStartPosition(const char* thresholdText);
