// Free of windows.h, so it builds and is tested natively.
// Loudness of one capture.
#pragma once
#include <cstdint>

// 0 (silence) to 128: how far the unsigned 8-bit samples lie from 128 on
// average, the remainder dropped.
using SoundLevel = int32_t;

// Samples of one capture: about a millisecond at 11025 a second.
constexpr uint32_t CaptureLength = 11;

SoundLevel MeasureSoundLevel(const uint8_t* samples, uint32_t count);

// All samples exactly 128: what a muted or disconnected input gives, where a
// quiet room still moves a sample now and then.
bool IsExactSilence(const uint8_t* samples, uint32_t count);
