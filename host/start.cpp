// Process start: the command line as the platform gives it, less our own name.
#include <windows.h>

#include "host/command_line.h"
#include "host/host_main.h"

namespace {

const char* NextAnsiChar(const char* p) {
    return CharNextA(p);
}

int ShowCommandOfStartup() {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    return (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
}

}  // namespace

// The C runtime's own idea of the command tail is not used: ours differs from
// it for quoted names and control bytes.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const char* tail = SkipProgramName(GetCommandLineA(), NextAnsiChar);
    ExitProcess(static_cast<UINT>(HostMain(GetModuleHandleA(nullptr), nullptr, const_cast<LPSTR>(tail),
                                           ShowCommandOfStartup())));
}
