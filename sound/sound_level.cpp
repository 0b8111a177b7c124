#include "sound/sound_level.h"

SoundLevel MeasureSoundLevel(const uint8_t* samples, uint32_t count) {
    if (count == 0) return 0;
    uint32_t sum = 0;
    for (uint32_t i = 0; i < count; ++i) sum += samples[i] >= 128 ? samples[i] - 128u : 128u - samples[i];
    return static_cast<SoundLevel>(sum / count);
}

bool IsExactSilence(const uint8_t* samples, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i)
        if (samples[i] != 128) return false;
    return true;
}
