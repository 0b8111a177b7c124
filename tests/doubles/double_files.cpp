#include "tests/doubles/double_files.h"

#include <cstdio>
#include <cstdlib>

namespace {

// Any address inside this module names it, whatever its file is called.
HMODULE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ThisModule), &module);
    return module;
}

}  // namespace

std::string BesideDouble(const char* suffix) {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(ThisModule(), path, MAX_PATH);
    const std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\') + 1) + DOUBLE_FILE_NAME + suffix;
}

void AppendToLog(const std::string& line) {
    FILE* log = std::fopen(BesideDouble(".log").c_str(), "ab");
    if (!log) return;
    std::fprintf(log, "%s\n", line.c_str());
    std::fclose(log);
}

long ReadAnswer() {
    FILE* answer = std::fopen(BesideDouble(".answer").c_str(), "r");
    if (!answer) return 0;
    long value = 0;
    if (std::fscanf(answer, "%ld", &value) != 1) value = 0;
    std::fclose(answer);
    return value;
}
