// Stands in for the Display settings: a window whose 152 x 112 client area
// hosts the saver's preview. Prints the window's handle in decimal, then
// runs until the window is closed (or the process is killed).
#include <windows.h>

#include <cstdio>

namespace {

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int main() {
    WNDCLASSA hostClass = {};
    hostClass.lpfnWndProc = HostProc;
    hostClass.hInstance = GetModuleHandleA(nullptr);
    hostClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    hostClass.lpszClassName = "BrasswickPreviewHost";
    RegisterClassA(&hostClass);
    RECT frame = {0, 0, 152, 112};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    HWND window = CreateWindowExA(0, "BrasswickPreviewHost", "Preview host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100,
                                  100, frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                  hostClass.hInstance, nullptr);
    if (!window) return 1;
    std::printf("%lu\n", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(window)));
    std::fflush(stdout);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    return 0;
}
