// Checks shared by the tests of the full-screen saver's end.
#pragma once
#include <windows.h>

#include "saver_process.h"

// Where the cursor rests when the saver starts: its reference point.
constexpr POINT Rest = {960, 540};

// The saver has to react within a second; the rest is slack for a loaded
// two-core machine. The negative checks wait as long.
constexpr DWORD ReactionMs = 1000;
constexpr DWORD ReactionSlackMs = 1000;
// Under Wine without a window manager the process ends about 2 s after its
// window is hidden: Wine waits that long for a manager to withdraw it.
constexpr DWORD ProcessEndMs = 6000;

// Parks the cursor at Rest, starts "/s" and waits until the saver is in
// front and idle in its message loop. Use with ASSERT_NO_FATAL_FAILURE.
void StartFullScreenAtRest(SaverProcess& saver, HWND& window);

// The saver ends by itself with 0. Its reaction is its window being hidden,
// the first step of its destruction; the process ends later.
void ExpectEndsWithZero(SaverProcess& saver, HWND window);

// The saver is still running, shown, after as long as it has to react.
void ExpectKeepsRunning(const SaverProcess& saver, HWND window);
