// Replaces what the program's own import of a function points at, as an
// older or stranger Windows would answer it.
#pragma once
#include <windows.h>

// In the import table of the process's program (its .exe or .scr), points
// dll!function (the DLL as the program names it, case aside) at
// replacement. Returns what it pointed at before, or null when the program
// does not import it.
void* ReplaceProgramImport(const char* dll, const char* function, void* replacement);
