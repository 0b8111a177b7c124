// The real settings file of the test prefix, written by hand, kept aside
// while a test works on it and put back afterwards.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "tests/shared/saved_state.h"

// ...\Korvane\Brasswick, worked out independently of the code under test.
std::string SettingsFolderPath();

// The platform keeps a cached copy of a profile file; these drop it, so
// that the next read sees what is on disk.
void PutSettingsFile(const std::string& bytes);
void RemoveSettingsFile();

// Value of a key in section SETTINGS of the file as it is on disk now.
std::string ValueOnDisk(const char* key);

// Starts without a settings file; the one that was there comes back.
class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    SavedFile kept_;
};
