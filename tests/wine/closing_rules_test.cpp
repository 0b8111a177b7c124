// Which events ask the saver to close, through the whole chain, in each mode.
#include "saver_window_fixture.h"

#include "host/host_state.h"
#include "host/password_hooks.h"

namespace {

constexpr int Skip = -1;

// Close requests posted: full screen, full screen once a close is granted, preview.
struct CloseCase {
    const char* Name;
    UINT Message;
    WPARAM WParam;
    LPARAM LParam;
    int Closes[3];
};

const CloseCase CloseCases[] = {
    {"key down", WM_KEYDOWN, 'A', 0, {1, 0, 0}},
    {"system key down", WM_SYSKEYDOWN, 0, 0, {1, 0, 0}},
    {"left button down", WM_LBUTTONDOWN, 0, 0, {1, 0, 0}},
    {"right button down", WM_RBUTTONDOWN, 0, 0, {1, 0, 0}},
    {"middle button down", WM_MBUTTONDOWN, 0, 0, {1, 0, 0}},
    {"key up", WM_KEYUP, 'A', 0, {0, 0, 0}},
    {"character", WM_CHAR, 'a', 0, {0, 0, 0}},
    {"left button up", WM_LBUTTONUP, 0, 0, {0, 0, 0}},
    {"double click", WM_LBUTTONDBLCLK, 0, 0, {0, 0, 0}},
    {"wheel", WM_MOUSEWHEEL, 0, 0, {0, 0, 0}},
    {"travel of 30 pixels", WM_MOUSEMOVE, 0, 0, {Skip, 0, 0}},
    {"activation", WM_ACTIVATEAPP, TRUE, 0, {0, 0, 0}},
    {"deactivation", WM_ACTIVATEAPP, FALSE, 0, {1, 0, 0}},
    {"suspend request", WM_POWER, PWR_SUSPENDREQUEST, 0, {0, 0, 0}},
    {"suspend resume", WM_POWER, PWR_SUSPENDRESUME, 0, {0, 0, 0}},
    {"critical resume", WM_POWER, PWR_CRITICALRESUME, 0, {1, 0, 0}},
    {"query suspend", WM_POWERBROADCAST, PBT_APMQUERYSUSPEND, 0, {1, 0, 0}},
    {"suspend", WM_POWERBROADCAST, PBT_APMSUSPEND, 0, {1, 0, 0}},
    {"battery low", WM_POWERBROADCAST, PBT_APMBATTERYLOW, 0, {1, 0, 0}},
    {"OEM event", WM_POWERBROADCAST, PBT_APMOEMEVENT, 0, {1, 0, 0}},
    {"unknown power event", WM_POWERBROADCAST, 0x77, 0, {1, 0, 0}},
    {"resume", WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0, {1, 0, 0}},
    {"resume automatic", WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0, {1, 0, 0}},
    {"resume critical", WM_POWERBROADCAST, PBT_APMRESUMECRITICAL, 0, {1, 0, 0}},
    {"resume from failure", WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, PBTF_APMRESUMEFROMFAILURE, {0, 0, 0}},
    {"automatic from failure", WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, PBTF_APMRESUMEFROMFAILURE, {0, 0, 0}},
    {"critical from failure", WM_POWERBROADCAST, PBT_APMRESUMECRITICAL, PBTF_APMRESUMEFROMFAILURE, {0, 0, 0}},
    // The preview hands these to the platform, which would act on them.
    {"screen saver command", WM_SYSCOMMAND, SC_SCREENSAVE, 0, {0, 0, Skip}},
    {"next window command", WM_SYSCOMMAND, SC_NEXTWINDOW, 0, {0, 0, Skip}},
    {"previous window command", WM_SYSCOMMAND, SC_PREVWINDOW, 0, {0, 0, Skip}},
    {"monitor power command", WM_SYSCOMMAND, SC_MONITORPOWER, 2, {1, 1, 0}},
    {"no message", WM_NULL, 0, 0, {0, 0, 0}},
    {"password check outside Windows 9x", VerifyPasswordMessage, 0, 0, {0, 0, 0}},
};

// Puts the saver's reference point where the cursor is, then moves the cursor.
void MoveCursorFromReference(int dx, int dy) {
    POINT start = {400, 300};
    ASSERT_TRUE(SetCursorPos(start.x, start.y));
    HostState.LastCursorPos = start;
    ASSERT_TRUE(SetCursorPos(start.x + dx, start.y + dy));
}

class ClosingRules : public SaverWindowTest {
protected:
    // mode: the column of CloseCase::Closes.
    void ExpectCloses(int mode) {
        ASSERT_NO_FATAL_FAILURE(MoveCursorFromReference(30, 0));
        for (const CloseCase& c : CloseCases) {
            if (c.Closes[mode] == Skip) continue;
            Send(c.Message, c.WParam, c.LParam);
            EXPECT_EQ(TakePostedCloses(), c.Closes[mode]) << c.Name;
        }
    }
};

TEST_F(ClosingRules, FullScreen) {
    CreateFullScreen();
    ExpectCloses(0);
    EXPECT_EQ(HostState.AutoPlayMessage, 0u) << "registered only on Windows 9x";
    for (WPARAM command : {SC_SCREENSAVE, SC_NEXTWINDOW, SC_PREVWINDOW})
        EXPECT_EQ(Send(WM_SYSCOMMAND, command), 0) << "swallowed " << std::hex << command;
    EXPECT_EQ(Send(VerifyPasswordMessage), 0);
    EXPECT_TRUE(IsWindow(window_));
}

TEST_F(ClosingRules, OnceACloseIsGranted) {
    CreateFullScreen();
    HostState.IsClosing = 1;
    ExpectCloses(1);
}

TEST_F(ClosingRules, Preview) {
    ShowSomeCursor();
    CreatePreview();
    EXPECT_FALSE(CursorHidden()) << "creation";
    ExpectCloses(2);
    ShowSomeCursor();
    Send(WM_PAINT);
    Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(window_), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_FALSE(CursorHidden());
    Send(WM_SYSCOMMAND, SC_CLOSE);
    EXPECT_FALSE(IsWindow(window_));
}

// Travel of 4 pixels, crept one at a time, does not close; 5 do. It counts
// from the reference point, which moves with each close request; the
// position comes from the cursor, never from the message.
TEST_F(ClosingRules, MouseTravelIsMeasuredFromTheReferencePoint) {
    CreateFullScreen();
    MoveCursorFromReference(0, 0);
    Send(WM_MOUSEMOVE, 0, MAKELPARAM(900, 700));
    EXPECT_EQ(TakePostedCloses(), 0);
    int closedAt = 0;
    for (int step = 1; step <= 6 && !closedAt; ++step) {
        SetCursorPos(400 + step, 300);
        Send(WM_MOUSEMOVE);
        if (TakePostedCloses()) closedAt = step;
    }
    EXPECT_EQ(closedAt, 5);
    EXPECT_EQ(HostState.LastCursorPos.x, 405);
    EXPECT_EQ(HostState.LastCursorPos.y, 300);
}

TEST_F(ClosingRules, PowerStatusChangeClosesOnlyWhenTheMainsChange) {
    CreateFullScreen();
    // Read apart from the code under test, so a wrong reading there shows.
    SYSTEM_POWER_STATUS status;
    const BYTE now = GetSystemPowerStatus(&status) ? status.ACLineStatus : AcLineUnknown;
    HostState.AcLineStatus = now;
    Send(WM_POWERBROADCAST, PBT_APMPOWERSTATUSCHANGE);
    EXPECT_EQ(TakePostedCloses(), 0);

    HostState.AcLineStatus = static_cast<BYTE>(now == 0 ? 1 : 0);
    Send(WM_POWERBROADCAST, PBT_APMPOWERSTATUSCHANGE);
    EXPECT_EQ(TakePostedCloses(), 1);
    EXPECT_EQ(HostState.AcLineStatus, now) << "the new status is kept";
}

TEST_F(ClosingRules, CursorStaysHiddenWhileRunningElseIsThePlatforms) {
    CreateFullScreen();
    const LPARAM hit = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
    ShowSomeCursor();
    EXPECT_EQ(Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(window_), hit), TRUE);
    EXPECT_TRUE(CursorHidden());
    ShowSomeCursor();
    Send(WM_SHOWWINDOW, TRUE);
    EXPECT_TRUE(CursorHidden());
    ShowSomeCursor();
    Send(WM_SHOWWINDOW, FALSE);
    EXPECT_FALSE(CursorHidden());
    // The platform's own answer, for a window without a class cursor.
    for (int state = 0; state < 2; ++state) {
        HostState.IsClosing = state == 0;
        HostState.IsVerifying = state == 1;
        ShowSomeCursor();
        EXPECT_EQ(Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(window_), hit),
                  DefWindowProcA(window_, WM_SETCURSOR, reinterpret_cast<WPARAM>(window_), hit));
        EXPECT_FALSE(CursorHidden()) << state;
    }
}

// SC_CLOSE reaches the platform, which sends WM_CLOSE back through the chain.
TEST_F(ClosingRules, CloseDestroysAtOnceOutsideWindows9xAndEndsTheLoopWithZero) {
    CreateFullScreen();
    Send(WM_SYSCOMMAND, SC_CLOSE);
    EXPECT_FALSE(IsWindow(window_));
    EXPECT_EQ(HostState.IsClosing, 0);
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 0u);
}

}  // namespace
