// Prints the folder that GetSystemDirectory names for a 32-bit program, where
// the system looks for 32-bit screen savers. Given a file name, ends with 0
// only when that file is there as this program sees it (on 64-bit Windows,
// and in a 64-bit Wine prefix, through the file-system redirection).
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
    char folder[MAX_PATH];
    UINT length = GetSystemDirectoryA(folder, sizeof folder);
    if (length == 0 || length >= sizeof folder) return 2;
    std::printf("%s\n", folder);
    if (argc < 2) return 0;
    char path[2 * MAX_PATH];
    std::snprintf(path, sizeof path, "%s\\%s", folder, argv[1]);
    return GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES ? 1 : 0;
}
