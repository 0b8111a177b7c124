// The seven tile images scaled to the window's tile size once and kept for
// the window's life, each selected into a memory context of its own: a
// bitmap selected anew costs Wine a hundred times the copy itself.
#pragma once
#include <windows.h>

#include <cstdint>

#include "sound/tile_band.h"

constexpr int TileImageCount = LoudestTile - QuietestTile + 1;

struct CachedTileRecord {
    HDC Memory;        // holds Bitmap; null until made
    HBITMAP Bitmap;    // the image scaled to the tile size
    HGDIOBJ Replaced;  // the context's own bitmap, selected back at release
};

// Touched only on the saver window's thread.
struct TileCacheRecord {
    CachedTileRecord Tiles[TileImageCount];  // by id from QuietestTile
    int32_t Size;                            // the tiles' width and height
};

extern TileCacheRecord TileCache;

// A memory context compatible with windowDc that holds the image scaled to
// size x size, made on first use from the module's bitmap. Null when the
// platform refuses it; the next call tries again. A new size lets go of the
// tiles of the old one.
HDC CachedTile(HDC windowDc, HINSTANCE module, TileImageId id, int32_t size);

// Lets go of every tile: at the window's end, or when the tile size changes.
void ReleaseTileCache();
