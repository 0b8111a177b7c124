// The options of the X11 program, read the way xscreensaver hacks read
// theirs. Free of X11 and PulseAudio headers so that it is tested natively.
#pragma once
#include <cstdint>
#include <cstdio>

#include "settings/saver_settings.h"

enum class DrawTarget {
    OwnWindow,  // a top-level window of our own
    Root,
    GivenWindow,
};

enum class OptionsVerdict {
    Run,
    Help,  // usage on standard output, exit 0
    Bad,   // Message on standard error, exit 2
};

constexpr int OptionsMessageSize = 256;

struct HackOptions {
    OptionsVerdict Verdict;
    DrawTarget Target;
    uint32_t Window;    // for GivenWindow
    bool NoSound;
    bool Auto;          // the gain follows the room's loudness
    // -input: "" the default source, "monitor" what the desktop plays (the
    // default sink's monitor), else a source's name.
    char Input[SettingTextSize];
    // The same texts the Windows settings file holds, so the band choice
    // and the period read them exactly as they read the file.
    char Freq[SettingTextSize];
    char Thresholds[ThresholdCount][SettingTextSize];
    char Message[OptionsMessageSize];  // one line, no newline
};

// argv as main receives it; windowVariable is XSCREENSAVER_WINDOW or null,
// which names the window unless -window-id or -window does.
// Options may also be written with two dashes, as newer xscreensaver
// settings files write them.
HackOptions ReadHackOptions(int argc, const char* const* argv, const char* windowVariable);

void WriteHackUsage(FILE* stream);
