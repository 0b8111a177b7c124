#include "sound/sound_meter.h"

#include <cstdarg>
#include <cstdlib>
#include <new>

#include "sound/sound_level.h"
#include "sound/sound_meter_state.h"

SoundMeterState SoundMeter;

namespace {

void FillFormat(WAVEFORMATEX& format) {
    format = WAVEFORMATEX{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = 11025;
    format.nAvgBytesPerSec = 11025;
    format.nBlockAlign = 1;
    format.wBitsPerSample = 8;
    format.cbSize = 0;
}

// What a request reports while no input can be had and no retry is due.
constexpr MMRESULT NoInputCode = MMSYSERR_NODRIVER;

// A fresh record, so that no buffer a lost device may still hold is lent to
// the new one; null when memory or the device cannot be had.
SoundDevice* OpenDevice(MMRESULT* code) {
    SoundDevice* device = static_cast<SoundDevice*>(std::malloc(sizeof(SoundDevice)));
    if (device == nullptr) {
        *code = MMSYSERR_NOMEM;
        return nullptr;
    }
    new (device) SoundDevice{};
    device->Identity = SoundMeter.NextIdentity.fetch_add(1, std::memory_order_relaxed) + 1;
    device->Header.lpData = reinterpret_cast<LPSTR>(device->Buffer);
    device->Header.dwBufferLength = CaptureLength;
    device->Header.dwLoops = 1;
    // The record, not 0, is the instance value: the callback tells one device's completions from another's.
    *code =
        waveInOpen(&device->Handle, WAVE_MAPPER, &SoundMeter.Format, reinterpret_cast<DWORD_PTR>(&CaptureDoneCallback),
                   reinterpret_cast<DWORD_PTR>(device), CALLBACK_FUNCTION);
    if (*code == MMSYSERR_NOERROR) return device;
    std::free(device);
    return nullptr;
}

bool Holding(const SoundDevice* device) {
    return device->Holding.load(std::memory_order_acquire) != 0;
}

// Lets a device go. Its record (buffer and header) is freed only once the
// platform can write into it no more: the device closed, or its one
// capture handed back. Otherwise it is abandoned to the device for good.
void ReleaseDevice(SoundDevice* device) {
    if (Holding(device)) waveInReset(device->Handle);
    waveInUnprepareHeader(device->Handle, &device->Header, sizeof(WAVEHDR));
    const bool closed = waveInClose(device->Handle) == MMSYSERR_NOERROR;
    // An unprepared header whose callback has not yet finished is still read
    // by it, so only the callback's own word frees the record of an open device.
    if (closed || !Holding(device)) {
        std::free(device);
        return;
    }
    SoundMeter.AbandonedDevices.fetch_add(1, std::memory_order_relaxed);
}

DWORD WINAPI ReleaseDeviceThread(LPVOID device) {
    ReleaseDevice(static_cast<SoundDevice*>(device));
    return 0;
}

// Never waited for: a call still blocked at exit is left behind.
void ReleaseOnItsOwnThread(SoundDevice* device) {
    HANDLE thread = CreateThread(nullptr, 0, ReleaseDeviceThread, device, 0, nullptr);
    if (thread != nullptr) {
        CloseHandle(thread);
    } else {
        SoundMeter.AbandonedDevices.fetch_add(1, std::memory_order_relaxed);
    }
}

DWORD WINAPI RecoverDevice(LPVOID) {
    if (SoundMeter.Recovery.load(std::memory_order_acquire) == RecoveryStep::Releasing) {
        ReleaseDevice(SoundMeter.Released);
    } else {
        SoundMeter.Opened = OpenDevice(&SoundMeter.OpenCode);
    }
    SoundMeter.Recovery.store(RecoveryStep::Done, std::memory_order_release);
    return 0;
}

bool GaveUp() {
    return SoundMeter.AbandonedDevices.load(std::memory_order_relaxed) >= MaxAbandonedDevices;
}

bool RetryDue() {
    return GetTickCount() - SoundMeter.LastRetryAt >= RetryIntervalMs;
}

// Driver calls that may block run on a thread of their own: the window's
// thread only starts it and never waits for it. False when it cannot start.
bool StartRecovery(RecoveryStep step) {
    SoundMeter.Recovery.store(step, std::memory_order_release);
    HANDLE thread = CreateThread(nullptr, 0, RecoverDevice, nullptr, 0, nullptr);
    if (thread != nullptr) {
        CloseHandle(thread);
        return true;
    }
    SoundMeter.Recovery.store(RecoveryStep::Idle, std::memory_order_relaxed);
    SoundMeter.LastRetryAt = GetTickCount();
    return false;
}

bool RecoveryIdle() {
    return SoundMeter.Recovery.load(std::memory_order_acquire) == RecoveryStep::Idle;
}

// Takes what a finished recovery thread found.
void CollectRecovery() {
    if (SoundMeter.Recovery.load(std::memory_order_acquire) != RecoveryStep::Done) return;
    if (SoundMeter.Released == nullptr && SoundMeter.Device == nullptr) {
        SoundMeter.Device = SoundMeter.Opened;
        if (SoundMeter.Device == nullptr) SoundMeter.LastRetryAt = GetTickCount();
    } else if (SoundMeter.Opened != nullptr) {
        ReleaseOnItsOwnThread(SoundMeter.Opened);  // the meter was opened anew meanwhile
    }
    SoundMeter.Released = SoundMeter.Opened = nullptr;
    SoundMeter.Recovery.store(RecoveryStep::Idle, std::memory_order_relaxed);
}

// The lost device goes to the recovery thread once it is free; until then
// the device stays here, counted lost. Its late completions no longer count.
void HandOverLostDevice() {
    SoundMeter.Busy.store(0, std::memory_order_relaxed);
    SoundMeter.LastRetryAt = GetTickCount();
    if (!RecoveryIdle()) return;
    SoundMeter.Released = SoundMeter.Device;
    SoundMeter.Device = nullptr;
    SoundMeter.Lost = false;
    if (!StartRecovery(RecoveryStep::Releasing)) SoundMeter.AbandonedDevices.fetch_add(1, std::memory_order_relaxed);
}

// A step of a capture failed: the device is given up.
// queued: the failed step had already handed the buffer to the platform.
int LoseDevice(bool queued) {
    if (!queued) SoundMeter.Device->Holding.store(0, std::memory_order_relaxed);
    SoundMeter.Lost = true;
    HandOverLostDevice();
    return 0;
}

bool Stalled() {
    return GetTickCount() - SoundMeter.QueuedAt >= SoundMeter.StallLimitMs;
}

}  // namespace

int OpenSoundMeter(MMRESULT* code) {
    FillFormat(SoundMeter.Format);
    SoundMeter.Busy.store(0, std::memory_order_relaxed);
    SoundMeter.LastLevel.store(0, std::memory_order_relaxed);
    SoundMeter.Lost = false;
    SoundMeter.Device = OpenDevice(code);
    if (SoundMeter.Device == nullptr) SoundMeter.LastRetryAt = GetTickCount();
    return SoundMeter.Device != nullptr ? 1 : 0;
}

int StartLevelCapture(int32_t* level, MMRESULT* code) {
    *code = MMSYSERR_NOERROR;
    *level = SoundMeter.LastLevel.load(std::memory_order_relaxed);
    CollectRecovery();
    if (SoundMeter.Device != nullptr && !SoundMeter.Lost && SoundMeter.Busy.load(std::memory_order_acquire) != 0) {
        if (!Stalled()) {
            DebugTrace("Locking!\n");
            return 1;
        }
        // A completion this late is not coming (a device unplugged, a sound
        // service restarted): rather than stay on the old level for good,
        // give the capture up and listen afresh.
        SoundMeter.Lost = true;
    }
    *code = NoInputCode;
    if (SoundMeter.Lost) {
        HandOverLostDevice();
        return 0;
    }
    if (SoundMeter.Device == nullptr) {
        if (RecoveryIdle() && RetryDue() && !GaveUp()) StartRecovery(RecoveryStep::Opening);
        return 0;
    }
    SoundDevice& device = *SoundMeter.Device;
    // Relaxed is enough: the platform's queue orders these before the callback.
    device.Holding.store(1, std::memory_order_relaxed);
    SoundMeter.Busy.store(device.Identity, std::memory_order_relaxed);
    SoundMeter.QueuedAt = GetTickCount();
    *code = waveInPrepareHeader(device.Handle, &device.Header, sizeof(WAVEHDR));
    if (*code != MMSYSERR_NOERROR) return LoseDevice(false);
    *code = waveInAddBuffer(device.Handle, &device.Header, sizeof(WAVEHDR));
    if (*code != MMSYSERR_NOERROR) return LoseDevice(false);
    *code = waveInStart(device.Handle);
    if (*code != MMSYSERR_NOERROR) return LoseDevice(true);
    return 1;
}

// Runs on the sound system's thread: no platform call, no lock, no allocation.
// Only the capture in flight on the meter's device moves Busy and the level.
void CALLBACK CaptureDoneCallback(HWAVEIN, UINT message, DWORD_PTR instance, DWORD_PTR, DWORD_PTR) {
    if (message != WIM_DATA || instance == 0) return;
    SoundDevice* device = reinterpret_cast<SoundDevice*>(instance);
    const SoundLevel level = MeasureSoundLevel(device->Buffer, device->Header.dwBufferLength);
    LONG capture = device->Identity;
    device->Holding.store(0, std::memory_order_release);
    if (SoundMeter.Busy.compare_exchange_strong(capture, 0, std::memory_order_release, std::memory_order_relaxed))
        SoundMeter.LastLevel.store(level, std::memory_order_relaxed);
}

// The window's thread never waits for the driver here either.
void CloseSoundMeter(MMRESULT* code) {
    SoundDevice* device = SoundMeter.Device;
    SoundMeter.Device = nullptr;
    SoundMeter.Busy.store(0, std::memory_order_relaxed);
    *code = device != nullptr ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
    if (device != nullptr) ReleaseOnItsOwnThread(device);
}

void DebugTrace(const char* format, ...) {
    char text[1024];  // wvsprintfA writes at most 1024 bytes, whatever it is given
    va_list arguments;
    va_start(arguments, format);
    wvsprintfA(text, format, arguments);
    va_end(arguments);
    text[511] = '\0';  // a longer text is cut to its first 511 characters
    OutputDebugStringA(text);
}
