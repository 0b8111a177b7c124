// What the full-screen saver paints, read back from the screen. Wine is
// given no sound driver here, so the saver runs without a sound input.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "mosaic_view.h"
#include "saved_state.h"
#include "saver_process.h"
#include "screen_reader.h"

namespace {

constexpr int DefaultPeriodMs = 300;
constexpr int SlotCount = 170;  // 17 columns x 10 rows at 1920 x 1080

class FullScreenPainting : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(WaitUntil([] { return AnyFullScreenSaverWindow() == nullptr; }, 5000))
            << "a saver of an earlier test still runs";
        const std::string settingsPath = SettingsFilePath();
        ASSERT_FALSE(settingsPath.empty());
        settings_ = SaveFile(settingsPath);
        // An empty driver list makes Wine open no sound device at all.
        audio_ = SaveRegistryValue(HKEY_CURRENT_USER, "Software\\Wine\\Drivers", "Audio");
        ASSERT_TRUE(SetRegistryString(audio_, ""));
    }
    void TearDown() override {
        EndSaver(saver_);
        RestoreRegistryValue(audio_);
        RestoreFile(settings_);
    }

    void StartWithPeriod(int periodMs) {
        ASSERT_TRUE(WriteWholeFile(settings_, "[SETTINGS]\r\nFREQ=" + std::to_string(periodMs) + "\r\n"));
        saver_ = StartSaver("/s");
        ASSERT_TRUE(saver_.Started) << SaverPath();
        window_ = WaitForFullScreenWindow(saver_, 15000);
        ASSERT_NE(window_, nullptr) << "no full-screen window was shown";
        ASSERT_TRUE(GetWindowRect(window_, &area_));
        cells_ = VisibleCells(area_);
    }

    // The first screenshot that shows the erased background: every cell
    // either white in all its pixels or showing a tile face.
    Screenshot WaitForWhiteBackground(size_t* whiteCells) {
        Screenshot shot;
        WaitUntil([&] {
            shot = CaptureScreen(area_);
            *whiteCells = 0;
            for (const CellView& cell : cells_) {
                if (PixelsOtherThan(shot, cell.Cell, White) == 0)
                    ++*whiteCells;
                else if (!IsFaceColour(shot.At(cell.Sample.x, cell.Sample.y)))
                    return false;
            }
            return *whiteCells + 10 >= cells_.size();
        }, 5000);
        return shot;
    }

    SavedFile settings_;
    SavedRegistryValue audio_;
    SaverProcess saver_;
    HWND window_ = nullptr;
    RECT area_{};
    std::vector<CellView> cells_;
};

TEST_F(FullScreenPainting, BackgroundIsWhiteWithoutSound) {
    ASSERT_NO_FATAL_FAILURE(StartWithPeriod(DefaultPeriodMs));
    ASSERT_EQ(cells_.size(), 150u);  // 15 columns x 10 rows show
    size_t whiteCells = 0;
    WaitForWhiteBackground(&whiteCells);
    EXPECT_GE(whiteCells + 10, cells_.size()) << "cells wholly white: " << whiteCells;
}

TEST_F(FullScreenPainting, TilesAppearOnePerTickInTheFaceColours) {
    ASSERT_NO_FATAL_FAILURE(StartWithPeriod(DefaultPeriodMs));
    size_t whiteCells = 0;
    const DWORD start = GetTickCount();
    Screenshot first = WaitForWhiteBackground(&whiteCells);
    ASSERT_GE(whiteCells + 10, cells_.size()) << "no white background to count tiles on";
    const std::vector<size_t> before = PaintedCells(first, cells_, White);

    std::set<size_t> painted(before.begin(), before.end());
    int captures = 0;
    DWORD elapsed = 0;
    while ((elapsed = GetTickCount() - start) < 12 * DefaultPeriodMs) {
        Screenshot shot = CaptureScreen(area_);
        ++captures;
        const std::vector<size_t> now = PaintedCells(shot, cells_, White);
        for (size_t cell : painted)
            EXPECT_NE(std::find(now.begin(), now.end(), cell), now.end()) << "a tile vanished";
        for (size_t cell : now) {
            const Rgb face = shot.At(cells_[cell].Sample.x, cells_[cell].Sample.y);
            EXPECT_TRUE(IsFaceColour(face)) << int(face.R) << "," << int(face.G) << "," << int(face.B);
            painted.insert(cell);
        }
        PumpMessagesFor(20);
    }
    elapsed = GetTickCount() - start;
    const int added = static_cast<int>(painted.size() - before.size());
    const int ticks = static_cast<int>(elapsed) / DefaultPeriodMs;
    RecordProperty("captures", captures);
    RecordProperty("tiles_added", added);
    RecordProperty("elapsed_ms", static_cast<int>(elapsed));
    // At most one per tick; some ticks fall on cells outside the screen and
    // a loaded machine may tick late, but most ticks must show.
    EXPECT_LE(added, ticks + 2);
    EXPECT_GE(added, ticks / 3);
}

// Waits for a tile face on a cell wholly inside the screen; its index, or -1.
int WaitForWholeTile(const std::vector<CellView>& cells, const RECT& area, Screenshot* shot) {
    int found = -1;
    WaitUntil([&] {
        *shot = CaptureScreen(area);
        for (size_t i = 0; i < cells.size(); ++i)
            if (cells[i].Whole && IsFaceColour(shot->At(cells[i].Sample.x, cells[i].Sample.y)))
                found = static_cast<int>(i);
        return found >= 0;
    }, 10000);
    return found;
}

