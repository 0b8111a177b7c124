// Free of windows.h, so it builds and is tested natively.
// File images of the artwork: tile bitmaps (.bmp) and the icon group (.ico).
#pragma once
#include <cstdint>
#include <vector>

#include "resources/artwork/tile_art.h"

using Bytes = std::vector<uint8_t>;

// 128 x 128 bottom-up DIB file with a 40-byte header, uncompressed: 24 bits
// per pixel, or 8 bits with a 256-entry palette.
Bytes EncodeTileBitmap(const TileFace& tile, int bitsPerPixel, int32_t pixelsPerMetre);

// Icon file with 48, 32 and 16 pixel images at 8 bits per pixel.
Bytes EncodeProgramIcon();
