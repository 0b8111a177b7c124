#include "mosaic/tile_grid.h"

#include <cstdlib>
#include <new>
#include <utility>

namespace {

constexpr int32_t LargeTile = 128;
constexpr int32_t SmallTile = 16;
constexpr int32_t ShuffleStepsPerSlot = 10;

// The preview pane and other small areas get small tiles.
int32_t TileSizeFor(int32_t width, int32_t height) {
    return (width > 640 && height > 480) ? LargeTile : SmallTile;
}

}  // namespace

bool LayoutTileGrid(TileGrid& grid, VisitOrder& order, int32_t width, int32_t height) {
    const int32_t tile = TileSizeFor(width, height);
    const int32_t columns = width / tile + 2;
    const int32_t rows = height / tile + 2;
    const int32_t originX = (width % tile) / 2 - tile;
    const int32_t originY = (height % tile) / 2 - tile;

    grid = TileGrid{width, height, tile, tile, 0};
    order.Slots.reset(new (std::nothrow) TileSlot[columns * rows + 1]);
    if (!order.Slots) return false;
    grid.SlotCount = columns * rows;

    for (int32_t i = 0; i < grid.SlotCount; ++i)
        order.Slots[i] = TileSlot{i, 0, (i % columns) * tile + originX, (i / columns) * tile + originY};
    return true;
}

void ShuffleVisitOrder(const TileGrid& grid, VisitOrder& order) {
    const int32_t steps = ShuffleStepsPerSlot * grid.SlotCount;
    for (int32_t step = 0; step < steps; ++step) {
        const int32_t a = std::rand() % grid.SlotCount;
        const int32_t b = std::rand() % grid.SlotCount;
        if (a != b) std::swap(order.Slots[a], order.Slots[b]);
    }
}

bool NextTileSlot(const TileGrid& grid, VisitOrder& order, TileSlot& slot) {
    if (grid.SlotCount <= 0) return false;
    slot = order.Slots[order.Cursor];
    if (++order.Cursor >= grid.SlotCount) order.Cursor = 0;
    return true;
}
