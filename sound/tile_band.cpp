#include "sound/tile_band.h"

#include <cstdlib>

TileImageId TileForLevel(SoundLevel level, const char (&thresholds)[ThresholdCount][SettingTextSize]) {
    int32_t numbers[ThresholdCount];
    for (int k = 0; k < ThresholdCount; ++k) numbers[k] = SettingNumber(thresholds[k]);
    return TileForThresholds(level, numbers);
}

TileImageId TileForThresholds(SoundLevel level, const int32_t (&thresholds)[ThresholdCount]) {
    for (int k = 0; k < ThresholdCount - 1; ++k) {
        if (level < thresholds[k]) return QuietestTile + k;
    }
    return level >= thresholds[ThresholdCount - 1] ? LoudestTile : LoudestTile - 1;
}

TileImageId TileFromRandomValue(int value) {
    return QuietestTile + value % (LoudestTile - QuietestTile + 1);
}

TileImageId RandomTileImage() {
    return TileFromRandomValue(std::rand());
}
