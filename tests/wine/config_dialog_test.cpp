// The configuration dialog, run for real and worked from a second thread,
// with the real settings file underneath it.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <mmsystem.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "brasswick_version.h"
#include "dialog_driver.h"
#include "host/host_main.h"
#include "host/host_state.h"
#include "resources/resource_ids.h"
#include "settings/config_dialog.h"
#include "settings_test_files.h"

namespace {

const char* const ThresholdKeys[] = {"THRES0", "THRES1", "THRES2", "THRES3", "THRES4", "THRES5"};
const Thresholds DefaultThresholds = {2, 4, 8, 16, 32, 64};

struct Shown {
    std::string Version;
    std::string FreqText;
    int Freq = 0;
    Thresholds Levels{};
};

class ConfigDialog : public SettingsFileTest {
protected:
    void SetUp() override {
        SettingsFileTest::SetUp();
        instance_ = HostState.Instance;
    }
    void TearDown() override {
        HostState.Instance = instance_;
        SettingsFileTest::TearDown();
    }

    // Opens the dialog, notes what it shows and presses OK; the file must
    // then hold what was shown, as plain decimals.
    Shown ShowAndOk(const std::string& context) {
        Shown shown;
        DrivenDialog run = DriveConfigDialog([&](HWND dialog) {
            shown = {ItemText(dialog, VersionText), ItemText(dialog, FreqValueText), SliderPos(dialog, FreqSlider),
                     ThresholdPositions(dialog)};
            ClickButton(dialog, IDOK);
        });
        EXPECT_TRUE(run.Found) << context;
        EXPECT_EQ(run.Result, 1) << context;
        EXPECT_EQ(shown.FreqText, std::to_string(shown.Freq)) << context;
        EXPECT_EQ(ValueOnDisk("FREQ"), std::to_string(shown.Freq)) << context;
        for (int k = 0; k < 6; ++k)
            EXPECT_EQ(ValueOnDisk(ThresholdKeys[k]), std::to_string(shown.Levels[k])) << context << " THRES" << k;
        return shown;
    }

    HINSTANCE instance_ = nullptr;
};

TEST_F(ConfigDialog, ShowsValuesAtTheNearestEndOfTheirRangeAndOkWritesThem) {
    const struct {
        const char* File;
        int Freq;
        Thresholds Levels;
    } cases[] = {
        {nullptr, 300, DefaultThresholds},
        {"[SETTINGS]\r\nFREQ=20\r\n", 55, DefaultThresholds},
        {"[SETTINGS]\r\nFREQ=5000\r\n", 3000, DefaultThresholds},
        {"[SETTINGS]\r\nFREQ=abc\r\n", 55, DefaultThresholds},
        {"[SETTINGS]\r\nTHRES5=200\r\nTHRES0=-5\r\n", 300, {0, 4, 8, 16, 32, 127}},
    };
    for (const auto& c : cases) {
        const std::string context = c.File ? c.File : "no file";
        if (c.File) PutSettingsFile(c.File);
        const Shown shown = ShowAndOk(context);
        EXPECT_EQ(shown.Version, BRASSWICK_VERSION_TEXT);
        EXPECT_EQ(shown.Freq, c.Freq) << context;
        EXPECT_EQ(shown.Levels, c.Levels) << context;
    }
}

TEST_F(ConfigDialog, WhateverTheFileHoldsShowsAndWritesNumbersInRange) {
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
        const Shown shown = ShowAndOk("file " + std::to_string(i));
        EXPECT_GE(shown.Freq, 55) << "file " << i;
        EXPECT_LE(shown.Freq, 3000) << "file " << i;
        for (int level : shown.Levels) {
            EXPECT_GE(level, 0) << "file " << i;
            EXPECT_LE(level, 127) << "file " << i;
        }
    }
}

TEST_F(ConfigDialog, OkWithoutAnyChangeRewritesAllSevenKeys) {
    PutSettingsFile("[SETTINGS]\r\nFREQ=0300\r\nTHRES2=   8\r\nTHRES4=32 loud\r\n");
    ShowAndOk("unchanged");
    EXPECT_EQ(ReadWholeFile(SettingsFilePath()),
              "[SETTINGS]\r\nFREQ=300\r\nTHRES2=8\r\nTHRES4=32\r\nTHRES5=64\r\nTHRES3=16\r\nTHRES1=4\r\nTHRES0=2\r\n");
}

