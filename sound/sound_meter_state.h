// The meter's state, one per process, shared by the window's thread, the
// sound system's callback thread and the thread that recovers a lost device.
#pragma once
#include <windows.h>

#include <mmsystem.h>

#include <atomic>
#include <cstdint>

#include "sound/sound_level.h"
#include "sound/sound_meter.h"

// After a failure the input is looked for again at most this often.
constexpr DWORD RetryIntervalMs = 1000;

// Devices that kept their buffer are left with it, never freed; past this
// many the meter stops opening new ones, so memory stays bounded.
constexpr LONG MaxAbandonedDevices = 4;

// One opened input with the buffer and header that only it may hold. Its
// address is the instance value of its callbacks, so it lives until the
// platform can call back no more for it.
struct SoundDevice {
    LONG Identity;  // never 0, never reused
    HWAVEIN Handle;
    WAVEHDR Header;
    BYTE Buffer[CaptureLength];  // unsigned 8-bit samples
    // 1 from the queueing of Header until its completion has been handled:
    // the callback clears it with release as its last touch of the record.
    std::atomic<LONG> Holding;
};

// What the recovery thread does next, and what it found.
enum class RecoveryStep : LONG { Idle, Releasing, Opening, Done };

struct SoundMeterState {
    // Identity of the device whose capture is in flight, 0 when none. The
    // window's thread sets it; the callback of that device alone clears it
    // (compare-and-exchange), with release after its last read of the buffer.
    std::atomic<LONG> Busy;
    // The device the ticks capture from, null while none; the window's thread's.
    SoundDevice* Device;
    WAVEFORMATEX Format;
    // Written by the callback, read by requests: a whole old or new level is
    // all a reader needs, so relaxed.
    std::atomic<int32_t> LastLevel;
    // The rest of the window's thread's fields.
    bool Lost;          // Device failed and waits to be handed to the recovery thread
    DWORD QueuedAt;     // GetTickCount when the capture in flight was queued
    DWORD LastRetryAt;  // GetTickCount when the input last failed
    // A capture in flight this long has been lost with its device. The first
    // capture of a process takes about 2 s under Wine, later ones milliseconds.
    DWORD StallLimitMs = 5000;
    // At most one recovery thread at a time. The window's thread hands it a
    // step while it is Idle and takes its outcome when it is Done (acquire);
    // the thread publishes Done with release.
    std::atomic<RecoveryStep> Recovery;
    SoundDevice* Released;  // the device the recovery thread lets go
    SoundDevice* Reopened;  // what its opening gave, null when it failed
    MMRESULT OpenCode;
    std::atomic<LONG> AbandonedDevices;
    std::atomic<LONG> NextIdentity;
    UINT InputId;  // the device number opened, or WAVE_MAPPER
    bool Opened;   // open has been called and close not since
    // Written by the callback with the level: the capture was exact silence.
    std::atomic<LONG> CaptureSilent;
    DWORD SoundHeardAt;  // GetTickCount at the last capture that was not exact silence
    SoundMeterReport Report;
};

// The callback may take no lock, so neither may these.
static_assert(std::atomic<LONG>::is_always_lock_free, "Busy must be lock-free");
static_assert(std::atomic<int32_t>::is_always_lock_free, "LastLevel must be lock-free");

extern SoundMeterState SoundMeter;
