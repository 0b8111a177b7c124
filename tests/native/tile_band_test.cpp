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
    ExpectBands(Defaults, {{0, IDB_TILE_0}, {1, IDB_TILE_0}, {2, IDB_TILE_1}, {3, IDB_TILE_1}, {4, IDB_TILE_2},
                           {7, IDB_TILE_2}, {8, IDB_TILE_3}, {15, IDB_TILE_3}, {16, IDB_TILE_4}, {31, IDB_TILE_4},
                           {32, IDB_TILE_5}, {63, IDB_TILE_5}, {64, IDB_TILE_6}, {128, IDB_TILE_6}});
}

TEST(TileForLevel, FirstThresholdAboveTheLevelDecides) {
    // All equal: only the quietest and the loudest band remain.
    ExpectBands({{"10", "10", "10", "10", "10", "10"}},
                {{0, IDB_TILE_0}, {9, IDB_TILE_0}, {10, IDB_TILE_6}, {128, IDB_TILE_6}});
    // Out of order: below THRES0 wins before the others are looked at.
    ExpectBands({{"50", "4", "8", "16", "32", "64"}}, {{0, IDB_TILE_0}, {5, IDB_TILE_0}, {49, IDB_TILE_0},
                                                       {50, IDB_TILE_5}, {63, IDB_TILE_5}, {64, IDB_TILE_6}});
    // Above the loudest level: the loudest image cannot occur.
    ExpectBands({{"2", "4", "8", "16", "32", "200"}}, {{64, IDB_TILE_5}, {128, IDB_TILE_5}});
    ExpectBands({{"2", "4", "8", "16", "32", "129"}}, {{128, IDB_TILE_5}});
    ExpectBands({{"2", "4", "8", "16", "32", "128"}}, {{127, IDB_TILE_5}, {128, IDB_TILE_6}});
}

TEST(TileForLevel, ParsesTheTextsAsAtolDoes) {
    // No digits count as 0, and no level is below 0.
    ExpectBands({{"none", "4", "8", "16", "32", "64"}}, {{0, IDB_TILE_1}, {3, IDB_TILE_1}, {4, IDB_TILE_2}});
    ExpectBands({{"", "", "", "", "", ""}}, {{0, IDB_TILE_6}, {128, IDB_TILE_6}});
    // Leading blanks and a sign are taken; parsing stops at the first other character.
    ExpectBands({{"  +3", "-5", "8x", "1e3", " 16 ", "64"}}, {{2, IDB_TILE_0}, {3, IDB_TILE_2}, {7, IDB_TILE_2},
                                                             {8, IDB_TILE_4}, {15, IDB_TILE_4}, {16, IDB_TILE_5},
                                                             {64, IDB_TILE_6}});
    // Parsed on every call: a changed text counts at once.
    LoadThresholds(Defaults);
    EXPECT_EQ(TileForLevel(5, SaverSettings.Thresholds), IDB_TILE_2);
    std::snprintf(SaverSettings.Thresholds[2], SettingTextSize, "%s", "5");
    EXPECT_EQ(TileForLevel(5, SaverSettings.Thresholds), IDB_TILE_3);
}

TEST(RandomTileImage, GivesEveryImageAndNoOther) {
    const BandCase mapping[] = {{0, IDB_TILE_0},  {1, IDB_TILE_1},     {6, IDB_TILE_6},    {7, IDB_TILE_0},
                                {13, IDB_TILE_6}, {32766, IDB_TILE_6}, {32767, IDB_TILE_0}};
    for (const BandCase& c : mapping) EXPECT_EQ(TileFromRandomValue(c.Level), c.Tile) << c.Level;

    std::srand(12345);
    std::set<TileImageId> seen;
    for (int i = 0; i < 700; ++i) {
        const TileImageId tile = RandomTileImage();
        ASSERT_GE(tile, QuietestTile);
        ASSERT_LE(tile, LoudestTile);
        seen.insert(tile);
    }
    EXPECT_EQ(seen.size(), 7u);
}

}  // namespace
