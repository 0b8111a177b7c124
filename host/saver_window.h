#pragma once
#include <windows.h>

// Full screen when parent is null, else a preview filling parent's client
// area. Runs the message loop until the window is destroyed; the result is
// the exit code of the mode.
int RunSaverWindow(HWND parent);

// The saver's window class, HostWindowProc its procedure; nonzero when the
// class was registered.
ATOM RegisterSaverClass();

// The saver window as the program makes it, of the registered class: full
// screen when parent is null, else a preview filling parent's client area.
// Sets HostState.IsPreview and HostState.SaverWindow; null on failure.
HWND CreateSaverWindow(HWND parent);

// First layer of the saver window's chain; passes what it lets through to
// TileSaverProc.
LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

constexpr char SaverClassName[] = "WindowsScreenSaverClass";
constexpr char FullScreenTitle[] = "Screen Saver";
constexpr char PreviewTitle[] = "Preview";
