// The INI file "Brasswick.ini" under the local application-data folder.
#pragma once
#include <windows.h>

#include "settings/saver_settings.h"

// Fills settingsPath (SettingsPathSize bytes) with the file's full path and
// creates its folders. Nonzero when the folders exist or were created.
BOOL BuildSettingsPath(char* settingsPath);

// Reads the seven texts, INPUT and AUTO into SaverSettings, defaults for
// what is missing.
void LoadSettings();

// Writes the seven texts, then INPUT (taken out when empty) and AUTO (taken
// out when off); nonzero only when every write succeeded.
BOOL SaveSettings();
