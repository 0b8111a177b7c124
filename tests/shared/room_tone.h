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
void StopTone(Tone& tone);
