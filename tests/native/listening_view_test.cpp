// What the settings dialog shows of the room: the input list, the held
// level and its band, the status sentence.
#include <gtest/gtest.h>

#include <string>

#include "settings/input_choice.h"
#include "settings/level_display.h"
#include "settings/listening_status.h"

namespace {

const char* const Listed[] = {"Monitor of room", "Microphone", "Monitor of quiet"};

TEST(InputItems, StoredTextSelectsItsItemAndAMissingNameKeepsOne) {
    const struct {
        const char* Stored;
        int Count, Selected;
        bool Extra;
    } cases[] = {
        {"", 5, 0, false},          {"none", 5, 4, false},       {"Microphone", 5, 2, false},
        {"Monitor of quiet", 5, 3, false}, {"USB Headset", 6, 4, true}, {"microphone", 6, 4, true},
    };
    for (const auto& c : cases) {
        const InputItems items = LayOutInputItems(c.Stored, Listed, 3);
        EXPECT_EQ(items.Count, c.Count) << "'" << c.Stored << "'";
        EXPECT_EQ(items.Selected, c.Selected) << "'" << c.Stored << "'";
        EXPECT_EQ(items.ExtraItem, c.Extra) << "'" << c.Stored << "'";
        // The item gives back what was stored.
        const char* name = c.Selected >= 1 && c.Selected <= 3 ? Listed[c.Selected - 1] : c.Stored;
        EXPECT_STREQ(InputTextOfItem(items.Selected, items.Count, name), c.Stored);
    }
    EXPECT_EQ(LayOutInputItems("", nullptr, 0).Count, 2);
    EXPECT_STREQ(MeterInputName("none"), "");
    EXPECT_STREQ(MeterInputName("Microphone"), "Microphone");
}

// Captures 50 ms apart: a peak stays for PeakHoldMs, then the level falls.
TEST(ShownLevel, RisesAtOnceHoldsAPeakThenFollows) {
    HeldLevel held = {0, 0};
    const struct {
        uint32_t At;
        SoundLevel Measured, Shown;
    } steps[] = {
        {0, 10, 10},   {50, 90, 90},    {100, 5, 90},    {400, 30, 90},  {450, 20, 20},
        {500, 128, 127}, {550, -3, 127}, {1000, 0, 0},
        // GetTickCount wraps after 49.7 days; the hold still ends.
        {0xFFFFFF00u, 60, 60}, {0xFFFFFF00u + PeakHoldMs, 1, 1},
    };
    for (const auto& s : steps) EXPECT_EQ(ShownLevel(held, s.Measured, s.At), s.Shown) << "at " << s.At;
}

TEST(BandOfLevel, TheBandTheSaverWouldPaint) {
    const int32_t defaults[ThresholdCount] = {2, 4, 8, 16, 32, 64};
    const int32_t equal[ThresholdCount] = {40, 40, 40, 40, 40, 40};
    EXPECT_EQ(BandOfLevel(0, defaults), 0);
    EXPECT_EQ(BandOfLevel(8, defaults), 3);
    EXPECT_EQ(BandOfLevel(63, defaults), 5);
    EXPECT_EQ(BandOfLevel(127, defaults), 6);
    EXPECT_EQ(BandOfLevel(39, equal), 0);
    EXPECT_EQ(BandOfLevel(40, equal), 6);
}

TEST(DescribeListening, OneSentenceForEachCondition) {
    const struct {
        ListeningFacts Facts;
        const char* Sentence;
        bool PrivacyOn10;
    } cases[] = {
        {{MeterCondition::Open, 0, 2, false, "", "Monitor of room", 0}, "Listening to Monitor of room.", false},
        {{MeterCondition::Open, 0, 2, false, "", "", 2999}, "Listening to the default input.", false},
        {{MeterCondition::Open, 0, 2, false, "Mic", "Mic", 7400},
         "Hearing only exact silence from Mic for 7 s: is the microphone muted or blocked?", false},
        {{MeterCondition::Open, 0, 2, true, "USB Headset", "Monitor of room", 0},
         "USB Headset is missing: listening to Monitor of room instead.", false},
        {{MeterCondition::Failed, 1, 2, false, "", "", 0},
         "Could not open the default input (MMSYSERR_ERROR, code 1): the saver paints random tiles.", true},
        {{MeterCondition::Failed, 4, 2, false, "Mic", "", 0},
         "Could not open Mic (MMSYSERR_ALLOCATED, code 4): the saver paints random tiles.", true},
        {{MeterCondition::Failed, 99, 1, false, "", "", 0},
         "Could not open the default input (MMSYSERR, code 99): the saver paints random tiles.", true},
        {{MeterCondition::Failed, 2, 0, false, "", "", 0},
         "No recording device on this computer: the saver paints random tiles.", true},
        {{MeterCondition::Opening, 0, 0, false, "Mic", "", 0}, "Opening Mic...", false},
        {{MeterCondition::Lost, 0, 1, false, "", "", 0},
         "Lost the default input: looking for it again; the saver paints random tiles meanwhile.", false},
        {{MeterCondition::NotListening, 0, 0, false, "", "", 0},
         "Not listening: the saver paints random tiles on white.", false},
    };
    for (const auto& c : cases) {
        char text[StatusTextSize];
        DescribeListening(c.Facts, text);
        EXPECT_EQ(std::string(text), c.Sentence);
        EXPECT_EQ(OffersPrivacyPage(c.Facts, 10), c.PrivacyOn10) << c.Sentence;
        EXPECT_FALSE(OffersPrivacyPage(c.Facts, 6)) << c.Sentence;
    }
    // A name of 255 characters is cut, never written past the line.
    const std::string longName(255, 'x');
    char text[StatusTextSize + 4] = {};
    text[StatusTextSize] = '#';
    DescribeListening({MeterCondition::Open, 0, 1, false, "", longName.c_str(), 0},
                      *reinterpret_cast<char(*)[StatusTextSize]>(text));
    EXPECT_EQ(text[StatusTextSize], '#');
    EXPECT_EQ(std::string(text).size(), static_cast<size_t>(StatusTextSize - 1));
}

}  // namespace
