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

// Nothing was queued, so the buffer is still ours: let the next request try
// again rather than report a stale level for ever.
int AbandonCapture(bool prepared) {
    if (prepared) waveInUnprepareHeader(SoundMeter.Device, &SoundMeter.Header, sizeof(WAVEHDR));
    SoundMeter.Busy.store(0, std::memory_order_relaxed);
    return 0;
}

}  // namespace

int OpenSoundMeter(MMRESULT* code) {
    FillFormat(SoundMeter.Format);
    // A failed open must leave no handle that a later close could mistake
    // for a live one: handles are reused.
    SoundMeter.Device = nullptr;
    SoundMeter.Buffer = static_cast<BYTE*>(std::malloc(CaptureLength));
    if (SoundMeter.Buffer == nullptr) {
        *code = MMSYSERR_NOMEM;
        return 0;
    }
    FillHeader(SoundMeter.Header, SoundMeter.Buffer);
    SoundMeter.Busy.store(0, std::memory_order_relaxed);
    SoundMeter.LastLevel.store(0, std::memory_order_relaxed);
    *code = waveInOpen(&SoundMeter.Device, WAVE_MAPPER, &SoundMeter.Format,
                       reinterpret_cast<DWORD_PTR>(&CaptureDoneCallback), 0, CALLBACK_FUNCTION);
    if (*code != MMSYSERR_NOERROR) SoundMeter.Device = nullptr;
    return *code == MMSYSERR_NOERROR ? 1 : 0;
}

int StartLevelCapture(int32_t* level, MMRESULT* code) {
    *code = MMSYSERR_NOERROR;
    *level = SoundMeter.LastLevel.load(std::memory_order_relaxed);
    if (SoundMeter.Busy.load(std::memory_order_acquire) != 0) {
        DebugTrace("Locking!\n");
        return 1;
    }
    // Relaxed is enough: the platform's queue orders this before the callback.
    SoundMeter.Busy.store(1, std::memory_order_relaxed);
    *code = waveInPrepareHeader(SoundMeter.Device, &SoundMeter.Header, sizeof(WAVEHDR));
    if (*code != MMSYSERR_NOERROR) return AbandonCapture(false);
    *code = waveInAddBuffer(SoundMeter.Device, &SoundMeter.Header, sizeof(WAVEHDR));
    if (*code != MMSYSERR_NOERROR) return AbandonCapture(true);
    // A failed start leaves the buffer queued: Busy is the sound system's now.
    *code = waveInStart(SoundMeter.Device);
    return *code == MMSYSERR_NOERROR ? 1 : 0;
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
    // Still queued: a late completion may yet write into Buffer.
    if (*code != MMSYSERR_NOERROR) return;
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
