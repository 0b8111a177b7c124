// Free of windows.h, so it builds and is tested natively.
// What the dialog's level shows: the loudest level of the last moment, so
// the eye can follow captures of a millisecond each, and the tile band the
// saver would paint for it.
#pragma once
#include <cstdint>

#include "settings/saver_settings.h"
#include "sound/sound_level.h"

constexpr uint32_t PeakHoldMs = 400;
// The thresholds' scale: the level bar's range.
constexpr int LevelBarMaximum = 127;

struct HeldLevel {
    SoundLevel Peak;
    uint32_t PeakAt;  // milliseconds, any clock that wraps at 32 bits
};

// The level to show at nowMs given the one just measured: it rises at once
// and falls only once a peak has been held PeakHoldMs. On the bar's scale.
SoundLevel ShownLevel(HeldLevel& held, SoundLevel level, uint32_t nowMs);

// 0 (quietest) to 6 (loudest): the band whose tile the saver paints.
int BandOfLevel(SoundLevel level, const int32_t (&thresholds)[ThresholdCount]);
