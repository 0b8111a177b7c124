// One-shot captures of 11 samples from the default sound input.
#pragma once
#include <windows.h>

#include <mmsystem.h>

#include <cstdint>

// 1 when the sound input opened, else 0; the platform's code goes to *code.
int OpenSoundMeter(MMRESULT* code);

// Hands back the level of the last completed capture and starts the next one
// unless a capture is still in flight. 1 when *level is valid, else 0.
int StartLevelCapture(int32_t* level, MMRESULT* code);

void CALLBACK CaptureDoneCallback(HWAVEIN device, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                                  DWORD_PTR param2);

void CloseSoundMeter(MMRESULT* code);

// A wsprintf-style line (no floating point) to the debugger output.
void DebugTrace(const char* format, ...);
