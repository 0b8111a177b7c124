// The saver's own handler in the preview, whose painting cannot be read back
// from another process, and over more ticks than a GDI handle table holds;
// its cached tiles against the tick as first designed, pixel for pixel.
// The full-screen background and tiles are read from the screen end to end.
#include "saver_window_fixture.h"

#include <algorithm>
#include <cstdlib>
#include <set>

#include "host/saver_window.h"
#include "mosaic/tile_saver.h"
#include "sound/tile_band.h"
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
    for (int tick = 0; tick < 1000; ++tick) Send(WM_TIMER, TileTimerId);  // every tile made by now
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

struct PictureCase {
    const char* Name;
    int Width, Height;  // of both windows' client areas
    int TileSize;
    int Heard;  // 1: black background
};

// The tick as first designed: the bitmap loaded and scaled anew, then freed.
void PaintAsDesigned(HWND window, const TileSlot& slot, TileImageId id, int size) {
    HDC dc = GetDC(window);
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP image = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
    HBITMAP scaled = static_cast<HBITMAP>(CopyImage(image, IMAGE_BITMAP, size, size, 0));
    HGDIOBJ replaced = SelectObject(memory, scaled);
    SetMapMode(memory, GetMapMode(dc));
    BitBlt(dc, slot.X, slot.Y, size, size, memory, 0, 0, SRCCOPY);
    SelectObject(memory, replaced);
    DeleteObject(image);
    DeleteObject(scaled);
    DeleteDC(memory);
    ReleaseDC(window, dc);
}

int PixelsThatDiffer(const Screenshot& a, const Screenshot& b) {
    if (!a.Taken || !b.Taken || a.Pixels.size() != b.Pixels.size()) return -1;
    int count = 0;
    for (size_t i = 0; i < a.Pixels.size(); ++i) count += a.Pixels[i] != b.Pixels[i];
    return count;
}

LRESULT CALLBACK PlainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

// Two windows of one size side by side: the saver's preview paints a cycle
// from its cache, the other the same tiles at the same slots as first
// designed. Half way the background shows between them; at the end none.
TEST_F(TileSaver, CachedTilesPaintWhatTheTickAsFirstDesignedPainted) {
    const PictureCase cases[] = {{"128 on black", 656, 496, 128, 1},
                                 {"128 on white", 656, 496, 128, 0},
                                 {"16 on black", PaneWidth, PaneHeight, 16, 1},
                                 {"16 on white", PaneWidth, PaneHeight, 16, 0}};
    for (const PictureCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
        RECT frame = {0, 0, c.Width, c.Height};
        AdjustWindowRect(&frame, style, FALSE);
        const int frameWidth = frame.right - frame.left, frameHeight = frame.bottom - frame.top;
        WNDCLASSA plainClass = {};
        plainClass.lpfnWndProc = PlainProc;
        plainClass.hInstance = GetModuleHandleA(nullptr);
        plainClass.lpszClassName = "BrasswickTestPicture";
        RegisterClassA(&plainClass);  // fails harmlessly after the first row
        HWND designed = CreateWindowExA(0, plainClass.lpszClassName, "As designed", style, 20, 20, frameWidth,
                                        frameHeight, nullptr, nullptr, plainClass.hInstance, nullptr);
        host_ = CreateWindowExA(0, plainClass.lpszClassName, "Cached", style, 60 + frameWidth, 20, frameWidth,
                                frameHeight, nullptr, nullptr, plainClass.hInstance, nullptr);
        window_ = CreateSaverWindow(host_);
        UpdateWindow(designed);
        UpdateWindow(window_);
        KillTimer(window_, TileTimerId);
        ASSERT_EQ(SaverMosaic.Grid.TileWidth, c.TileSize);
        SaverMosaic.Order.Cursor = 0;  // the layout keeps an earlier window's cursor

        SaverMosaic.SoundAvailable = c.Heard;
        Send(WM_ERASEBKGND);
        SaverMosaic.SoundAvailable = 0;  // tiles by chance, from a seed the test sets
        HDC dc = GetDC(designed);
        PatBlt(dc, 0, 0, c.Width, c.Height, c.Heard ? BLACKNESS : WHITENESS);
        ReleaseDC(designed, dc);
        const int slots = SaverMosaic.Grid.SlotCount;
        for (int tick = 0; tick < slots; ++tick) {
            const TileSlot slot = SaverMosaic.Order.Slots[SaverMosaic.Order.Cursor];
            std::srand(tick);
            Send(WM_TIMER, TileTimerId);
            std::srand(tick);
            PaintAsDesigned(designed, slot, RandomTileImage(), c.TileSize);
            if (tick != slots / 2 && tick != slots - 1) continue;
            const Screenshot cached = CaptureClient(window_);
            EXPECT_EQ(PixelsThatDiffer(cached, CaptureClient(designed)), 0) << "after tick " << tick;
            const RECT client = {0, 0, c.Width, c.Height};
            EXPECT_GT(PixelsOtherThan(cached, client, c.Heard ? Black : White), 0) << "tiles painted";
        }
        WaitForMeterIdle(10000);
        DestroyWindow(window_);
        DestroyWindow(host_);
        DestroyWindow(designed);
        window_ = host_ = nullptr;
    }
}

// A tile the platform will not make leaves its cell as it was, the cursor
// moves on, and the next tick that asks for it makes it.
TEST_F(TileSaver, ATileThatCannotBeMadePaintsNothingAndIsMadeAtALaterTick) {
    CreatePreview();
    KillTimer(window_, TileTimerId);
    SaverMosaic.SoundAvailable = 0;
    Send(WM_ERASEBKGND);  // white
    HINSTANCE without = GetModuleHandleA("kernel32.dll");
    ASSERT_EQ(LoadBitmapA(without, MAKEINTRESOURCEA(QuietestTile)), nullptr);
    const LONG_PTR module = SetWindowLongPtrA(window_, GWLP_HINSTANCE, reinterpret_cast<LONG_PTR>(without));
    const RECT pane = {0, 0, PaneWidth, PaneHeight};
    SaverMosaic.Order.Cursor = 0;  // the layout keeps an earlier window's cursor
    for (int tick = 0; tick < 98; ++tick) Send(WM_TIMER, TileTimerId);
    EXPECT_EQ(SaverMosaic.Order.Cursor, 98) << "the cursor moves on";
    Send(WM_TIMER, TileTimerId);
    EXPECT_EQ(PixelsOtherThan(CaptureClient(window_), pane, White), 0) << "nothing painted";

    SetWindowLongPtrA(window_, GWLP_HINSTANCE, module);
    for (int tick = 0; tick < 99; ++tick) Send(WM_TIMER, TileTimerId);
    EXPECT_EQ(PixelsOtherThan(CaptureClient(window_), pane, White), PaneWidth * PaneHeight) << "all painted";
}

}  // namespace
