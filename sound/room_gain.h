// Free of windows.h, so it builds and is tested natively.
// The automatic gain that lets the mosaic follow the room's loudness: the
// level is raised before it meets the thresholds, so that a quiet room's
// loudest moments reach the top bands while the thresholds keep their
// meaning and spacing.
#pragma once
#include <cstdint>

#include "sound/sound_level.h"

// At most eight times, never below one.
constexpr int RoomGainMaximum = 8;
// A room whose loudest recent level is below this is all but silent and is
// not raised; levels below it are never raised, so noise stays at the bottom.
constexpr SoundLevel RoomNoiseFloor = 3;
// The loudest recent level halves in this time once the room is quieter:
// slow enough that a pause between songs does not raise the noise.
constexpr uint32_t RoomPeakHalfLifeMs = 20000;

struct RoomGainState {
    double Peak;           // the loudest recent level, decaying since
    SoundLevel Before[2];  // the levels of the two ticks before, the latest first
    uint32_t HeardAtMs;    // when the last level was heard
    bool Heard;            // false until the first level
};

// Takes the level heard at nowMs, a millisecond clock that may wrap. A
// louder level counts at its third tick in a row, so that a loud tick or
// two (a click, a glitch of the sound input) do not turn the gain down for
// half a minute; a quieter one counts only as the peak decays.
void HearRoomLevel(RoomGainState& gain, SoundLevel level, uint32_t nowMs);

// How many times the gain raises a level: 1 to RoomGainMaximum, enough to
// bring the loudest recent level up to topThreshold (THRES5).
double RoomGainFactor(const RoomGainState& gain, int32_t topThreshold);

// The level after the gain, the remainder dropped.
SoundLevel GainedLevel(const RoomGainState& gain, SoundLevel level, int32_t topThreshold);

// Hears the level and gives it back after the gain.
SoundLevel FollowRoomLoudness(RoomGainState& gain, SoundLevel level, uint32_t nowMs, int32_t topThreshold);