// Every pixel of a row or column segment, which must all be one colour.
bool UniformSegment(const Screenshot& shot, POINT from, POINT step, int length, Rgb* colour) {
    *colour = shot.At(from.x, from.y);
    for (int i = 1; i < length; ++i)
        if (shot.At(from.x + step.x * i, from.y + step.y * i) != *colour) return false;
    return true;
}

TEST_F(FullScreenPainting, WholeCellShowsMarginBevelAndFace) {
    ASSERT_NO_FATAL_FAILURE(StartWithPeriod(DefaultPeriodMs));
    size_t whiteCells = 0;
    WaitForWhiteBackground(&whiteCells);
    ASSERT_GE(whiteCells + 10, cells_.size()) << "the screen was never erased";
    Screenshot shot;
    const int found = WaitForWholeTile(cells_, area_, &shot);
    ASSERT_GE(found, 0) << "no tile was painted on a whole cell";
    const int left = cells_[found].Cell.left;
    const int top = cells_[found].Cell.top;
    ASSERT_EQ(cells_[found].Cell.right - left, 128);

    const Rgb face = shot.At(left + 64, top + 64);
    ASSERT_TRUE(IsFaceColour(face)) << int(face.R) << "," << int(face.G) << "," << int(face.B);
    int wrongMargin = 0;
    int wrongFace = 0;
    for (int y = 0; y < 128; ++y) {
        for (int x = 0; x < 128; ++x) {
            const Rgb pixel = shot.At(left + x, top + y);
            const bool margin = x < 10 || y < 10 || x > 117 || y > 117;
            const bool inFace = x >= 15 && y >= 15 && x <= 112 && y <= 112;
            if (margin && pixel != Black) ++wrongMargin;
            if (inFace && pixel != face) ++wrongFace;
        }
    }
    EXPECT_EQ(wrongMargin, 0) << "pixels of the 10-pixel margin that are not black";
    EXPECT_EQ(wrongFace, 0) << "pixels of the 98 x 98 face that differ from its centre";

    // The bevel rings, outermost first, checked along the middle of each edge.
    Rgb lit[5], shaded[5];
    for (int ring = 0; ring < 5; ++ring) {
        Rgb other;
        EXPECT_TRUE(UniformSegment(shot, {left + 20, top + 10 + ring}, {1, 0}, 88, &lit[ring])) << "top ring " << ring;
        EXPECT_TRUE(UniformSegment(shot, {left + 10 + ring, top + 20}, {0, 1}, 88, &other)) << "left ring " << ring;
        EXPECT_EQ(other, lit[ring]) << "left and top of ring " << ring;
        EXPECT_TRUE(UniformSegment(shot, {left + 20, top + 117 - ring}, {1, 0}, 88, &shaded[ring]))
            << "bottom ring " << ring;
        EXPECT_TRUE(UniformSegment(shot, {left + 117 - ring, top + 20}, {0, 1}, 88, &other)) << "right ring " << ring;
        EXPECT_EQ(other, shaded[ring]) << "right and bottom of ring " << ring;

        EXPECT_GT(Lightness(lit[ring]), Lightness(face)) << "ring " << ring;
        EXPECT_LT(Lightness(shaded[ring]), Lightness(face)) << "ring " << ring;
        if (ring > 0) {
            EXPECT_LT(Lightness(lit[ring]), Lightness(lit[ring - 1])) << "the outer ring is the lightest";
            EXPECT_GT(Lightness(shaded[ring]), Lightness(shaded[ring - 1])) << "the outer ring is the darkest";
        }
    }
}

TEST_F(FullScreenPainting, EveryCellIsPaintedAfterSlotCountTicks) {
    constexpr int PeriodMs = 40;
    ASSERT_NO_FATAL_FAILURE(StartWithPeriod(PeriodMs));
    const DWORD start = GetTickCount();
    const DWORD limit = SlotCount * PeriodMs * 3 + 5000;
    Screenshot shot;
    size_t whitePixels = 0;
    auto countWhite = [&] {
        shot = CaptureScreen(area_);
        whitePixels = static_cast<size_t>(std::count(shot.Pixels.begin(), shot.Pixels.end(), 0x00FFFFFFu));
    };
    ASSERT_TRUE(WaitUntil([&] { countWhite(); return whitePixels > 0; }, 5000)) << "the background never showed";
    const bool covered = WaitUntil([&] { countWhite(); return whitePixels == 0; }, limit);
    const DWORD elapsed = GetTickCount() - start;
    RecordProperty("covered_after_ms", static_cast<int>(elapsed));
    ASSERT_TRUE(covered) << whitePixels << " background pixels left after " << elapsed << " ms";
    // One tile per tick: the 150 cells on the screen take 150 ticks at least.
    EXPECT_GE(elapsed, static_cast<DWORD>(150 * PeriodMs * 8 / 10));

    std::set<uint32_t> faces;
    for (const CellView& cell : cells_) {
        const Rgb face = shot.At(cell.Sample.x, cell.Sample.y);
        EXPECT_TRUE(IsFaceColour(face)) << int(face.R) << "," << int(face.G) << "," << int(face.B);
        faces.insert(face.R << 16 | face.G << 8 | face.B);
    }
    EXPECT_EQ(faces.size(), 7u) << "150 tiles drawn at random show every image";
}

}  // namespace
