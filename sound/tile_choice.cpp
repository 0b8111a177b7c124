#include "sound/tile_choice.h"

#include "settings/saver_settings.h"
#include "sound/sound_meter.h"
#include "sound/tile_band.h"

TileImageId ChooseTileByLevel() {
    int32_t level = 0;
    MMRESULT code = MMSYSERR_NOERROR;
    if (!StartLevelCapture(&level, &code)) return RandomTileImage();
    return TileForLevel(level, SaverSettings.Thresholds);
}
