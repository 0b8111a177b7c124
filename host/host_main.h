#pragma once
#include <windows.h>

// The program's entry in WinMain form; returns the process exit code.
int WINAPI HostMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandTail, int showCommand);

INT_PTR RunConfigDialog(HWND owner);
BOOL WINAPI RegisterDialogClassesHook(HINSTANCE instance);
