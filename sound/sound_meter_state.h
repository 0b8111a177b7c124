// The meter's state, one per process. Three kinds of thread touch it:
//  - the caller's thread (the saver window's or the dialog's): open, close,
//    the ticks' requests and reports. It never calls the driver and never
//    waits for it;
//  - the meter's own thread, which makes every driver call and alone moves
//    Phase, through NextMeterState;
//  - the sound system's thread, which runs CaptureDoneCallback.
#pragma once
#include <windows.h>

#include <mmsystem.h>

#include <atomic>
#include <cstdint>

#include "sound/meter_states.h"
#include "sound/sound_level.h"
#include "sound/sound_meter.h"

// After a failure the input is looked for again at most this often.
constexpr DWORD RetryIntervalMs = 1000;

// Devices that kept their buffer are left with it, never freed; past this
// many the meter stops opening new ones, so memory stays bounded.
constexpr LONG MaxAbandonedDevices = 4;

// How long the meter's thread waits, after letting a device go, for a
// completion the driver may still deliver into its record.
constexpr DWORD LateCompletionWaitMs = 500;

// The level a reopened device reports until its first capture completes.
constexpr int32_t NoLevelYet = -1;

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

// What the caller's thread asks for, under Exchange; the meter's thread takes
// a new Generation as a close followed, when Open, by an open of Name.
struct MeterWish {
    LONG Generation;
    bool Open;
    char Name[32];
};

struct SoundMeterState {
    // The capture in flight: the identity of its device, 0 when none. The
    // meter's thread sets it when it queues a capture; the callback of that
    // device claims it (identity to minus identity), stores the level and
    // clears it with release. The meter's thread takes back a stalled
    // capture by exchanging the identity for 0, so only one of them wins.
    std::atomic<LONG> Busy;
    // Written by the callback, read by requests: a whole old or new level is
    // all a reader needs, so relaxed. NoLevelYet after a reopen.
    std::atomic<int32_t> LastLevel;
    std::atomic<LONG> CaptureSilent;  // the last capture was exact silence
    // Set by a request, taken by the meter's thread when it queues.
    std::atomic<LONG> CaptureWanted;
    // The meter's thread's state; others only read it.
    std::atomic<MeterState> Phase;

    // The meter's thread's alone.
    SoundDevice* Device;  // the open input, null while none
    WAVEFORMATEX Format;
    LONG ServedGeneration;
    char AskedName[32];
    DWORD QueuedAt;  // GetTickCount when the capture in flight was queued
    DWORD RetryAt;   // when an absent input is looked for again
    // A capture in flight this long has been lost with its device. The first
    // capture of a process takes about 2 s under Wine, later ones milliseconds.
    DWORD StallLimitMs = 5000;

    // Written by the meter's thread, read by anyone.
    std::atomic<DWORD> SoundHeardAt;  // GetTickCount at the last capture not exact silence
    std::atomic<LONG> AbandonedDevices;
    std::atomic<LONG> NextIdentity;
    // The first open of a generation: its code, then the generation (release).
    std::atomic<MMRESULT> AnswerCode;
    std::atomic<LONG> AnsweredGeneration;

    // Guards Wish and Report, and is held only while one of them is copied:
    // never across a driver call, so no thread waits on the driver through it.
    CRITICAL_SECTION Exchange;
    MeterWish Wish;
    SoundMeterReport Report;  // its State and SilentForMs are filled when read

    // Made once, by the first open, on the caller's thread.
    HANDLE Wake;      // auto-reset: a wish or a request for the meter's thread
    HANDLE Answered;  // auto-reset: set when a first open has answered
    std::atomic<bool> ThreadRunning;
};

// The callback may take no lock, so neither may these.
static_assert(std::atomic<LONG>::is_always_lock_free, "Busy must be lock-free");
static_assert(std::atomic<int32_t>::is_always_lock_free, "LastLevel must be lock-free");

extern SoundMeterState SoundMeter;
