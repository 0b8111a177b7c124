// A window of this process standing in for the Display settings: its client
// area is the 152 x 112 preview pane that the saver's child fills.
#pragma once
#include <windows.h>

constexpr int PaneWidth = 152;
constexpr int PaneHeight = 112;

// A grey window of class className whose client area is the pane, its
// top-left corner at (x, y) on the screen; null when it cannot be made.
HWND CreatePaneWindow(const char* className, WNDPROC procedure, DWORD style, const char* title, int x, int y);