TEST_F(ConfigDialog, FreqValueTextFollowsTheSliderAsAPlainDecimal) {
    std::vector<std::string> texts;
    DrivenDialog run = DriveConfigDialog([&](HWND dialog) {
        HWND slider = GetDlgItem(dialog, FreqSlider);
        auto step = [&](const std::string& expected) {
            WaitUntil([&] { return ItemText(dialog, FreqValueText) == expected; }, DialogReactionMs,
                      BetweenPolls::Sleep);
            texts.push_back(ItemText(dialog, FreqValueText));
        };
        step("300");
        MoveSlider(dialog, FreqSlider, 1234);
        step("1234");
        PostKeyPressTo(slider, VK_RIGHT);
        step("1235");
        PostKeyPressTo(slider, VK_END);
        step("3000");
        PostKeyPressTo(slider, VK_HOME);
        step("55");
        DragThumbToEnd(dialog, FreqSlider, true);
        step("3000");
        ClickButton(dialog, IDCANCEL);
    });
    ASSERT_TRUE(run.Found);
    EXPECT_EQ(texts, (std::vector<std::string>{"300", "1234", "1235", "3000", "55", "3000"}));
}

// The rule itself is tabled natively (threshold_order_test.cpp); here, the
// ways a user moves a slider bring it into play.
TEST_F(ConfigDialog, MovingAThresholdKeepsTheSixAscending) {
    using Move = void (*)(HWND);
    const struct {
        const char* How;
        Move Act;
        Thresholds Expected;
    } cases[] = {
        {"End key on the third", [](HWND d) { PostKeyPressTo(GetDlgItem(d, IDC_THRESHOLD_2), VK_END); },
         {2, 4, 127, 127, 127, 127}},
        {"Home key on the fifth", [](HWND d) { PostKeyPressTo(GetDlgItem(d, IDC_THRESHOLD_4), VK_HOME); },
         {0, 0, 0, 0, 0, 64}},
        {"second dragged right", [](HWND d) { DragThumbToEnd(d, IDC_THRESHOLD_1, true); },
         {2, 127, 127, 127, 127, 127}},
        {"sixth dragged left", [](HWND d) { DragThumbToEnd(d, IDC_THRESHOLD_5, false); }, {0, 0, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        RemoveSettingsFile();
        Thresholds seen{};
        DrivenDialog run = DriveConfigDialog([&](HWND dialog) {
            c.Act(dialog);
            seen = WaitForThresholds(dialog, c.Expected);
            ClickButton(dialog, IDOK);
        });
        EXPECT_EQ(run.Result, 1) << c.How;
        EXPECT_EQ(seen, c.Expected) << c.How;
        for (int k = 0; k < 6; ++k)
            EXPECT_EQ(ValueOnDisk(ThresholdKeys[k]), std::to_string(c.Expected[k])) << c.How << " THRES" << k;
    }
}

TEST_F(ConfigDialog, CancelAfterMovesLeavesTheFileByteForByte) {
    const std::string original = "; mine\r\n[SETTINGS]\r\nFREQ = 0900\r\nTHRES2=7\r\n\r\n[OTHER]\r\nx=1\r\n";
    using Closer = void (*)(HWND);
    const std::pair<const char*, Closer> closers[] = {
        {"Cancel button", [](HWND d) { ClickButton(d, IDCANCEL); }},
        {"Escape key", [](HWND d) { PostKeyPressTo(GetDlgItem(d, FreqSlider), VK_ESCAPE); }},
        {"close box", [](HWND d) { PostMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const auto& closer : closers) {
        PutSettingsFile(original);
        DrivenDialog run = DriveConfigDialog([&](HWND dialog) {
            MoveSlider(dialog, FreqSlider, 2000);
            MoveSlider(dialog, IDC_THRESHOLD_0, 90);
            WaitForThresholds(dialog, {90, 90, 90, 90, 90, 90});
            closer.second(dialog);
        });
        ASSERT_TRUE(run.Found) << closer.first;
        EXPECT_FALSE(run.EndedByDriver) << closer.first;
        EXPECT_EQ(run.Result, 2) << closer.first;
        EXPECT_EQ(ReadWholeFile(SettingsFilePath()), original) << closer.first;
    }
}

TEST_F(ConfigDialog, ALockedOrReadOnlyFileStillEndsWithOkAndComesOutWhole) {
    const std::string original = "[SETTINGS]\r\nFREQ=800\r\n";
    const std::string rewritten =
        "[SETTINGS]\r\nFREQ=900\r\nTHRES5=64\r\nTHRES4=32\r\nTHRES3=16\r\nTHRES2=8\r\nTHRES1=4\r\nTHRES0=2\r\n";
    for (bool locked : {true, false}) {
        PutSettingsFile(original);
        HANDLE lock = INVALID_HANDLE_VALUE;
        if (locked) {
            lock = CreateFileA(SettingsFilePath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
            ASSERT_NE(lock, INVALID_HANDLE_VALUE);
        } else {
            ASSERT_TRUE(SetFileAttributesA(SettingsFilePath().c_str(), FILE_ATTRIBUTE_READONLY));
        }
        DrivenDialog run = DriveConfigDialog([](HWND dialog) {
            MoveSlider(dialog, FreqSlider, 900);
            WaitUntil([&] { return ItemText(dialog, FreqValueText) == "900"; }, DialogReactionMs, BetweenPolls::Sleep);
            ClickButton(dialog, IDOK);
        });
        if (locked) CloseHandle(lock);
        EXPECT_EQ(run.Result, 1) << "locked " << locked;
        // Written or refused as the platform decides, but never half of it.
        const std::string bytes = ReadWholeFile(SettingsFilePath());
        EXPECT_TRUE(bytes == original || bytes == rewritten) << "locked " << locked << ": " << bytes;
    }
}

// The inputs as the platform lists them to any program.
std::vector<std::string> ListedInputs() {
    std::vector<std::string> names;
    for (UINT id = 0; id < waveInGetNumDevs(); ++id) {
        WAVEINCAPSA caps = {};
        if (waveInGetDevCapsA(id, &caps, sizeof caps) == MMSYSERR_NOERROR) names.push_back(caps.szPname);
    }
    return names;
}

std::vector<std::string> InputItems(HWND dialog) {
    std::vector<std::string> items;
    HWND list = GetDlgItem(dialog, IDC_INPUT_LIST);
    const int count = static_cast<int>(SendMessageA(list, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[256] = {};
        SendMessageA(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        items.push_back(text);
    }
    return items;
}

// As a user's pick in the list does: the selection, then its notification.
void PickInput(HWND dialog, int item) {
    HWND list = GetDlgItem(dialog, IDC_INPUT_LIST);
    SendMessageA(list, CB_SETCURSEL, item, 0);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_INPUT_LIST, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

TEST_F(ConfigDialog, TheInputListKeepsAMissingChoiceAndOkSavesWhatIsPicked) {
    std::vector<std::string> expected = {"Default input"};
    for (const std::string& name : ListedInputs()) expected.push_back(name);
    expected.push_back("Unplugged headset");
    expected.push_back("None: random tiles");
    PutSettingsFile("[SETTINGS]\r\nFREQ=700\r\nINPUT=Unplugged headset\r\n");
    std::vector<std::string> items;
    std::string chosen, status, gainOff, gainOn;
    DrivenDialog run = DriveConfigDialog([&](HWND dialog) {
        WaitUntil([&] { return (items = InputItems(dialog)) == expected; }, DialogReactionMs, BetweenPolls::Sleep);
        chosen = ItemText(dialog, IDC_INPUT_LIST);
        PickInput(dialog, static_cast<int>(expected.size()) - 1);
        WaitUntil([&] { return (status = ItemText(dialog, IDC_LISTENING_TEXT)).rfind("Not listening", 0) == 0; },
                  DialogReactionMs, BetweenPolls::Sleep);
        gainOff = ItemText(dialog, IDC_GAIN_TEXT);
        ClickButton(dialog, IDC_AUTO_CHECK);
        WaitUntil([&] { return !(gainOn = ItemText(dialog, IDC_GAIN_TEXT)).empty(); }, DialogReactionMs,
                  BetweenPolls::Sleep);
        ClickButton(dialog, IDOK);
    });
    ASSERT_TRUE(run.Found);
    EXPECT_EQ(items, expected);
    EXPECT_EQ(chosen, "Unplugged headset");
    EXPECT_EQ(status, "Not listening: the saver paints random tiles on white.");
    EXPECT_EQ(gainOff, "") << "no gain shown while the box is clear";
    EXPECT_EQ(gainOn, "x1.0") << "a silent room is not raised";
    EXPECT_EQ(ValueOnDisk("INPUT"), "none");
    EXPECT_EQ(ValueOnDisk("AUTO"), "1");
}

TEST_F(ConfigDialog, DefaultsPutsPeriodThresholdsAndInputBackAndOnlyOkSavesThem) {
    const std::string original = "[SETTINGS]\r\nFREQ=900\r\nTHRES0=50\r\nTHRES5=120\r\nINPUT=none\r\nAUTO=1\r\n";
    for (const int closer : {IDCANCEL, IDOK}) {
        PutSettingsFile(original);
        Shown shown;
        std::string input;
        UINT autoBefore = 0, autoAfter = 0;
        DrivenDialog run = DriveConfigDialog([&](HWND dialog) {
            autoBefore = IsDlgButtonChecked(dialog, IDC_AUTO_CHECK);
            ClickButton(dialog, IDC_DEFAULTS_BUTTON);
            WaitUntil([&] { return ItemText(dialog, FreqValueText) == "300"; }, DialogReactionMs, BetweenPolls::Sleep);
            shown.Freq = SliderPos(dialog, FreqSlider);
            shown.Levels = WaitForThresholds(dialog, DefaultThresholds);
            input = ItemText(dialog, IDC_INPUT_LIST);
            autoAfter = IsDlgButtonChecked(dialog, IDC_AUTO_CHECK);
            ClickButton(dialog, closer);
        });
        ASSERT_TRUE(run.Found) << closer;
        EXPECT_EQ(autoBefore, static_cast<UINT>(BST_CHECKED)) << "AUTO=1 checks the box";
        EXPECT_EQ(autoAfter, static_cast<UINT>(BST_UNCHECKED)) << "the default is off";
        EXPECT_EQ(shown.Freq, 300) << closer;
        EXPECT_EQ(shown.Levels, DefaultThresholds) << closer;
        EXPECT_EQ(input, "Default input") << closer;
        if (closer == IDCANCEL) {
            EXPECT_EQ(ReadWholeFile(SettingsFilePath()), original);
        } else {
            EXPECT_EQ(ReadWholeFile(SettingsFilePath()),
                      "[SETTINGS]\r\nFREQ=300\r\nTHRES0=2\r\nTHRES5=64\r\nTHRES4=32\r\nTHRES3=16\r\nTHRES2=8\r\n"
                      "THRES1=4\r\n");
        }
    }
}

TEST_F(ConfigDialog, ATemplateThatCannotBeFoundEndsWithMinusOne) {
    // kernel32 carries no such dialog: the platform cannot create one.
    HostState.Instance = GetModuleHandleA("kernel32.dll");
    EXPECT_EQ(RunConfigDialog(nullptr), -1);
    EXPECT_FALSE(FileExists(SettingsFilePath()));
}

// The platform's formatter writes up to 1024 bytes whatever the target holds.
TEST(FormatText, CutsAt255CharactersAndEndsTheText) {
    char target[FormatTextSize + 8];
    for (const size_t length : {400, 1500}) {
        std::fill(std::begin(target), std::end(target), '#');
        FormatText(target, "%s", std::string(length, 'x').c_str());
        EXPECT_EQ(std::string(target), std::string(255, 'x')) << length;
        for (size_t i = FormatTextSize; i < sizeof target; ++i) EXPECT_EQ(target[i], '#') << "written past the target at " << i;
    }
    FormatText(target, "%d", -127);
    EXPECT_STREQ(target, "-127");
}

}  // namespace
