#include "mosaic/tile_saver.h"

#include <cstdlib>
#include <ctime>

#include "host/closing_rules.h"
#include "mosaic/tick_period.h"
#include "mosaic/tile_cache.h"
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
    ReleaseTileCache();
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

// A tile that could not be made leaves its cell as it was; the cursor moves
// on all the same.
void PaintTile(HDC dc, HDC tile) {
    TileSlot slot;
    if (!NextTileSlot(SaverMosaic.Grid, SaverMosaic.Order, slot) || !tile) return;
    SetMapMode(tile, GetMapMode(dc));
    BitBlt(dc, slot.X, slot.Y, SaverMosaic.Grid.TileWidth, SaverMosaic.Grid.TileHeight, tile, 0, 0, SRCCOPY);
}

// One tile, copied from the window's cache of scaled tiles.
void OnTick(HWND window) {
    FollowLateInputAnswer(window);
    HDC dc = GetDC(window);
    const TileImageId id = SaverMosaic.SoundAvailable ? ChooseTileByLevel() : RandomTileImage();
    HINSTANCE module = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
    PaintTile(dc, CachedTile(dc, module, id, SaverMosaic.Grid.TileWidth));
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
