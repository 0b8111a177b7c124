#pragma once
#include <windows.h>

// The host's default handling, last in the saver window's chain: turns input
// and power events into close requests, judges WM_CLOSE, hides the cursor.
LRESULT CALLBACK DefaultSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
