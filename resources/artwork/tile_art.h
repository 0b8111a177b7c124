// Free of windows.h, so it builds and is tested natively.
// The tile design: a raised square button on black. Every tile image and the
// program icon are drawn from it.
#pragma once
#include <cstdint>

struct Rgb {
    uint8_t R, G, B;
};

inline bool operator==(Rgb a, Rgb b) {
    return a.R == b.R && a.G == b.G && a.B == b.B;
}

struct TileFace {
    int Id;    // bitmap resource identifier, IDB_TILE_0 (quietest) to IDB_TILE_6 (loudest)
    Rgb Face;
};

constexpr int TileImageSize = 128;
constexpr int TileMargin = 10;
constexpr int TileBevel = 5;
constexpr int TileFaceCount = 7;
extern const TileFace TileFaces[TileFaceCount];

// Colour at (x, y), top-left origin, of a button of the given face colour
// drawn in a square of the given size. Margin and bevel scale with the size
// but never vanish.
Rgb TileArtPixel(Rgb face, int size, int x, int y);
