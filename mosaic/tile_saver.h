#pragma once
#include <windows.h>

#include "mosaic/tile_grid.h"

// The saver's own handler: sets the mosaic up, erases the background, paints
// one tile per timer tick. Everything else goes to DefaultSaverProc.
LRESULT CALLBACK TileSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The mosaic of the one saver window of the process, touched only on its
// thread.
struct SaverMosaicRecord {
    TileGrid Grid;
    VisitOrder Order;
    int SoundAvailable;  // 1 when the sound input opened at creation, or had not answered yet
    bool InputAnswerPending;  // the input's first answer came too late for creation
};

extern SaverMosaicRecord SaverMosaic;

constexpr UINT_PTR TileTimerId = 1;
