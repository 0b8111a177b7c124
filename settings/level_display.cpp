#include "settings/level_display.h"

#include "sound/tile_band.h"

SoundLevel ShownLevel(HeldLevel& held, SoundLevel level, uint32_t nowMs) {
    if (level > LevelBarMaximum) level = LevelBarMaximum;
    if (level < 0) level = 0;
    if (level >= held.Peak || nowMs - held.PeakAt >= PeakHoldMs) {
        held.Peak = level;
        held.PeakAt = nowMs;
    }
    return held.Peak;
}

int BandOfLevel(SoundLevel level, const int32_t (&thresholds)[ThresholdCount]) {
    return TileForThresholds(level, thresholds) - QuietestTile;
}
