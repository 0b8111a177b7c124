#include "saver_process.h"

std::string ProgramFolder() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of("\\/"));
}

std::string SaverPath() {
    return ProgramFolder() + "\\Brasswick.scr";
}

SaverProcess StartSaver(const std::string& arguments) {
    SaverProcess saver;
    std::string commandLine = "\"" + SaverPath() + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    saver.Started = CreateProcessA(SaverPath().c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &startup, &saver.Info) != 0;
    return saver;
}

bool IsRunning(const SaverProcess& saver) {
    return saver.Started && WaitForSingleObject(saver.Info.hProcess, 0) == WAIT_TIMEOUT;
}

bool WaitForExit(SaverProcess& saver, DWORD timeoutMs, DWORD& exitCode) {
    if (!saver.Started) return false;
    if (!WaitUntil([&] { return !IsRunning(saver); }, timeoutMs)) return false;
    GetExitCodeProcess(saver.Info.hProcess, &exitCode);
    return true;
}

void EndSaver(SaverProcess& saver) {
    if (!saver.Started) return;
    if (WaitForSingleObject(saver.Info.hProcess, 0) != WAIT_OBJECT_0) {
        TerminateProcess(saver.Info.hProcess, 0xDEAD);
        WaitForSingleObject(saver.Info.hProcess, 5000);
    }
    CloseHandle(saver.Info.hThread);
    CloseHandle(saver.Info.hProcess);
    saver.Started = false;
}

std::vector<HWND> WindowsOfProcess(DWORD processId) {
    std::vector<HWND> found;
    for (HWND window = nullptr; (window = FindWindowExA(nullptr, window, nullptr, nullptr)) != nullptr;) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId) found.push_back(window);
    }
    return found;
}

QuietExit WatchUntilExit(SaverProcess& saver, DWORD timeoutMs) {
    QuietExit result{false, 0, 0};
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        result.WindowsSeen += WindowsOfProcess(saver.Info.dwProcessId).size();
        if (WaitForSingleObject(saver.Info.hProcess, 20) == WAIT_OBJECT_0) {
            result.Exited = true;
            GetExitCodeProcess(saver.Info.hProcess, &result.ExitCode);
            break;
        }
    }
    EndSaver(saver);
    return result;
}

namespace {

// Wine runs a Unix program given by its Z: path; it gives no handle worth
// keeping for it.
bool StartUnixShell(const std::string& script) {
    std::string commandLine = "Z:\\bin\\sh -c \"" + script + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return false;
    if (info.hThread) CloseHandle(info.hThread);
    if (info.hProcess) CloseHandle(info.hProcess);
    return true;
}

}  // namespace

bool LaunchSaverThroughShell(const std::string& environment, const std::string& arguments) {
    return StartUnixShell(environment + " exec wine '" + SaverPath() + "' " + arguments);
}

bool LaunchSaverInJapanese(const std::string& arguments) {
    return LaunchSaverThroughShell("LC_ALL=ja_JP.UTF-8", arguments);
}

bool RunUnixCommand(const std::string& command, DWORD timeoutMs) {
    const std::string done = "/tmp/brasswick-e2e-" + std::to_string(GetCurrentProcessId()) + ".done";
    std::string windowsDone = "Z:" + done;
    for (char& c : windowsDone)
        if (c == '/') c = '\\';
    DeleteFileA(windowsDone.c_str());
    if (!StartUnixShell(command + " && touch " + done)) return false;
    const bool finished =
        WaitUntil([&] { return GetFileAttributesA(windowsDone.c_str()) != INVALID_FILE_ATTRIBUTES; }, timeoutMs);
    DeleteFileA(windowsDone.c_str());
    return finished;
}

QuietDefaultInput::QuietDefaultInput()
    : Made(RunUnixCommand("pactl load-module module-null-sink sink_name=quiet sink_properties=device.description=quiet "
                          ">/tmp/brasswick-quiet-module && "
                          "pactl set-default-source quiet.monitor",
                          10000)) {
}

QuietDefaultInput::~QuietDefaultInput() {
    if (Made)
        RunUnixCommand(
            "pactl set-default-source room.monitor && pactl unload-module $(cat /tmp/brasswick-quiet-module)", 10000);
}

SaverProcess AttachToProcessOf(HWND window) {
    SaverProcess saver;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    saver.Info.dwProcessId = processId;
    saver.Info.hProcess =
        OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, processId);
    saver.Started = saver.Info.hProcess != nullptr;
    return saver;
}

HWND WaitForTopLevelWindow(const char* className, const std::wstring& title, DWORD timeoutMs) {
    const std::wstring wideClass(className, className + lstrlenA(className));
    HWND found = nullptr;
    WaitUntil([&] {
        found = FindWindowExW(nullptr, nullptr, wideClass.c_str(), title.c_str());
        return found && IsWindowVisible(found);
    }, timeoutMs);
    return found && IsWindowVisible(found) ? found : nullptr;
}

HWND FullScreenWindowOf(const SaverProcess& saver) {
    HWND window = nullptr;
    while ((window = FindWindowExA(nullptr, window, SaverClass, FullScreenTitle)) != nullptr) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == saver.Info.dwProcessId && IsWindowVisible(window)) return window;
    }
    return nullptr;
}

HWND WaitForFullScreenWindow(const SaverProcess& saver, DWORD timeoutMs) {
    HWND window = nullptr;
    WaitUntil([&] { return (window = FullScreenWindowOf(saver)) != nullptr; }, timeoutMs);
    return window;
}

HWND AnyFullScreenSaverWindow() {
    return FindWindowA(SaverClass, FullScreenTitle);
}

void PressKeyOnKeyboard(WORD virtualKey) {
    INPUT events[2] = {};
    events[0].type = events[1].type = INPUT_KEYBOARD;
    events[0].ki.wVk = events[1].ki.wVk = virtualKey;
    events[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, events, sizeof(INPUT));
}

void ClickLeftButton() {
    INPUT events[2] = {};
    events[0].type = events[1].type = INPUT_MOUSE;
    events[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    events[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, events, sizeof(INPUT));
}

HWND HandleOfNoWindow() {
    for (UINT_PTR value = 0x00FEDC00; value < 0x00FEDD00; value += 4)
        if (!IsWindow(reinterpret_cast<HWND>(value))) return reinterpret_cast<HWND>(value);
    return nullptr;
}
