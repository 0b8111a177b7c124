// The settings file against the real private-profile functions and the real
// file in the test prefix's local application-data folder.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "settings/saver_settings.h"
#include "settings/settings_file.h"
#include "settings_test_files.h"

namespace {

const char* const DefaultThresholds[ThresholdCount] = {"2", "4", "8", "16", "32", "64"};

// No text in the record ends before its last byte, so a buffer left
// unwritten reads as a long run of Z rather than as something plausible.
void Poison(SaverSettingsRecord& settings) {
    std::memset(&settings, 'Z', sizeof settings);
    settings.Thresholds[ThresholdCount - 1][SettingTextSize - 1] = '\0';
}

std::vector<std::string> LinesOf(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        kept_ = KeepSettingsFile();
        RemoveSettingsFile();
        Poison(SaverSettings);
    }
    void TearDown() override {
        RestoreSettingsFile(kept_);
    }

    // The path as the code under test builds it, then the settings it reads.
    void Load() {
        ASSERT_TRUE(BuildSettingsPath(SaverSettings.SettingsPath));
        LoadSettings();
    }

    void SetTexts(const char* freq, const std::vector<const char*>& thresholds) {
        std::strcpy(SaverSettings.Freq, freq);
        for (int k = 0; k < ThresholdCount; ++k) std::strcpy(SaverSettings.Thresholds[k], thresholds[k]);
    }

    KeptFile kept_;
};

TEST_F(SettingsFile, PathIsTheLocalApplicationDataFolderWithMakerAndProduct) {
    ASSERT_TRUE(BuildSettingsPath(SaverSettings.SettingsPath));
    EXPECT_STRCASEEQ(SaverSettings.SettingsPath, SettingsFilePath().c_str());
    EXPECT_NE(std::strstr(SaverSettings.SettingsPath, "\\AppData\\Local\\Korvane\\Brasswick\\Brasswick.ini"), nullptr)
        << SaverSettings.SettingsPath;
}

TEST_F(SettingsFile, WithoutAFileLoadsDefaultsAndCreatesTheFoldersButNotTheFile) {
    const std::string maker = SettingsFolderPath().substr(0, SettingsFolderPath().rfind('\\'));
    RemoveDirectoryA(SettingsFolderPath().c_str());
    RemoveDirectoryA(maker.c_str());
    ASSERT_FALSE(FolderExists(maker)) << "something else lives in " << maker;

    Load();
    EXPECT_STREQ(SaverSettings.Freq, "300");
    for (int k = 0; k < ThresholdCount; ++k) EXPECT_STREQ(SaverSettings.Thresholds[k], DefaultThresholds[k]) << k;
    EXPECT_TRUE(FolderExists(maker));
    EXPECT_TRUE(FolderExists(SettingsFolderPath()));
    EXPECT_FALSE(FileExists(SettingsFilePath()));
}

TEST_F(SettingsFile, ReadsEachKeyIntoItsOwnText) {
    PutSettingsFile("[SETTINGS]\r\nTHRES0=10\r\nTHRES1=11\r\nTHRES2=12\r\nTHRES3=13\r\nTHRES4=14\r\nTHRES5=15\r\n"
                    "FREQ=700\r\n");
    Load();
    EXPECT_STREQ(SaverSettings.Freq, "700");
    for (int k = 0; k < ThresholdCount; ++k) EXPECT_EQ(std::string(SaverSettings.Thresholds[k]), std::to_string(10 + k));
}

TEST_F(SettingsFile, MissingKeysTakeTheirDefaults) {
    PutSettingsFile("[SETTINGS]\r\nFREQ=125\r\n");
    Load();
    EXPECT_STREQ(SaverSettings.Freq, "125");
    for (int k = 0; k < ThresholdCount; ++k) EXPECT_STREQ(SaverSettings.Thresholds[k], DefaultThresholds[k]) << k;

    // Keys of another section are not ours.
    PutSettingsFile("[OTHER]\r\nFREQ=900\r\nTHRES3=1\r\n");
    Poison(SaverSettings);
    Load();
    EXPECT_STREQ(SaverSettings.Freq, "300");
    EXPECT_STREQ(SaverSettings.Thresholds[3], "16");
}

