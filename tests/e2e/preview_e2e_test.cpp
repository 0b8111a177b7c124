// The saver inside a preview pane of another program's window. The pane
// belongs to this test, so the test thread handles its messages whenever it
// waits: the saver's child window talks to its parent.
//
// What the preview paints cannot be read back here: Wine 8 discards the
// drawing of a child window whose top-level window belongs to another
// process (the saver handles its erase and ticks, nothing reaches the
// screen).
#include <gtest/gtest.h>

#include <string>

#include "saver_process.h"
#include "tests/shared/preview_pane.h"
#include "tests/shared/window_text.h"

namespace {

class PreviewPane : public ::testing::Test {
protected:
    void SetUp() override {
        // A borderless popup: the whole window is the pane.
        pane_ = CreatePaneWindow("BrasswickTestPane", DefWindowProcA, WS_POPUP | WS_CLIPCHILDREN, "pane", 200, 200);
        ASSERT_NE(pane_, nullptr);
        ShowWindow(pane_, SW_SHOW);
        UpdateWindow(pane_);
        PumpMessagesFor(100);

        saver_ = StartSaver("/p " + Decimal(pane_));
        ASSERT_TRUE(saver_.Started) << SaverPath();
        ASSERT_TRUE(WaitUntil([&] {
            preview_ = FindWindowExA(pane_, nullptr, SaverClass, nullptr);
            return preview_ && IsWindowVisible(preview_);
        }, 15000))
            << "no preview window appeared in the pane";
        POINT origin = {0, 0};
        ClientToScreen(pane_, &origin);
        area_ = {origin.x, origin.y, origin.x + PaneWidth, origin.y + PaneHeight};
    }
    void TearDown() override {
        EndSaver(saver_);
        if (pane_) DestroyWindow(pane_);
        PumpMessagesFor(50);
    }

    HWND pane_ = nullptr;
    HWND preview_ = nullptr;
    SaverProcess saver_;
    RECT area_{};
};

TEST_F(PreviewPane, ChildFillsThePaneIgnoresInputAndEndsWithThePane) {
    DWORD owner = 0;
    GetWindowThreadProcessId(preview_, &owner);
    EXPECT_EQ(owner, saver_.Info.dwProcessId);
    char title[64] = "";
    GetWindowTextA(preview_, title, sizeof title);
    EXPECT_STREQ(title, PreviewTitle);
    EXPECT_EQ(GetParent(preview_), pane_);
    const DWORD style = static_cast<DWORD>(GetWindowLongA(preview_, GWL_STYLE));
    EXPECT_EQ(style & (WS_CHILD | WS_POPUP | WS_VISIBLE), static_cast<DWORD>(WS_CHILD | WS_VISIBLE));
    EXPECT_FALSE(GetWindowLongA(preview_, GWL_EXSTYLE) & WS_EX_TOPMOST);
    RECT rect = {};
    ASSERT_TRUE(GetWindowRect(preview_, &rect));
    EXPECT_TRUE(EqualRect(&rect, &area_)) << rect.left << "," << rect.top << " " << rect.right << "," << rect.bottom;
    for (HWND window : WindowsOfProcess(saver_.Info.dwProcessId))
        EXPECT_FALSE(IsWindowVisible(window)) << "the preview showed a top-level window of its own";

    const POINT middle = {(area_.left + area_.right) / 2, (area_.top + area_.bottom) / 2};
    ASSERT_TRUE(SetCursorPos(middle.x, middle.y));
    PumpMessagesFor(100);
    ASSERT_TRUE(SetCursorPos(middle.x + 30, middle.y + 20));
    ClickLeftButton();
    // The pane's owner keeps the keyboard focus: a key and the loss of
    // activation are handed to the preview window directly.
    PostMessageA(preview_, WM_KEYDOWN, VK_SPACE, 1);
    PostMessageA(preview_, WM_ACTIVATEAPP, FALSE, 0);
    PumpMessagesFor(2000);
    EXPECT_TRUE(IsRunning(saver_));
    EXPECT_TRUE(IsWindow(preview_) && IsWindowVisible(preview_));
    DWORD_PTR ignored;
    EXPECT_NE(SendMessageTimeoutA(preview_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored), 0)
        << "the saver no longer answers";

    const DWORD start = GetTickCount();
    ASSERT_TRUE(DestroyWindow(pane_));
    pane_ = nullptr;
    DWORD exitCode = 0;
    ASSERT_TRUE(WaitForExit(saver_, 5000, exitCode)) << "the saver still runs without its pane";
    EXPECT_EQ(exitCode, 0u);
    RecordProperty("process_ended_ms", static_cast<int>(GetTickCount() - start));
}

}  // namespace
