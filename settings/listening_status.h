// Free of windows.h, so it builds and is tested natively.
// The dialog's status line: one plain sentence saying what the saver hears
// and, when it hears nothing, why.
#pragma once
#include <cstdint>

enum class MeterCondition {
    NotListening,  // "None" was chosen: the input is not opened
    Opening,       // no answer from the driver yet
    Open,
    Failed,        // the last open failed
    Lost,          // the open input stopped working; it is looked for again
};

struct ListeningFacts {
    MeterCondition Condition;
    uint32_t OpenCode;     // the platform's code of the failed open
    uint32_t DeviceCount;  // inputs the system listed at the last open
    bool NamedMissing;     // the chosen input was missing: the default was opened
    const char* Wanted;    // the chosen input's name, "" for the default
    const char* Opened;    // the opened input's name, "" when not known
    uint32_t SilentMs;     // how long every capture has been exact silence
};

// Exact silence this long is worth a word: a room is never that quiet, a
// muted or blocked microphone is.
constexpr uint32_t SilenceNoticeMs = 3000;
constexpr int StatusTextSize = 256;

void DescribeListening(const ListeningFacts& facts, char (&text)[StatusTextSize]);

// Windows 10 and later have a privacy page that can keep desktop programs
// from the microphone; a failed open there offers a button to it.
bool OffersPrivacyPage(const ListeningFacts& facts, uint32_t windowsMajorVersion);
