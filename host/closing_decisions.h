// The decisions behind the closing rules, free of windows.h.
#pragma once
#include <cstdint>

constexpr uint32_t MouseMoveThreshold = 4;

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
// previous prompt returned, counted modulo 2^32. 0xFFFFFFFF means never.
bool PromptThrottled(uint32_t lastVerifyTick, uint32_t now);
