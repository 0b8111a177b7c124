// Closing on Windows 9x, where the platform's password provider has the say.
#include "saver_window_fixture.h"

#include "tests/shared/saved_state.h"

#include "host/host_state.h"
#include "host/password_hooks.h"
#include "mosaic/tile_saver.h"

namespace {

// Stands in for "VerifyScreenSavePwd"; checks what the saver lets happen
// while the prompt is open.
struct PromptRecord {
    BOOL Answer;
    int Calls;
    LONG VerifyingDuringPrompt;
    LRESULT NestedCloseResult;
} Prompt;

BOOL WINAPI AnswerPrompt(HWND window) {
    ++Prompt.Calls;
    Prompt.VerifyingDuringPrompt = HostState.IsVerifying;
    if (Prompt.Calls == 1) {
        SendMessageA(window, WM_KEYDOWN, 'A', 0);
        Prompt.NestedCloseResult = SendMessageA(window, WM_CLOSE, 0, 0);
    }
    return Prompt.Answer;
}

class PasswordHooks : public SaverWindowTest {
protected:
    void SetUp() override {
        SaverWindowTest::SetUp();
        HostState.IsWin9x = 1;
        Prompt = PromptRecord{0, 0, 0, -1};
    }
    void UseProvider(BOOL answer) {
        Prompt.Answer = answer;
        PasswordProvider.VerifyEntry = AnswerPrompt;
    }
};

TEST_F(PasswordHooks, WithoutProviderTheFirstCloseIsGranted) {
    CreateFullScreen();
    Send(WM_CLOSE);
    EXPECT_EQ(HostState.IsClosing, 1);
    EXPECT_FALSE(IsWindow(window_));
}

TEST_F(PasswordHooks, RefusedPromptKeepsTheSaverRunningAndNothingClosesMeanwhile) {
    CreateFullScreen();
    UseProvider(FALSE);
    SetCursorPos(640, 480);
    HostState.LastCursorPos = {1, 1};
    ShowSomeCursor();
    EXPECT_EQ(Send(WM_CLOSE), 0);
    EXPECT_TRUE(IsWindow(window_));
    EXPECT_EQ(Prompt.VerifyingDuringPrompt, 1);
    EXPECT_EQ(Prompt.NestedCloseResult, 0) << "a second close is refused";
    EXPECT_EQ(Prompt.Calls, 1) << "without a second prompt";
    EXPECT_EQ(TakePostedCloses(), 0) << "keys during the prompt ask nothing";
    EXPECT_EQ(HostState.IsClosing, 0);
    EXPECT_EQ(HostState.IsVerifying, 0);
    EXPECT_TRUE(CursorHidden());
    EXPECT_EQ(HostState.LastCursorPos.x, 640) << "travel during the prompt must not close at once";
    EXPECT_EQ(HostState.LastCursorPos.y, 480);
    EXPECT_LT(GetTickCount() - HostState.LastVerifyTick, 1000u);
}

TEST_F(PasswordHooks, PromptsAtMostOncePer200Milliseconds) {
    CreateFullScreen();
    UseProvider(FALSE);
    Send(WM_CLOSE);
    ASSERT_EQ(Prompt.Calls, 1);
    Send(WM_CLOSE);
    EXPECT_EQ(Prompt.Calls, 1);
    HostState.LastVerifyTick = GetTickCount() - 150;
    Send(WM_CLOSE);
    EXPECT_EQ(Prompt.Calls, 1);
    HostState.LastVerifyTick = GetTickCount() - 200;
    Send(WM_CLOSE);
    EXPECT_EQ(Prompt.Calls, 2);
    EXPECT_TRUE(IsWindow(window_));
}

TEST_F(PasswordHooks, AnyNonzeroAnswerGrantsAndIsKept) {
    CreateFullScreen();
    UseProvider(2);
    Send(WM_CLOSE);
    EXPECT_EQ(HostState.IsClosing, 2);
    EXPECT_FALSE(IsWindow(window_));
}

TEST_F(PasswordHooks, TicksQueuedBeforeThePromptAreDropped) {
    CreateFullScreen();
    KillTimer(window_, TileTimerId);
    UseProvider(FALSE);
    for (int i = 0; i < 3; ++i) PostMessageA(window_, WM_TIMER, TileTimerId, 0);
    Send(WM_CLOSE);
    int ticks = 0;
    for (UINT message : TakePosted()) ticks += message == WM_TIMER;
    EXPECT_EQ(ticks, 1);
}

TEST_F(PasswordHooks, VerifyMessageAsksTheProvider) {
    CreateFullScreen();
    EXPECT_EQ(Send(VerifyPasswordMessage), 1) << "no provider: granted";
    UseProvider(2);
    Prompt.Calls = 1;  // skip the nested checks
    EXPECT_EQ(Send(VerifyPasswordMessage), 2);
}

TEST_F(PasswordHooks, AutoPlayClosesAndAnswersByProvider) {
    HostState.AutoPlayMessage = RegisterWindowMessageA("QueryCancelAutoPlay");
    ASSERT_NE(HostState.AutoPlayMessage, 0u);
    CreateFullScreen();
    EXPECT_EQ(Send(HostState.AutoPlayMessage), 0);
    EXPECT_EQ(TakePostedCloses(), 1);
    UseProvider(FALSE);
    EXPECT_EQ(Send(HostState.AutoPlayMessage), 1);
    EXPECT_EQ(TakePostedCloses(), 1);
    EXPECT_EQ(Prompt.Calls, 0) << "the request is judged when it arrives";
}

TEST_F(PasswordHooks, AutoPlayClosesEvenThePreview) {
    HostState.AutoPlayMessage = RegisterWindowMessageA("QueryCancelAutoPlay");
    CreatePreview();
    EXPECT_EQ(Send(HostState.AutoPlayMessage), 0);
    EXPECT_EQ(TakePostedCloses(), 1);
}

// The registry switch "ScreenSaveUsePassword", saved and put back around each case.
class PasswordSwitch : public PasswordHooks {
protected:
    void SetUp() override {
        PasswordHooks::SetUp();
        switch_ = SaveRegistryValue(HKEY_CURRENT_USER, "Control Panel\\Desktop", "ScreenSaveUsePassword");
    }
    void TearDown() override {
        RestoreRegistryValue(switch_);
        UnloadPasswordProvider();
        PasswordHooks::TearDown();
    }
    static BOOL SaverRunningMark() {
        BOOL running = FALSE;
        SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
        return running;
    }

