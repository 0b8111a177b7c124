#include "saver_window_fixture.h"

#include "host/host_state.h"
#include "host/password_hooks.h"
#include "host/saver_window.h"
#include "sound/sound_meter_state.h"
#include "tests/shared/preview_pane.h"
#include "tests/shared/wait_until.h"

int HostHelpRequests = 0;

namespace {

LRESULT CALLBACK RecordingHostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_HELP) ++HostHelpRequests;
    return DefWindowProcA(window, message, wParam, lParam);
}

void RegisterSaverClassOnce() {
    static bool registered = false;
    if (registered) return;
    ASSERT_TRUE(RegisterSaverClass());
    registered = true;
}

}  // namespace

void SaverWindowTest::SetUp() {
    ResetHostState();
    HostState.Instance = GetModuleHandleA(nullptr);
    RegisterSaverClassOnce();
}

// Sleeps between polls: what the window posted meanwhile is the test's to read.
bool WaitForMeterIdle(DWORD timeoutMs) {
    return WaitUntil([] { return SoundMeter.Busy.load() == 0 && SoundMeter.CaptureWanted.load() == 0; }, timeoutMs,
                     BetweenPolls::Sleep);
}

// The saver opens the sound input once per process; the tests open it once
// per window. Each window's device is let finish its capture first, so that
// no test starts while the last one's device still captures.
void SaverWindowTest::TearDown() {
    WaitForMeterIdle(10000);
    if (window_ && IsWindow(window_)) DestroyWindow(window_);
    if (host_ && IsWindow(host_)) DestroyWindow(host_);
    window_ = host_ = nullptr;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_POSTMESSAGE)) {
    }
    PasswordProvider = PasswordProviderRecord{nullptr, nullptr};
    ResetHostState();
}

HWND SaverWindowTest::CreateFullScreen() {
    window_ = CreateSaverWindow(nullptr);
    UpdateWindow(window_);
    TakePosted();
    return window_;
}

HWND SaverWindowTest::CreatePreview() {
    host_ = CreatePaneWindow("BrasswickTestHost", RecordingHostProc, WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                             "Display settings", 50, 50);
    window_ = CreateSaverWindow(host_);
    UpdateWindow(window_);
    TakePosted();
    return window_;
}

std::vector<UINT> SaverWindowTest::TakePosted() {
    std::vector<UINT> posted;
    MSG message;
    // Posted messages only: a pending WM_PAINT would come back for ever.
    const UINT flags = PM_REMOVE | PM_NOYIELD | PM_QS_POSTMESSAGE;
    while (PeekMessageA(&message, window_, 0, 0, flags)) posted.push_back(message.message);
    while (PeekMessageA(&message, reinterpret_cast<HWND>(-1), 0, 0, flags))
        posted.push_back(message.message);  // thread messages: WM_QUIT
    return posted;
}

int SaverWindowTest::TakePostedCloses() {
    int closes = 0;
    for (UINT message : TakePosted()) closes += message == WM_CLOSE;
    return closes;
}

LRESULT SaverWindowTest::Send(UINT message, WPARAM wParam, LPARAM lParam) {
    return SendMessageA(window_, message, wParam, lParam);
}

bool CursorHidden() {
    return GetCursor() == nullptr;
}

void ShowSomeCursor() {
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
}
