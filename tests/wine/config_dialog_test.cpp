// The configuration dialog, run for real and worked from a second thread,
// with the real settings file underneath it.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "dialog_driver.h"
#include "host/host_main.h"
#include "host/host_state.h"
#include "settings/config_dialog.h"
#include "settings_test_files.h"

namespace {

const char* const Keys[] = {"FREQ", "THRES0", "THRES1", "THRES2", "THRES3", "THRES4", "THRES5"};
const Thresholds DefaultThresholds = {2, 4, 8, 16, 32, 64};

struct Shown {
    std::string Version;
    std::string FreqText;
    int Freq = 0;
    Thresholds Levels{};
};

Shown ReadShown(HWND dialog) {
    Shown shown;
    shown.Version = ItemText(dialog, VersionText);
    shown.FreqText = ItemText(dialog, FreqValueText);
    shown.Freq = SliderPos(dialog, FreqSlider);
    shown.Levels = ThresholdPositions(dialog);
    return shown;
}

bool IsDecimalWithin(const std::string& text, long minimum, long maximum) {
    if (text.empty() || text.size() > 5) return false;
    size_t start = text[0] == '-' ? 1 : 0;
    if (start == text.size()) return false;
    for (size_t i = start; i < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9') return false;
    long value = std::atol(text.c_str());
    return value >= minimum && value <= maximum && std::to_string(value) == text;
}

class ConfigDialog : public ::testing::Test {
protected:
    void SetUp() override {
        kept_ = KeepSettingsFile();
        RemoveSettingsFile();
        instance_ = HostState.Instance;
    }
    void TearDown() override {
        HostState.Instance = instance_;
        RestoreSettingsFile(kept_);
    }

    // Opens the dialog, notes what it shows, then presses OK or Cancel.
    DrivenDialog ShowAndClose(Shown& shown, int button) {
        return DriveConfigDialog([&](HWND dialog) {
            shown = ReadShown(dialog);
            ClickButton(dialog, button);
        });
    }

    KeptFile kept_;
    HINSTANCE instance_ = nullptr;
};

TEST_F(ConfigDialog, WithoutAFileShowsTheDefaultsAndOkWritesThem) {
    Shown shown;
    DrivenDialog run = ShowAndClose(shown, IDOK);
    ASSERT_TRUE(run.Found);
    EXPECT_FALSE(run.EndedByDriver);
    EXPECT_EQ(run.Result, 1);
    EXPECT_EQ(shown.Version, "1.1.2");
    EXPECT_EQ(shown.Freq, 300);
    EXPECT_EQ(shown.FreqText, "300");
    EXPECT_EQ(shown.Levels, DefaultThresholds);

    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(SettingsFilePath(), bytes));
    EXPECT_EQ(bytes, "[SETTINGS]\r\nTHRES5=64\r\nTHRES4=32\r\nTHRES3=16\r\nTHRES2=8\r\nTHRES1=4\r\nFREQ=300\r\n"
                     "THRES0=2\r\n");
}

struct OutOfRangeCase {
    const char* File;
    int Freq;
    Thresholds Levels;
    const char* FreqWritten;
    const char* Thres0Written;
    const char* Thres5Written;
};

TEST_F(ConfigDialog, ValuesOutsideTheRangesShowAtTheNearestEndAndAreWrittenSo) {
    const OutOfRangeCase cases[] = {
        {"[SETTINGS]\r\nFREQ=20\r\n", 55, DefaultThresholds, "55", "2", "64"},
        {"[SETTINGS]\r\nFREQ=5000\r\n", 3000, DefaultThresholds, "3000", "2", "64"},
        {"[SETTINGS]\r\nFREQ=abc\r\n", 55, DefaultThresholds, "55", "2", "64"},
        {"[SETTINGS]\r\nTHRES5=200\r\nTHRES0=-5\r\n", 300, {0, 4, 8, 16, 32, 127}, "300", "0", "127"},
    };
    for (const OutOfRangeCase& c : cases) {
        PutSettingsFile(c.File);
        Shown shown;
        DrivenDialog run = ShowAndClose(shown, IDOK);
        ASSERT_TRUE(run.Found) << c.File;
        EXPECT_EQ(run.Result, 1) << c.File;
        EXPECT_EQ(shown.Freq, c.Freq) << c.File;
        EXPECT_EQ(shown.FreqText, std::to_string(c.Freq)) << c.File;
        EXPECT_EQ(shown.Levels, c.Levels) << c.File;
        EXPECT_EQ(ValueOnDisk("FREQ"), c.FreqWritten) << c.File;
        EXPECT_EQ(ValueOnDisk("THRES0"), c.Thres0Written) << c.File;
        EXPECT_EQ(ValueOnDisk("THRES5"), c.Thres5Written) << c.File;
    }
}

TEST_F(ConfigDialog, FreqValueTextFollowsTheSliderAsAPlainDecimal) {
    std::vector<std::string> texts;
    DrivenDialog run = DriveConfigDialog([&](HWND dialog) {
        HWND slider = GetDlgItem(dialog, FreqSlider);
        auto step = [&](const std::string& expected) {
            WaitFor([&] { return ItemText(dialog, FreqValueText) == expected; });
            texts.push_back(ItemText(dialog, FreqValueText));
        };
        step("300");
        MoveSlider(dialog, FreqSlider, 1234);
        step("1234");
        PressKey(slider, VK_RIGHT);
        step("1235");
        PressKey(slider, VK_END);
        step("3000");
        PressKey(slider, VK_HOME);
        step("55");
        DragThumbToEnd(dialog, FreqSlider, true);
        step("3000");
        ClickButton(dialog, IDCANCEL);
    });
    ASSERT_TRUE(run.Found);
    EXPECT_EQ(run.Result, 2);
    EXPECT_EQ(texts, (std::vector<std::string>{"300", "1234", "1235", "3000", "55", "3000"}));
}

struct MoveCase {
    const char* How;
    std::function<void(HWND)> Move;
    Thresholds Expected;
};

TEST_F(ConfigDialog, MovingAThresholdKeepsTheSixAscending) {
    const MoveCase cases[] = {
        {"fourth to 5", [](HWND d) { MoveSlider(d, 1006, 5); }, {2, 4, 5, 5, 32, 64}},
        {"first to 100", [](HWND d) { MoveSlider(d, 1003, 100); }, {100, 100, 100, 100, 100, 100}},
        {"last to 0", [](HWND d) { MoveSlider(d, 1008, 0); }, {0, 0, 0, 0, 0, 0}},
        {"End key on the third", [](HWND d) { PressKey(GetDlgItem(d, 1005), VK_END); }, {2, 4, 127, 127, 127, 127}},
        {"Home key on the fifth", [](HWND d) { PressKey(GetDlgItem(d, 1007), VK_HOME); }, {0, 0, 0, 0, 0, 64}},
        {"second dragged right", [](HWND d) { DragThumbToEnd(d, 1004, true); }, {2, 127, 127, 127, 127, 127}},
        {"sixth dragged left", [](HWND d) { DragThumbToEnd(d, 1008, false); }, {0, 0, 0, 0, 0, 0}},
    };
    for (const MoveCase& c : cases) {
        RemoveSettingsFile();
        Thresholds seen{};
        DrivenDialog run = DriveConfigDialog([&](HWND dialog) {
            c.Move(dialog);
            seen = WaitForThresholds(dialog, c.Expected);
            ClickButton(dialog, IDOK);
        });
        ASSERT_TRUE(run.Found) << c.How;
        EXPECT_EQ(run.Result, 1) << c.How;
        EXPECT_EQ(seen, c.Expected) << c.How;
        for (int k = 0; k < 6; ++k)
            EXPECT_EQ(ValueOnDisk(Keys[1 + k]), std::to_string(c.Expected[k])) << c.How << " THRES" << k;
    }
}

TEST_F(ConfigDialog, CancelAfterMovesLeavesTheFileByteForByte) {
    const std::string original = "; mine\r\n[SETTINGS]\r\nFREQ = 0900\r\nTHRES2=7\r\n\r\n[OTHER]\r\nx=1\r\n";
    using Closer = void (*)(HWND);
    const std::pair<const char*, Closer> closers[] = {
        {"Cancel button", [](HWND d) { ClickButton(d, IDCANCEL); }},
        {"Escape key", [](HWND d) { PressKey(GetDlgItem(d, FreqSlider), VK_ESCAPE); }},
        {"close box", [](HWND d) { PostMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const auto& closer : closers) {
        PutSettingsFile(original);
        DrivenDialog run = DriveConfigDialog([&](HWND dialog) {
            MoveSlider(dialog, FreqSlider, 2000);
            MoveSlider(dialog, 1003, 90);
            WaitForThresholds(dialog, {90, 90, 90, 90, 90, 90});
            closer.second(dialog);
        });
        ASSERT_TRUE(run.Found) << closer.first;
        EXPECT_FALSE(run.EndedByDriver) << closer.first;
        EXPECT_EQ(run.Result, 2) << closer.first;
        std::string bytes;
        ASSERT_TRUE(ReadWholeFile(SettingsFilePath(), bytes));
        EXPECT_EQ(bytes, original) << closer.first;
    }
}

TEST_F(ConfigDialog, EnterPressesOk) {
    DrivenDialog run = DriveConfigDialog([](HWND dialog) {
        MoveSlider(dialog, FreqSlider, 777);
        WaitFor([&] { return ItemText(dialog, FreqValueText) == "777"; });
        PressKey(GetDlgItem(dialog, FreqSlider), VK_RETURN);
    });
    ASSERT_TRUE(run.Found);
    EXPECT_EQ(run.Result, 1);
    EXPECT_EQ(ValueOnDisk("FREQ"), "777");
}

TEST_F(ConfigDialog, OkWithoutAnyChangeRewritesAllSevenKeys) {
    PutSettingsFile("[SETTINGS]\r\nFREQ=0300\r\nTHRES2=   8\r\nTHRES4=32 loud\r\n");
    Shown shown;
    DrivenDialog run = ShowAndClose(shown, IDOK);
    ASSERT_TRUE(run.Found);
    EXPECT_EQ(run.Result, 1);
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(SettingsFilePath(), bytes));
    EXPECT_EQ(bytes, "[SETTINGS]\r\nFREQ=300\r\nTHRES2=8\r\nTHRES4=32\r\nTHRES5=64\r\nTHRES3=16\r\nTHRES1=4\r\n"
                     "THRES0=2\r\n");
}

TEST_F(ConfigDialog, WhateverTheFileHoldsTheDialogShowsAndWritesNumbersInRange) {
    std::string binary = "[SETTINGS]\r\nFREQ=";
    for (int b = 1; b < 256; ++b)
        if (b != '\r' && b != '\n') binary += static_cast<char>(b);
    binary += "\r\nTHRES1=\x01\x02\xff\xfe\r\nTHRES3=\x80\x81" "12\r\n";
    const std::string files[] = {
        "garbage \x01 without any structure",
        "[SETTINGS]\r\nFREQ=99999999999999999999\r\nTHRES0=99999999999999999999\r\nTHRES5=-99999999999999999999\r\n",
        "[SETTINGS]\r\nFREQ=-2147483648\r\nTHRES0=-1\r\nTHRES1=-300\r\nTHRES2=4294967297\r\n",
        "[SETTINGS]\r\nFREQ=" + std::string(10000, '9') + "\r\nTHRES3=" + std::string(10000, 'x') + "\r\n" +
            std::string(10000, '[') + "\r\n",
        std::string(10000, 'z') + "\r\n[SETTINGS]\r\nTHRES4=\r\nFREQ==\r\n",
        binary,
        std::string("[SETTINGS]\r\nFREQ=1\0" "000\r\nTHRES0=5\r\n", 35),
        "[SETTINGS]\r\nFREQ=\"3000\"\r\nTHRES0=1e9\r\nTHRES1=+-3\r\nTHRES2= -0\r\nTHRES5=63.9\r\n",
    };
    for (size_t i = 0; i < sizeof files / sizeof files[0]; ++i) {
        PutSettingsFile(files[i]);
        Shown shown;
        DrivenDialog run = ShowAndClose(shown, IDOK);
        ASSERT_TRUE(run.Found) << "file " << i;
        EXPECT_EQ(run.Result, 1) << "file " << i;
        EXPECT_GE(shown.Freq, 55) << "file " << i;
        EXPECT_LE(shown.Freq, 3000) << "file " << i;
        EXPECT_EQ(ValueOnDisk("FREQ"), std::to_string(shown.Freq)) << "file " << i;
        EXPECT_TRUE(IsDecimalWithin(ValueOnDisk("FREQ"), 55, 3000)) << "file " << i;
        for (int k = 0; k < 6; ++k) {
            EXPECT_GE(shown.Levels[k], 0) << "file " << i << " THRES" << k;
            EXPECT_LE(shown.Levels[k], 127) << "file " << i << " THRES" << k;
            EXPECT_TRUE(IsDecimalWithin(ValueOnDisk(Keys[1 + k]), 0, 127))
                << "file " << i << " THRES" << k << " = '" << ValueOnDisk(Keys[1 + k]) << "'";
        }
    }
}

TEST_F(ConfigDialog, ALockedFileStillEndsWithOkAndIsNotDamaged) {
    const std::string original = "[SETTINGS]\r\nFREQ=800\r\n";
    PutSettingsFile(original);
    HANDLE lock = CreateFileA(SettingsFilePath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    Shown shown;
    DrivenDialog run = ShowAndClose(shown, IDOK);
    CloseHandle(lock);
    ASSERT_TRUE(run.Found);
    EXPECT_EQ(run.Result, 1);
    EXPECT_EQ(shown.Freq, 300);  // nothing could be read through the lock
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(SettingsFilePath(), bytes));
    EXPECT_EQ(bytes, original);
}

TEST_F(ConfigDialog, AReadOnlyFileStillEndsWithOkAndComesOutWhole) {
    PutSettingsFile("[SETTINGS]\r\nFREQ=800\r\n");
    ASSERT_TRUE(SetFileAttributesA(SettingsFilePath().c_str(), FILE_ATTRIBUTE_READONLY));
    DrivenDialog run = DriveConfigDialog([](HWND dialog) {
        MoveSlider(dialog, FreqSlider, 900);
        WaitFor([&] { return ItemText(dialog, FreqValueText) == "900"; });
        ClickButton(dialog, IDOK);
    });
    ASSERT_TRUE(run.Found);
    EXPECT_EQ(run.Result, 1);
    // Written or refused as the platform decides, but never half of it.
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(SettingsFilePath(), bytes));
    EXPECT_TRUE(bytes == "[SETTINGS]\r\nFREQ=800\r\n" ||
                bytes == "[SETTINGS]\r\nFREQ=900\r\nTHRES5=64\r\nTHRES4=32\r\nTHRES3=16\r\nTHRES2=8\r\nTHRES1=4\r\n"
                         "THRES0=2\r\n")
        << bytes;
}

TEST_F(ConfigDialog, ControlsSitWhereTheTemplatePutsThemInTabOrder) {
    struct Placed {
        int Id;
        const char* Class;
        RECT Units;
    };
    const Placed controls[] = {
        {1009, "msctls_trackbar32", {42, 23, 125, 13}}, {1003, "msctls_trackbar32", {42, 65, 125, 13}},
        {1004, "msctls_trackbar32", {42, 83, 125, 13}}, {1005, "msctls_trackbar32", {42, 101, 125, 13}},
        {1006, "msctls_trackbar32", {42, 119, 125, 13}}, {1007, "msctls_trackbar32", {42, 137, 125, 13}},
        {1008, "msctls_trackbar32", {42, 155, 125, 13}}, {IDOK, "Button", {120, 189, 50, 14}},
        {IDCANCEL, "Button", {60, 189, 50, 14}},        {-1, "Static", {21, 30, 19, 11}},
        {-1, "Button", {8, 8, 162, 39}},                {1001, "Static", {8, 191, 47, 8}},
        {-1, "Button", {8, 54, 162, 123}},              {1010, "Static", {17, 22, 19, 10}},
        {-1, "Static", {22, 67, 13, 8}},                {-1, "Static", {22, 85, 13, 8}},
        {-1, "Static", {22, 103, 13, 8}},               {-1, "Static", {22, 121, 13, 8}},
        {-1, "Static", {22, 139, 13, 8}},               {-1, "Static", {22, 157, 13, 8}},
    };
    std::vector<std::string> problems;
    std::vector<int> tabOrder;
    int focusedId = 0;
    DWORD dialogThread = GetCurrentThreadId();
    DrivenDialog run = DriveConfigDialog([&](HWND dialog) {
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(dialogThread, &info);
        focusedId = GetDlgCtrlID(info.hwndFocus);
        HWND child = GetWindow(dialog, GW_CHILD);
        for (const Placed& expected : controls) {
            const std::string name = "control " + std::to_string(expected.Id);
            if (!child) {
                problems.push_back(name + " missing");
                break;
            }
            char className[64] = {};
            GetClassNameA(child, className, sizeof className);
            // Position and size are converted one by one, as the dialog
            // manager does, so rounding cannot differ.
            RECT units = expected.Units;
            MapDialogRect(dialog, &units);
            RECT placed;
            GetWindowRect(child, &placed);
            MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&placed), 2);
            placed.right -= placed.left;
            placed.bottom -= placed.top;
            if (GetDlgCtrlID(child) != (expected.Id & 0xFFFF) && GetDlgCtrlID(child) != expected.Id)
                problems.push_back(name + " has id " + std::to_string(GetDlgCtrlID(child)));
            if (lstrcmpiA(className, expected.Class) != 0) problems.push_back(name + " is a " + className);
            if (!IsWindowVisible(child)) problems.push_back(name + " is hidden");
            if (!EqualRect(&units, &placed))
                problems.push_back(name + " at " + std::to_string(placed.left) + "," + std::to_string(placed.top) +
                                   " " + std::to_string(placed.right) + "x" + std::to_string(placed.bottom));
            child = GetWindow(child, GW_HWNDNEXT);
        }
        if (child) problems.push_back("more than 20 controls");
        HWND stop = GetDlgItem(dialog, FreqSlider);
        HWND item = stop;
        do {
            tabOrder.push_back(GetDlgCtrlID(item));
            item = GetNextDlgTabItem(dialog, item, FALSE);
        } while (item && item != stop && tabOrder.size() < 30);
        ClickButton(dialog, IDCANCEL);
    });
    ASSERT_TRUE(run.Found);
    EXPECT_EQ(run.Result, 2);
    EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);
    EXPECT_EQ(focusedId, FreqSlider);
    EXPECT_EQ(tabOrder, (std::vector<int>{1009, 1003, 1004, 1005, 1006, 1007, 1008, IDOK, IDCANCEL}));
}

TEST_F(ConfigDialog, ATemplateThatCannotBeFoundEndsWithMinusOne) {
    // kernel32 carries no dialog 2003: the platform cannot create one.
    HostState.Instance = GetModuleHandleA("kernel32.dll");
    EXPECT_EQ(RunConfigDialog(nullptr), -1);
    EXPECT_FALSE(FileExists(SettingsFilePath()));
}

}  // namespace
