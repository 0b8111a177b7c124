#pragma once
#include <windows.h>

// Full screen when parent is null, else a preview inside parent. Returns the
// exit code of the mode.
int RunSaverWindow(HWND parent);