    SavedRegistryValue switch_;
};

TEST_F(PasswordSwitch, OffOrMissingLoadsNothingAndLeavesTheMark) {
    // Missing, off, and too long for the query to succeed.
    const BYTE data[8] = {1, 0, 0, 0, 0, 0, 0, 0};
    for (DWORD size : {0, 4, 8}) {
        const BYTE off[4] = {};
        ASSERT_TRUE(size == 0 ? DeleteRegistryValue(switch_)
                              : SetRegistryValue(switch_, REG_BINARY, size == 4 ? off : data, size));
        for (BOOL mark : {TRUE, FALSE}) {
            SystemParametersInfoA(SPI_SCREENSAVERRUNNING, mark, nullptr, 0);
            LoadPasswordProvider();
            EXPECT_EQ(PasswordProvider.ProviderModule, nullptr) << size << " bytes";
            EXPECT_EQ(PasswordProvider.VerifyEntry, nullptr) << size << " bytes";
            UnloadPasswordProvider();
            EXPECT_EQ(SaverRunningMark(), mark) << size << " bytes: mark untouched";
        }
    }
}

// The PASSWORD.CPL double lies beside the test program, where LoadLibrary looks.
TEST_F(PasswordSwitch, OnLoadsTheProviderAndMarksTheSaverRunning) {
    const DWORD on = 1;
    ASSERT_TRUE(SetRegistryValue(switch_, REG_DWORD, reinterpret_cast<const BYTE*>(&on), sizeof on));
    SystemParametersInfoA(SPI_SCREENSAVERRUNNING, FALSE, nullptr, 0);
    LoadPasswordProvider();
    ASSERT_NE(PasswordProvider.ProviderModule, nullptr);
    EXPECT_EQ(PasswordProvider.ProviderModule, GetModuleHandleA("PASSWORD.CPL"));
    EXPECT_NE(PasswordProvider.VerifyEntry, nullptr);
    EXPECT_TRUE(SaverRunningMark());

    LoadPasswordProvider();  // a second load releases the first
    EXPECT_NE(PasswordProvider.VerifyEntry, nullptr);
    EXPECT_TRUE(SaverRunningMark());

    UnloadPasswordProvider();
    EXPECT_EQ(PasswordProvider.ProviderModule, nullptr);
    EXPECT_EQ(PasswordProvider.VerifyEntry, nullptr);
    EXPECT_EQ(GetModuleHandleA("PASSWORD.CPL"), nullptr) << "loaded once, freed once";
    EXPECT_FALSE(SaverRunningMark());
}

TEST_F(PasswordSwitch, NothingHappensOutsideWindows9x) {
    const DWORD on = 1;
    ASSERT_TRUE(SetRegistryValue(switch_, REG_BINARY, reinterpret_cast<const BYTE*>(&on), 4));
    HostState.IsWin9x = 0;
    SystemParametersInfoA(SPI_SCREENSAVERRUNNING, FALSE, nullptr, 0);
    LoadPasswordProvider();
    EXPECT_EQ(PasswordProvider.ProviderModule, nullptr);
    SetSaverRunning(TRUE);
    EXPECT_FALSE(SaverRunningMark());
}

}  // namespace
