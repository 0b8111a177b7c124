#include "settings_test_files.h"

#include <shlobj.h>

std::string SettingsFolderPath() {
    char folder[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder);
    return std::string(folder) + "\\Korvane\\Brasswick";
}

std::string SettingsFilePath() {
    return SettingsFolderPath() + "\\Brasswick.ini";
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bytes.clear();
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(file);
    return true;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

bool FileExists(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void ForgetCachedProfile(const std::string& path) {
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
}

void PutSettingsFile(const std::string& bytes) {
    CreateDirectoryA(SettingsFolderPath().substr(0, SettingsFolderPath().rfind('\\')).c_str(), nullptr);
    CreateDirectoryA(SettingsFolderPath().c_str(), nullptr);
    SetFileAttributesA(SettingsFilePath().c_str(), FILE_ATTRIBUTE_NORMAL);
    WriteWholeFile(SettingsFilePath(), bytes);
    ForgetCachedProfile(SettingsFilePath());
}

void RemoveSettingsFile() {
    SetFileAttributesA(SettingsFilePath().c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(SettingsFilePath().c_str());
    ForgetCachedProfile(SettingsFilePath());
}

KeptFile KeepSettingsFile() {
    KeptFile kept;
    kept.Existed = ReadWholeFile(SettingsFilePath(), kept.Bytes);
    return kept;
}

void RestoreSettingsFile(const KeptFile& kept) {
    if (kept.Existed)
        PutSettingsFile(kept.Bytes);
    else
        RemoveSettingsFile();
}

std::string ValueOnDisk(const char* key) {
    ForgetCachedProfile(SettingsFilePath());
    char value[1024];
    GetPrivateProfileStringA("SETTINGS", key, "<missing>", value, sizeof value, SettingsFilePath().c_str());
    return value;
}
