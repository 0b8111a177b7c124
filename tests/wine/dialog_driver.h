// Runs the configuration dialog modally on the test's thread while a second
// thread works it the way a user or another program would: messages to its
// controls, keys and mouse, and reading back what it shows.
#pragma once
#include <windows.h>

#include <array>
#include <functional>
#include <string>

using Thresholds = std::array<int, 6>;

struct DrivenDialog {
    INT_PTR Result = 0;
    bool Found = false;       // the dialog appeared and first painted
    bool EndedByDriver = false;  // the script left it open; the driver cancelled it
};

// Runs RunConfigDialog(nullptr); once the dialog is up, calls script on the
// driving thread. The script is expected to end the dialog itself.
DrivenDialog DriveConfigDialog(const std::function<void(HWND dialog)>& script);

// Polls until done() holds, for at most timeoutMs.
bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs = 5000);

int SliderPos(HWND dialog, int id);
Thresholds ThresholdPositions(HWND dialog);
std::string ItemText(HWND dialog, int id);

// TBM_SETPOS with redraw, as a program would move a slider.
void MoveSlider(HWND dialog, int id, int position);
// A key pressed and released while the control has the keyboard.
void PressKey(HWND control, UINT virtualKey);
// The thumb taken with the left button and let go at the channel's end.
void DragThumbToEnd(HWND dialog, int id, bool toRight);
// A click on a push button.
void ClickButton(HWND dialog, int id);

// Waits until the thresholds read `expected`; gives what they last read.
Thresholds WaitForThresholds(HWND dialog, const Thresholds& expected);
