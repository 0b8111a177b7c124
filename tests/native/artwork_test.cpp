// The committed tile bitmaps read back as files; the icon is read back from
// the built program (tests/e2e) and both are checked against their generator.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "resources/artwork/tile_art.h"
#include "resources/artwork/tile_pixels.h"
#include "resources/resource_ids.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

uint32_t U16(const Bytes& b, size_t at) {
    return b[at] | b[at + 1] << 8;
}

uint32_t U32(const Bytes& b, size_t at) {
    return U16(b, at) | U16(b, at + 2) << 16;
}

struct Dib {
    Bytes File;
    int Bits;
    // Top-left origin, as drawn.
    Rgb Pixel(int x, int y) const {
        const size_t offset = U32(File, 10);
        const size_t row = (127 - y) * (128 * Bits / 8);
        if (Bits == 8) {
            const uint8_t index = File[offset + row + x];
            const size_t entry = 14 + 40 + index * 4;
            return {File[entry + 2], File[entry + 1], File[entry]};
        }
        const size_t at = offset + row + x * 3;
        return {File[at + 2], File[at + 1], File[at]};
    }
};

std::string TilePath(const std::string& folder, int id) {
    return folder + "/tile" + std::to_string(id) + ".bmp";
}

// Means over the whole image, margin included, quietest to loudest: each
// channel, and the brightness 0.299 R + 0.587 G + 0.114 B. The artwork must
// round to them at one decimal.
struct MeanFigures {
    double R, G, B, Brightness;
};
const MeanFigures Means[TileFaceCount] = {
    {37.9, 37.9, 37.9, 37.9},   {89.8, 89.8, 89.8, 89.8},   {167.8, 167.8, 167.8, 167.8}, {174.5, 174.5, 89.2, 164.8},
    {89.8, 174.5, 89.2, 139.4}, {89.8, 89.2, 174.5, 99.1}, {174.5, 38.5, 38.5, 79.2},
};

long Tenths(double value) {
    return std::lround(value * 10);
}

TEST(TileBitmaps, HaveTheStoredFormat) {
    for (const TileFace& tile : TileFaces) {
        Bytes file = ReadFile(TilePath(RESOURCES_DIR, tile.Id));
        ASSERT_GT(file.size(), 54u) << tile.Id;
        const int bits = tile.Id == IDB_TILE_2 ? 8 : 24;
        EXPECT_EQ(file[0], 'B');
        EXPECT_EQ(file[1], 'M');
        EXPECT_EQ(U32(file, 2), file.size());
        EXPECT_EQ(U32(file, 10), 54u + (bits == 8 ? 1024u : 0u));
        EXPECT_EQ(U32(file, 14), 40u) << "header size";
        EXPECT_EQ(static_cast<int32_t>(U32(file, 18)), 128);
        EXPECT_EQ(static_cast<int32_t>(U32(file, 22)), 128) << "positive height: bottom-up";
        EXPECT_EQ(U16(file, 26), 1u) << "planes";
        EXPECT_EQ(U16(file, 28), static_cast<uint32_t>(bits)) << tile.Id;
        EXPECT_EQ(U32(file, 30), 0u) << "BI_RGB";
        EXPECT_EQ(U32(file, 38), tile.Id == IDB_TILE_2 ? 2834u : 2835u);
        EXPECT_EQ(U32(file, 42), tile.Id == IDB_TILE_2 ? 2834u : 2835u);
        if (bits == 8) {
            EXPECT_EQ(U32(file, 46), 256u) << "palette entries";
        }
        EXPECT_EQ(file.size(), U32(file, 10) + 128u * 128u * bits / 8);
    }
}

