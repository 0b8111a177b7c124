#include "settings/saver_settings.h"

SaverSettingsRecord SaverSettings = {};
