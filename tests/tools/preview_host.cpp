// Stands in for the Display settings: a window whose 152 x 112 client area
// hosts the saver's preview. Prints the window's handle in decimal, then
// runs until the window is closed (or the process is killed).
#include <windows.h>

#include <cstdio>

#include "tests/shared/preview_pane.h"
#include "tests/shared/window_text.h"

namespace {

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int main() {
    HWND window = CreatePaneWindow("BrasswickPreviewHost", HostProc, WS_OVERLAPPEDWINDOW | WS_VISIBLE, "Preview host",
                                   100, 100);
    if (!window) return 1;
    std::printf("%s\n", Decimal(window).c_str());
    std::fflush(stdout);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    return 0;
}