TEST(TileBitmaps, ShowARaisedButtonOnBlackOfTheirBrightness) {
    auto sum = [](Rgb c) { return c.R + c.G + c.B; };
    for (const TileFace& tile : TileFaces) {
        Dib dib{ReadFile(TilePath(RESOURCES_DIR, tile.Id)), tile.Id == IDB_TILE_2 ? 8 : 24};
        ASSERT_EQ(dib.File.size(), U32(dib.File, 10) + 128u * 128u * dib.Bits / 8);
        MeanFigures measured = {0, 0, 0, 0};
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 128; ++x) {
                const Rgb p = dib.Pixel(x, y);
                measured.R += p.R / (128.0 * 128);
                measured.G += p.G / (128.0 * 128);
                measured.B += p.B / (128.0 * 128);
                measured.Brightness += (0.299 * p.R + 0.587 * p.G + 0.114 * p.B) / (128 * 128);
                const bool margin = x < 10 || y < 10 || x > 117 || y > 117;
                const bool inFace = x >= 15 && y >= 15 && x <= 112 && y <= 112;
                ASSERT_TRUE(!margin || p == (Rgb{0, 0, 0})) << tile.Id << " margin at " << x << "," << y;
                ASSERT_TRUE(!inFace || p == tile.Face) << tile.Id << " face at " << x << "," << y;
            }
        const MeanFigures& expected = Means[tile.Id - IDB_TILE_0];
        EXPECT_EQ(Tenths(measured.R), Tenths(expected.R)) << tile.Id << " red " << measured.R;
        EXPECT_EQ(Tenths(measured.G), Tenths(expected.G)) << tile.Id << " green " << measured.G;
        EXPECT_EQ(Tenths(measured.B), Tenths(expected.B)) << tile.Id << " blue " << measured.B;
        EXPECT_EQ(Tenths(measured.Brightness), Tenths(expected.Brightness))
            << tile.Id << " brightness " << measured.Brightness;

        // Along the middle of each edge: lit above and left, shaded below and
        // right, strongest at the outside.
        const int face = sum(tile.Face);
        for (int ring = 0; ring < 5; ++ring) {
            EXPECT_GE(sum(dib.Pixel(64, 10 + ring)), face) << tile.Id;
            EXPECT_GE(sum(dib.Pixel(10 + ring, 64)), face) << tile.Id;
            EXPECT_LT(sum(dib.Pixel(64, 117 - ring)), face) << tile.Id;
            EXPECT_LT(sum(dib.Pixel(117 - ring, 64)), face) << tile.Id;
            if (ring == 4) break;
            EXPECT_GE(sum(dib.Pixel(64, 10 + ring)), sum(dib.Pixel(64, 11 + ring))) << tile.Id;
            EXPECT_LT(sum(dib.Pixel(117 - ring, 64)), sum(dib.Pixel(116 - ring, 64))) << tile.Id;
        }
        EXPECT_GT(sum(dib.Pixel(64, 10)), sum(dib.Pixel(64, 14))) << tile.Id;
        EXPECT_LT(sum(dib.Pixel(117, 64)), sum(dib.Pixel(113, 64))) << tile.Id;
    }
}

// The committed artwork is exactly what the generator draws today.
TEST(Artwork, IsReproducedByItsGenerator) {
    char folder[] = "/tmp/brasswick-artwork-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string command = std::string(MAKE_ARTWORK) + " " + folder;
    ASSERT_EQ(std::system(command.c_str()), 0);
    for (const TileFace& tile : TileFaces) {
        EXPECT_EQ(ReadFile(TilePath(folder, tile.Id)), ReadFile(TilePath(RESOURCES_DIR, tile.Id))) << tile.Id;
        std::remove(TilePath(folder, tile.Id).c_str());
    }
    const std::string icon = std::string(folder) + "/brasswick.ico";
    EXPECT_EQ(ReadFile(icon), ReadFile(std::string(RESOURCES_DIR) + "/brasswick.ico"));
    std::remove(icon.c_str());
    std::remove(folder);
}

struct AverageCase {
    std::vector<Rgb> Block;  // 2 x 2
    Rgb Mean;
};

