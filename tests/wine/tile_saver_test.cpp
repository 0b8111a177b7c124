// The saver's own handler in the preview, whose painting cannot be read back
// from another process, and over more ticks than a GDI handle table holds.
// The full-screen background and tiles are read from the screen end to end.
#include "saver_window_fixture.h"

#include <set>

#include "mosaic/tile_saver.h"
#include "resources/artwork/tile_art.h"

namespace {

constexpr COLORREF White = RGB(255, 255, 255);
constexpr COLORREF Black = RGB(0, 0, 0);

// The window's client area as pixels, read back from its device context.
struct Capture {
    int Width = 0, Height = 0;
    std::vector<COLORREF> Pixels;
    COLORREF At(int x, int y) const { return Pixels[y * Width + x]; }
};

Capture CaptureClient(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    Capture capture;
    capture.Width = client.right;
    capture.Height = client.bottom;
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), capture.Width, -capture.Height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = GetDC(window);
    HBITMAP section = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, section);
    BitBlt(memory, 0, 0, capture.Width, capture.Height, dc, 0, 0, SRCCOPY);
    GdiFlush();
    const DWORD* pixel = static_cast<const DWORD*>(bits);
    for (int i = 0; i < capture.Width * capture.Height; ++i)
        capture.Pixels.push_back(RGB((pixel[i] >> 16) & 0xFF, (pixel[i] >> 8) & 0xFF, pixel[i] & 0xFF));
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(section);
    ReleaseDC(window, dc);
    return capture;
}

bool IsFaceColour(COLORREF colour) {
    for (const TileFace& tile : TileFaces)
        if (colour == RGB(tile.Face.R, tile.Face.G, tile.Face.B)) return true;
    return false;
}

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
    std::set<COLORREF> faces;
    for (int tick = 0; tick < 99; ++tick) {
        const TileSlot slot = SaverMosaic.Order.Slots[SaverMosaic.Order.Cursor];
        Send(WM_TIMER, TileTimerId);
        if (slot.X < 0 || slot.Y < 0 || slot.X + 16 > 152 || slot.Y + 16 > 112) continue;
        Capture pane = CaptureClient(window_);
        EXPECT_EQ(pane.At(slot.X, slot.Y), Black) << "scaled margin";
        EXPECT_EQ(pane.At(slot.X + 15, slot.Y + 15), Black) << "scaled margin";
        faces.insert(pane.At(slot.X + 8, slot.Y + 8));
    }
    EXPECT_EQ(SaverMosaic.Order.Cursor, start) << "one cycle";
    Capture pane = CaptureClient(window_);
    int white = 0;
    for (COLORREF c : pane.Pixels) white += c == White;
    EXPECT_EQ(white, 0) << "every pixel painted once";
    EXPECT_GE(faces.size(), 3u) << "tiles drawn at random";
    for (COLORREF face : faces) EXPECT_TRUE(IsFaceColour(face)) << std::hex << face;
}

}  // namespace
