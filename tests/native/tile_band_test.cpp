#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>

#include "sound/tile_band.h"

namespace {

struct ThresholdSet {
    const char* Texts[ThresholdCount];
};

struct BandCase {
    SoundLevel Level;
    TileImageId Tile;
};

void LoadThresholds(const ThresholdSet& set) {
    for (int k = 0; k < ThresholdCount; ++k) {
        std::snprintf(SaverSettings.Thresholds[k], SettingTextSize, "%s", set.Texts[k]);
    }
}

void ExpectBands(const ThresholdSet& set, std::initializer_list<BandCase> cases) {
    LoadThresholds(set);
    for (const BandCase& c : cases) {
        EXPECT_EQ(TileForLevel(c.Level, SaverSettings.Thresholds), c.Tile)
            << "level " << c.Level << " with THRES0 \"" << set.Texts[0] << "\", THRES5 \"" << set.Texts[5] << "\"";
    }
}

const ThresholdSet Defaults = {{"2", "4", "8", "16", "32", "64"}};

TEST(TileForLevel, DefaultThresholdsGiveSevenBands) {
    ExpectBands(Defaults, {{0, 102}, {1, 102}, {2, 103}, {3, 103}, {4, 104}, {7, 104}, {8, 105}, {15, 105},
                           {16, 106}, {31, 106}, {32, 107}, {63, 107}, {64, 108}, {128, 108}});
}

TEST(TileForLevel, FirstThresholdAboveTheLevelDecides) {
    // All equal: only the quietest and the loudest band remain.
    ExpectBands({{"10", "10", "10", "10", "10", "10"}}, {{0, 102}, {9, 102}, {10, 108}, {128, 108}});
    // Out of order: below THRES0 wins before the others are looked at.
    ExpectBands({{"50", "4", "8", "16", "32", "64"}}, {{0, 102}, {5, 102}, {49, 102}, {50, 107}, {63, 107}, {64, 108}});
    // Above the loudest level: 108 cannot occur.
    ExpectBands({{"2", "4", "8", "16", "32", "200"}}, {{64, 107}, {128, 107}});
    ExpectBands({{"2", "4", "8", "16", "32", "129"}}, {{128, 107}});
    ExpectBands({{"2", "4", "8", "16", "32", "128"}}, {{127, 107}, {128, 108}});
}

TEST(TileForLevel, ParsesTheTextsAsAtolDoes) {
    // No digits count as 0, and no level is below 0.
    ExpectBands({{"none", "4", "8", "16", "32", "64"}}, {{0, 103}, {3, 103}, {4, 104}});
    ExpectBands({{"", "", "", "", "", ""}}, {{0, 108}, {128, 108}});
    // Leading blanks and a sign are taken; parsing stops at the first other character.
    ExpectBands({{"  +3", "-5", "8x", "1e3", " 16 ", "64"}}, {{2, 102}, {3, 104}, {7, 104}, {8, 106}, {15, 106},
                                                             {16, 107}, {64, 108}});
    // Parsed on every call: a changed text counts at once.
    LoadThresholds(Defaults);
    EXPECT_EQ(TileForLevel(5, SaverSettings.Thresholds), 104);
    std::snprintf(SaverSettings.Thresholds[2], SettingTextSize, "%s", "5");
    EXPECT_EQ(TileForLevel(5, SaverSettings.Thresholds), 105);
}

TEST(RandomTileImage, GivesEveryImageAndNoOther) {
    const BandCase mapping[] = {{0, 102}, {1, 103}, {6, 108}, {7, 102}, {13, 108}, {32766, 108}, {32767, 102}};
    for (const BandCase& c : mapping) EXPECT_EQ(TileFromRandomValue(c.Level), c.Tile) << c.Level;

    std::srand(12345);
    std::set<TileImageId> seen;
    for (int i = 0; i < 700; ++i) {
        const TileImageId tile = RandomTileImage();
        ASSERT_GE(tile, 102);
        ASSERT_LE(tile, 108);
        seen.insert(tile);
    }
    EXPECT_EQ(seen.size(), 7u);
}

}  // namespace
