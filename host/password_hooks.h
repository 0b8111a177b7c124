// Windows 9x password protection, provided by the platform's own libraries:
// "PASSWORD.CPL" verifies, "MPR.DLL" changes the password.
#pragma once
#include <windows.h>

using VerifyScreenSavePwdFn = BOOL(WINAPI*)(HWND saverWindow);

struct PasswordProviderRecord {
    HMODULE ProviderModule;
    VerifyScreenSavePwdFn VerifyEntry;  // set only while ProviderModule is
};

extern PasswordProviderRecord PasswordProvider;

// Sent to the saver window to run the prompt inside its own message handling.
constexpr UINT VerifyPasswordMessage = WM_APP;

void LoadPasswordProvider();
void UnloadPasswordProvider();
void SetSaverRunning(BOOL running);

// Nonzero when the saver may close; at most one prompt per 200 ms.
LONG VerifySaverPassword(HWND window);

void ChangeSaverPassword(HWND parent);
