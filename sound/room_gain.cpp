#include "sound/room_gain.h"

#include <algorithm>
#include <cmath>

void HearRoomLevel(RoomGainState& gain, SoundLevel level, uint32_t nowMs) {
    if (gain.Heard) {
        // Unsigned difference: right across the clock's wrap.
        const uint32_t elapsed = nowMs - gain.HeardAtMs;
        gain.Peak *= std::exp2(-static_cast<double>(elapsed) / RoomPeakHalfLifeMs);
    }
    const SoundLevel held = std::min({level, gain.Before[0], gain.Before[1]});
    if (held > gain.Peak) gain.Peak = held;
    gain.Before[1] = gain.Before[0];
    gain.Before[0] = level;
    gain.HeardAtMs = nowMs;
    gain.Heard = true;
}

double RoomGainFactor(const RoomGainState& gain, int32_t topThreshold) {
    if (gain.Peak < RoomNoiseFloor || gain.Peak >= topThreshold) return 1.0;
    if (gain.Peak * RoomGainMaximum <= topThreshold) return RoomGainMaximum;
    return topThreshold / gain.Peak;
}

SoundLevel GainedLevel(const RoomGainState& gain, SoundLevel level, int32_t topThreshold) {
    if (level < RoomNoiseFloor) return level;
    const double factor = RoomGainFactor(gain, topThreshold);
    if (factor == 1.0 || factor == RoomGainMaximum) return level * static_cast<SoundLevel>(factor);
    // One division, so the loudest level lands exactly on topThreshold.
    return static_cast<SoundLevel>(level * static_cast<double>(topThreshold) / gain.Peak);
}

SoundLevel FollowRoomLoudness(RoomGainState& gain, SoundLevel level, uint32_t nowMs, int32_t topThreshold) {
    HearRoomLevel(gain, level, nowMs);
    return GainedLevel(gain, level, topThreshold);
}
