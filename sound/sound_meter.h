// One-shot captures of 11 samples from a sound input.
#pragma once
#include <windows.h>

#include <mmsystem.h>

#include <cstdint>

#include "sound/meter_states.h"

// What the meter can tell about itself, to any thread, without a driver call.
struct SoundMeterReport {
    MeterState State;
    // The first open of the last OpenSoundMeter: Opening until it answers,
    // then Listening, Absent or GivenUp.
    MeterState OpenAnswer;
    MMRESULT LastOpenCode;   // of the last failed open; MMSYSERR_NOERROR when none failed
    UINT InputCount;         // recording devices listed at the last open; 0: none at all
    bool NamedInputMissing;  // no input had the asked name: the default input was opened
    char InputName[32];      // the opened input as its driver names it; "" while none
    // Since the last capture that was not exact silence (all samples 128),
    // or since the input opened: a muted or dead input reads 0 for ever.
    DWORD SilentForMs;
};

// The caller's code when the first open has not answered in time.
constexpr MMRESULT OpenAnswerLate = MMSYSERR_HANDLEBUSY;

// Opens the input named inputName (as waveInGetDevCapsA names it), or the
// default input for "" or null, on the meter's own thread. Waits at most
// waitMs for the answer: 1 when the input opened by then, else 0 (the report
// says whether it failed or is late); the platform's code, or OpenAnswerLate,
// goes to *code. Open, close and requests come from one thread at a time.
int OpenSoundMeter(const char* inputName, DWORD waitMs, MMRESULT* code);

// Hands back the level of the last completed capture and asks the meter's
// thread for the next one unless a capture is still in flight; no driver
// call, no wait. 1 when *level is valid, else 0.
int StartLevelCapture(int32_t* level, MMRESULT* code);

void CALLBACK CaptureDoneCallback(HWAVEIN device, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                                  DWORD_PTR param2);

// Asks the meter's thread to let the input go, and returns at once. The
// meter may be opened again afterwards, on the same input or another.
void CloseSoundMeter(MMRESULT* code);

// From any thread, at any time: no driver call, no wait.
void ReadSoundMeterReport(SoundMeterReport* report);

// For the end of the process, once the meter was closed: a driver call
// still running when the process ends was seen to crash Wine's PulseAudio
// driver as it unloads. Waits at most waitMs for the meter's thread to let
// its device go; a driver that hangs is still left behind.
void WaitForSoundMeterClosed(DWORD waitMs);
constexpr DWORD DriverExitGraceMs = 500;

// A wsprintf-style line (no floating point) to the debugger output.
void DebugTrace(const char* format, ...);
