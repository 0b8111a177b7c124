// Free of windows.h, so it builds and is tested natively.
// Which tile band a level falls in, and the random choice.
#pragma once
#include "resources/resource_ids.h"
#include "settings/saver_settings.h"
#include "sound/sound_level.h"

// Resource identifier of a tile bitmap, QuietestTile to LoudestTile.
using TileImageId = int;

constexpr TileImageId QuietestTile = IDB_TILE_0;
constexpr TileImageId LoudestTile = IDB_TILE_6;

// The first threshold (THRES0..THRES4) that the level stays below decides;
// past them, THRES5 splits the two loudest bands. The texts are parsed anew
// on every call, so an edited record takes effect at once.
TileImageId TileForLevel(SoundLevel level, const char (&thresholds)[ThresholdCount][SettingTextSize]);
// The same rule for thresholds already parsed (the dialog's sliders).
TileImageId TileForThresholds(SoundLevel level, const int32_t (&thresholds)[ThresholdCount]);

// A value of rand() (0..32767) to an image.
TileImageId TileFromRandomValue(int value);

TileImageId RandomTileImage();
