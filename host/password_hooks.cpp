#include "host/password_hooks.h"

#include "host/host_state.h"

namespace {
using PwdChangePasswordFn = DWORD(WINAPI*)(LPCSTR provider, HWND parent, DWORD reserved1, DWORD reserved2);
}  // namespace

void SetSaverRunning(BOOL running) {
    if (!HostState.IsWin9x) return;
    BOOL previous = FALSE;
    SystemParametersInfoA(SPI_SCREENSAVERRUNNING, running, &previous, 0);
}

void ChangeSaverPassword(HWND parent) {
    HMODULE mpr = LoadLibraryA("MPR.DLL");
    if (!mpr) return;
    auto change = reinterpret_cast<PwdChangePasswordFn>(
        reinterpret_cast<void*>(GetProcAddress(mpr, "PwdChangePasswordA")));
    if (change) change("SCRSAVE", parent, 0, 0);
    FreeLibrary(mpr);
}
