#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "linux/hack_options.h"

namespace {

HackOptions Read(std::vector<const char*> args, const char* windowVariable = nullptr) {
    args.insert(args.begin(), "brasswick");
    return ReadHackOptions(static_cast<int>(args.size()), args.data(), windowVariable);
}

TEST(ReadHackOptions, DefaultsToOwnWindowWithTheSettingsDefaults) {
    const HackOptions o = Read({});
    EXPECT_EQ(o.Verdict, OptionsVerdict::Run);
    EXPECT_EQ(o.Target, DrawTarget::OwnWindow);
    EXPECT_FALSE(o.NoSound);
    EXPECT_FALSE(o.Auto);
    EXPECT_STREQ(o.Input, "");
    EXPECT_STREQ(o.Freq, "300");
    const char* thresholds[] = {"2", "4", "8", "16", "32", "64"};
    for (int k = 0; k < ThresholdCount; ++k) EXPECT_STREQ(o.Thresholds[k], thresholds[k]);
}

TEST(ReadHackOptions, TakesNumbersInRangeWithOneOrTwoDashes) {
    const HackOptions o = Read({"-period", "55", "--thres0", "0", "-thres5", "127", "-thres3", "0042", "-no-sound"});
    ASSERT_EQ(o.Verdict, OptionsVerdict::Run) << o.Message;
    EXPECT_STREQ(o.Freq, "55");
    EXPECT_STREQ(o.Thresholds[0], "0");
    EXPECT_STREQ(o.Thresholds[3], "0042");
    EXPECT_STREQ(o.Thresholds[5], "127");
    EXPECT_STREQ(o.Thresholds[1], "4");
    EXPECT_TRUE(o.NoSound);
    EXPECT_TRUE(Read({"--auto"}).Auto);
    EXPECT_STREQ(Read({"--period", "3000"}).Freq, "3000");
    EXPECT_STREQ(Read({"-input", "monitor"}).Input, "monitor");
    EXPECT_STREQ(Read({"--input", "quiet.monitor"}).Input, "quiet.monitor");
    EXPECT_STREQ(Read({"-input", "room.monitor", "-input", "default"}).Input, "");
}

struct BadCase {
    std::vector<const char*> Args;
    const char* Message;
};

TEST(ReadHackOptions, RefusesWithOneLineNamingTheOptionAndItsRange) {
    const BadCase cases[] = {
        {{"-period", "54"}, "brasswick: -period 54: the value must be a number from 55 to 3000"},
        {{"-period", "3001"}, "brasswick: -period 3001: the value must be a number from 55 to 3000"},
        {{"-period", "300ms"}, "brasswick: -period 300ms: the value must be a number from 55 to 3000"},
        {{"-period", "-300"}, "brasswick: -period -300: the value must be a number from 55 to 3000"},
        {{"-period", "4294967296"}, "brasswick: -period 4294967296: the value must be a number from 55 to 3000"},
        {{"-period", ""}, "brasswick: -period : the value must be a number from 55 to 3000"},
        {{"-period"}, "brasswick: -period needs a number from 55 to 3000"},
        {{"--thres2", "128"}, "brasswick: -thres2 128: the value must be a number from 0 to 127"},
        {{"-input"}, "brasswick: -input needs default, monitor or the name of a PulseAudio source"},
        {{"-input", ""}, "brasswick: -input needs default, monitor or the name of a PulseAudio source"},
        {{"-thres6", "1"},
         "brasswick: unknown option -thres6 (accepted: -period 55..3000, -thres0..-thres5 0..127, -input SOURCE, "
         "-no-sound, -auto, -window, -root, -window-id ID, -help)"},
        {{"-root", "extra"},
         "brasswick: unknown option extra (accepted: -period 55..3000, -thres0..-thres5 0..127, -input SOURCE, "
         "-no-sound, -auto, -window, -root, -window-id ID, -help)"},
        {{"-window-id", "0x"}, "brasswick: -window-id 0x: the value must be a window id, decimal or 0x hex"},
        {{"-window-id", "12z"}, "brasswick: -window-id 12z: the value must be a window id, decimal or 0x hex"},
        {{"-window-id", "12ab"}, "brasswick: -window-id 12ab: the value must be a window id, decimal or 0x hex"},
        {{"-window-id", "0"}, "brasswick: -window-id 0: the value must be a window id, decimal or 0x hex"},
        {{"-window-id"}, "brasswick: -window-id (missing): the value must be a window id, decimal or 0x hex"},
    };
    for (const BadCase& c : cases) {
        const HackOptions o = Read(c.Args);
        EXPECT_EQ(o.Verdict, OptionsVerdict::Bad) << c.Message;
        EXPECT_STREQ(o.Message, c.Message);
    }
    // The first fault is the one reported, even after a help request's place.
    EXPECT_STREQ(Read({"-thres0", "999", "-bogus"}).Message,
                 "brasswick: -thres0 999: the value must be a number from 0 to 127");
    EXPECT_EQ(Read({"-help", "-bogus"}).Verdict, OptionsVerdict::Help);
    EXPECT_EQ(Read({"--help"}).Verdict, OptionsVerdict::Help);
}

struct TargetCase {
    std::vector<const char*> Args;
    const char* Variable;
    DrawTarget Target;
    uint32_t Window;
};

TEST(ReadHackOptions, FindsTheWindowByOptionOrXscreensaverVariable) {
    const TargetCase cases[] = {
        {{"-root"}, nullptr, DrawTarget::Root, 0},
        {{"-window-id", "12345"}, nullptr, DrawTarget::GivenWindow, 12345},
        {{"-window-id", "0x2A0000b"}, nullptr, DrawTarget::GivenWindow, 0x2A0000B},
        {{"-window-id", "0X10"}, nullptr, DrawTarget::GivenWindow, 16},
        {{"-window-id", "010"}, nullptr, DrawTarget::GivenWindow, 10},  // decimal, not octal
        {{"-window-id", "4294967295"}, nullptr, DrawTarget::GivenWindow, 0xFFFFFFFFu},
        {{}, "0x400007", DrawTarget::GivenWindow, 0x400007},
        {{"-root"}, "77", DrawTarget::GivenWindow, 77},  // the saver's window stands in for the root
        {{"-window"}, "77", DrawTarget::OwnWindow, 0},
        {{"-window-id", "5"}, "77", DrawTarget::GivenWindow, 5},
        {{"-root", "-window"}, nullptr, DrawTarget::OwnWindow, 0},  // the last one counts
        {{"-window", "-root"}, nullptr, DrawTarget::Root, 0},
        {{}, "", DrawTarget::OwnWindow, 0},
    };
    for (const TargetCase& c : cases) {
        const HackOptions o = Read(c.Args, c.Variable);
        ASSERT_EQ(o.Verdict, OptionsVerdict::Run) << o.Message;
        EXPECT_EQ(o.Target, c.Target) << (c.Args.empty() ? "" : c.Args[0]) << " " << (c.Variable ? c.Variable : "");
        if (c.Target == DrawTarget::GivenWindow) {
            EXPECT_EQ(o.Window, c.Window);
        }
    }
    const HackOptions bad = Read({}, "0xnope");
    EXPECT_EQ(bad.Verdict, OptionsVerdict::Bad);
    EXPECT_STREQ(bad.Message,
                 "brasswick: XSCREENSAVER_WINDOW=0xnope: the value must be a window id, decimal or 0x hex");
}

}  // namespace