TEST_F(SettingsFile, KeepsValuesAsTextsWithoutConverting) {
    PutSettingsFile("[SETTINGS]\r\nFREQ=12 parsecs\r\nTHRES0=-5\r\nTHRES1=\r\nTHRES2=0x20\r\n");
    Load();
    EXPECT_STREQ(SaverSettings.Freq, "12 parsecs");
    EXPECT_STREQ(SaverSettings.Thresholds[0], "-5");
    // Present but empty: an empty text, not the default, and 0 as a number.
    EXPECT_STREQ(SaverSettings.Thresholds[1], "");
    EXPECT_EQ(std::atol(SaverSettings.Thresholds[1]), 0);
    EXPECT_STREQ(SaverSettings.Thresholds[2], "0x20");
    EXPECT_STREQ(SaverSettings.Thresholds[3], "16");
}

TEST_F(SettingsFile, CutsLongValuesToTheir255FirstCharacters) {
    std::string value;
    for (int i = 0; i < 300; ++i) value += static_cast<char>('0' + i % 10);
    PutSettingsFile("[SETTINGS]\r\nFREQ=" + value + "\r\nTHRES5=" + std::string(10000, '7') + "\r\nTHRES4=9\r\n");
    Load();
    EXPECT_EQ(std::string(SaverSettings.Freq), value.substr(0, 255));
    EXPECT_EQ(std::string(SaverSettings.Thresholds[5]), std::string(255, '7'));
    EXPECT_STREQ(SaverSettings.Thresholds[4], "9");
}

TEST_F(SettingsFile, FirstSaveCreatesTheFileInWriteOrder) {
    ASSERT_TRUE(BuildSettingsPath(SaverSettings.SettingsPath));
    SetTexts("450", {"1", "3", "5", "7", "9", "11"});
    EXPECT_TRUE(SaveSettings());
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(SettingsFilePath(), bytes));
    const std::vector<std::string> expected = {"[SETTINGS]", "THRES5=11", "THRES4=9", "THRES3=7",
                                               "THRES2=5",   "THRES1=3",  "FREQ=450", "THRES0=1"};
    EXPECT_EQ(LinesOf(bytes), expected) << bytes;
}

TEST_F(SettingsFile, SaveOverAnExistingFileKeepsEverythingElseInPlace) {
    const std::string handWritten =
        "; written by hand\r\n"
        "[OTHER]\r\n"
        "FREQ=900\r\n"
        "Colour=blue\r\n"
        "[SETTINGS]\r\n"
        "; the period first\r\n"
        "FREQ=100\r\n"
        "Owner=somebody\r\n"
        "THRES3=3\r\n"
        "THRES0=0\r\n"
        "[LAST]\r\n"
        "Key=value\r\n";
    PutSettingsFile(handWritten);
    Load();
    SetTexts("250", {"1", "2", "3", "4", "5", "6"});
    EXPECT_TRUE(SaveSettings());

    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(SettingsFilePath(), bytes));
    const std::vector<std::string> expected = {
        "; written by hand", "[OTHER]", "FREQ=900", "Colour=blue", "[SETTINGS]", "; the period first", "FREQ=250",
        "Owner=somebody", "THRES3=4", "THRES0=1",
        // Keys the file did not have join the end of the section, in write order.
        "THRES5=6", "THRES4=5", "THRES2=3", "THRES1=2", "[LAST]", "Key=value"};
    EXPECT_EQ(LinesOf(bytes), expected) << bytes;
}

// Wine run as root writes read-only files all the same; the platform decides
// whether the write happens, and either way the file must come out whole.
bool PlatformRefusesToWrite(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return true;
    CloseHandle(file);
    return false;
}

TEST_F(SettingsFile, AReadOnlyFileIsLeftWholeWhetherOrNotThePlatformWritesIt) {
    const std::string original = "[SETTINGS]\r\nFREQ=800\r\nTHRES0=1\r\n";
    PutSettingsFile(original);
    ASSERT_TRUE(SetFileAttributesA(SettingsFilePath().c_str(), FILE_ATTRIBUTE_READONLY));
    const bool refused = PlatformRefusesToWrite(SettingsFilePath());
    Load();
    EXPECT_STREQ(SaverSettings.Freq, "800");
    SetTexts("555", {"9", "9", "9", "9", "9", "9"});
    EXPECT_EQ(SaveSettings(), refused ? FALSE : TRUE);
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(SettingsFilePath(), bytes));
    if (refused) {
        EXPECT_EQ(bytes, original);
    } else {
        const std::vector<std::string> expected = {"[SETTINGS]", "FREQ=555", "THRES0=9", "THRES5=9",
                                                   "THRES4=9",   "THRES3=9", "THRES2=9", "THRES1=9"};
        EXPECT_EQ(LinesOf(bytes), expected) << bytes;
    }
    EXPECT_TRUE(GetFileAttributesA(SettingsFilePath().c_str()) & FILE_ATTRIBUTE_READONLY);
}

