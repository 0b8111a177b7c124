// The latest samples of a recording that comes in fragments of any size.
// Free of PulseAudio headers so that it is tested natively.
#pragma once
#include <cstddef>
#include <cstdint>

#include "sound/sound_level.h"

// The latest CaptureLength samples, measured as the Windows meter measures a
// capture; Fill counts how many have come, up to CaptureLength.
struct SampleTail {
    uint8_t Samples[CaptureLength] = {};
    uint32_t Fill = 0;
};
void KeepLatestSamples(SampleTail& tail, const uint8_t* samples, size_t count);
