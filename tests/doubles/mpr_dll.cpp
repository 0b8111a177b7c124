// Stands in for the Windows 9x "MPR.DLL": records the password-change request
// instead of showing a dialog.
#include <string>

#include "tests/doubles/double_files.h"
#include "tests/shared/window_text.h"

extern "C" __declspec(dllexport) DWORD WINAPI PwdChangePasswordA(LPCSTR provider, HWND parent, DWORD flags,
                                                                 DWORD reserved) {
    AppendToLog(std::string("PwdChangePasswordA ") + (provider ? provider : "(null)") + " " +
                Decimal(parent) + " " + std::to_string(flags) + " " +
                std::to_string(reserved));
    return 0;
}
