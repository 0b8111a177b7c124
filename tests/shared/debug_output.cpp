#include "debug_output.h"

#include <windows.h>

namespace {

void* Watch = nullptr;
std::string Seen;

LONG CALLBACK CollectDebugOutput(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    if (record->ExceptionCode == DBG_PRINTEXCEPTION_C && record->NumberParameters >= 2) {
        Seen.append(reinterpret_cast<const char*>(record->ExceptionInformation[1]));
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

void StartWatchingDebugOutput() {
    Seen.clear();
    Watch = AddVectoredExceptionHandler(1, CollectDebugOutput);
}

std::string StopWatchingDebugOutput() {
    if (Watch != nullptr) RemoveVectoredExceptionHandler(Watch);
    Watch = nullptr;
    return Seen;
}
