#include "settings_test_files.h"

namespace {

void ForgetCachedProfile() {
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, SettingsFilePath().c_str());
}

}  // namespace

std::string SettingsFolderPath() {
    const std::string file = SettingsFilePath();
    return file.substr(0, file.rfind('\\'));
}

void PutSettingsFile(const std::string& bytes) {
    CreateDirectoryA(SettingsFolderPath().substr(0, SettingsFolderPath().rfind('\\')).c_str(), nullptr);
    CreateDirectoryA(SettingsFolderPath().c_str(), nullptr);
    SetFileAttributesA(SettingsFilePath().c_str(), FILE_ATTRIBUTE_NORMAL);
    WriteTextFile(SettingsFilePath(), bytes);
    ForgetCachedProfile();
}

void RemoveSettingsFile() {
    SetFileAttributesA(SettingsFilePath().c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(SettingsFilePath().c_str());
    ForgetCachedProfile();
}

std::string ValueOnDisk(const char* key) {
    ForgetCachedProfile();
    char value[1024];
    GetPrivateProfileStringA("SETTINGS", key, "<missing>", value, sizeof value, SettingsFilePath().c_str());
    return value;
}

void SettingsFileTest::SetUp() {
    kept_ = SaveFile(SettingsFilePath());
    RemoveSettingsFile();
}

void SettingsFileTest::TearDown() {
    RestoreFile(kept_);
    ForgetCachedProfile();
}
