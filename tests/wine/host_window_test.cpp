// The first layer of the saver window's chain, message by message.
#include "saver_window_fixture.h"

#include "host/host_state.h"
#include "mosaic/tile_saver.h"

namespace {

using HostWindow = SaverWindowTest;

TEST_F(HostWindow, CreationHidesTheCursorAndTakesItsPosition) {
    ASSERT_TRUE(SetCursorPos(300, 200));
    ShowSomeCursor();
    CreateFullScreen();
    EXPECT_TRUE(CursorHidden());
    EXPECT_EQ(HostState.LastCursorPos.x, 300);
    EXPECT_EQ(HostState.LastCursorPos.y, 200);
}

TEST_F(HostWindow, PreviewLeavesTheCursorAlone) {
    CreatePreviewHost(152, 112);
    ShowSomeCursor();
    CreatePreview(host_);
    EXPECT_FALSE(CursorHidden());
    Send(WM_PAINT);
    EXPECT_FALSE(CursorHidden());
}

TEST_F(HostWindow, TitleCannotBeChanged) {
    CreateFullScreen();
    EXPECT_EQ(SendMessageA(window_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Other")), 0);
    char title[64];
    GetWindowTextA(window_, title, sizeof title);
    EXPECT_STREQ(title, "Screen Saver");
    EXPECT_EQ(FindWindowA("WindowsScreenSaverClass", "Screen Saver"), window_);
}

TEST_F(HostWindow, SwallowsCommandsThatWouldSwitchAway) {
    CreateFullScreen();
    for (WPARAM command : {SC_SCREENSAVE, SC_NEXTWINDOW, SC_PREVWINDOW}) {
        EXPECT_EQ(Send(WM_SYSCOMMAND, command), 0) << std::hex << command;
        EXPECT_EQ(TakePostedCloses(), 0) << std::hex << command;
    }
    EXPECT_TRUE(IsWindow(window_));
}

TEST_F(HostWindow, MonitorPowerAsksToCloseAndIsPassedOn) {
    CreateFullScreen();
    Send(WM_SYSCOMMAND, SC_MONITORPOWER, 2);
    EXPECT_EQ(TakePostedCloses(), 1);
}

// SC_CLOSE reaches the platform, which sends WM_CLOSE back through the chain.
TEST_F(HostWindow, OtherCommandsArePassedOn) {
    CreateFullScreen();
    Send(WM_SYSCOMMAND, SC_CLOSE);
    EXPECT_FALSE(IsWindow(window_));
    std::vector<UINT> posted = TakePosted();
    ASSERT_FALSE(posted.empty());
    EXPECT_EQ(posted.back(), static_cast<UINT>(WM_QUIT));
}

TEST_F(HostWindow, PreviewPassesEveryCommandOn) {
    CreatePreviewHost(152, 112);
    CreatePreview(host_);
    Send(WM_SYSCOMMAND, SC_MONITORPOWER, 2);
    EXPECT_EQ(TakePostedCloses(), 0);
    Send(WM_SYSCOMMAND, SC_CLOSE);
    EXPECT_FALSE(IsWindow(window_));
}

TEST_F(HostWindow, TicksPaintUntilACloseIsGranted) {
    CreateFullScreen();
    const int32_t before = SaverOrder.Cursor;
    EXPECT_EQ(Send(WM_TIMER, 77), 0);  // any timer id paints
    EXPECT_EQ(SaverOrder.Cursor, (before + 1) % SaverGrid.SlotCount);
    HostState.IsClosing = 1;
    EXPECT_EQ(Send(WM_TIMER, TileTimerId), 0);
    EXPECT_EQ(SaverOrder.Cursor, (before + 1) % SaverGrid.SlotCount);
}

TEST_F(HostWindow, InputAsksToCloseOnlyBeforeACloseIsGranted) {
    CreateFullScreen();
    for (UINT message : {WM_KEYDOWN, WM_SYSKEYDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN}) {
        Send(message);
        EXPECT_EQ(TakePostedCloses(), 1) << std::hex << message;
    }
    HostState.IsClosing = 1;
    for (UINT message : {WM_KEYDOWN, WM_SYSKEYDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN}) {
        Send(message);
        EXPECT_EQ(TakePostedCloses(), 0) << std::hex << message;
    }
}

TEST_F(HostWindow, PaintHidesTheCursorUntilClosing) {
    CreateFullScreen();
    ShowSomeCursor();
    InvalidateRect(window_, nullptr, FALSE);
    UpdateWindow(window_);
    EXPECT_TRUE(CursorHidden());
    HostState.IsClosing = 1;
    ShowSomeCursor();
    InvalidateRect(window_, nullptr, FALSE);
    UpdateWindow(window_);
    EXPECT_FALSE(CursorHidden());
    EXPECT_FALSE(GetUpdateRect(window_, nullptr, FALSE)) << "the platform validated it";
}

// The platform refuses to post WM_HELP, whose lParam is a pointer; it is
// answered all the same and never handed to the platform, which would send
// it to the host itself.
TEST_F(HostWindow, PreviewForwardsHelpToItsHost) {
    CreatePreviewHost(152, 112);
    CreatePreview(host_);
    HostHelpRequests = 0;
    HELPINFO help = {sizeof help, HELPINFO_WINDOW, 0, window_, 0, {1, 2}};
    EXPECT_EQ(Send(WM_HELP, 0, reinterpret_cast<LPARAM>(&help)), 1);
    EXPECT_EQ(HostHelpRequests, 0);
    EXPECT_EQ(Send(WM_CONTEXTMENU, 5, 0x5678), 1);
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, host_, WM_CONTEXTMENU, WM_CONTEXTMENU, PM_REMOVE));
    EXPECT_EQ(message.wParam, reinterpret_cast<WPARAM>(host_));
    EXPECT_EQ(message.lParam, 0x5678);
}

TEST_F(HostWindow, FullScreenPassesHelpOn) {
    CreateFullScreen();
    EXPECT_EQ(Send(WM_HELP), DefWindowProcA(window_, WM_HELP, 0, 0));
    EXPECT_EQ(TakePosted().size(), 0u);
}

TEST_F(HostWindow, DestructionEndsTheLoopWithZero) {
    CreateFullScreen();
    DestroyWindow(window_);
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 0u);
}

}  // namespace
