// Waiting for something another thread or process does, bounded.
#pragma once
#include <windows.h>

#include <functional>

// What the waiting thread does between two polls. A thread that owns windows
// another process may send to handles its messages; a test that reads its own
// queue afterwards must not have them dispatched, so it sleeps.
enum class BetweenPolls { HandleMessages, Sleep };

// Polls condition until it holds or timeoutMs has passed; returns its last value.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs,
               BetweenPolls between = BetweenPolls::HandleMessages);

// Handles this thread's messages for durationMs.
void PumpMessagesFor(DWORD durationMs);
