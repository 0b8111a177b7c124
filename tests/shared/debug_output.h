// What the program writes to the debugger output, seen as the debugger sees
// it: OutputDebugStringA raises DBG_PRINTEXCEPTION_C, and a vectored handler
// gets it before the function's own handler swallows it.
#pragma once
#include <string>

void StartWatchingDebugOutput();

// Everything written since the watch started; the watch ends.
std::string StopWatchingDebugOutput();
