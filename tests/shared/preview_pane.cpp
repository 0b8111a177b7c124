#include "preview_pane.h"

HWND CreatePaneWindow(const char* className, WNDPROC procedure, DWORD style, const char* title, int x, int y) {
    WNDCLASSA paneClass = {};
    paneClass.lpfnWndProc = procedure;
    paneClass.hInstance = GetModuleHandleA(nullptr);
    paneClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    paneClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    paneClass.lpszClassName = className;
    RegisterClassA(&paneClass);  // fails harmlessly for the second window of a class
    RECT frame = {0, 0, PaneWidth, PaneHeight};
    AdjustWindowRect(&frame, style, FALSE);
    return CreateWindowExA(0, className, title, style, x + frame.left, y + frame.top, frame.right - frame.left,
                           frame.bottom - frame.top, nullptr, nullptr, paneClass.hInstance, nullptr);
}