TEST_F(SettingsFile, ALockedFileIsNotChangedAndTheSaveSaysSo) {
    const std::string original = "[SETTINGS]\r\nFREQ=800\r\nTHRES0=1\r\n";
    PutSettingsFile(original);
    ASSERT_TRUE(BuildSettingsPath(SaverSettings.SettingsPath));
    HANDLE lock = CreateFileA(SettingsFilePath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    LoadSettings();
    SetTexts("555", {"9", "9", "9", "9", "9", "9"});
    const BOOL saved = SaveSettings();
    CloseHandle(lock);
    EXPECT_FALSE(saved);
    // Nothing could be read through the lock: the defaults stood in.
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(SettingsFilePath(), bytes));
    EXPECT_EQ(bytes, original);
}

// Points the user's local application-data folder elsewhere for one test.
class RedirectedLocalAppData : public SettingsFile {
protected:
    static constexpr const char* ShellFolders =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

    void SetUp() override {
        SettingsFile::SetUp();
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, ShellFolders, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key_),
                  ERROR_SUCCESS);
        DWORD size = sizeof saved_;
        hadValue_ = RegQueryValueExA(key_, "Local AppData", nullptr, &savedType_,
                                     reinterpret_cast<BYTE*>(saved_), &size) == ERROR_SUCCESS;
        savedSize_ = size;
    }
    void TearDown() override {
        if (key_) {
            if (hadValue_)
                RegSetValueExA(key_, "Local AppData", 0, savedType_, reinterpret_cast<BYTE*>(saved_), savedSize_);
            else
                RegDeleteValueA(key_, "Local AppData");
            RegCloseKey(key_);
        }
        SettingsFile::TearDown();
    }

    void Redirect(const std::string& folder) {
        ASSERT_EQ(RegSetValueExA(key_, "Local AppData", 0, REG_EXPAND_SZ,
                                 reinterpret_cast<const BYTE*>(folder.c_str()),
                                 static_cast<DWORD>(folder.size() + 1)),
                  ERROR_SUCCESS);
    }

    void ExpectNoFileAtAll() {
        EXPECT_STREQ(SaverSettings.SettingsPath, "");
        LoadSettings();
        EXPECT_STREQ(SaverSettings.Freq, "300");
        for (int k = 0; k < ThresholdCount; ++k) EXPECT_STREQ(SaverSettings.Thresholds[k], DefaultThresholds[k]);
        SetTexts("555", {"9", "9", "9", "9", "9", "9"});
        EXPECT_FALSE(SaveSettings());
    }

    HKEY key_ = nullptr;
    bool hadValue_ = false;
    DWORD savedType_ = 0;
    DWORD savedSize_ = 0;
    char saved_[1024] = {};
};

TEST_F(RedirectedLocalAppData, AFolderThatCannotBeFoundLeavesNoPathAndNoFile) {
    Redirect("Q:\\no such drive\\at all");
    char probe[MAX_PATH];
    ASSERT_FALSE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, probe)))
        << "the folder lookup did not fail: " << probe;
    EXPECT_FALSE(BuildSettingsPath(SaverSettings.SettingsPath));
    ExpectNoFileAtAll();
}

// A folder whose name leaves too little room below MAX_PATH for ours.
class LongLocalAppData : public RedirectedLocalAppData {
protected:
    void TearDown() override {
        for (auto folder = made_.rbegin(); folder != made_.rend(); ++folder) RemoveDirectoryA(folder->c_str());
        RedirectedLocalAppData::TearDown();
    }

    // Makes a folder of exactly `length` characters under the temp folder.
    std::string MakeFolderOfLength(size_t length) {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        std::string folder(temp);
        folder.pop_back();
        while (folder.size() < length) {
            size_t room = length - folder.size() - 1;
            folder += "\\" + std::string(room < 60 ? room : 60, 'd');
            CreateDirectoryA(folder.c_str(), nullptr);
            made_.push_back(folder);
        }
        return folder;
    }

    std::vector<std::string> made_;
};

TEST_F(LongLocalAppData, NoRoomForOurFoldersLeavesNoPathAndCreatesNothing) {
    const std::string folder = MakeFolderOfLength(250);
    ASSERT_TRUE(FolderExists(folder));
    Redirect(folder);
    EXPECT_FALSE(BuildSettingsPath(SaverSettings.SettingsPath));
    EXPECT_FALSE(FolderExists(folder + "\\Korvane"));
    ExpectNoFileAtAll();
}

}  // namespace
