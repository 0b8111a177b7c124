#include "host/host_main.h"

#include <commctrl.h>

#include "host/command_line.h"
#include "host/fault_guard.h"
#include "host/host_state.h"
#include "host/password_hooks.h"
#include "host/saver_window.h"
#include "settings/config_dialog.h"

namespace {

LONG DetectWin9x() {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;  // 148 bytes
    if (!GetVersionExA(&version)) return 0;
    return version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ? 1 : 0;
}

// A live window named on the command line, else whatever is in front.
HWND OwnerOrForeground(uint32_t handleValue) {
    HWND named = reinterpret_cast<HWND>(static_cast<UINT_PTR>(handleValue));
    if (handleValue != 0 && IsWindow(named)) return named;
    return GetForegroundWindow();
}

int RunPreview(uint32_t handleValue) {
    HWND parent = reinterpret_cast<HWND>(static_cast<UINT_PTR>(handleValue));
    if (handleValue == 0 || !IsWindow(parent)) return -1;
    return RunSaverWindow(parent);
}

int RunRequestedMode(void* commandTail) {
    ModeRequest request = ReadModeSwitch(static_cast<const char*>(commandTail), HostState.IsWin9x != 0);
    switch (request.Mode) {
    case SaverMode::ConfigNoOwner:
        return static_cast<int>(RunConfigDialog(nullptr));
    case SaverMode::ConfigDialog:
        return static_cast<int>(RunConfigDialog(OwnerOrForeground(request.Window)));
    case SaverMode::FullScreen:
        return RunSaverWindow(nullptr);
    case SaverMode::Preview:
        return RunPreview(request.Window);
    case SaverMode::ChangePassword:
        ChangeSaverPassword(OwnerOrForeground(request.Window));
        return 0;
    case SaverMode::Invalid:
        break;
    }
    return -1;
}

void LeaveSaverRunningState() {
    SetSaverRunning(FALSE);
}

}  // namespace

int WINAPI HostMain(HINSTANCE instance, HINSTANCE, LPSTR commandTail, int) {
    INITCOMMONCONTROLSEX request = {sizeof request, ICC_TAB_CLASSES};
    InitCommonControlsEx(&request);
    HostState.Instance = instance;
    HostState.IsWin9x = DetectWin9x();
    return RunUnderFaultGuard(RunRequestedMode, commandTail, LeaveSaverRunningState);
}

BOOL WINAPI RegisterDialogClassesHook(HINSTANCE) {
    return TRUE;  // the dialog needs no classes of the saver's own
}

INT_PTR RunConfigDialog(HWND owner) {
    if (!RegisterDialogClassesHook(HostState.Instance)) return 0;
    // The host's own request leaves the trackbar and the level's progress
    // bar out; the dialog needs them.
    INITCOMMONCONTROLSEX request = {sizeof request, ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&request);
    return DialogBoxParamA(HostState.Instance, MAKEINTRESOURCEA(ConfigDialogId), owner, ConfigDialogProc, 0);
}
