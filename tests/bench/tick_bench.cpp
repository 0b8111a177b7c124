// How long one tick of the full-screen saver takes, against the least a
// tick could cost: one BitBlt of a tile already loaded and scaled. The tick
// is taken twice: as it runs, with the sound meter's calls when the input
// opened, and with the tiles chosen by chance, which leaves only the painting.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "host/host_state.h"
#include "host/saver_window.h"
#include "mosaic/tile_saver.h"
#include "sound/tile_band.h"

namespace {

constexpr int Rounds = 3000;

double Microseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    static LARGE_INTEGER frequency = {};
    if (!frequency.QuadPart) QueryPerformanceFrequency(&frequency);
    return (to.QuadPart - from.QuadPart) * 1e6 / frequency.QuadPart;
}

template <typename Step>
double MedianMicroseconds(Step step) {
    std::vector<double> times;
    for (int i = 0; i < Rounds; ++i) {
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        step(i);
        QueryPerformanceCounter(&end);
        times.push_back(Microseconds(start, end));
    }
    std::nth_element(times.begin(), times.begin() + Rounds / 2, times.end());
    return times[Rounds / 2];
}

}  // namespace

int main() {
    HostState.Instance = GetModuleHandleA(nullptr);
    HWND window = RegisterSaverClass() ? CreateSaverWindow(nullptr) : nullptr;
    if (!window) return 1;
    KillTimer(window, TileTimerId);
    UpdateWindow(window);

    const int heard = SaverMosaic.SoundAvailable;
    const double tick = MedianMicroseconds([&](int) { SendMessageA(window, WM_TIMER, TileTimerId, 0); });
    SaverMosaic.SoundAvailable = 0;
    const double byChance = MedianMicroseconds([&](int) { SendMessageA(window, WM_TIMER, TileTimerId, 0); });

    HDC dc = GetDC(window);
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP image = LoadBitmapA(HostState.Instance, MAKEINTRESOURCEA(LoudestTile));
    HBITMAP scaled = static_cast<HBITMAP>(CopyImage(image, IMAGE_BITMAP, 128, 128, 0));
    HGDIOBJ old = SelectObject(memory, scaled);
    const double floor = MedianMicroseconds([&](int i) {
        const TileSlot& slot = SaverMosaic.Order.Slots[i % SaverMosaic.Grid.SlotCount];
        BitBlt(dc, slot.X, slot.Y, 128, 128, memory, 0, 0, SRCCOPY);
        GdiFlush();
    });
    SelectObject(memory, old);
    DeleteObject(scaled);
    DeleteObject(image);
    DeleteDC(memory);

    std::printf("tick (median of %d, 1920x1080, 128-pixel tiles), %s: %.1f us\n", Rounds,
                heard ? "sound input open" : "no sound input", tick);
    std::printf("the same tick with tiles by chance (no meter calls): %.1f us\n", byChance);
    std::printf("floor (one BitBlt of a cached 128x128 tile):         %.1f us\n", floor);
    std::printf("ratio tick / floor: %.1f; by chance / floor: %.1f\n", tick / floor, byChance / floor);
    DestroyWindow(window);
    return 0;
}
