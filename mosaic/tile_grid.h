// Free of windows.h, so it builds and is tested natively.
// Geometry of the mosaic: square cells covering the drawing area with one
// more cell beyond every edge, visited in a shuffled order.
#pragma once
#include <cstdint>
#include <memory>

struct TileGrid {
    int32_t ClientWidth;
    int32_t ClientHeight;
    int32_t TileWidth;   // always equal to TileHeight: 128, or 16 for small areas
    int32_t TileHeight;
    int32_t SlotCount;   // Columns x Rows, at least 4 once laid out
};

struct TileSlot {
    int32_t Index;     // row-major number at layout; travels through the shuffle
    int32_t Reserved;
    int32_t X;         // top-left corner in client coordinates, may be negative
    int32_t Y;
};

struct VisitOrder {
    std::unique_ptr<TileSlot[]> Slots;  // SlotCount records, then one spare
    int32_t Cursor;                     // next slot to paint
};

// Lays out the grid for an area of the given size and fills the slots in
// row-major order. False when the slots could not be reserved; the grid then
// has no slots and NextTileSlot hands none out.
bool LayoutTileGrid(TileGrid& grid, VisitOrder& order, int32_t width, int32_t height);

// 10 x SlotCount exchanges drawn from rand(), which the caller has seeded.
void ShuffleVisitOrder(const TileGrid& grid, VisitOrder& order);

// The slot at the cursor, after which the cursor moves on and wraps.
// False only for a grid without slots.
bool NextTileSlot(const TileGrid& grid, VisitOrder& order, TileSlot& slot);
