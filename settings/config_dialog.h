// The configuration dialog: the tick period and the six loudness thresholds
// on trackbars, saved to the settings file on OK.
#pragma once
#include <windows.h>

#include "resources/resource_ids.h"

constexpr int ConfigDialogId = IDD_CONFIG;
constexpr int VersionText = IDC_VERSION_TEXT;
constexpr int ThresholdSliders[6] = {IDC_THRESHOLD_0, IDC_THRESHOLD_1, IDC_THRESHOLD_2,
                                     IDC_THRESHOLD_3, IDC_THRESHOLD_4, IDC_THRESHOLD_5};
constexpr int FreqSlider = IDC_FREQ_SLIDER;
constexpr int FreqValueText = IDC_FREQ_TEXT;
constexpr int VersionStringId = IDS_VERSION;
constexpr int FormatTextSize = 256;  // 255 characters and the terminator

// The platform's wsprintf conventions (no floating point) into a target of
// FormatTextSize bytes, cut there and always ended.
void FormatText(char* target, const char* format, ...) __attribute__((format(printf, 2, 3)));

INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

void SetSliderRange(HWND dialog, int id, int minimum, int maximum);
void SetSliderPos(HWND dialog, int id, int position);
int GetSliderPos(HWND dialog, int id);
void ShowSliderValue(HWND dialog, int sliderId, int textId);
void OrderThresholdSliders(HWND dialog, int moved, int first, int last, int direction);
