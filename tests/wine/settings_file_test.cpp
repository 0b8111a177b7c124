// The settings file against the real private-profile functions and the real
// file in the test prefix's local application-data folder.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "settings/saver_settings.h"
#include "settings/settings_file.h"
#include "settings_test_files.h"

namespace {

using Texts = std::vector<std::string>;  // FREQ, then THRES0 to THRES5
const Texts Defaults = {"300", "2", "4", "8", "16", "32", "64"};

Texts Loaded() {
    Texts texts = {SaverSettings.Freq};
    for (const auto& threshold : SaverSettings.Thresholds) texts.push_back(threshold);
    return texts;
}

void SetTexts(const Texts& texts) {
    std::strcpy(SaverSettings.Freq, texts[0].c_str());
    for (int k = 0; k < ThresholdCount; ++k) std::strcpy(SaverSettings.Thresholds[k], texts[1 + k].c_str());
    SaverSettings.Input[0] = '\0';
}

std::vector<std::string> LinesOf(const std::string& bytes) {
    std::vector<std::string> lines;
    for (size_t start = 0, end; start < bytes.size(); start = end + 1) {
        end = std::min(bytes.find('\n', start), bytes.size());
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// No text in the record ends before its last byte, so a buffer left
// unwritten reads as a long run of Z rather than as something plausible.
void Poison() {
    std::memset(&SaverSettings, 'Z', sizeof SaverSettings);
    SaverSettings.Thresholds[ThresholdCount - 1][SettingTextSize - 1] = '\0';
}

class SettingsFile : public SettingsFileTest {
protected:
    // The path as the code under test builds it, then the settings it reads.
    void Load() {
        Poison();
        ASSERT_TRUE(BuildSettingsPath(SaverSettings.SettingsPath));
        LoadSettings();
    }
};

TEST_F(SettingsFile, WithoutAFileLoadsDefaultsAndCreatesTheFoldersButNotTheFile) {
    const std::string maker = SettingsFolderPath().substr(0, SettingsFolderPath().rfind('\\'));
    RemoveDirectoryA(SettingsFolderPath().c_str());
    RemoveDirectoryA(maker.c_str());
    ASSERT_FALSE(FolderExists(maker)) << "something else lives in " << maker;
    Load();
    EXPECT_EQ(Loaded(), Defaults);
    EXPECT_TRUE(FolderExists(SettingsFolderPath()));
    EXPECT_FALSE(FileExists(SettingsFilePath()));
}

TEST_F(SettingsFile, LoadsEachKeyAsItsTextOrItsDefault) {
    std::string digits;
    for (int i = 0; i < 300; ++i) digits += static_cast<char>('0' + i % 10);
    const struct {
        std::string File;
        Texts Expected;
    } cases[] = {
        {"[SETTINGS]\r\nTHRES0=10\r\nTHRES1=11\r\nTHRES2=12\r\nTHRES3=13\r\nTHRES4=14\r\nTHRES5=15\r\nFREQ=700\r\n",
         {"700", "10", "11", "12", "13", "14", "15"}},
        {"[SETTINGS]\r\nFREQ=125\r\n", {"125", "2", "4", "8", "16", "32", "64"}},
        {"[OTHER]\r\nFREQ=900\r\nTHRES3=1\r\n", Defaults},
        // Not converted; present but empty stays empty.
        {"[SETTINGS]\r\nFREQ=12 parsecs\r\nTHRES0=-5\r\nTHRES1=\r\nTHRES2=0x20\r\n",
         {"12 parsecs", "-5", "", "0x20", "16", "32", "64"}},
        {"[SETTINGS]\r\nFREQ=" + digits + "\r\nTHRES5=" + std::string(10000, '7') + "\r\nTHRES4=9\r\n",
         {digits.substr(0, 255), "2", "4", "8", "16", "9", std::string(255, '7')}},
    };
    for (const auto& c : cases) {
        PutSettingsFile(c.File);
        Load();
        EXPECT_EQ(Loaded(), c.Expected) << c.File.substr(0, 60);
    }
}

TEST_F(SettingsFile, FirstSaveCreatesTheFileInWriteOrder) {
    ASSERT_TRUE(BuildSettingsPath(SaverSettings.SettingsPath));
    SetTexts({"450", "1", "3", "5", "7", "9", "11"});
    EXPECT_TRUE(SaveSettings());
    EXPECT_EQ(LinesOf(ReadWholeFile(SettingsFilePath())),
              (Texts{"[SETTINGS]", "THRES5=11", "THRES4=9", "THRES3=7", "THRES2=5", "THRES1=3", "FREQ=450", "THRES0=1"}));
}

TEST_F(SettingsFile, SaveOverAnExistingFileKeepsEverythingElseInPlace) {
    PutSettingsFile("; written by hand\r\n[OTHER]\r\nFREQ=900\r\nColour=blue\r\n[SETTINGS]\r\n; the period first\r\n"
                    "FREQ=100\r\nOwner=somebody\r\nTHRES3=3\r\nTHRES0=0\r\n[LAST]\r\nKey=value\r\n");
    Load();
    SetTexts({"250", "1", "2", "3", "4", "5", "6"});
    EXPECT_TRUE(SaveSettings());
    const Texts expected = {
        "; written by hand", "[OTHER]", "FREQ=900", "Colour=blue", "[SETTINGS]", "; the period first", "FREQ=250",
        "Owner=somebody", "THRES3=4", "THRES0=1",
        // Keys the file did not have join the end of the section, in write order.
        "THRES5=6", "THRES4=5", "THRES2=3", "THRES1=2", "[LAST]", "Key=value"};
    EXPECT_EQ(LinesOf(ReadWholeFile(SettingsFilePath())), expected);
}

// AUTO is on only as "1", written after INPUT, and a file saved with it off
// has no AUTO line.
TEST_F(SettingsFile, AutoFollowsTheSevenKeysAndOnlyWhileOn) {
    const struct {
        std::string Line;
        bool On;
    } cases[] = {{"AUTO=1\r\n", true}, {"AUTO=yes\r\n", false}, {"AUTO=0\r\n", false}, {"", false}};
    for (const auto& c : cases) {
        PutSettingsFile("[SETTINGS]\r\nFREQ=125\r\n" + c.Line);
        Load();
        EXPECT_EQ(RoomGainSwitchedOn(SaverSettings), c.On) << c.Line;
    }
    RemoveSettingsFile();
    SetTexts({"450", "1", "3", "5", "7", "9", "11"});
    std::strcpy(SaverSettings.Input, "Monitor of room");
    std::strcpy(SaverSettings.Auto, "1");
    EXPECT_TRUE(SaveSettings());
    const Texts sevenKeys = {"[SETTINGS]", "THRES5=11", "THRES4=9", "THRES3=7",
                             "THRES2=5",   "THRES1=3",  "FREQ=450", "THRES0=1"};
    Texts withAuto = sevenKeys;
    withAuto.push_back("INPUT=Monitor of room");
    withAuto.push_back("AUTO=1");
    EXPECT_EQ(LinesOf(ReadWholeFile(SettingsFilePath())), withAuto);
    SaverSettings.Input[0] = '\0';
    std::strcpy(SaverSettings.Auto, "yes");
    EXPECT_TRUE(SaveSettings());
    EXPECT_EQ(LinesOf(ReadWholeFile(SettingsFilePath())), sevenKeys);
}

// INPUT came after the seven: read and written after them, and no key at all
// for the default input, so a file without it stays as it was.
TEST_F(SettingsFile, InputFollowsTheSevenKeysAndTheDefaultInputIsNoKey) {
    const std::pair<std::string, std::string> loads[] = {
        {"[SETTINGS]\r\nFREQ=100\r\n", ""},
        {"[SETTINGS]\r\nINPUT=Monitor of room\r\n", "Monitor of room"},
        {"[SETTINGS]\r\nINPUT=none\r\nFREQ=100\r\n", "none"},
        {"[SETTINGS]\r\nINPUT=\r\n", ""},
    };
    for (const auto& load : loads) {
        PutSettingsFile(load.first);
        Load();
        EXPECT_EQ(std::string(SaverSettings.Input), load.second) << load.first;
    }
    RemoveSettingsFile();
    ASSERT_TRUE(BuildSettingsPath(SaverSettings.SettingsPath));
    SetTexts(Defaults);
    std::strcpy(SaverSettings.Input, "Monitor of room");
    EXPECT_TRUE(SaveSettings());
    const Texts seven = {"[SETTINGS]", "THRES5=64", "THRES4=32", "THRES3=16", "THRES2=8", "THRES1=4", "FREQ=300",
                         "THRES0=2"};
    Texts eight = seven;
    eight.push_back("INPUT=Monitor of room");
    EXPECT_EQ(LinesOf(ReadWholeFile(SettingsFilePath())), eight);
    SaverSettings.Input[0] = '\0';
    EXPECT_TRUE(SaveSettings());
    EXPECT_EQ(LinesOf(ReadWholeFile(SettingsFilePath())), seven);
}

// The user's local application-data folder pointed elsewhere.
class UnusableLocalAppData : public SettingsFile {
protected:
    void SetUp() override {
        SettingsFile::SetUp();
        shellFolder_ = SaveRegistryValue(
            HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
            "Local AppData");
    }
    void TearDown() override {
        RestoreRegistryValue(shellFolder_);
        for (auto folder = made_.rbegin(); folder != made_.rend(); ++folder) RemoveDirectoryA(folder->c_str());
        SettingsFile::TearDown();
    }

    SavedRegistryValue shellFolder_;
    std::vector<std::string> made_;
};

TEST_F(UnusableLocalAppData, NoFolderOrNoRoomForOursLeavesNoPathAndNoFile) {
    // A folder of 250 characters leaves too little room below MAX_PATH.
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string deep(temp);
    deep.pop_back();
    while (deep.size() < 250) {
        deep += "\\" + std::string(std::min<size_t>(249 - deep.size(), 60), 'd');
        CreateDirectoryA(deep.c_str(), nullptr);
        made_.push_back(deep);
    }
    ASSERT_TRUE(FolderExists(deep));

    for (const std::string& folder : {std::string("Q:\\no such drive\\at all"), deep}) {
        ASSERT_TRUE(SetRegistryString(shellFolder_, folder));
        char probe[MAX_PATH];
        const bool found = SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, probe));
        ASSERT_EQ(found, folder == deep) << "the folder lookup is not what this test needs: " << folder;
        Poison();
        EXPECT_FALSE(BuildSettingsPath(SaverSettings.SettingsPath)) << folder;
        EXPECT_STREQ(SaverSettings.SettingsPath, "") << folder;
        EXPECT_FALSE(FolderExists(folder + "\\Korvane")) << folder;
        LoadSettings();
        EXPECT_EQ(Loaded(), Defaults) << folder;
        SetTexts({"555", "9", "9", "9", "9", "9", "9"});
        EXPECT_FALSE(SaveSettings()) << folder;
    }
}

}  // namespace
