#include "sound/sound_meter.h"

#include <cstdarg>
#include <cstdlib>

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

void FillHeader(WAVEHDR& header, BYTE* buffer) {
    header = WAVEHDR{};
    header.lpData = reinterpret_cast<LPSTR>(buffer);
    header.dwBufferLength = CaptureLength;
    header.dwLoops = 1;
}

// The callback clears Busy after eleven additions: ample for one that has
// begun to finish.
constexpr DWORD CallbackGraceMs = 20;

// What a request reports while no input can be had and no retry is due.
constexpr MMRESULT NoInputCode = MMSYSERR_NODRIVER;

bool OpenDevice(MMRESULT* code) {
    *code = waveInOpen(&SoundMeter.Device, WAVE_MAPPER, &SoundMeter.Format,
                       reinterpret_cast<DWORD_PTR>(&CaptureDoneCallback), 0, CALLBACK_FUNCTION);
    if (*code == MMSYSERR_NOERROR) return true;
    // A failed open must leave no handle that a later close could mistake
    // for a live one: handles are reused.
    SoundMeter.Device = nullptr;
    SoundMeter.LastRetryAt = GetTickCount();
    return false;
}

bool RetryDue() { return GetTickCount() - SoundMeter.LastRetryAt >= RetryIntervalMs; }

bool CaptureInFlight() { return SoundMeter.Busy.load(std::memory_order_acquire) != 0; }

// The platform marks a header done before it calls back, and the callback
// still reads Buffer then: only Busy tells that it has finished with it.
bool WaitForCallback() {
    const DWORD start = GetTickCount();
    while (CaptureInFlight()) {
        if (GetTickCount() - start > CallbackGraceMs) return false;
        Sleep(1);
    }
    return true;
}

// Takes Header and Buffer back from the platform and closes the device, so
// that the next open finds a device that came back or a new default one.
// False when the platform still holds the header.
bool DropDevice() {
    if (CaptureInFlight()) {
        const bool reset = waveInReset(SoundMeter.Device) == MMSYSERR_NOERROR;
        const bool unprepared =
            waveInUnprepareHeader(SoundMeter.Device, &SoundMeter.Header, sizeof(WAVEHDR)) == MMSYSERR_NOERROR;
        if (reset || unprepared) WaitForCallback();
        // Unless the platform says it still holds the header, the device is
        // gone and calls back no more: the header is ours again, whether or
        // not its completion ever came.
        if (waveInClose(SoundMeter.Device) == WAVERR_STILLPLAYING && !unprepared) {
            SoundMeter.LastRetryAt = GetTickCount();
            return false;
        }
        SoundMeter.Busy.store(0, std::memory_order_relaxed);
    } else {
        waveInUnprepareHeader(SoundMeter.Device, &SoundMeter.Header, sizeof(WAVEHDR));
        waveInClose(SoundMeter.Device);
    }
    SoundMeter.Device = nullptr;
    SoundMeter.Header.dwFlags = 0;  // prepared for no device now
    return true;
}

// The device failed a capture: let it go and try again a second later.
// queued: the failed step had already handed the buffer to the platform.
int LoseDevice(bool queued) {
    if (!queued) SoundMeter.Busy.store(0, std::memory_order_relaxed);
    DropDevice();
    SoundMeter.LastRetryAt = GetTickCount();
    return 0;
}

}  // namespace

int OpenSoundMeter(MMRESULT* code) {
    FillFormat(SoundMeter.Format);
    SoundMeter.Device = nullptr;
    SoundMeter.Buffer = static_cast<BYTE*>(std::malloc(CaptureLength));
    if (SoundMeter.Buffer == nullptr) {
        *code = MMSYSERR_NOMEM;
        return 0;
    }
    FillHeader(SoundMeter.Header, SoundMeter.Buffer);
    SoundMeter.Busy.store(0, std::memory_order_relaxed);
    SoundMeter.LastLevel.store(0, std::memory_order_relaxed);
    return OpenDevice(code) ? 1 : 0;
}

int StartLevelCapture(int32_t* level, MMRESULT* code) {
    *code = MMSYSERR_NOERROR;
    *level = SoundMeter.LastLevel.load(std::memory_order_relaxed);
    if (CaptureInFlight()) {
        if (GetTickCount() - SoundMeter.QueuedAt < SoundMeter.StallLimitMs) {
            DebugTrace("Locking!\n");
            return 1;
        }
        // A completion this late is not coming (a device unplugged, a sound
        // service restarted): rather than stay on the old level for good,
        // give the capture up and listen afresh.
        *code = NoInputCode;
        if (!RetryDue() || !DropDevice()) return 0;
    }
    if (SoundMeter.Device == nullptr) {
        *code = NoInputCode;
        if (!RetryDue() || !OpenDevice(code)) return 0;
    }
    // Relaxed is enough: the platform's queue orders this before the callback.
    SoundMeter.Busy.store(1, std::memory_order_relaxed);
    SoundMeter.QueuedAt = GetTickCount();
    *code = waveInPrepareHeader(SoundMeter.Device, &SoundMeter.Header, sizeof(WAVEHDR));
    if (*code != MMSYSERR_NOERROR) return LoseDevice(false);
    *code = waveInAddBuffer(SoundMeter.Device, &SoundMeter.Header, sizeof(WAVEHDR));
    if (*code != MMSYSERR_NOERROR) return LoseDevice(false);
    *code = waveInStart(SoundMeter.Device);
    if (*code != MMSYSERR_NOERROR) return LoseDevice(true);
    return 1;
}

// Runs on the sound system's thread: no platform call, no lock, no allocation.
void CALLBACK CaptureDoneCallback(HWAVEIN, UINT message, DWORD_PTR, DWORD_PTR, DWORD_PTR) {
    if (message != WIM_DATA) return;
    const SoundLevel level =
        MeasureSoundLevel(reinterpret_cast<const uint8_t*>(SoundMeter.Buffer), SoundMeter.Header.dwBufferLength);
    SoundMeter.Busy.store(0, std::memory_order_release);
    SoundMeter.LastLevel.store(level, std::memory_order_relaxed);
}

void CloseSoundMeter(MMRESULT* code) {
    *code = waveInUnprepareHeader(SoundMeter.Device, &SoundMeter.Header, sizeof(WAVEHDR));
    if (*code == MMSYSERR_NOERROR) WaitForCallback();
    // Still in flight: the device stays open and Buffer stays for a late
    // completion to read.
    if (CaptureInFlight()) return;
    *code = waveInClose(SoundMeter.Device);
    if (*code == MMSYSERR_NOERROR) SoundMeter.Device = nullptr;
    std::free(SoundMeter.Buffer);
    SoundMeter.Buffer = nullptr;
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
