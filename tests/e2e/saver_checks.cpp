#include "saver_checks.h"

#include <gtest/gtest.h>

void StartFullScreenAtRest(SaverProcess& saver, HWND& window) {
    ASSERT_TRUE(WaitUntil([] { return AnyFullScreenSaverWindow() == nullptr; }, 5000))
        << "a saver of an earlier test still runs";
    ASSERT_TRUE(SetCursorPos(Rest.x, Rest.y));
    ASSERT_TRUE(WaitUntil([] {
        POINT now;
        return GetCursorPos(&now) && now.x == Rest.x && now.y == Rest.y;
    }, 2000));
    saver = StartSaver("/s");
    ASSERT_TRUE(saver.Started) << SaverPath();
    window = WaitForFullScreenWindow(saver, 15000);
    ASSERT_NE(window, nullptr) << "no full-screen window was shown";
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == window; }, 5000))
        << "the saver did not come to the front";
    // A round trip through the saver's queue: its start-up is handled.
    DWORD_PTR ignored;
    ASSERT_NE(SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored), 0);
}

void ExpectEndsWithZero(SaverProcess& saver, HWND window) {
    const DWORD start = GetTickCount();
    const bool hidden = WaitUntil([&] { return !IsWindowVisible(window); }, ReactionMs + ReactionSlackMs);
    const DWORD hiddenAfter = GetTickCount() - start;
    DWORD exitCode = 0;
    const bool exited = WaitForExit(saver, ProcessEndMs, exitCode);
    const DWORD exitedAfter = GetTickCount() - start;
    EXPECT_TRUE(hidden) << "window still shown after " << hiddenAfter << " ms";
    ASSERT_TRUE(exited) << "process still running after " << exitedAfter << " ms";
    EXPECT_EQ(exitCode, 0u);
    ::testing::Test::RecordProperty("window_hidden_ms", static_cast<int>(hiddenAfter));
    ::testing::Test::RecordProperty("process_ended_ms", static_cast<int>(exitedAfter));
}

void ExpectKeepsRunning(const SaverProcess& saver, HWND window) {
    PumpMessagesFor(ReactionMs + ReactionSlackMs);
    EXPECT_TRUE(IsRunning(saver));
    EXPECT_TRUE(IsWindowVisible(window));
}
