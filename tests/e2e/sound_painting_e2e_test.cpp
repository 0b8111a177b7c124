// The full-screen saver listening to the room: the harness's silent null
// sink, then a loud tone played into it.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "mosaic_view.h"
#include "saved_state.h"
#include "saver_process.h"
#include "screen_reader.h"
#include "shared/room_tone.h"

namespace {

constexpr Rgb DarkGrey = {50, 50, 50};  // 102, the quietest band
constexpr Rgb Red = {255, 51, 51};      // 108, the loudest

class SoundPainting : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(WaitUntil([] { return AnyFullScreenSaverWindow() == nullptr; }, 5000));
        settings_ = SaveFile(SettingsFilePath());
    }
    void TearDown() override {
        EndSaver(saver_);
        StopTone(tone_);
        RestoreFile(settings_);
    }

    void Start(const std::string& thresholds) {
        ASSERT_TRUE(WriteWholeFile(settings_, "[SETTINGS]\r\nFREQ=55\r\n" + thresholds));
        saver_ = StartSaver("/s");
        ASSERT_TRUE(saver_.Started);
        window_ = WaitForFullScreenWindow(saver_, 15000);
        ASSERT_NE(window_, nullptr);
        ASSERT_TRUE(GetWindowRect(window_, &area_));
        cells_ = VisibleCells(area_);
    }

    // Face colours of the painted cells, once at least `count` show.
    std::multiset<uint32_t> FacesOnceAtLeast(size_t count, Rgb background) {
        std::multiset<uint32_t> faces;
        WaitUntil([&] {
            Screenshot shot = CaptureScreen(area_);
            faces.clear();
            for (size_t cell : PaintedCells(shot, cells_, background)) {
                const Rgb face = shot.At(cells_[cell].Sample.x, cells_[cell].Sample.y);
                faces.insert(face.R << 16 | face.G << 8 | face.B);
            }
            return faces.size() >= count;
        }, 20000);
        return faces;
    }

    static uint32_t Key(Rgb c) { return c.R << 16 | c.G << 8 | c.B; }

    SavedFile settings_;
    Tone tone_;
    SaverProcess saver_;
    HWND window_ = nullptr;
    RECT area_{};
    std::vector<CellView> cells_;
};

TEST_F(SoundPainting, SilentRoomPaintsTheQuietestTileOnBlack) {
    ASSERT_NO_FATAL_FAILURE(Start(""));  // default thresholds: level 0 and 1 are the quietest band
    Screenshot shot;
    ASSERT_TRUE(WaitUntil([&] {
        shot = CaptureScreen(area_);
        return shot.At(area_.left + 1, area_.top + 1) == Black || shot.At(area_.right - 2, area_.top + 1) == Black;
    }, 5000)) << "the background is not black";
    const std::multiset<uint32_t> faces = FacesOnceAtLeast(40, Black);
    ASSERT_GE(faces.size(), 40u);
    EXPECT_EQ(faces.count(Key(DarkGrey)), faces.size()) << "every tile of a silent room is dark grey";
}

// Thresholds 1..6 and a tone 100 from silence: the loudest band, certainly.
// Ticks before the first capture lands (it takes a second or two) still see
// the level 0 of a newly opened meter, so only what changes later counts.
TEST_F(SoundPainting, LoudRoomPaintsTheLoudestTile) {
    ASSERT_TRUE(StartTone(tone_, 100)) << "no sound output to play into the room";
    ASSERT_NO_FATAL_FAILURE(Start("THRES0=1\r\nTHRES1=2\r\nTHRES2=3\r\nTHRES3=4\r\nTHRES4=5\r\nTHRES5=6\r\n"));
    Screenshot before;
    ASSERT_TRUE(WaitUntil([&] {
        before = CaptureScreen(area_);
        for (const CellView& cell : cells_)
            if (before.At(cell.Sample.x, cell.Sample.y) == Red) return true;
        return false;
    }, 20000)) << "no red tile";
    PumpMessagesFor(300);
    before = CaptureScreen(area_);
    PumpMessagesFor(2000);
    const Screenshot after = CaptureScreen(area_);

    int changed = 0;
    for (const CellView& cell : cells_) {
        const Rgb was = before.At(cell.Sample.x, cell.Sample.y);
        const Rgb now = after.At(cell.Sample.x, cell.Sample.y);
        if (now == was) continue;
        ++changed;
        EXPECT_EQ(now, Red) << "a tile painted in the loud room: " << int(now.R) << "," << int(now.G) << ","
                            << int(now.B);
    }
    EXPECT_GE(changed, 10) << "the saver kept painting";
}

}  // namespace
