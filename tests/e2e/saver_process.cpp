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

bool WaitForExit(SaverProcess& saver, DWORD timeoutMs, DWORD& exitCode) {
    if (!saver.Started) return false;
    if (WaitForSingleObject(saver.Info.hProcess, timeoutMs) != WAIT_OBJECT_0) return false;
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

namespace {

struct WindowSearch {
    DWORD ProcessId;
    std::vector<HWND>* Found;
};

BOOL CALLBACK CollectWindowOfProcess(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->ProcessId) search->Found->push_back(window);
    return TRUE;
}

}  // namespace

std::vector<HWND> WindowsOfProcess(DWORD processId) {
    std::vector<HWND> found;
    WindowSearch search{processId, &found};
    EnumWindows(CollectWindowOfProcess, reinterpret_cast<LPARAM>(&search));
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
