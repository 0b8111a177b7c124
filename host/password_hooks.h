// Windows 9x password protection, provided by the platform's own libraries.
#pragma once
#include <windows.h>

void SetSaverRunning(BOOL running);
void ChangeSaverPassword(HWND parent);
