#include "sound/tile_band.h"

#include <cstdlib>

TileImageId TileForLevel(SoundLevel level, const char (&thresholds)[ThresholdCount][SettingTextSize]) {
    for (int k = 0; k < ThresholdCount - 1; ++k) {
        if (level < SettingNumber(thresholds[k])) return QuietestTile + k;
    }
    return level >= SettingNumber(thresholds[ThresholdCount - 1]) ? LoudestTile : LoudestTile - 1;
}

TileImageId TileFromRandomValue(int value) {
    return QuietestTile + value % (LoudestTile - QuietestTile + 1);
}

TileImageId RandomTileImage() {
    return TileFromRandomValue(std::rand());
}