TEST(ReduceByAveraging, TakesEachBlocksRoundedMean) {
    const AverageCase cases[] = {
        {{{9, 9, 9}, {9, 9, 9}, {9, 9, 9}, {9, 9, 9}}, {9, 9, 9}},
        {{{0, 255, 1}, {255, 0, 1}, {0, 255, 1}, {255, 0, 2}}, {128, 128, 1}},  // 127.5 up, 1.25 down
        {{{1, 0, 0}, {2, 0, 0}, {2, 0, 0}, {2, 0, 0}}, {2, 0, 0}},              // 1.75 up
        {{{255, 255, 255}, {255, 255, 255}, {255, 255, 255}, {255, 255, 255}}, {255, 255, 255}},
    };
    for (const AverageCase& c : cases) EXPECT_EQ(ReduceByAveraging(c.Block, 2, 1)[0], c.Mean);
    // 4 x 4 to 2 x 2: every block lands in its own place.
    std::vector<Rgb> source(16);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) source[y * 4 + x] = {static_cast<uint8_t>(x / 2 * 100), static_cast<uint8_t>(y / 2 * 100), 0};
    const std::vector<Rgb> reduced = ReduceByAveraging(source, 4, 2);
    ASSERT_EQ(reduced.size(), 4u);
    EXPECT_EQ(reduced[0], (Rgb{0, 0, 0}));
    EXPECT_EQ(reduced[1], (Rgb{100, 0, 0}));
    EXPECT_EQ(reduced[2], (Rgb{0, 100, 0}));
    EXPECT_EQ(reduced[3], (Rgb{100, 100, 0}));
}

double Brightness(const std::vector<Rgb>& pixels) {
    double sum = 0;
    for (Rgb p : pixels) sum += 0.299 * p.R + 0.587 * p.G + 0.114 * p.B;
    return sum / pixels.size();
}

// The full-size pixels are the committed bitmaps'; the 16-pixel tile is
// their average and keeps their brightness.
TEST(TilePixels, AreTheBitmapsAndTheirAverages) {
    for (const TileFace& tile : TileFaces) {
        Dib dib{ReadFile(TilePath(RESOURCES_DIR, tile.Id)), tile.Id == IDB_TILE_2 ? 8 : 24};
        ASSERT_EQ(dib.File.size(), U32(dib.File, 10) + 128u * 128u * dib.Bits / 8);
        const std::vector<Rgb> full = TilePixels(tile.Face, 128);
        ASSERT_EQ(full.size(), 128u * 128u);
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 128; ++x) ASSERT_EQ(full[y * 128 + x], dib.Pixel(x, y)) << tile.Id << " " << x << "," << y;

        // Each small pixel is the rounded mean of its 8 x 8 block of the file,
        // edges included, where a sample of one pixel would pick one ring.
        const std::vector<Rgb> small = TilePixels(tile.Face, 16);
        ASSERT_EQ(small.size(), 16u * 16u);
        EXPECT_NEAR(Brightness(small), Brightness(full), 0.5) << tile.Id;
        for (int ty = 0; ty < 16; ++ty)
            for (int tx = 0; tx < 16; ++tx) {
                int sum[3] = {0, 0, 0};
                for (int y = ty * 8; y < ty * 8 + 8; ++y)
                    for (int x = tx * 8; x < tx * 8 + 8; ++x) {
                        const Rgb p = dib.Pixel(x, y);
                        sum[0] += p.R, sum[1] += p.G, sum[2] += p.B;
                    }
                const Rgb mean = {static_cast<uint8_t>((sum[0] + 32) / 64), static_cast<uint8_t>((sum[1] + 32) / 64),
                                  static_cast<uint8_t>((sum[2] + 32) / 64)};
                ASSERT_EQ(small[ty * 16 + tx], mean) << tile.Id << " " << tx << "," << ty;
            }
        EXPECT_EQ(small[0], (Rgb{0, 0, 0}));
        EXPECT_EQ(small[8 * 16 + 8], tile.Face);
    }
}

}  // namespace
