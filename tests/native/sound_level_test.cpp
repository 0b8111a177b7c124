#include <gtest/gtest.h>

#include <vector>

#include "sound/sound_level.h"

namespace {

struct LevelCase {
    std::vector<uint8_t> Samples;
    SoundLevel Level;
};

std::vector<uint8_t> Repeat(uint8_t sample, size_t count) {
    return std::vector<uint8_t>(count, sample);
}

std::vector<uint8_t> Join(std::vector<uint8_t> first, const std::vector<uint8_t>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

TEST(MeasureSoundLevel, AveragesTheDistanceFrom128) {
    const LevelCase cases[] = {
        {Repeat(128, 11), 0},
        {Repeat(0, 11), 128},
        {Repeat(255, 11), 127},
        {Join(Repeat(0, 6), Repeat(255, 5)), 127},      // 1403 / 11
        {Join(Repeat(128, 10), Repeat(149, 1)), 1},     // 21 / 11, remainder dropped
        {Join(Repeat(107, 1), Repeat(128, 10)), 1},     // below 128 counts the same
        {Join(Repeat(68, 6), Repeat(188, 5)), 60},      // a square wave of amplitude 60
        {Join(Repeat(127, 5), Repeat(129, 6)), 1},
        {Join(Repeat(127, 5), Repeat(128, 6)), 0},
    };
    for (const LevelCase& c : cases) {
        ASSERT_EQ(c.Samples.size(), CaptureLength);
        EXPECT_EQ(MeasureSoundLevel(c.Samples.data(), CaptureLength), c.Level)
            << "first sample " << int(c.Samples.front()) << ", last " << int(c.Samples.back());
    }
}

// Level 0 is not yet silence: a quiet room moves a sample now and then.
TEST(IsExactSilence, OnlyWhenEverySampleIs128) {
    EXPECT_TRUE(IsExactSilence(Repeat(128, 11).data(), CaptureLength));
    EXPECT_FALSE(IsExactSilence(Join(Repeat(128, 10), Repeat(129, 1)).data(), CaptureLength));
    EXPECT_FALSE(IsExactSilence(Join(Repeat(127, 1), Repeat(128, 10)).data(), CaptureLength));
}

}  // namespace
