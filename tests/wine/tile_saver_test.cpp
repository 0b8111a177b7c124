// The saver's own handler in the preview, whose painting cannot be read back
// from another process, and over more ticks than a GDI handle table holds.
// The full-screen background and tiles are read from the screen end to end.
#include "saver_window_fixture.h"

#include <algorithm>
#include <set>

#include "mosaic/tile_saver.h"
#include "tests/shared/preview_pane.h"
#include "tests/shared/screen_pixels.h"

namespace {

using TileSaver = SaverWindowTest;

// More ticks than the GDI handle table holds: anything a tick leaked would
// run it out long before the end, and the last cycle would not paint.
TEST_F(TileSaver, AfterMoreTicksThanHandlesOneCycleOfSixteenPixelTilesCoversThePane) {
    CreatePreview();
    KillTimer(window_, TileTimerId);  // ticks come only from the test
    ASSERT_EQ(SaverMosaic.Grid.TileWidth, 16);
    ASSERT_EQ(SaverMosaic.Grid.SlotCount, 99);
    SaverMosaic.SoundAvailable = 0;  // what a tick makes is the same; only the choice differs
    const DWORD gdiBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    for (int tick = 0; tick < 66000; ++tick) Send(WM_TIMER, TileTimerId);
    EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdiBefore + 2);

    Send(WM_ERASEBKGND, reinterpret_cast<WPARAM>(GetDC(window_)));  // white without sound
    const int32_t start = SaverMosaic.Order.Cursor;
    std::set<int> faces;
    for (int tick = 0; tick < 99; ++tick) {
        const TileSlot slot = SaverMosaic.Order.Slots[SaverMosaic.Order.Cursor];
        Send(WM_TIMER, TileTimerId);
        if (slot.X < 0 || slot.Y < 0 || slot.X + 16 > PaneWidth || slot.Y + 16 > PaneHeight) continue;
        const Screenshot pane = CaptureClient(window_);
        EXPECT_EQ(pane.At(slot.X, slot.Y), Black) << "scaled margin";
        EXPECT_EQ(pane.At(slot.X + 15, slot.Y + 15), Black) << "scaled margin";
        const Rgb face = pane.At(slot.X + 8, slot.Y + 8);
        EXPECT_TRUE(IsFaceColour(face)) << face;
        faces.insert(TileIdOfFace(face));
    }
    EXPECT_EQ(SaverMosaic.Order.Cursor, start) << "one cycle";
    const Screenshot pane = CaptureClient(window_);
    EXPECT_EQ(std::count(pane.Pixels.begin(), pane.Pixels.end(), 0x00FFFFFFu), 0) << "every pixel painted once";
    EXPECT_GE(faces.size(), 3u) << "tiles drawn at random";
}

}  // namespace
