#include "settings/settings_file.h"

#include <imagehlp.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cstring>

namespace {

const char Section[] = "SETTINGS";

struct SettingKey {
    const char* Name;
    const char* Default;
    char* Text;
};

// The order in which the file is read.
const SettingKey ReadOrder[] = {
    {"THRES5", DefaultThresholdTexts[5], SaverSettings.Thresholds[5]},
    {"THRES4", DefaultThresholdTexts[4], SaverSettings.Thresholds[4]},
    {"THRES3", DefaultThresholdTexts[3], SaverSettings.Thresholds[3]},
    {"THRES2", DefaultThresholdTexts[2], SaverSettings.Thresholds[2]},
    {"THRES1", DefaultThresholdTexts[1], SaverSettings.Thresholds[1]},
    {"THRES0", DefaultThresholdTexts[0], SaverSettings.Thresholds[0]},
    {"FREQ", DefaultFreqText, SaverSettings.Freq},
    // Added later than the seven, so read and written after them.
    {"INPUT", DefaultInputText, SaverSettings.Input},
};

// The order in which it is written, and so the order of a new file's lines.
const SettingKey WriteOrder[] = {
    {"THRES5", nullptr, SaverSettings.Thresholds[5]},
    {"THRES4", nullptr, SaverSettings.Thresholds[4]},
    {"THRES3", nullptr, SaverSettings.Thresholds[3]},
    {"THRES2", nullptr, SaverSettings.Thresholds[2]},
    {"THRES1", nullptr, SaverSettings.Thresholds[1]},
    {"FREQ", nullptr, SaverSettings.Freq},
    {"THRES0", nullptr, SaverSettings.Thresholds[0]},
};

// AUTO, after the seven keys: absent reads as off, and off is written as no
// key at all, so a file saved with it off holds the seven keys alone.
const char AutoKey[] = "AUTO";

void LoadRoomGainSwitch(bool haveFile) {
    if (haveFile)
        GetPrivateProfileStringA(Section, AutoKey, "", SaverSettings.Auto, SettingTextSize, SaverSettings.SettingsPath);
    else
        SaverSettings.Auto[0] = '\0';
}

BOOL SaveRoomGainSwitch() {
    return WritePrivateProfileStringA(Section, AutoKey, RoomGainSwitchedOn(SaverSettings) ? "1" : nullptr,
                                      SaverSettings.SettingsPath);
}

// Without a folder of our own there is no file: an empty path, which the
// loader reads as defaults and the saver refuses to write, rather than a
// path relative to wherever the process happens to stand.
BOOL NoSettingsPath(char* settingsPath) {
    settingsPath[0] = '\0';
    return FALSE;
}

}  // namespace

BOOL BuildSettingsPath(char* settingsPath) {
    settingsPath[0] = '\0';
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, settingsPath)) ||
        settingsPath[0] == '\0')
        return NoSettingsPath(settingsPath);
    // The trailing backslash makes the next step create Brasswick as well.
    if (!PathAppendA(settingsPath, "\\Korvane\\Brasswick\\")) return NoSettingsPath(settingsPath);
    const BOOL foldersExist = MakeSureDirectoryPathExists(settingsPath);
    if (!PathAppendA(settingsPath, "Brasswick.ini")) return NoSettingsPath(settingsPath);
    return foldersExist;
}

void LoadSettings() {
    const bool haveFile = SaverSettings.SettingsPath[0] != '\0';
    for (const SettingKey& key : ReadOrder) {
        if (haveFile)
            GetPrivateProfileStringA(Section, key.Name, key.Default, key.Text, SettingTextSize,
                                     SaverSettings.SettingsPath);
        else
            std::strcpy(key.Text, key.Default);
    }
    LoadRoomGainSwitch(haveFile);
}

BOOL SaveSettings() {
    if (SaverSettings.SettingsPath[0] == '\0') return FALSE;
    BOOL allWritten = TRUE;
    for (const SettingKey& key : WriteOrder) {
        // A failed write does not keep the others from being tried.
        if (!WritePrivateProfileStringA(Section, key.Name, key.Text, SaverSettings.SettingsPath))
            allWritten = FALSE;
    }
    // The default input is no key at all, so a file that never had one keeps
    // the seven keys alone.
    const char* input = SaverSettings.Input[0] != '\0' ? SaverSettings.Input : nullptr;
    if (!WritePrivateProfileStringA(Section, "INPUT", input, SaverSettings.SettingsPath)) allWritten = FALSE;
    if (!SaveRoomGainSwitch()) allWritten = FALSE;
    return allWritten;
}
