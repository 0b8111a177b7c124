// Switches that run nothing end the process at once with -1.
#include <gtest/gtest.h>

#include "saver_process.h"
#include "tests/shared/window_text.h"

namespace {

constexpr DWORD Failed = 0xFFFFFFFF;

void ExpectQuietFailure(const std::string& arguments) {
    SaverProcess saver = StartSaver(arguments);
    ASSERT_TRUE(saver.Started) << SaverPath();
    QuietExit exit = WatchUntilExit(saver, 15000);
    EXPECT_TRUE(exit.Exited) << "'" << arguments << "' still running";
    EXPECT_EQ(exit.ExitCode, Failed) << "'" << arguments << "'";
    EXPECT_EQ(exit.WindowsSeen, 0u) << "'" << arguments << "' showed a window";
}

TEST(CommandLineEndToEnd, SwitchesThatRunNothingExitWithMinusOne) {
    for (const char* arguments : {"/x", "/1234", "/p", "/p 0", "/p:1234", "x", "/\ts"})
        ExpectQuietFailure(arguments);
}

TEST(CommandLineEndToEnd, PreviewOfAHandleThatNamesNoWindowExitsWithMinusOne) {
    HWND none = HandleOfNoWindow();
    ASSERT_NE(none, nullptr);
    ExpectQuietFailure("/p " + Decimal(none));
}

TEST(CommandLineEndToEnd, PasswordSwitchRunsNothingOutsideWindows9x) {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    ASSERT_TRUE(GetVersionExA(&version));
    ASSERT_EQ(version.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
    ExpectQuietFailure("/a");
    ExpectQuietFailure("/a 1234");
}

}  // namespace
