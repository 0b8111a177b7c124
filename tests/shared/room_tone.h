// A tone played into the room: the default output, whose sound the harness
// routes to the default input that the saver listens to.
#pragma once
#include <windows.h>

#include <mmsystem.h>

#include <vector>

// A 50 Hz square wave: every sample lies `amplitude` from 128, so any eleven
// of them measure exactly that, whatever the phase.
struct Tone {
    HWAVEOUT Device = nullptr;
    WAVEHDR Header{};
    std::vector<BYTE> Samples;
};

// Plays for a minute, longer than any test listens.
bool StartTone(Tone& tone, int amplitude);
// Phases of phaseMs, first one amplitude and then the other, by turns.
bool StartAlternatingTone(Tone& tone, int firstAmplitude, int secondAmplitude, int phaseMs);
void StopTone(Tone& tone);
