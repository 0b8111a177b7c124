#include "linux/hack_options.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "settings/slider_values.h"

namespace {

// A digit's value in bases up to 16, or -1.
int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The whole text as a number in the base; false for anything else or beyond
// 32 bits.
bool ReadWhole(const char* text, int base, uint32_t& value) {
    if (!*text) return false;
    uint64_t sum = 0;
    for (const char* p = text; *p; ++p) {
        const int digit = DigitValue(*p);
        if (digit < 0 || digit >= base) return false;
        sum = sum * base + digit;
        if (sum > UINT32_MAX) return false;
    }
    value = static_cast<uint32_t>(sum);
    return true;
}

bool ReadDecimal(const char* text, uint32_t& value) {
    return ReadWhole(text, 10, value);
}

bool ReadWindowId(const char* text, uint32_t& value) {
    const bool hex = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    return hex ? ReadWhole(text + 2, 16, value) : ReadDecimal(text, value);
}

__attribute__((format(printf, 2, 3))) HackOptions Bad(HackOptions options, const char* format, ...) {
    options.Verdict = OptionsVerdict::Bad;
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(options.Message, sizeof options.Message, format, arguments);
    va_end(arguments);
    return options;
}

// Number options: the text is kept only when it is a number in range.
struct NumberOption {
    const char* Name;
    int Minimum, Maximum;
};

bool InRange(const char* text, const NumberOption& option) {
    uint32_t value;
    return ReadDecimal(text, value) && value >= static_cast<uint32_t>(option.Minimum) &&
           value <= static_cast<uint32_t>(option.Maximum);
}

char* NumberTarget(HackOptions& options, const char* name, NumberOption& option) {
    if (std::strcmp(name, "-period") == 0) {
        option = {"-period", FreqMinimum, FreqMaximum};
        return options.Freq;
    }
    for (int k = 0; k < ThresholdCount; ++k) {
        static const char* const names[ThresholdCount] = {"-thres0", "-thres1", "-thres2",
                                                          "-thres3", "-thres4", "-thres5"};
        if (std::strcmp(name, names[k]) == 0) {
            option = {names[k], ThresholdMinimum, ThresholdMaximum};
            return options.Thresholds[k];
        }
    }
    return nullptr;
}

HackOptions Defaults() {
    HackOptions options = {};
    options.Verdict = OptionsVerdict::Run;
    options.Target = DrawTarget::OwnWindow;
    std::snprintf(options.Freq, sizeof options.Freq, "%s", DefaultFreqText);
    for (int k = 0; k < ThresholdCount; ++k)
        std::snprintf(options.Thresholds[k], sizeof options.Thresholds[k], "%s", DefaultThresholdTexts[k]);
    return options;
}

}  // namespace

HackOptions ReadHackOptions(int argc, const char* const* argv, const char* windowVariable) {
    HackOptions options = Defaults();
    bool windowAsked = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        // "--period" reads as "-period"; "--" alone is no option.
        const char* name = (arg[0] == '-' && arg[1] == '-' && arg[2]) ? arg + 1 : arg;
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        NumberOption number;
        if (char* target = NumberTarget(options, name, number)) {
            if (!value)
                return Bad(options, "brasswick: %s needs a number from %d to %d", number.Name, number.Minimum,
                           number.Maximum);
            if (!InRange(value, number))
                return Bad(options, "brasswick: %s %s: the value must be a number from %d to %d", number.Name,
                           value, number.Minimum, number.Maximum);
            std::snprintf(target, SettingTextSize, "%s", value);
            ++i;
        } else if (std::strcmp(name, "-window-id") == 0) {
            if (!value || !ReadWindowId(value, options.Window) || options.Window == 0)
                return Bad(options, "brasswick: -window-id %s: the value must be a window id, decimal or 0x hex",
                           value ? value : "(missing)");
            options.Target = DrawTarget::GivenWindow;
            ++i;
        } else if (std::strcmp(name, "-root") == 0) {
            options.Target = DrawTarget::Root;
        } else if (std::strcmp(name, "-window") == 0) {
            options.Target = DrawTarget::OwnWindow;
            windowAsked = true;
        } else if (std::strcmp(name, "-no-sound") == 0) {
            options.NoSound = true;
        } else if (std::strcmp(name, "-input") == 0) {
            if (!value || !*value)
                return Bad(options, "brasswick: -input needs default, monitor or the name of a PulseAudio source");
            std::snprintf(options.Input, sizeof options.Input, "%s", std::strcmp(value, "default") == 0 ? "" : value);
            ++i;
        } else if (std::strcmp(name, "-auto") == 0) {
            options.Auto = true;
        } else if (std::strcmp(name, "-help") == 0) {
            options.Verdict = OptionsVerdict::Help;
            return options;
        } else {
            return Bad(options,
                       "brasswick: unknown option %s (accepted: -period %d..%d, -thres0..-thres5 %d..%d, "
                       "-input SOURCE, -no-sound, -auto, -window, -root, -window-id ID, -help)",
                       arg, FreqMinimum, FreqMaximum, ThresholdMinimum, ThresholdMaximum);
        }
    }
    // xscreensaver names its own window here; for a hack it stands in for
    // the root window.
    const bool variableApplies = options.Target == DrawTarget::Root || !windowAsked;
    if (options.Target != DrawTarget::GivenWindow && variableApplies && windowVariable && *windowVariable) {
        if (!ReadWindowId(windowVariable, options.Window) || options.Window == 0)
            return Bad(options, "brasswick: XSCREENSAVER_WINDOW=%s: the value must be a window id, decimal or 0x hex",
                       windowVariable);
        options.Target = DrawTarget::GivenWindow;
    }
    return options;
}

void WriteHackUsage(FILE* stream) {
    std::fprintf(stream,
                 "usage: brasswick [-window | -root | -window-id ID] [-period MS] [-thres0 N] ... [-thres5 N] "
                 "[-input SOURCE] [-no-sound] [-auto]\n"
                 "  -period MS     one tile every MS milliseconds, %d to %d (%s)\n"
                 "  -thres0..5 N   loudness thresholds, %d to %d (%s, %s, %s, %s, %s, %s)\n"
                 "  -input SOURCE  default (the default source), monitor (what the desktop plays)\n"
                 "                 or a PulseAudio source's name; a missing one falls back to default\n"
                 "  -no-sound      never open the sound input: random tiles on white\n"
                 "  -auto          follow the room's loudness: a quiet room's loudest moments are\n"
                 "                 raised, up to 8 times, to the top bands\n"
                 "  -window-id ID  draw into the window ID (decimal or 0x hex); XSCREENSAVER_WINDOW too\n",
                 FreqMinimum, FreqMaximum, DefaultFreqText, ThresholdMinimum, ThresholdMaximum,
                 DefaultThresholdTexts[0], DefaultThresholdTexts[1], DefaultThresholdTexts[2], DefaultThresholdTexts[3],
                 DefaultThresholdTexts[4], DefaultThresholdTexts[5]);
}
