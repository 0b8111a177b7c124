#include "sound/tile_choice.h"

#include "settings/saver_settings.h"
#include "sound/sound_meter.h"
#include "sound/tile_band.h"

RoomGainState RoomGain = {};

TileImageId ChooseTileByLevel() {
    int32_t level = 0;
    MMRESULT code = MMSYSERR_NOERROR;
    if (!StartLevelCapture(&level, &code)) return RandomTileImage();
    if (RoomGainSwitchedOn(SaverSettings))
        level = FollowRoomLoudness(RoomGain, level, GetTickCount(),
                                   SettingNumber(SaverSettings.Thresholds[ThresholdCount - 1]));
    return TileForLevel(level, SaverSettings.Thresholds);
}
