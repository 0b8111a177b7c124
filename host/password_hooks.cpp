#include "host/password_hooks.h"

#include "host/closing_decisions.h"
#include "host/host_state.h"

PasswordProviderRecord PasswordProvider = {nullptr, nullptr};

namespace {

using PwdChangePasswordFn = DWORD(WINAPI*)(LPCSTR provider, HWND parent, DWORD reserved1, DWORD reserved2);

bool PasswordSwitchedOn(HKEY desktop) {
    DWORD value = 0;  // a shorter stored value leaves the rest cleared
    DWORD size = sizeof value;
    return RegQueryValueExA(desktop, "ScreenSaveUsePassword", nullptr, nullptr, reinterpret_cast<BYTE*>(&value),
                            &size) == ERROR_SUCCESS &&
           value != 0;
}

void BindProvider() {
    PasswordProvider.ProviderModule = LoadLibraryA("PASSWORD.CPL");
    if (!PasswordProvider.ProviderModule) return;
    PasswordProvider.VerifyEntry = reinterpret_cast<VerifyScreenSavePwdFn>(
        reinterpret_cast<void*>(GetProcAddress(PasswordProvider.ProviderModule, "VerifyScreenSavePwd")));
    if (PasswordProvider.VerifyEntry)
        SetSaverRunning(TRUE);
    else
        UnloadPasswordProvider();
}

// Ticks queued before the prompt would paint over it when it returns.
void DropQueuedTicks(HWND window) {
    MSG dropped;
    PeekMessageA(&dropped, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
    PeekMessageA(&dropped, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
}

}  // namespace

void LoadPasswordProvider() {
    if (!HostState.IsWin9x) return;
    if (PasswordProvider.ProviderModule) UnloadPasswordProvider();
    HKEY desktop;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_QUERY_VALUE, &desktop) != ERROR_SUCCESS)
        return;
    if (PasswordSwitchedOn(desktop)) BindProvider();
    RegCloseKey(desktop);
}

void UnloadPasswordProvider() {
    if (!HostState.IsWin9x || !PasswordProvider.ProviderModule) return;
    FreeLibrary(PasswordProvider.ProviderModule);
    PasswordProvider.ProviderModule = nullptr;
    if (PasswordProvider.VerifyEntry) {
        PasswordProvider.VerifyEntry = nullptr;
        SetSaverRunning(FALSE);
    }
}

void SetSaverRunning(BOOL running) {
    if (!HostState.IsWin9x) return;
    BOOL previous = FALSE;
    SystemParametersInfoA(SPI_SCREENSAVERRUNNING, running, &previous, 0);
}

LONG VerifySaverPassword(HWND window) {
    if (HostState.IsVerifying || HostState.IsClosing) return 0;
    if (!PasswordProvider.VerifyEntry) {
        HostState.IsClosing = 1;
        return 1;
    }
    if (PromptThrottled(HostState.LastVerifyTick, GetTickCount())) return 0;

    HostState.IsVerifying = 1;
    DropQueuedTicks(window);
    const LRESULT granted = SendMessageA(window, VerifyPasswordMessage, 0, 0);
    HostState.IsClosing = static_cast<LONG>(granted);
    HostState.IsVerifying = 0;
    if (!granted) SetCursor(nullptr);
    HostState.LastVerifyTick = GetTickCount();
    return HostState.IsClosing;
}

void ChangeSaverPassword(HWND parent) {
    HMODULE mpr = LoadLibraryA("MPR.DLL");
    if (!mpr) return;
    auto change = reinterpret_cast<PwdChangePasswordFn>(
        reinterpret_cast<void*>(GetProcAddress(mpr, "PwdChangePasswordA")));
    if (change) change("SCRSAVE", parent, 0, 0);
    FreeLibrary(mpr);
}
