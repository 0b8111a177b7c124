// Registry values and files that a test changes, saved first and put back
// afterwards, so that the machine is left as the test found it.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

struct SavedRegistryValue {
    HKEY Root = nullptr;
    std::string SubKey;
    std::string Name;
    bool Existed = false;
    DWORD Type = 0;
    std::vector<BYTE> Data;
    std::vector<std::string> CreatedKeys;  // made by the test, outermost first
};

SavedRegistryValue SaveRegistryValue(HKEY root, const std::string& subKey, const std::string& name);

// Change the value; missing keys are made and remembered for removal.
bool SetRegistryValue(SavedRegistryValue& saved, DWORD type, const BYTE* data, DWORD size);
bool SetRegistryString(SavedRegistryValue& saved, const std::string& value);
bool SetRegistryDword(SavedRegistryValue& saved, DWORD value);
bool DeleteRegistryValue(const SavedRegistryValue& saved);

// Puts the value back as it was and removes the keys the test made.
void RestoreRegistryValue(SavedRegistryValue& saved);

struct SavedFile {
    std::string Path;
    bool Existed = false;
    std::string Content;
    std::vector<std::string> CreatedFolders;  // made by the test, outermost first
};

SavedFile SaveFile(const std::string& path);

// Writes content as the whole file, making missing folders.
bool WriteWholeFile(SavedFile& saved, const std::string& content);

// Puts the file back (or removes it) and removes the empty folders the test made.
void RestoreFile(SavedFile& saved);

// Writes content as the whole file; the folder must exist.
bool WriteTextFile(const std::string& path, const std::string& content);

// Reads a whole file; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);

bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);

// Brasswick.ini under the local application-data folder.
std::string SettingsFilePath();
