#include "wait_until.h"

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, BetweenPolls between) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start >= timeoutMs) return condition();
        if (between == BetweenPolls::HandleMessages)
            PumpMessagesFor(10);
        else
            Sleep(1);
    }
}

void PumpMessagesFor(DWORD durationMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= durationMs) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, durationMs - elapsed, QS_ALLINPUT);
    }
}
