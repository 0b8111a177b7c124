// Configuration mode of the built Brasswick.scr as a process of its own:
// real keys, exit codes, the owner window, the written file, a screenshot.
// What the dialog shows and writes for each file is tested in-process.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "brasswick_version.h"
#include "resources/resource_ids.h"
#include "saver_process.h"
#include "tests/shared/room_tone.h"
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
    // The room's seven controls follow the template's first twenty.
    ASSERT_EQ(controls.size(), 29u);
    EXPECT_EQ(GetDlgCtrlID(controls[20]), IDC_ROOM_FRAME);
    controls.resize(20);

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

// What the dialog's room shows, read from this process as a screen reader
// or a test would read it.
struct RoomSeen {
    int Low = 1000, High = -1;  // of the level bar
    std::set<int> Bands;
    std::string Status;
};

void WatchRoom(HWND dialog, DWORD ms, RoomSeen& seen) {
    const DWORD start = GetTickCount();
    do {
        const int level = static_cast<int>(SendDlgItemMessageA(dialog, IDC_LEVEL_BAR, PBM_GETPOS, 0, 0));
        seen.Low = std::min(seen.Low, level);
        seen.High = std::max(seen.High, level);
        seen.Bands.insert(std::atoi(ItemText(dialog, IDC_LEVEL_BAND).c_str()));
        seen.Status = ItemText(dialog, IDC_LISTENING_TEXT);
        PumpMessagesFor(25);
    } while (GetTickCount() - start < ms);
}

std::string Describe(const RoomSeen& seen) {
    std::string bands;
    for (int band : seen.Bands) bands += std::to_string(band) + " ";
    return "level " + std::to_string(seen.Low) + " to " + std::to_string(seen.High) + ", bands " + bands + ", '" +
           seen.Status + "'";
}

// The selection's text, through the control's own answer.
std::string ChosenInput(HWND dialog) {
    char text[256] = {};
    SendDlgItemMessageA(dialog, IDC_INPUT_LIST, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

std::string InputItems(HWND dialog) {
    std::string items;
    const LRESULT count = SendDlgItemMessageA(dialog, IDC_INPUT_LIST, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t text[256] = {};
        SendDlgItemMessageW(dialog, IDC_INPUT_LIST, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        items += "'" + std::string(text, text + lstrlenW(text)) + "' ";
    }
    return items;
}

// As a user's pick does: the selection, then its notification. Wine hands
// another process's list texts over as UTF-16 only.
bool PickInput(HWND dialog, const std::string& name) {
    HWND list = GetDlgItem(dialog, IDC_INPUT_LIST);
    const std::wstring wide(name.begin(), name.end());
    const LRESULT item =
        SendMessageW(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(wide.c_str()));
    if (item == CB_ERR) return false;
    SendMessageA(list, CB_SETCURSEL, item, 0);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_INPUT_LIST, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    return true;
}

class RoomEndToEnd : public ConfigModeEndToEnd {
protected:
    void TearDown() override {
        StopTone(tone_);
        ConfigModeEndToEnd::TearDown();
    }

    // Loud, then quiet, twice, while the dialog is watched.
    void AlternateTone(HWND dialog, RoomSeen& loud, RoomSeen& quiet) {
        for (int round = 0; round < 2; ++round) {
            ASSERT_TRUE(StartTone(tone_, 100)) << "no sound output to play into the room";
            WatchRoom(dialog, 3000, loud);
            StopTone(tone_);
            WatchRoom(dialog, 3000, quiet);
        }
    }

    Tone tone_;
};

TEST_F(RoomEndToEnd, TheLevelBarAndItsBandFollowALoudAndQuietRoom) {
    SaverProcess saver = StartSaver("/c");
    ASSERT_TRUE(saver.Started);
    HWND dialog = WaitForDialogOf(saver);
    ASSERT_NE(dialog, nullptr) << "no dialog";
    ASSERT_TRUE(WaitForText(dialog));
    HWND bar = GetDlgItem(dialog, IDC_LEVEL_BAR);
    char className[32] = {};
    GetClassNameA(bar, className, sizeof className);
    EXPECT_STREQ(className, "msctls_progress32");
    EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, TRUE, 0), 0);
    EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 127);
    EXPECT_EQ(ChosenInput(dialog), "Default input");

    RoomSeen loud, quiet;
    AlternateTone(dialog, loud, quiet);
    EXPECT_GE(loud.High - quiet.Low, 127 / 4) << "loud: " << Describe(loud) << "; quiet: " << Describe(quiet);
    EXPECT_EQ(quiet.Low, 0) << Describe(quiet);
    EXPECT_TRUE(loud.Bands.count(6)) << Describe(loud);
    EXPECT_TRUE(quiet.Bands.count(0)) << Describe(quiet);
    EXPECT_EQ(loud.Status.rfind("Listening to ", 0), 0u) << loud.Status;

    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    DWORD exitCode = 0;
    EXPECT_TRUE(WaitForExit(saver, 15000, exitCode));
    EXPECT_EQ(exitCode, 2u);
    EndSaver(saver);
}

