// The host's shared flags and remembered values: one record per process,
// touched only on the user-interface thread.
#pragma once
#include <windows.h>

#include "host/closing_decisions.h"

constexpr BYTE AcLineUnknown = 255;

struct HostStateRecord {
    HINSTANCE Instance;
    HWND SaverWindow;
    LONG IsPreview;
    LONG IsWin9x;
    LONG IsClosing;       // the password grant; nonzero once a close is allowed
    LONG IsVerifying;     // a password prompt is open
    DWORD LastVerifyTick; // NeverVerified until the first prompt has returned
    POINT LastCursorPos;  // reference point for mouse travel
    BYTE AcLineStatus;    // 0 offline, 1 online, AcLineUnknown
    UINT AutoPlayMessage; // "QueryCancelAutoPlay", 0 when not registered
};

extern HostStateRecord HostState;

// Back to the values a process starts with; the tests use it between cases.
void ResetHostState();

// The platform's AC-line status now, AcLineUnknown when it cannot tell.
BYTE CurrentAcLineStatus();
