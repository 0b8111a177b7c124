#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "sound/room_gain.h"
#include "sound/tile_band.h"

namespace {

const char DefaultThresholds[ThresholdCount][SettingTextSize] = {"2", "4", "8", "16", "32", "64"};
constexpr int32_t TopThreshold = 64;

int BandOf(SoundLevel level) {
    return TileForLevel(level, DefaultThresholds) - QuietestTile;
}

// One level a tick, TickMs apart, and the band that each tick paints.
struct GainRow {
    const char* Name;
    uint32_t TickMs;
    std::vector<SoundLevel> Levels;
    std::string Bands;
};

TEST(RoomGain, LevelSequencesGiveTheseBands) {
    const GainRow rows[] = {
        // The loudest moments reach the top band, the rest keep their order.
        {"quiet music", 300, {1, 10, 10, 10, 5, 8, 3, 10, 10, 10, 2, 7}, "033655466615"},
        // Louder than THRES5 from the first ticks: exactly the bands without the gain.
        {"loud music", 300, {100, 100, 100, 40, 127, 64, 55, 90, 41}, "666566565"},
        {"near silence", 300, {0, 2, 1, 0, 2, 2, 1, 0}, "01001100"},
        // Raised at the third tick of the louder sound, 600 ms after its first.
        {"step up", 300, {1, 1, 2, 8, 8, 8, 8, 4, 8}, "001336656"},
        // 20 s after the loud moment the gain is 1.28, then 1.81, 2.56,
        // 3.62, 5.12 and 6.4 every 10 s: level 10 climbs back to the top band.
        {"step down", 10000, {100, 100, 100, 10, 10, 10, 10, 10, 10, 10}, "6663344556"},
        // Two loud ticks amid quiet music leave the gain alone.
        {"a click", 300, {10, 10, 10, 120, 120, 10, 10}, "3366666"},
    };
    for (const GainRow& row : rows) {
        RoomGainState gain = {};
        std::string bands;
        for (size_t i = 0; i < row.Levels.size(); ++i) {
            const uint32_t now = static_cast<uint32_t>(i) * row.TickMs;
            bands += static_cast<char>('0' + BandOf(FollowRoomLoudness(gain, row.Levels[i], now, TopThreshold)));
        }
        EXPECT_EQ(bands, row.Bands) << row.Name;
    }
}

TEST(RoomGain, ComesBackWithItsHalfLifeWhateverTheTickAndAcrossTheClockWrap) {
    for (uint32_t tickMs : {40u, 400u, 2500u}) {
        RoomGainState gain = {};
        const uint32_t start = 0xFFFFFFFFu - 5000;
        for (uint32_t before : {2 * tickMs, tickMs, 0u}) HearRoomLevel(gain, 128, start - before);
        for (uint32_t t = tickMs; t <= 3 * RoomPeakHalfLifeMs; t += tickMs) {
            HearRoomLevel(gain, 2, start + t);
            if (t % RoomPeakHalfLifeMs == 0) {
                // 128 halves to 64, 32, 16: a gain of 1, 2, 4.
                const double expected = 1 << (t / RoomPeakHalfLifeMs - 1);
                EXPECT_NEAR(RoomGainFactor(gain, TopThreshold), expected, expected * 1e-9)
                    << "after " << t << " ms in ticks of " << tickMs;
            }
        }
    }
}

// Random rooms: levels of a random scale, ticks of random length.
TEST(RoomGain, KeepsItsPromisesOverRandomSequences) {
    std::mt19937 random(24);
    for (int sequence = 0; sequence < 100; ++sequence) {
        RoomGainState gain = {};
        uint32_t now = random();
        SoundLevel before[2] = {0, 0}, loudestHeld = 0;
        const int scale = 1 + random() % 128;
        for (int tick = 0; tick < 200; ++tick) {
            now += 55 + random() % 2946;
            const SoundLevel level = random() % (scale + 1);
            HearRoomLevel(gain, level, now);
            const double factor = RoomGainFactor(gain, TopThreshold);
            ASSERT_GE(factor, 1.0);
            ASSERT_LE(factor, RoomGainMaximum);
            int previousBand = 0;
            for (SoundLevel l = 0; l <= 128; ++l) {
                const SoundLevel gained = GainedLevel(gain, l, TopThreshold);
                ASSERT_GE(gained, l) << "turned down";
                if (l < RoomNoiseFloor || gain.Peak < RoomNoiseFloor) {
                    ASSERT_EQ(gained, l) << "noise raised";
                }
                const int band = BandOf(gained);
                ASSERT_GE(band, previousBand) << "level " << l << " below a quieter one, sequence " << sequence;
                previousBand = band;
            }
            // A level held for three ticks, the loudest so held, paints a
            // top band if it is an eighth of THRES5 or more.
            const SoundLevel held = std::min({level, before[0], before[1]});
            if (held >= loudestHeld && held * RoomGainMaximum >= TopThreshold && held >= RoomNoiseFloor) {
                ASSERT_GE(BandOf(GainedLevel(gain, held, TopThreshold)), 5) << "level " << held;
            }
            loudestHeld = std::max(loudestHeld, held);
            before[1] = before[0];
            before[0] = level;
        }
    }
}

}  // namespace