// A second, silent sink's monitor is the default input; the tone plays into
// the room's sink, whose monitor Wine lists as an input of its own.
TEST_F(RoomEndToEnd, ChoosingTheRoomsMonitorHearsTheToneThatTheDefaultInputDoesNot) {
    QuietDefaultInput quiet;
    ASSERT_TRUE(quiet.Made) << "pactl could not add the silent sink";
    SaverProcess saver = StartSaver("/c");
    HWND dialog = WaitForDialogOf(saver);
    ASSERT_NE(dialog, nullptr) << "no dialog";
    ASSERT_TRUE(WaitForText(dialog));
    RoomSeen heardByDefault, quietByDefault;
    AlternateTone(dialog, heardByDefault, quietByDefault);
    EXPECT_LT(heardByDefault.High, 8) << Describe(heardByDefault);

    ASSERT_TRUE(WaitUntil([&] { return PickInput(dialog, "Monitor of room"); }, 10000))
        << "no input Monitor of room among " << InputItems(dialog);
    RoomSeen loud, silent;
    AlternateTone(dialog, loud, silent);
    EXPECT_GE(loud.High - silent.Low, 127 / 4) << "loud: " << Describe(loud) << "; quiet: " << Describe(silent);
    EXPECT_TRUE(loud.Bands.count(6)) << Describe(loud);
    EXPECT_EQ(loud.Status, "Listening to Monitor of room.");
    PressKeyOnKeyboard(VK_RETURN);
    DWORD exitCode = 0;
    EXPECT_TRUE(WaitForExit(saver, 15000, exitCode));
    EXPECT_EQ(exitCode, 1u);
    EndSaver(saver);
    EXPECT_NE(ReadWholeFile(SettingsFilePath()).find("\r\nINPUT=Monitor of room\r\n"), std::string::npos);
}

// The stand-in winmm.dll (tests/doubles/winmm_dll.cpp) as the saver's
// sound driver, misbehaving as BRASSWICK_WINMM says.
class RoomWithStandInDriver : public ConfigModeEndToEnd {
protected:
    void SetUp() override {
        ConfigModeEndToEnd::SetUp();
        override_ = SaveRegistryValue(HKEY_CURRENT_USER, std::string(AppDefaults) + "\\DllOverrides", "winmm");
        version_ = SaveRegistryValue(HKEY_CURRENT_USER, AppDefaults, "Version");
        answer_ = SaveFile(ProgramFolder() + "\\winmm.dll.answer");
        ASSERT_TRUE(SetRegistryString(override_, "native,builtin"));
    }
    void TearDown() override {
        EndSaver(saver_);
        RestoreFile(answer_);
        RestoreRegistryValue(version_);
        RestoreRegistryValue(override_);
        ConfigModeEndToEnd::TearDown();
    }

    // The dialog of a saver started with the driver's behaviour; Wine hands
    // a program's environment only through the Unix side.
    HWND Open(const std::string& behaviour) {
        EndSaver(saver_);
        if (!LaunchSaverThroughShell("LC_ALL=ja_JP.UTF-8 BRASSWICK_WINMM='" + behaviour + "'", "/c")) return nullptr;
        HWND dialog = WaitForTopLevelWindow("#32770", L"Brasswick\u8a2d\u5b9a", 20000);
        if (dialog) saver_ = AttachToProcessOf(dialog);
        return dialog && WaitForText(dialog) ? dialog : nullptr;
    }

    static constexpr char AppDefaults[] = "Software\\Wine\\AppDefaults\\Brasswick.scr";
    SavedRegistryValue override_, version_;
    SavedFile answer_;
    SaverProcess saver_;
};

