// Stands in for the Windows 9x "PASSWORD.CPL": records every prompt and
// answers as the test has told it to.
#include <string>

#include "tests/doubles/double_files.h"
#include "tests/shared/window_text.h"

extern "C" __declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND saverWindow) {
    const long answer = ReadAnswer();
    AppendToLog("VerifyScreenSavePwd " + Decimal(saverWindow) + " " +
                std::to_string(answer));
    return static_cast<BOOL>(answer);
}
