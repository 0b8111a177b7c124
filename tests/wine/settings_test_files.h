// The real settings file of the test prefix, kept aside while a test works
// on it and put back afterwards, since later tests and programs read it.
#pragma once
#include <windows.h>

#include <string>

// ...\AppData\Local\Korvane\Brasswick, worked out independently of the code
// under test.
std::string SettingsFolderPath();
std::string SettingsFilePath();

bool ReadWholeFile(const std::string& path, std::string& bytes);
bool WriteWholeFile(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);

// Drops the platform's cached copy of a profile file, so that what a test
// wrote by hand is what the next read sees.
void ForgetCachedProfile(const std::string& path);

// Writes the settings file by hand, or removes it.
void PutSettingsFile(const std::string& bytes);
void RemoveSettingsFile();

struct KeptFile {
    bool Existed = false;
    std::string Bytes;
};
KeptFile KeepSettingsFile();
void RestoreSettingsFile(const KeptFile& kept);

// Value of a key in section SETTINGS of the file as it is on disk now.
std::string ValueOnDisk(const char* key);
