// Which tile band a level falls in, and the random choice; no Windows types.
#pragma once
#include "settings/saver_settings.h"
#include "sound/sound_level.h"
#include "sound/tile_choice.h"

constexpr TileImageId QuietestTile = 102;
constexpr TileImageId LoudestTile = 108;

// The first threshold (THRES0..THRES4) that the level stays below decides;
// past them, THRES5 splits the two loudest bands. The texts are parsed anew
// on every call, so an edited record takes effect at once.
TileImageId TileForLevel(SoundLevel level, const char (&thresholds)[ThresholdCount][SettingTextSize]);

// A value of rand() (0..32767) to an image.
TileImageId TileFromRandomValue(int value);
