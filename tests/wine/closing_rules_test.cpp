// The host's default handling: which events ask the saver to close, and how
// a close is judged.
#include "saver_window_fixture.h"

#include "host/host_state.h"
#include "host/password_hooks.h"

namespace {

using ClosingRules = SaverWindowTest;

// Puts the reference point where the cursor is now, then moves the cursor.
void MoveCursorFromReference(int dx, int dy) {
    POINT start = {400, 300};
    ASSERT_TRUE(SetCursorPos(start.x, start.y));
    HostState.LastCursorPos = start;
    ASSERT_TRUE(SetCursorPos(start.x + dx, start.y + dy));
}

TEST_F(ClosingRules, MouseTravelBeyondFourPixelsCloses) {
    CreateFullScreen();
    MoveCursorFromReference(2, 2);
    Send(WM_MOUSEMOVE);
    EXPECT_EQ(TakePostedCloses(), 0);
    EXPECT_EQ(HostState.LastCursorPos.x, 400);

    MoveCursorFromReference(3, 2);
    Send(WM_MOUSEMOVE);
    EXPECT_EQ(TakePostedCloses(), 1);
    EXPECT_EQ(HostState.LastCursorPos.x, 403) << "the reference moves with the close request";
    EXPECT_EQ(HostState.LastCursorPos.y, 302);
}

TEST_F(ClosingRules, CreepingAddsUpFromTheReference) {
    CreateFullScreen();
    MoveCursorFromReference(0, 0);
    int closedAt = 0;
    for (int step = 1; step <= 6 && !closedAt; ++step) {
        SetCursorPos(400 + step, 300);
        Send(WM_MOUSEMOVE);
        if (TakePostedCloses()) closedAt = step;
    }
    EXPECT_EQ(closedAt, 5);
}

// The position comes from the cursor, never from the message.
TEST_F(ClosingRules, MoveWithTheCursorStillPostsNothing) {
    CreateFullScreen();
    MoveCursorFromReference(0, 0);
    Send(WM_MOUSEMOVE, 0, MAKELPARAM(900, 700));
    EXPECT_EQ(TakePostedCloses(), 0);
}

TEST_F(ClosingRules, KeysAndClicksCloseAndStillReachThePlatform) {
    CreateFullScreen();
    for (UINT message : {WM_KEYDOWN, WM_SYSKEYDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN}) {
        Send(message, 'A');
        EXPECT_EQ(TakePostedCloses(), 1) << std::hex << message;
    }
    for (UINT message : {WM_KEYUP, WM_CHAR, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_MOUSEWHEEL}) {
        Send(message);
        EXPECT_EQ(TakePostedCloses(), 0) << std::hex << message;
    }
}

TEST_F(ClosingRules, DeactivationCloses) {
    CreateFullScreen();
    Send(WM_ACTIVATEAPP, TRUE);
    EXPECT_EQ(TakePostedCloses(), 0);
    Send(WM_ACTIVATEAPP, FALSE);
    EXPECT_EQ(TakePostedCloses(), 1);
}

TEST_F(ClosingRules, CriticalResumeCloses) {
    CreateFullScreen();
    Send(WM_POWER, PWR_SUSPENDREQUEST);
    Send(WM_POWER, PWR_SUSPENDRESUME);
    EXPECT_EQ(TakePostedCloses(), 0);
    Send(WM_POWER, PWR_CRITICALRESUME);
    EXPECT_EQ(TakePostedCloses(), 1);
}

TEST_F(ClosingRules, PowerBroadcastsCloseUnlessResumingFromFailure) {
    CreateFullScreen();
    for (WPARAM event : {WPARAM(PBT_APMQUERYSUSPEND), WPARAM(PBT_APMSUSPEND), WPARAM(PBT_APMBATTERYLOW),
                          WPARAM(PBT_APMOEMEVENT), WPARAM(0x77)}) {
        Send(WM_POWERBROADCAST, event);
        EXPECT_EQ(TakePostedCloses(), 1) << event;
    }
    for (WPARAM event : {WPARAM(PBT_APMRESUMESUSPEND), WPARAM(PBT_APMRESUMEAUTOMATIC), WPARAM(PBT_APMRESUMECRITICAL)}) {
        Send(WM_POWERBROADCAST, event, PBTF_APMRESUMEFROMFAILURE);
        EXPECT_EQ(TakePostedCloses(), 0) << event;
        Send(WM_POWERBROADCAST, event, 0);
        EXPECT_EQ(TakePostedCloses(), 1) << event;
    }
}

TEST_F(ClosingRules, PowerStatusChangeClosesOnlyWhenTheMainsChange) {
    CreateFullScreen();
    SYSTEM_POWER_STATUS status;
    const BYTE now = GetSystemPowerStatus(&status) ? status.ACLineStatus : 255;
    HostState.AcLineStatus = now;
    Send(WM_POWERBROADCAST, PBT_APMPOWERSTATUSCHANGE);
    EXPECT_EQ(TakePostedCloses(), 0);

    HostState.AcLineStatus = static_cast<BYTE>(now == 0 ? 1 : 0);
    Send(WM_POWERBROADCAST, PBT_APMPOWERSTATUSCHANGE);
    EXPECT_EQ(TakePostedCloses(), 1);
    EXPECT_EQ(HostState.AcLineStatus, now) << "the new status is kept";
}

TEST_F(ClosingRules, CursorStaysHiddenWhileRunning) {
    CreateFullScreen();
    ShowSomeCursor();
    EXPECT_EQ(Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(window_), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), TRUE);
    EXPECT_TRUE(CursorHidden());
    ShowSomeCursor();
    Send(WM_SHOWWINDOW, TRUE);
    EXPECT_TRUE(CursorHidden());
    ShowSomeCursor();
    Send(WM_SHOWWINDOW, FALSE);
    EXPECT_FALSE(CursorHidden());
}

