#include "host/closing_rules.h"

#include "host/closing_decisions.h"
#include "host/host_state.h"
#include "host/password_hooks.h"

static_assert(PowerResumeCritical == PBT_APMRESUMECRITICAL && PowerResumeSuspend == PBT_APMRESUMESUSPEND &&
                  PowerResumeStandby == PBT_APMRESUMESTANDBY && PowerResumeAutomatic == PBT_APMRESUMEAUTOMATIC &&
                  PowerStatusChange == PBT_APMPOWERSTATUSCHANGE &&
                  PowerResumeFromFailure == PBTF_APMRESUMEFROMFAILURE,
              "the power-broadcast numbers are the platform's");

namespace {

void CloseRequest(HWND window) {
    PostMessageA(window, WM_CLOSE, 0, 0);
}

void OnMouseMove(HWND window) {
    POINT now;
    if (!GetCursorPos(&now)) return;
    const POINT& last = HostState.LastCursorPos;
    if (!MouseTravelExceeds(last.x, last.y, now.x, now.y)) return;
    CloseRequest(window);
    HostState.LastCursorPos = now;
}

void OnAcLineChange(HWND window) {
    const BYTE status = CurrentAcLineStatus();
    const bool changed = status != HostState.AcLineStatus;
    HostState.AcLineStatus = status;
    if (changed) CloseRequest(window);
}

void OnPowerBroadcast(HWND window, WPARAM event, LPARAM data) {
    switch (PowerBroadcastAction(static_cast<uint32_t>(event), static_cast<uint32_t>(data))) {
    case PowerAction::Close:
        CloseRequest(window);
        break;
    case PowerAction::CheckAcLine:
        OnAcLineChange(window);
        break;
    case PowerAction::Ignore:
        break;
    }
}

// A refused close leaves the saver running; travel made during the prompt
// must not close it again at once.
LRESULT OnCloseVerified(HWND window, WPARAM wParam, LPARAM lParam) {
    if (VerifySaverPassword(window)) return DefWindowProcA(window, WM_CLOSE, wParam, lParam);
    GetCursorPos(&HostState.LastCursorPos);
    return 0;
}

LRESULT OnVerifyPassword(HWND window) {
    if (!PasswordProvider.VerifyEntry) return 1;
    return PasswordProvider.VerifyEntry(window);
}

// Input and power events while the saver runs full screen and no prompt is
// open. Returns true with *result set when the message is fully answered.
bool ApplyInputAndPowerRules(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        CloseRequest(window);
        break;
    case WM_MOUSEMOVE:
        OnMouseMove(window);
        break;
    case WM_ACTIVATEAPP:
        if (!wParam) CloseRequest(window);
        break;
    case WM_POWER:
        if (wParam == PWR_CRITICALRESUME) CloseRequest(window);
        break;
    case WM_POWERBROADCAST:
        OnPowerBroadcast(window, wParam, lParam);
        break;
    case WM_SHOWWINDOW:
        if (wParam) SetCursor(nullptr);
        break;
    case WM_SETCURSOR:
        SetCursor(nullptr);
        *result = TRUE;
        return true;
    }
    return false;
}

LRESULT AutoPlayOrDefault(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (HostState.AutoPlayMessage != 0 && message == HostState.AutoPlayMessage) {
        CloseRequest(window);
        return PasswordProvider.VerifyEntry ? 1 : 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

LRESULT CALLBACK DefaultSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!HostState.IsPreview && !HostState.IsClosing) {
        if (message == WM_CLOSE && HostState.IsWin9x) return OnCloseVerified(window, wParam, lParam);
        if (message == VerifyPasswordMessage && HostState.IsWin9x) return OnVerifyPassword(window);
        LRESULT result = 0;
        if (!HostState.IsVerifying && ApplyInputAndPowerRules(window, message, wParam, lParam, &result))
            return result;
    }
    return AutoPlayOrDefault(window, message, wParam, lParam);
}