TEST_F(RoomWithStandInDriver, AFailedOpenNamesItsCodeAndOffersThePrivacyPageFromWindows10On) {
    for (const char* version : {"win10", "win7"}) {
        ASSERT_TRUE(SetRegistryString(version_, version));
        HWND dialog = Open("failing 0");
        ASSERT_NE(dialog, nullptr) << version;
        RoomSeen seen;
        WaitUntil(
            [&] {
            WatchRoom(dialog, 100, seen);
            return seen.Status.find("code 1") != std::string::npos;
            },
            10000);
        EXPECT_EQ(seen.Status,
                  "Could not open the default input (MMSYSERR_ERROR, code 1): the saver paints random tiles.")
            << version;
        EXPECT_EQ(seen.High, 0) << version;
        EXPECT_EQ(IsWindowVisible(GetDlgItem(dialog, IDC_PRIVACY_BUTTON)) != FALSE, std::string(version) == "win10")
            << version;
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        DWORD exitCode = 0;
        EXPECT_TRUE(WaitForExit(saver_, 15000, exitCode)) << version;
    }
}

// Against a driver whose open takes 3 s, OK and Cancel still answer at once
// and the process ends as soon as with a driver that behaves. The dialog
// starts on "None", so the open comes with the Defaults button, just before
// the click.
TEST_F(RoomWithStandInDriver, ADriverThatBlocksKeepsNeitherOkNorCancelWaiting) {
    const struct {
        const char* Behaviour;
        int Button;
    } runs[] = {{"well", IDOK}, {"blocking 0", IDOK}, {"blocking 0", IDCANCEL}, {"blocking 0", IDOK}};
    DWORD wellExitMs = 0;
    std::vector<DWORD> goneMs;
    for (const auto& run : runs) {
        ASSERT_TRUE(WriteWholeFile(settings_, "[SETTINGS]\r\nINPUT=none\r\n"));
        HWND dialog = Open(run.Behaviour);
        ASSERT_NE(dialog, nullptr) << run.Behaviour;
        PumpMessagesFor(500);
        PostMessageA(GetDlgItem(dialog, IDC_DEFAULTS_BUTTON), BM_CLICK, 0, 0);
        PumpMessagesFor(100);
        const DWORD start = GetTickCount();
        PostMessageA(GetDlgItem(dialog, run.Button), BM_CLICK, 0, 0);
        WaitUntil([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, 10000, BetweenPolls::Sleep);
        const DWORD gone = GetTickCount() - start;
        DWORD exitCode = 0;
        EXPECT_TRUE(WaitForExit(saver_, 15000, exitCode)) << run.Behaviour;
        const DWORD ended = GetTickCount() - start;
        std::printf("# %s, button %d: dialog gone after %lu ms, process ended after %lu ms\n", run.Behaviour,
                    run.Button, gone, ended);
        if (std::string(run.Behaviour) == "well") {
            wellExitMs = ended;
            continue;
        }
        goneMs.push_back(gone);
        // Wine's 64-bit loader alone takes about 2 s to end any program.
        EXPECT_LT(ended, wellExitMs + 1000) << run.Behaviour << " beside " << wellExitMs << " ms when it behaves";
    }
    std::sort(goneMs.begin(), goneMs.end());
    EXPECT_LE(goneMs[goneMs.size() / 2], 100u) << "median time for the dialog to go";
    RecordProperty("blocking_dialog_gone_median_ms", static_cast<int>(goneMs[goneMs.size() / 2]));
}

TEST_F(RoomWithStandInDriver, ADriverThatVanishesAndReturnsShowsInTheStatusThenTheLevelComesBack) {
    ASSERT_TRUE(WriteWholeFile(answer_, "100"));
    HWND dialog = Open("vanishing 4 9");
    ASSERT_NE(dialog, nullptr);
    RoomSeen before, meanwhile, after;
    WatchRoom(dialog, 3000, before);
    EXPECT_GE(before.High, 90) << Describe(before);
    EXPECT_EQ(before.Status, "Listening to Stand-in input.") << Describe(before);
    EXPECT_TRUE(WaitUntil(
        [&] {
        WatchRoom(dialog, 100, meanwhile);
        return meanwhile.Status.rfind("Listening to", 0) != 0;
        },
        8000))
        << "the status never changed";
    std::printf("# while vanished: %s\n", meanwhile.Status.c_str());
    EXPECT_TRUE(WaitUntil(
        [&] {
        after = RoomSeen{};
        WatchRoom(dialog, 500, after);
        return after.Low >= 90 && after.Status.rfind("Listening to", 0) == 0;
        },
        20000))
        << Describe(after);
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    DWORD exitCode = 0;
    EXPECT_TRUE(WaitForExit(saver_, 15000, exitCode));
}

}  // namespace
