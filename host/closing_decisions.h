// Free of windows.h, so it builds and is tested natively.
// The decisions behind the closing rules.
#pragma once
#include <cstdint>

constexpr uint32_t MouseMoveThreshold = 4;

// LastVerifyTick until the first password prompt has returned.
constexpr uint32_t NeverVerified = 0xFFFFFFFF;

// The platform's power-broadcast events (PBT_APM*) and resume flag that the
// rules tell apart, by number, since this file does without windows.h.
constexpr uint32_t PowerResumeCritical = 6;
constexpr uint32_t PowerResumeSuspend = 7;
constexpr uint32_t PowerResumeStandby = 8;
constexpr uint32_t PowerStatusChange = 10;
constexpr uint32_t PowerResumeAutomatic = 18;
constexpr uint32_t PowerResumeFromFailure = 1;

// Travel from the reference point, |dx| + |dy|, beyond the threshold.
bool MouseTravelExceeds(int32_t fromX, int32_t fromY, int32_t toX, int32_t toY);

enum class PowerAction {
    Close,
    Ignore,
    CheckAcLine,  // close only when the AC line status changed
};

// What a power broadcast (its wParam and lParam) means for the saver.
PowerAction PowerBroadcastAction(uint32_t event, uint32_t data);

// True while a new password prompt must wait: less than 200 ms since the
// previous prompt returned, counted modulo 2^32.
bool PromptThrottled(uint32_t lastVerifyTick, uint32_t now);
