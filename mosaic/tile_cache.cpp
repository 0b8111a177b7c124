#include "mosaic/tile_cache.h"

TileCacheRecord TileCache = {};

namespace {

// What every tick did before: the resource, then a copy at the tile size.
HBITMAP ScaledImage(HINSTANCE module, TileImageId id, int32_t size) {
    HBITMAP image = LoadBitmapA(module, MAKEINTRESOURCEA(id));
    if (!image) return nullptr;
    HBITMAP scaled = static_cast<HBITMAP>(CopyImage(image, IMAGE_BITMAP, size, size, 0));
    DeleteObject(image);
    return scaled;
}

void ReleaseTile(CachedTileRecord& tile) {
    if (tile.Replaced && tile.Replaced != HGDI_ERROR) SelectObject(tile.Memory, tile.Replaced);
    if (tile.Memory) DeleteDC(tile.Memory);
    if (tile.Bitmap) DeleteObject(tile.Bitmap);
    tile = CachedTileRecord{};
}

// All or nothing: a tile half made is let go at once.
void MakeTile(CachedTileRecord& tile, HDC windowDc, HINSTANCE module, TileImageId id, int32_t size) {
    tile.Bitmap = ScaledImage(module, id, size);
    tile.Memory = tile.Bitmap ? CreateCompatibleDC(windowDc) : nullptr;
    tile.Replaced = tile.Memory ? SelectObject(tile.Memory, tile.Bitmap) : nullptr;
    if (!tile.Replaced || tile.Replaced == HGDI_ERROR) ReleaseTile(tile);
}

}  // namespace

HDC CachedTile(HDC windowDc, HINSTANCE module, TileImageId id, int32_t size) {
    if (id < QuietestTile || id > LoudestTile) return nullptr;
    if (size != TileCache.Size) {
        ReleaseTileCache();
        TileCache.Size = size;
    }
    CachedTileRecord& tile = TileCache.Tiles[id - QuietestTile];
    if (!tile.Memory) MakeTile(tile, windowDc, module, id, size);
    return tile.Memory;
}

void ReleaseTileCache() {
    for (CachedTileRecord& tile : TileCache.Tiles) ReleaseTile(tile);
    TileCache.Size = 0;
}
