// Free of windows.h, so it builds and is tested natively.
// Reading the command line that the screen-saver machinery starts us with.
// Window handles travel as their 32-bit values.
#pragma once
#include <cstdint>

enum class SaverMode {
    ConfigNoOwner,   // empty tail: the dialog without owner
    ConfigDialog,    // c: owned by the named or the foreground window
    FullScreen,      // s
    Preview,         // p or l
    ChangePassword,  // a, Windows 9x only
    Invalid,         // runs nothing, exit code -1
};

struct ModeRequest {
    SaverMode Mode;
    uint32_t Window;  // handle value written after the switch, 0 when none
};

// Steps one character; the program passes CharNextA so that a double-byte
// character of the ANSI code page counts as one.
using NextCharFn = const char* (*)(const char*);

const char* SkipProgramName(const char* commandLine, NextCharFn nextChar);
uint32_t ParseWindowHandle(const char* text);
ModeRequest ReadModeSwitch(const char* commandTail, bool isWin9x);
