// Starting the built Brasswick.scr, which lies beside the test program, and
// watching what it does from outside.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "tests/shared/wait_until.h"

std::string ProgramFolder();
std::string SaverPath();

struct SaverProcess {
    PROCESS_INFORMATION Info{};
    bool Started = false;
};

// Starts "Brasswick.scr <arguments>"; the command line names the program in
// quotes, as the Display settings do.
SaverProcess StartSaver(const std::string& arguments);

// Waits for the end of the process, handling this thread's messages
// meanwhile; false when it still runs after timeoutMs.
bool WaitForExit(SaverProcess& saver, DWORD timeoutMs, DWORD& exitCode);

bool IsRunning(const SaverProcess& saver);

// Ends a process that is still running (after a failed check) and releases it.
void EndSaver(SaverProcess& saver);

// Top-level windows that belong to a process.
std::vector<HWND> WindowsOfProcess(DWORD processId);

// Waits for the process to end, watching for any window it makes meanwhile.
struct QuietExit {
    bool Exited;
    DWORD ExitCode;
    size_t WindowsSeen;
};
QuietExit WatchUntilExit(SaverProcess& saver, DWORD timeoutMs);

// Starts "Brasswick.scr <arguments>" as it runs on a Japanese system (ANSI
// code page 932). Wine takes the code page from the Unix locale of a new
// process, so the program is started through the Unix shell with that
// locale; find its window, then AttachToProcessOf it.
bool LaunchSaverInJapanese(const std::string& arguments);
// The same with any Unix environment ("NAME=value ..."), which is how a
// Wine program hands one to another.
bool LaunchSaverThroughShell(const std::string& environment, const std::string& arguments);

// Runs a Unix shell command (the harness's PULSE_SERVER is in its
// environment); true once it succeeded, within timeoutMs.
bool RunUnixCommand(const std::string& command, DWORD timeoutMs);

// While it lives, the default input is the monitor of a second, silent sink
// "quiet"; the room's sink, which a tone plays into, stays the default
// output, and Wine lists its monitor as the input "Monitor of room".
struct QuietDefaultInput {
    bool Made;
    QuietDefaultInput();
    ~QuietDefaultInput();
};

// The process that owns a window, opened for waiting, exit code and ending.
SaverProcess AttachToProcessOf(HWND window);

// A top-level window of class className and exact title (UTF-16), of any
// process, once visible; null when none appears within timeoutMs.
HWND WaitForTopLevelWindow(const char* className, const std::wstring& title, DWORD timeoutMs);

constexpr char SaverClass[] = "WindowsScreenSaverClass";
constexpr char FullScreenTitle[] = "Screen Saver";
constexpr char PreviewTitle[] = "Preview";

// The visible full-screen window of this process, or null.
HWND FullScreenWindowOf(const SaverProcess& saver);

// Waits for the full-screen window of this process to be shown.
HWND WaitForFullScreenWindow(const SaverProcess& saver, DWORD timeoutMs);

// Any full-screen saver window, of whatever process.
HWND AnyFullScreenSaverWindow();

// A handle value that names no window.
HWND HandleOfNoWindow();

// Input as the user makes it, through the platform's input queue, to
// whatever window has the keyboard or lies under the cursor.
void PressKeyOnKeyboard(WORD virtualKey);
void ClickLeftButton();
