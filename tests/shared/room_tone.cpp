#include "room_tone.h"

bool StartTone(Tone& tone, int amplitude) {
    return StartAlternatingTone(tone, amplitude, amplitude, 1000);
}

bool StartAlternatingTone(Tone& tone, int firstAmplitude, int secondAmplitude, int phaseMs) {
    WAVEFORMATEX format = {WAVE_FORMAT_PCM, 1, 11025, 11025, 1, 8, 0};
    tone.Samples.resize(11025 * 60);
    for (size_t i = 0; i < tone.Samples.size(); ++i) {
        const int amplitude = (i * 1000 / 11025 / phaseMs) % 2 ? secondAmplitude : firstAmplitude;
        tone.Samples[i] = static_cast<BYTE>((i / 110) % 2 ? 128 + amplitude : 128 - amplitude);
    }
    tone.Header = WAVEHDR{};
    tone.Header.lpData = reinterpret_cast<LPSTR>(tone.Samples.data());
    tone.Header.dwBufferLength = static_cast<DWORD>(tone.Samples.size());
    return waveOutOpen(&tone.Device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) == MMSYSERR_NOERROR &&
           waveOutPrepareHeader(tone.Device, &tone.Header, sizeof(WAVEHDR)) == MMSYSERR_NOERROR &&
           waveOutWrite(tone.Device, &tone.Header, sizeof(WAVEHDR)) == MMSYSERR_NOERROR;
}

void StopTone(Tone& tone) {
    if (!tone.Device) return;
    waveOutReset(tone.Device);
    waveOutUnprepareHeader(tone.Device, &tone.Header, sizeof(WAVEHDR));
    waveOutClose(tone.Device);
    tone.Device = nullptr;
}
