// The meter's state, one per process, shared by the window's thread and the
// sound system's callback thread. Busy hands Header and Buffer over: while it
// is 1 they belong to the sound system, while it is 0 to the window's thread.
#pragma once
#include <windows.h>

#include <mmsystem.h>

#include <atomic>
#include <cstdint>

// After a failure the input is looked for again at most this often.
constexpr DWORD RetryIntervalMs = 1000;

struct SoundMeterState {
    // The window's thread sets it to 1, and clears it again only when the
    // platform holds no buffer: its request queued nothing, or the device
    // that held the buffer is closed. The callback clears it with release
    // after its last read of Buffer; requests read it with acquire.
    std::atomic<LONG> Busy;
    BYTE* Buffer;      // CaptureLength unsigned 8-bit samples
    WAVEHDR Header;
    HWAVEIN Device;    // null while no input can be had
    WAVEFORMATEX Format;
    // Written by the callback, read by requests: a whole old or new level is
    // all a reader needs, so relaxed.
    std::atomic<int32_t> LastLevel;
    // The rest belongs to the window's thread alone.
    DWORD QueuedAt;        // GetTickCount when the capture in flight was queued
    DWORD LastRetryAt;     // GetTickCount when the input last failed
    // A capture in flight this long has been lost with its device. The first
    // capture of a process takes about 2 s under Wine, later ones milliseconds.
    DWORD StallLimitMs = 5000;
};

// The callback may take no lock, so neither may these.
static_assert(std::atomic<LONG>::is_always_lock_free, "Busy must be lock-free");
static_assert(std::atomic<int32_t>::is_always_lock_free, "LastLevel must be lock-free");

extern SoundMeterState SoundMeter;
