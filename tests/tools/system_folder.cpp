// Prints the folder that GetSystemDirectory names for a 32-bit program: where
// the system looks for 32-bit screen savers.
#include <windows.h>

#include <cstdio>

int main() {
    char folder[MAX_PATH];
    UINT length = GetSystemDirectoryA(folder, sizeof folder);
    if (length == 0 || length >= sizeof folder) return 1;
    std::printf("%s\n", folder);
    return 0;
}
