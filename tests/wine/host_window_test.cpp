// The first layer of the saver window's chain; what asks to close is in
// closing_rules_test.cpp.
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

TEST_F(HostWindow, TitleCannotBeChanged) {
    CreateFullScreen();
    EXPECT_EQ(SendMessageA(window_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Other")), 0);
    char title[64];
    GetWindowTextA(window_, title, sizeof title);
    EXPECT_STREQ(title, "Screen Saver");
}

TEST_F(HostWindow, TicksPaintUntilACloseIsGranted) {
    CreateFullScreen();
    const int32_t before = SaverMosaic.Order.Cursor;
    EXPECT_EQ(Send(WM_TIMER, 77), 0);  // any timer id paints
    EXPECT_EQ(SaverMosaic.Order.Cursor, (before + 1) % SaverMosaic.Grid.SlotCount);
    HostState.IsClosing = 1;
    EXPECT_EQ(Send(WM_TIMER, TileTimerId), 0);
    EXPECT_EQ(SaverMosaic.Order.Cursor, (before + 1) % SaverMosaic.Grid.SlotCount);
}

TEST_F(HostWindow, PaintHidesTheCursorUntilClosing) {
    CreateFullScreen();
    for (int closing : {0, 1}) {
        HostState.IsClosing = closing;
        ShowSomeCursor();
        InvalidateRect(window_, nullptr, FALSE);
        UpdateWindow(window_);
        EXPECT_EQ(CursorHidden(), closing == 0);
        EXPECT_FALSE(GetUpdateRect(window_, nullptr, FALSE)) << "validated, closing " << closing;
    }
}

// The platform refuses to post WM_HELP, whose lParam is a pointer; it is
// answered all the same and never handed to the platform, which would send
// it to the host itself.
TEST_F(HostWindow, PreviewForwardsHelpToItsHost) {
    CreatePreview();
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

}  // namespace
