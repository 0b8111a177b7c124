#include "saved_state.h"

#include <shlobj.h>

#include <cstdio>

namespace {

bool KeyExists(HKEY root, const std::string& subKey) {
    HKEY key;
    if (RegOpenKeyExA(root, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// Every missing key on the way to subKey, outermost first.
std::vector<std::string> MissingKeys(HKEY root, const std::string& subKey) {
    std::vector<std::string> missing;
    size_t end = 0;
    do {
        end = subKey.find('\\', end + 1);
        const std::string prefix = subKey.substr(0, end);
        if (!KeyExists(root, prefix)) missing.push_back(prefix);
    } while (end != std::string::npos);
    return missing;
}

}  // namespace

bool FolderExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool SetRegistryValue(SavedRegistryValue& saved, DWORD type, const BYTE* data, DWORD size) {
    for (const std::string& key : MissingKeys(saved.Root, saved.SubKey)) saved.CreatedKeys.push_back(key);
    HKEY key;
    if (RegCreateKeyExA(saved.Root, saved.SubKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const bool set = RegSetValueExA(key, saved.Name.c_str(), 0, type, data, size) == ERROR_SUCCESS;
    RegCloseKey(key);
    return set;
}

SavedRegistryValue SaveRegistryValue(HKEY root, const std::string& subKey, const std::string& name) {
    SavedRegistryValue saved;
    saved.Root = root;
    saved.SubKey = subKey;
    saved.Name = name;
    HKEY key;
    if (RegOpenKeyExA(root, subKey.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return saved;
    DWORD size = 0;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &saved.Type, nullptr, &size) == ERROR_SUCCESS) {
        saved.Data.resize(size);
        saved.Existed = RegQueryValueExA(key, name.c_str(), nullptr, &saved.Type, saved.Data.data(), &size) ==
                        ERROR_SUCCESS;
        saved.Data.resize(size);
    }
    RegCloseKey(key);
    return saved;
}

bool SetRegistryString(SavedRegistryValue& saved, const std::string& value) {
    return SetRegistryValue(saved, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>(value.size() + 1));
}

bool SetRegistryDword(SavedRegistryValue& saved, DWORD value) {
    return SetRegistryValue(saved, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

bool DeleteRegistryValue(const SavedRegistryValue& saved) {
    HKEY key;
    if (RegOpenKeyExA(saved.Root, saved.SubKey.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return true;
    const LONG result = RegDeleteValueA(key, saved.Name.c_str());
    RegCloseKey(key);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

void RestoreRegistryValue(SavedRegistryValue& saved) {
    if (saved.Existed) {
        HKEY key;
        if (RegOpenKeyExA(saved.Root, saved.SubKey.c_str(), 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
            RegSetValueExA(key, saved.Name.c_str(), 0, saved.Type, saved.Data.data(),
                           static_cast<DWORD>(saved.Data.size()));
            RegCloseKey(key);
        }
    } else {
        DeleteRegistryValue(saved);
    }
    // Innermost first; a key somebody else has filled meanwhile stays.
    for (auto key = saved.CreatedKeys.rbegin(); key != saved.CreatedKeys.rend(); ++key)
        RegDeleteKeyA(saved.Root, key->c_str());
    saved.CreatedKeys.clear();
}

std::string ReadWholeFile(const std::string& path) {
    std::string content;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return content;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) content.append(buffer, got);
    std::fclose(file);
    return content;
}

bool WriteTextFile(const std::string& path, const std::string& content) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size();
    return std::fclose(file) == 0 && written;
}

bool FileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

SavedFile SaveFile(const std::string& path) {
    SavedFile saved;
    saved.Path = path;
    saved.Existed = FileExists(path);
    if (saved.Existed) saved.Content = ReadWholeFile(path);
    return saved;
}

bool WriteWholeFile(SavedFile& saved, const std::string& content) {
    size_t end = saved.Path.find('\\', 3);  // past "C:\"
    while (end != std::string::npos) {
        const std::string folder = saved.Path.substr(0, end);
        if (!FolderExists(folder)) {
            if (!CreateDirectoryA(folder.c_str(), nullptr)) return false;
            saved.CreatedFolders.push_back(folder);
        }
        end = saved.Path.find('\\', end + 1);
    }
    return WriteTextFile(saved.Path, content);
}

void RestoreFile(SavedFile& saved) {
    SetFileAttributesA(saved.Path.c_str(), FILE_ATTRIBUTE_NORMAL);  // a test may have made it read-only
    if (saved.Existed) {
        WriteTextFile(saved.Path, saved.Content);
    } else {
        DeleteFileA(saved.Path.c_str());
    }
    for (auto folder = saved.CreatedFolders.rbegin(); folder != saved.CreatedFolders.rend(); ++folder)
        RemoveDirectoryA(folder->c_str());
    saved.CreatedFolders.clear();
}

std::string SettingsFilePath() {
    char folder[MAX_PATH] = "";
    if (SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder) != S_OK) return "";
    return std::string(folder) + "\\Korvane\\Brasswick\\Brasswick.ini";
}
