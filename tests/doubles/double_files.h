// Files a test double keeps beside itself: "<its file name>.log" gets a line
// per call, "<its file name>.answer" holds the number it answers with.
#pragma once
#include <windows.h>

#include <string>

// The double's own file name as built, plus suffix, in its folder:
// e.g. "...\PASSWORD.CPL.log".
std::string BesideDouble(const char* suffix);

// Appends one line (a newline is added) to the double's log.
void AppendToLog(const std::string& line);

// The number in the answer file; 0 when there is none.
long ReadAnswer();
