// The committed tile bitmaps and icon, read back as files.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "resources/artwork/tile_art.h"

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

struct Expected {
    int Id;
    double MeanR, MeanG, MeanB, Brightness;
};

// Mean colours of the whole 128 x 128 image, margin included.
const Expected ExpectedMeans[] = {
    {102, 37.9, 37.9, 37.9, 37.9},   {103, 89.8, 89.8, 89.8, 89.8},   {104, 167.8, 167.8, 167.8, 167.8},
    {105, 174.5, 174.5, 89.2, 164.8}, {106, 89.8, 174.5, 89.2, 139.4}, {107, 89.8, 89.2, 174.5, 99.1},
    {108, 174.5, 38.5, 38.5, 79.2},
};

TEST(TileBitmaps, HaveTheStoredFormat) {
    for (const TileFace& tile : TileFaces) {
        Bytes file = ReadFile(TilePath(RESOURCES_DIR, tile.Id));
        ASSERT_GT(file.size(), 54u) << tile.Id;
        const int bits = tile.Id == 104 ? 8 : 24;
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
        EXPECT_EQ(U32(file, 38), tile.Id == 104 ? 2834u : 2835u);
        EXPECT_EQ(U32(file, 42), tile.Id == 104 ? 2834u : 2835u);
        if (bits == 8) {
            EXPECT_EQ(U32(file, 46), 256u) << "palette entries";
        }
        EXPECT_EQ(file.size(), U32(file, 10) + 128u * 128u * bits / 8);
    }
}

TEST(TileBitmaps, ShowARaisedButtonOnBlack) {
    for (const TileFace& tile : TileFaces) {
        Dib dib{ReadFile(TilePath(RESOURCES_DIR, tile.Id)), tile.Id == 104 ? 8 : 24};
        ASSERT_EQ(dib.File.size(), U32(dib.File, 10) + 128u * 128u * dib.Bits / 8);
        for (int i = 0; i < 128; ++i)
            for (int m = 0; m < 10; ++m) {
                ASSERT_EQ(dib.Pixel(i, m), (Rgb{0, 0, 0})) << tile.Id << " top margin";
                ASSERT_EQ(dib.Pixel(i, 127 - m), (Rgb{0, 0, 0})) << tile.Id << " bottom margin";
                ASSERT_EQ(dib.Pixel(m, i), (Rgb{0, 0, 0})) << tile.Id << " left margin";
                ASSERT_EQ(dib.Pixel(127 - m, i), (Rgb{0, 0, 0})) << tile.Id << " right margin";
            }
        for (int y = 15; y < 113; ++y)
            for (int x = 15; x < 113; ++x) ASSERT_EQ(dib.Pixel(x, y), tile.Face) << tile.Id << " face";

        // Along the middle of each edge: lit above and left, shaded below and
        // right, strongest at the outside.
        auto sum = [](Rgb c) { return c.R + c.G + c.B; };
        const int face = sum(tile.Face);
        for (int ring = 0; ring < 5; ++ring) {
            EXPECT_GE(sum(dib.Pixel(64, 10 + ring)), face) << tile.Id;
            EXPECT_GE(sum(dib.Pixel(10 + ring, 64)), face) << tile.Id;
            EXPECT_LT(sum(dib.Pixel(64, 117 - ring)), face) << tile.Id;
            EXPECT_LT(sum(dib.Pixel(117 - ring, 64)), face) << tile.Id;
        }
        for (int ring = 0; ring < 4; ++ring) {
            EXPECT_GE(sum(dib.Pixel(64, 10 + ring)), sum(dib.Pixel(64, 11 + ring))) << tile.Id;
            EXPECT_LT(sum(dib.Pixel(117 - ring, 64)), sum(dib.Pixel(116 - ring, 64))) << tile.Id;
        }
        EXPECT_GT(sum(dib.Pixel(64, 10)), sum(dib.Pixel(64, 14))) << tile.Id;
        EXPECT_LT(sum(dib.Pixel(117, 64)), sum(dib.Pixel(113, 64))) << tile.Id;
    }
}

TEST(TileBitmaps, HaveTheirMeanColourAndBrightness) {
    for (const Expected& e : ExpectedMeans) {
        Dib dib{ReadFile(TilePath(RESOURCES_DIR, e.Id)), e.Id == 104 ? 8 : 24};
        ASSERT_GT(dib.File.size(), 54u);
        double r = 0, g = 0, b = 0;
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 128; ++x) {
                Rgb p = dib.Pixel(x, y);
                r += p.R, g += p.G, b += p.B;
            }
        r /= 16384, g /= 16384, b /= 16384;
        EXPECT_NEAR(r, e.MeanR, 1.0) << e.Id;
        EXPECT_NEAR(g, e.MeanG, 1.0) << e.Id;
        EXPECT_NEAR(b, e.MeanB, 1.0) << e.Id;
        EXPECT_NEAR(0.299 * r + 0.587 * g + 0.114 * b, e.Brightness, 2.0) << e.Id;
    }
}

TEST(ProgramIcon, HoldsThreeImagesOf256Colours) {
    Bytes icon = ReadFile(std::string(RESOURCES_DIR) + "/brasswick.ico");
    ASSERT_GE(icon.size(), 6u + 3 * 16);
    EXPECT_EQ(U16(icon, 0), 0u);
    EXPECT_EQ(U16(icon, 2), 1u);
    ASSERT_EQ(U16(icon, 4), 3u);
    const int sizes[] = {48, 32, 16};
    for (int i = 0; i < 3; ++i) {
        const size_t entry = 6 + 16 * i;
        EXPECT_EQ(icon[entry], sizes[i]);
        EXPECT_EQ(icon[entry + 1], sizes[i]);
        EXPECT_EQ(U16(icon, entry + 6), 8u) << "bits per pixel";
        const size_t image = U32(icon, entry + 12);
        ASSERT_LT(image + 40, icon.size());
        EXPECT_EQ(U32(icon, image), 40u);
        EXPECT_EQ(U32(icon, image + 4), static_cast<uint32_t>(sizes[i]));
        EXPECT_EQ(U32(icon, image + 8), static_cast<uint32_t>(2 * sizes[i]));
        EXPECT_EQ(U16(icon, image + 14), 8u);
        const size_t length = 40 + 1024 + sizes[i] * sizes[i] + ((sizes[i] + 31) / 32 * 4) * sizes[i];
        EXPECT_EQ(U32(icon, entry + 8), length);
        EXPECT_LE(image + length, icon.size());
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

}  // namespace
