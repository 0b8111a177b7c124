// Runs the configuration dialog modally on the test's thread while a second
// thread works it the way a user or another program would: messages to its
// controls, keys and mouse, and reading back what it shows.
#pragma once
#include <windows.h>

#include <array>
#include <functional>

#include "tests/shared/wait_until.h"
#include "tests/shared/window_text.h"

using Thresholds = std::array<int, 6>;

struct DrivenDialog {
    INT_PTR Result = 0;
    bool Found = false;       // the dialog appeared and first painted
    bool EndedByDriver = false;  // the script left it open; the driver cancelled it
};

// Runs RunConfigDialog(nullptr); once the dialog is up, calls script on the
// driving thread. The script is expected to end the dialog itself.
DrivenDialog DriveConfigDialog(const std::function<void(HWND dialog)>& script);

// How long the driver waits for the dialog to follow a move.
constexpr DWORD DialogReactionMs = 5000;

int SliderPos(HWND dialog, int id);
Thresholds ThresholdPositions(HWND dialog);

// TBM_SETPOS with redraw, as a program would move a slider.
void MoveSlider(HWND dialog, int id, int position);
// A key's press and release posted to the control, as if it had the keyboard.
void PostKeyPressTo(HWND control, UINT virtualKey);
// The thumb taken with the left button and let go at the channel's end.
void DragThumbToEnd(HWND dialog, int id, bool toRight);
// A click on a push button.
void ClickButton(HWND dialog, int id);

// Waits until the thresholds read `expected`; gives what they last read.
Thresholds WaitForThresholds(HWND dialog, const Thresholds& expected);
