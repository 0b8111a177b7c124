// Windows as text: a handle as the command line and the logs write it, and
// what a dialog's control shows.
#pragma once
#include <windows.h>

#include <string>

// The handle's value in decimal, as "/p 1234" and "/c:1234" take it.
inline std::string Decimal(HWND window) {
    return std::to_string(reinterpret_cast<UINT_PTR>(window));
}

// The text of a dialog's control, of this process or another.
inline std::string ItemText(HWND dialog, int id) {
    char text[512] = {};
    GetWindowTextA(GetDlgItem(dialog, id), text, sizeof text);
    return text;
}
