#include "sound/sound_meter.h"

#include <mmddk.h>  // the wave mapper's messages

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
        waveInOpen(&device->Handle, SoundMeter.InputId, &SoundMeter.Format, reinterpret_cast<DWORD_PTR>(&CaptureDoneCallback),
                   reinterpret_cast<DWORD_PTR>(device), CALLBACK_FUNCTION);
    if (*code == MMSYSERR_NOERROR) return device;
    SoundMeter.Report.LastOpenCode = *code;
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
        SoundMeter.Reopened = OpenDevice(&SoundMeter.OpenCode);
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
        SoundMeter.Device = SoundMeter.Reopened;
        if (SoundMeter.Device == nullptr) SoundMeter.LastRetryAt = GetTickCount();
    } else if (SoundMeter.Reopened != nullptr) {
        ReleaseOnItsOwnThread(SoundMeter.Reopened);  // the meter was opened anew meanwhile
    }
    SoundMeter.Released = SoundMeter.Reopened = nullptr;
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

void CopyName(char (&to)[32], const char* from) {
    lstrcpynA(to, from, sizeof to);
}

// The name the driver gives a device number (WAVE_MAPPER included); "" when it gives none.
void NameOfInput(UINT id, char (&name)[32]) {
    WAVEINCAPSA caps = {};
    CopyName(name, waveInGetDevCapsA(id, &caps, sizeof caps) == MMSYSERR_NOERROR ? caps.szPname : "");
}

// The device number of the input of that name, or the default input.
UINT ResolveInput(const char* inputName, SoundMeterReport& report) {
    report.InputCount = waveInGetNumDevs();
    report.NamedInputMissing = false;
    if (inputName == nullptr || inputName[0] == '\0') return WAVE_MAPPER;
    for (UINT id = 0; id < report.InputCount; ++id) {
        char name[32];
        NameOfInput(id, name);
        if (lstrcmpA(name, inputName) == 0) return id;
    }
    report.NamedInputMissing = true;
    return WAVE_MAPPER;
}

// The device the default input stands for where the mapper says so, else
// the mapper's own name.
void NameOpenedInput(UINT id, SoundMeterReport& report) {
    DWORD preferred = WAVE_MAPPER, flags = 0;
    if (id == WAVE_MAPPER &&
        waveInMessage(reinterpret_cast<HWAVEIN>(static_cast<UINT_PTR>(WAVE_MAPPER)), DRVM_MAPPER_PREFERRED_GET,
                      reinterpret_cast<DWORD_PTR>(&preferred), reinterpret_cast<DWORD_PTR>(&flags)) == MMSYSERR_NOERROR &&
        preferred < report.InputCount)
        id = preferred;
    NameOfInput(id, report.InputName);
}

MeterState CurrentState() {
    if (!SoundMeter.Opened) return MeterState::Closed;
    if (!RecoveryIdle() && SoundMeter.Recovery.load(std::memory_order_acquire) != RecoveryStep::Opening)
        return MeterState::Releasing;
    if (SoundMeter.Device == nullptr) return GaveUp() ? MeterState::GivenUp : MeterState::Absent;
    return SoundMeter.Busy.load(std::memory_order_relaxed) != 0 ? MeterState::Capturing : MeterState::Listening;
}

// A completed capture that was not exact silence: the room was heard then.
void NoteCompletedCapture() {
    if (SoundMeter.CaptureSilent.load(std::memory_order_relaxed) == 0) SoundMeter.SoundHeardAt = GetTickCount();
    SoundMeter.CaptureSilent.store(1, std::memory_order_relaxed);
}

}  // namespace

// Waits for nothing yet: the open runs on the caller's thread.
int OpenSoundMeter(const char* inputName, DWORD, MMRESULT* code) {
    FillFormat(SoundMeter.Format);
    SoundMeter.Busy.store(0, std::memory_order_relaxed);
    SoundMeter.LastLevel.store(0, std::memory_order_relaxed);
    SoundMeter.CaptureSilent.store(1, std::memory_order_relaxed);
    SoundMeter.Lost = false;
    SoundMeter.Opened = true;
    SoundMeter.Report = SoundMeterReport{};
    SoundMeter.InputId = ResolveInput(inputName, SoundMeter.Report);
    SoundMeter.Device = OpenDevice(code);
    SoundMeter.SoundHeardAt = GetTickCount();
    if (SoundMeter.Device == nullptr) {
        SoundMeter.LastRetryAt = GetTickCount();
        return 0;
    }
    NameOpenedInput(SoundMeter.InputId, SoundMeter.Report);
    return 1;
}

void ReadSoundMeterReport(SoundMeterReport* report) {
    *report = SoundMeter.Report;
    report->State = CurrentState();
    report->SilentForMs = SoundMeter.Opened ? GetTickCount() - SoundMeter.SoundHeardAt : 0;
    if (report->State != MeterState::Listening && report->State != MeterState::Capturing) report->InputName[0] = '\0';
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
    NoteCompletedCapture();
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
    const bool silent = IsExactSilence(device->Buffer, device->Header.dwBufferLength);
    LONG capture = device->Identity;
    device->Holding.store(0, std::memory_order_release);
    if (!SoundMeter.Busy.compare_exchange_strong(capture, 0, std::memory_order_release, std::memory_order_relaxed))
        return;
    SoundMeter.LastLevel.store(level, std::memory_order_relaxed);
    SoundMeter.CaptureSilent.store(silent ? 1 : 0, std::memory_order_relaxed);
}

// The window's thread never waits for the driver here either.
void CloseSoundMeter(MMRESULT* code) {
    SoundDevice* device = SoundMeter.Device;
    SoundMeter.Device = nullptr;
    SoundMeter.Opened = false;
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
