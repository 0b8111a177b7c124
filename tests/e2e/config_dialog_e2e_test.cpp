// Configuration mode of the built Brasswick.scr as a process of its own:
// real keys, exit codes, the owner window, the written file, a screenshot.
// What the dialog shows and writes for each file is tested in-process.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "brasswick_version.h"
#include "resources/resource_ids.h"
#include "saver_process.h"
#include "tests/shared/saved_state.h"
#include "tests/shared/screen_pixels.h"
#include "tests/shared/window_text.h"

namespace {

// The visible dialog of one process: class #32770, caption starting with
// the product name (the rest depends on the code page).
HWND WaitForDialogOf(const SaverProcess& saver) {
    HWND dialog = nullptr;
    WaitUntil([&] {
        for (HWND window : WindowsOfProcess(saver.Info.dwProcessId)) {
            char className[32] = {}, caption[64] = {};
            GetClassNameA(window, className, sizeof className);
            GetWindowTextA(window, caption, sizeof caption);
            if (std::string(className) == "#32770" && std::string(caption).rfind("Brasswick", 0) == 0 &&
                IsWindowVisible(window))
                dialog = window;
        }
        return dialog != nullptr;
    }, 15000);
    return dialog;
}

// The period's text leaves its template value "0000" at the first paint.
bool WaitForText(HWND dialog, const std::string& freq = "") {
    return WaitUntil([&] {
        const std::string now = ItemText(dialog, IDC_FREQ_TEXT);
        return freq.empty() ? now != "0000" && !now.empty() : now == freq;
    }, 10000);
}

// The key ends the dialog; STILL_ACTIVE when the process still runs 15 s later.
DWORD ExitCodeAfterKey(SaverProcess& saver, WORD virtualKey) {
    PressKeyOnKeyboard(virtualKey);
    DWORD exitCode = 0;
    return WaitForExit(saver, 15000, exitCode) ? exitCode : STILL_ACTIVE;
}

class ConfigModeEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        settings_ = SaveFile(SettingsFilePath());
        DeleteFileA(settings_.Path.c_str());
    }
    void TearDown() override { RestoreFile(settings_); }

    SavedFile settings_;
};

TEST_F(ConfigModeEndToEnd, EnterEndsTheDialogWithOneAndWritesTheFile) {
    SaverProcess saver = StartSaver("/c");
    ASSERT_TRUE(saver.Started);
    HWND dialog = WaitForDialogOf(saver);
    ASSERT_NE(dialog, nullptr) << "no dialog";
    ASSERT_TRUE(WaitForText(dialog));
    // The keyboard starts on the period slider.
    PressKeyOnKeyboard(VK_RIGHT);
    PressKeyOnKeyboard(VK_RIGHT);
    EXPECT_TRUE(WaitForText(dialog, "302"));
    EXPECT_EQ(ExitCodeAfterKey(saver, VK_RETURN), 1u);
    EXPECT_EQ(ReadWholeFile(SettingsFilePath()),
              "[SETTINGS]\r\nTHRES5=64\r\nTHRES4=32\r\nTHRES3=16\r\nTHRES2=8\r\nTHRES1=4\r\nFREQ=302\r\nTHRES0=2\r\n");
    EndSaver(saver);
}

TEST_F(ConfigModeEndToEnd, OwnerIsTheLiveWindowAfterTheColonElseTheForegroundWindow) {
    auto makeWindow = [](const char* title, int x) {
        return CreateWindowExA(0, "STATIC", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, 100, 300, 200, nullptr,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
    };
    HWND front = makeWindow("front", 600);
    HWND other = makeWindow("other", 100);
    HWND stale = HandleOfNoWindow();
    ASSERT_NE(stale, nullptr);
    const std::pair<std::string, HWND> cases[] = {
        {"/c:" + Decimal(other), other},  // though another window is in front
        {"/c:" + Decimal(stale), front},
        {"/c " + Decimal(other), front},  // only ':' brings a handle
        {"/c", front},
        {"", nullptr},
    };
    for (const auto& c : cases) {
        SetForegroundWindow(front);
        ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == front; }, 5000));
        SaverProcess saver = StartSaver(c.first);
        HWND dialog = WaitForDialogOf(saver);
        EXPECT_NE(dialog, nullptr) << "'" << c.first << "'";
        if (dialog) {
            EXPECT_EQ(GetWindow(dialog, GW_OWNER), c.second) << "'" << c.first << "'";
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        }
        // Waiting handles our messages: the dialog's process may ask its owner.
        DWORD exitCode = 0;
        EXPECT_TRUE(WaitForExit(saver, 15000, exitCode)) << "'" << c.first << "'";
        EXPECT_EQ(exitCode, 2u) << "'" << c.first << "'";
        EndSaver(saver);
    }
    DestroyWindow(other);
    DestroyWindow(front);
}

TEST_F(ConfigModeEndToEnd, OnAJapaneseSystemShowsEveryControlAndEscapeCancels) {
    ASSERT_TRUE(LaunchSaverInJapanese("/c"));
    HWND dialog = WaitForTopLevelWindow("#32770", L"Brasswick\u8a2d\u5b9a", 20000);
    ASSERT_NE(dialog, nullptr) << "no dialog captioned Brasswick\u8a2d\u5b9a";
    SaverProcess saver = AttachToProcessOf(dialog);
    ASSERT_TRUE(saver.Started);
    ASSERT_TRUE(WaitForText(dialog));
    PumpMessagesFor(300);  // let the last paints reach the screen

    const std::wstring texts[] = {L"", L"", L"", L"", L"", L"", L"", L"OK", L"\uff77\uff6c\uff9d\uff7e\uff99",
                                  L"msec", L"\u5468\u671f\u8a2d\u5b9a", L"" BRASSWICK_VERSION_TEXT,
                                  L"\u3057\u304d\u3044\u5024", L"300", L"0-1", L"1-2", L"2-3", L"3-4", L"4-5", L"5-6"};
    std::vector<HWND> controls;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        controls.push_back(child);
    ASSERT_EQ(controls.size(), 20u);

    RECT frame;
    GetWindowRect(dialog, &frame);
    const Screenshot shot = CaptureScreen(frame);
    const std::string folder = ProgramFolder() + "\\..\\..\\screenshots";
    CreateDirectoryA(folder.c_str(), nullptr);
    EXPECT_TRUE(SaveBitmap(shot, folder + "\\config-dialog.bmp")) << folder;

    const COLORREF btnFace = GetSysColor(COLOR_BTNFACE);
    const Rgb face = {GetRValue(btnFace), GetGValue(btnFace), GetBValue(btnFace)};
    for (size_t i = 0; i < controls.size(); ++i) {
        wchar_t text[64] = {};
        GetWindowTextW(controls[i], text, 64);
        EXPECT_EQ(text, texts[i]) << "control " << i + 1;
        EXPECT_TRUE(IsWindowVisible(controls[i])) << "control " << i + 1;
        RECT placed;
        GetWindowRect(controls[i], &placed);
        EXPECT_GT(PixelsOtherThan(shot, placed, face), 0) << "nothing drawn for control " << i + 1;
    }

    // A move, then Escape: nothing is written.
    PressKeyOnKeyboard(VK_RIGHT);
    EXPECT_TRUE(WaitForText(dialog, "301"));
    EXPECT_EQ(ExitCodeAfterKey(saver, VK_ESCAPE), 2u);
    EXPECT_FALSE(FileExists(SettingsFilePath()));
    EndSaver(saver);
}

}  // namespace
