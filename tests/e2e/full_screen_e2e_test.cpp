// The full-screen window as other programs see it.
#include <gtest/gtest.h>

#include "saver_process.h"

namespace {

class FullScreenSaver : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(WaitUntil([] { return AnyFullScreenSaverWindow() == nullptr; }, 5000))
            << "a saver of an earlier test still runs";
        first_ = StartSaver("/s");
        ASSERT_TRUE(first_.Started) << SaverPath();
        window_ = WaitForFullScreenWindow(first_, 15000);
        ASSERT_NE(window_, nullptr) << "no full-screen window was shown";
    }
    void TearDown() override {
        EndSaver(second_);
        EndSaver(first_);
    }

    SaverProcess first_;
    SaverProcess second_;
    HWND window_ = nullptr;
};

// That the title cannot be changed is tested on the window itself (host_window_test.cpp).
TEST_F(FullScreenSaver, WindowIsATopmostPopupCoveringTheVirtualScreenUnderItsTitle) {
    char text[64] = "";
    GetClassNameA(window_, text, sizeof text);
    EXPECT_STREQ(text, SaverClass);
    EXPECT_TRUE(GetWindowLongA(window_, GWL_EXSTYLE) & WS_EX_TOPMOST);
    const DWORD style = static_cast<DWORD>(GetWindowLongA(window_, GWL_STYLE));
    EXPECT_EQ(style & (WS_POPUP | WS_CHILD | WS_CAPTION | WS_VISIBLE), static_cast<DWORD>(WS_POPUP | WS_VISIBLE));

    // The test display is one 1920 x 1080 screen.
    RECT rect = {};
    ASSERT_TRUE(GetWindowRect(window_, &rect));
    const RECT screen = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                         GetSystemMetrics(SM_XVIRTUALSCREEN) + 1920, GetSystemMetrics(SM_YVIRTUALSCREEN) + 1080};
    EXPECT_TRUE(EqualRect(&rect, &screen)) << rect.left << "," << rect.top << " " << rect.right << "," << rect.bottom;
    EXPECT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), 1920);
    EXPECT_EQ(GetSystemMetrics(SM_CYVIRTUALSCREEN), 1080);

    GetWindowTextA(window_, text, sizeof text);
    EXPECT_STREQ(text, FullScreenTitle);
}

TEST_F(FullScreenSaver, SecondStartLeavesTheFirstInFrontAndExitsWithZero) {
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == window_; }, 5000));
    second_ = StartSaver("/s");
    ASSERT_TRUE(second_.Started);
    QuietExit exit = WatchUntilExit(second_, 15000);
    EXPECT_TRUE(exit.Exited) << "the second saver still runs";
    EXPECT_EQ(exit.ExitCode, 0u);
    EXPECT_EQ(exit.WindowsSeen, 0u) << "the second saver showed a window of its own";

    EXPECT_TRUE(IsRunning(first_));
    EXPECT_EQ(FullScreenWindowOf(first_), window_);
    EXPECT_EQ(GetForegroundWindow(), window_);
    // Being brought forward again must not make the first close.
    PumpMessagesFor(1000);
    EXPECT_TRUE(IsRunning(first_));
}

}  // namespace