// The platform's own WM_SETCURSOR answer for a window without a class cursor.
TEST_F(ClosingRules, CursorIsThePlatformsWhenClosingVerifyingOrInPreview) {
    CreateFullScreen();
    const LPARAM hit = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
    for (int state = 0; state < 2; ++state) {
        HostState.IsClosing = state == 0;
        HostState.IsVerifying = state == 1;
        ShowSomeCursor();
        EXPECT_EQ(Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(window_), hit),
                  DefWindowProcA(window_, WM_SETCURSOR, reinterpret_cast<WPARAM>(window_), hit));
        EXPECT_FALSE(CursorHidden()) << state;
    }
}

TEST_F(ClosingRules, NothingClosesThePreview) {
    CreatePreviewHost(152, 112);
    CreatePreview(host_);
    MoveCursorFromReference(30, 30);
    for (UINT message : {WM_KEYDOWN, WM_SYSKEYDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN, WM_MOUSEMOVE})
        Send(message);
    Send(WM_ACTIVATEAPP, FALSE);
    Send(WM_POWERBROADCAST, PBT_APMSUSPEND);
    Send(WM_POWER, PWR_CRITICALRESUME);
    EXPECT_EQ(TakePostedCloses(), 0);
    EXPECT_TRUE(IsWindow(window_));
    ShowSomeCursor();
    Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(window_), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_FALSE(CursorHidden());
    Send(WM_CLOSE);
    EXPECT_FALSE(IsWindow(window_));
}

TEST_F(ClosingRules, CloseDestroysAtOnceOutsideWindows9x) {
    CreateFullScreen();
    Send(WM_CLOSE);
    EXPECT_FALSE(IsWindow(window_));
    EXPECT_EQ(HostState.IsClosing, 0);
}

TEST_F(ClosingRules, NoAutoPlayAnswerOutsideWindows9x) {
    CreateFullScreen();
    EXPECT_EQ(HostState.AutoPlayMessage, 0u);
    EXPECT_EQ(Send(WM_NULL), 0);
    EXPECT_EQ(Send(VerifyPasswordMessage), 0);
    EXPECT_EQ(TakePostedCloses(), 0);
}

}  // namespace
