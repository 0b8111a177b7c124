#include "host/saver_window.h"

#include "host/host_state.h"
#include "host/password_hooks.h"
#include "mosaic/tile_saver.h"
#include "resources/resource_ids.h"
#include "sound/sound_meter.h"

namespace {

using ImmAssociateContextFn = HANDLE(WINAPI*)(HWND window, HANDLE context);

// The input method, detached at creation and restored at destruction; used
// only when IMM32.DLL is already loaded in the process.
HMODULE ImeModule = nullptr;
ImmAssociateContextFn AssociateContextFn = nullptr;
HANDLE SavedImeContext = nullptr;

struct WindowShape {
    DWORD ExStyle;
    DWORD Style;
    const char* Title;
    int X, Y, Width, Height;
};

WindowShape PreviewShape(HWND parent) {
    RECT client = {};
    GetClientRect(parent, &client);
    return {0, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, PreviewTitle, 0, 0, client.right, client.bottom};
}

// Platforms without virtual-screen metrics report 0: use the screen's clip box.
WindowShape FullScreenShape() {
    WindowShape shape = {WS_EX_TOPMOST, WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, FullScreenTitle,
                         GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                         GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    if (shape.Width == 0 || shape.Height == 0) {
        RECT box = {};
        HDC screen = GetDC(nullptr);
        GetClipBox(screen, &box);
        ReleaseDC(nullptr, screen);
        shape.X = box.left;
        shape.Y = box.top;
        shape.Width = box.right - box.left;
        shape.Height = box.bottom - box.top;
    }
    return shape;
}

bool BringRunningSaverForward() {
    HWND running = FindWindowA(SaverClassName, FullScreenTitle);
    if (!running || !IsWindow(running)) return false;
    SetForegroundWindow(running);
    return true;
}

// When the preview's host process dies, Wine removes our child window without
// a WM_DESTROY, and nothing would end the loop: a thread timer looks after it.
constexpr UINT PreviewWatchPeriod = 1000;

void CALLBACK WatchPreviewWindow(HWND, UINT, UINT_PTR, DWORD) {
    if (!IsWindow(HostState.SaverWindow)) PostQuitMessage(0);
}

int RunMessageLoop() {
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

void HideCursorFullScreen() {
    if (!HostState.IsPreview) SetCursor(nullptr);
}

void OnCreate(HWND window) {
    ImeModule = GetModuleHandleA("IMM32.DLL");
    if (ImeModule)
        AssociateContextFn = reinterpret_cast<ImmAssociateContextFn>(
            reinterpret_cast<void*>(GetProcAddress(ImeModule, "ImmAssociateContext")));
    if (AssociateContextFn) SavedImeContext = AssociateContextFn(window, nullptr);
    GetCursorPos(&HostState.LastCursorPos);
    HideCursorFullScreen();
}

void OnDestroy(HWND window) {
    if (ImeModule && AssociateContextFn && SavedImeContext) AssociateContextFn(window, SavedImeContext);
    PostQuitMessage(0);
}

// The preview's host window answers help for the pane.
LRESULT ForwardHelpToPreviewHost(HWND window, UINT message, LPARAM lParam) {
    HWND host = GetParent(window);
    if (host && IsWindow(host)) PostMessageA(host, message, reinterpret_cast<WPARAM>(host), lParam);
    return 1;
}

bool IsSwallowedSystemCommand(WPARAM command) {
    return command == SC_NEXTWINDOW || command == SC_PREVWINDOW || command == SC_SCREENSAVE;
}

LRESULT OnSystemCommand(HWND window, WPARAM command, LPARAM lParam) {
    if (!HostState.IsPreview) {
        if (IsSwallowedSystemCommand(command)) return 0;
        if (command == SC_MONITORPOWER) PostMessageA(window, WM_CLOSE, 0, 0);
    }
    return TileSaverProc(window, WM_SYSCOMMAND, command, lParam);
}

}  // namespace

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        OnCreate(window);
        break;
    case WM_DESTROY:
        OnDestroy(window);
        break;
    case WM_SETTEXT:
        return 0;  // a later start must still find the window by its title
    case WM_PAINT:
        if (HostState.IsClosing) return DefWindowProcA(window, message, wParam, lParam);
        HideCursorFullScreen();
        break;
    case WM_HELP:
    case WM_CONTEXTMENU:
        if (HostState.IsPreview) return ForwardHelpToPreviewHost(window, message, lParam);
        break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (HostState.IsClosing) return DefWindowProcA(window, message, wParam, lParam);
        break;
    case WM_SYSCOMMAND:
        return OnSystemCommand(window, wParam, lParam);
    case WM_TIMER:
        if (HostState.IsClosing) return 0;
        Sleep(0);  // let the rest of the system have the rest of the slice
        break;
    }
    return TileSaverProc(window, message, wParam, lParam);
}

ATOM RegisterSaverClass() {
    WNDCLASSA saverClass = {};
    saverClass.hIcon = LoadIconA(HostState.Instance, MAKEINTRESOURCEA(IDI_CLASS_ICON));
    saverClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    saverClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC;
    saverClass.lpfnWndProc = HostWindowProc;
    saverClass.hInstance = HostState.Instance;
    saverClass.lpszClassName = SaverClassName;
    return RegisterClassA(&saverClass);
}

HWND CreateSaverWindow(HWND parent) {
    const WindowShape shape = parent ? PreviewShape(parent) : FullScreenShape();
    HostState.IsPreview = parent ? 1 : 0;
    HostState.SaverWindow = CreateWindowExA(shape.ExStyle, SaverClassName, shape.Title, shape.Style, shape.X, shape.Y,
                                            shape.Width, shape.Height, parent, nullptr, HostState.Instance, nullptr);
    return HostState.SaverWindow;
}

int RunSaverWindow(HWND parent) {
    if (!parent) {
        if (BringRunningSaverForward()) return 0;
        HostState.AcLineStatus = CurrentAcLineStatus();
        LoadPasswordProvider();
    }
    HostState.AutoPlayMessage = HostState.IsWin9x ? RegisterWindowMessageA("QueryCancelAutoPlay") : 0;

    if (RegisterSaverClass()) CreateSaverWindow(parent);
    int result = 0;
    if (HostState.SaverWindow) {
        if (!HostState.IsPreview) SetForegroundWindow(HostState.SaverWindow);
        const UINT_PTR watch = HostState.IsPreview ? SetTimer(nullptr, 0, PreviewWatchPeriod, WatchPreviewWindow) : 0;
        result = RunMessageLoop();
        if (watch) KillTimer(nullptr, watch);
        // The window is gone: nobody waits for this, and the process still
        // ends within its second.
        WaitForSoundMeterClosed(DriverExitGraceMs);
    }
    UnloadPasswordProvider();
    return result;
}
