// The configuration dialog (template 2003): the tick period and the six
// loudness thresholds on trackbars, saved to the settings file on OK.
#pragma once
#include <windows.h>

constexpr int ConfigDialogId = 2003;
constexpr int VersionText = 1001;
constexpr int ThresholdSliders[6] = {1003, 1004, 1005, 1006, 1007, 1008};
constexpr int FreqSlider = 1009;
constexpr int FreqValueText = 1010;
constexpr int VersionStringId = 2;
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
