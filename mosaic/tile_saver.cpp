#include "mosaic/tile_saver.h"

#include <cstdlib>
#include <ctime>

#include "host/closing_rules.h"
#include "mosaic/tick_period.h"
#include "settings/input_choice.h"
#include "settings/settings_file.h"
#include "sound/sound_meter.h"
#include "sound/tile_choice.h"

SaverMosaicRecord SaverMosaic = {};

namespace {

// How long creation waits for the sound input's first answer.
constexpr DWORD FirstOpenWaitMs = 500;

SIZE ClientSize(HWND window) {
    RECT client = {};
    GetClientRect(window, &client);
    return {client.right - client.left, client.bottom - client.top};
}

void OnCreate(HWND window) {
    BuildSettingsPath(SaverSettings.SettingsPath);
    LoadSettings();
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    const SIZE size = ClientSize(window);
    SetTimer(window, TileTimerId, TickPeriodOf(SaverSettings.Freq), nullptr);
    LayoutTileGrid(SaverMosaic.Grid, SaverMosaic.Order, size.cx, size.cy);
    ShuffleVisitOrder(SaverMosaic.Grid, SaverMosaic.Order);
    MMRESULT code;
    // The chosen input; "none" chooses the case without one: random tiles on white.
    if (InputKindOf(SaverSettings.Input) == InputKind::None) {
        SaverMosaic.SoundAvailable = 0;
        return;
    }
    SaverMosaic.SoundAvailable = OpenSoundMeter(MeterInputName(SaverSettings.Input), FirstOpenWaitMs, &code);
    // A late input starts on black and is decided by its answer.
    SaverMosaic.InputAnswerPending = code == OpenAnswerLate;
    if (SaverMosaic.InputAnswerPending) SaverMosaic.SoundAvailable = 1;
}

// The late answer: an input found absent after all turns the saver to the
// no-input case, random tiles on white.
void FollowLateInputAnswer(HWND window) {
    if (!SaverMosaic.InputAnswerPending) return;
    SoundMeterReport report;
    ReadSoundMeterReport(&report);
    if (report.OpenAnswer == MeterState::Opening) return;
    SaverMosaic.InputAnswerPending = false;
    if (report.OpenAnswer == MeterState::Listening) return;
    SaverMosaic.SoundAvailable = 0;
    InvalidateRect(window, nullptr, TRUE);
}

void OnDestroy(HWND window) {
    KillTimer(window, TileTimerId);
    MMRESULT code;
    CloseSoundMeter(&code);
}

// Black while the room is heard, white when the tiles are chosen by chance.
// The window's own device context is kept, not released.
void OnEraseBackground(HWND window) {
    HDC dc = GetDC(window);
    HGDIOBJ brush = GetStockObject(SaverMosaic.SoundAvailable ? BLACK_BRUSH : WHITE_BRUSH);
    HGDIOBJ replaced = SelectObject(dc, brush);
    RECT client = {};
    GetClientRect(window, &client);
    PatBlt(dc, client.left, client.top, client.right - client.left, client.bottom - client.top, PATCOPY);
    SelectObject(dc, replaced);
}

void PaintTile(HDC dc, HDC memory, HBITMAP tile) {
    TileSlot slot;
    if (!NextTileSlot(SaverMosaic.Grid, SaverMosaic.Order, slot)) return;
    HGDIOBJ replaced = SelectObject(memory, tile);
    SetMapMode(memory, GetMapMode(dc));
    BitBlt(dc, slot.X, slot.Y, SaverMosaic.Grid.TileWidth, SaverMosaic.Grid.TileHeight, memory, 0, 0, SRCCOPY);
    SelectObject(memory, replaced);
}

// One tile, and everything made for it released before the tick ends.
void OnTick(HWND window) {
    FollowLateInputAnswer(window);
    HDC dc = GetDC(window);
    HDC memory = CreateCompatibleDC(dc);
    const TileImageId id = SaverMosaic.SoundAvailable ? ChooseTileByLevel() : RandomTileImage();
    HINSTANCE module = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
    HBITMAP image = LoadBitmapA(module, MAKEINTRESOURCEA(id));
    HBITMAP scaled = static_cast<HBITMAP>(
        CopyImage(image, IMAGE_BITMAP, SaverMosaic.Grid.TileWidth, SaverMosaic.Grid.TileHeight, 0));
    PaintTile(dc, memory, scaled);
    DeleteObject(image);
    DeleteObject(scaled);
    DeleteDC(memory);
    ReleaseDC(window, dc);
}

}  // namespace

LRESULT CALLBACK TileSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        OnCreate(window);
        return 0;
    case WM_DESTROY:
        OnDestroy(window);
        return 0;
    case WM_ERASEBKGND:
        OnEraseBackground(window);
        return 0;
    case WM_TIMER:
        OnTick(window);
        return 0;
    }
    return DefaultSaverProc(window, message, wParam, lParam);
}
